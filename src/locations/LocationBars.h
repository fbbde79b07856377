#pragma once

#include "sdk/PDTypes.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QList>
#include <QPointer>

#include <optional>

class Button;
class NSViewLayerBacked;
class QAbstractButton;
class QHBoxLayout;
class FilterButton;

class FilterButtonDelegate {
public:
    virtual ~FilterButtonDelegate() = default;
    virtual void filterButtonTapped(FilterButton* button) = 0;
};

class LocationFilterViewDelegate {
public:
    virtual ~LocationFilterViewDelegate() = default;
    virtual void filterSelected(PDLocationFilterType filter) = 0;
};

// One tab of the filter bar: the filter's name and, when applied, the coloured line under it.
class FilterButton : public XibView {
    Q_OBJECT
public:
    explicit FilterButton(QWidget* parent = nullptr);

    static QColor selectedColor() { return QColor(0x6A, 0xF4, 0xF8); }
    static QColor unselectedColor() { return QColor(0xDD, 0xE6, 0xF2); }

    void configure(PDLocationFilterType filter, bool isSelected);
    // Reports the tap to the delegate (the filter bar).
    void sendTap();

    std::optional<PDLocationFilterType> filter() const { return m_filter; }
    bool isMarked() const { return m_marked; }
    QAbstractButton* filterButton() const;
    QWidget* bottomView() const;

    FilterButtonDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(FilterButtonDelegate* delegate) { m_delegate = delegate; }

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<Button> m_button;
    QPointer<NSViewLayerBacked> m_bottomView;
    std::optional<PDLocationFilterType> m_filter;
    bool m_marked = false;
    WeakDelegate<FilterButtonDelegate> m_delegate;
};

// The tabs Private, Public and Favorites above the list: one per filter offered, the applied one marked.
class LocationFilterView : public XibView, public FilterButtonDelegate {
    Q_OBJECT
public:
    static constexpr int kSlots = 3;

    explicit LocationFilterView(QWidget* parent = nullptr);

    // Shows the offered filters in order (at most three; the rest are logged and left out) and marks the
    // applied one. An empty list leaves the tabs as they were.
    void configure(const QList<PDLocationFilterType>& filters, PDLocationFilterType applied);

    void filterButtonTapped(FilterButton* button) override;

    LocationFilterViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LocationFilterViewDelegate* delegate) { m_delegate = delegate; }

    const std::optional<QList<PDLocationFilterType>>& availableFilters() const { return m_availableFilters; }
    // The three slots, in order.
    QList<FilterButton*> buttons() const;

protected:
    QWidget* loadViewFromNib() override;

private:
    void layoutButtons(PDLocationFilterType applied);

    QList<QPointer<FilterButton>> m_slots;
    std::optional<QList<PDLocationFilterType>> m_availableFilters;
    WeakDelegate<LocationFilterViewDelegate> m_delegate;
};

class LocationTopViewDelegate {
public:
    virtual ~LocationTopViewDelegate() = default;
    virtual void settingsTapped() = 0;
    virtual void signOutTapped() = 0;
    virtual void goBackTapped() = 0;
};

// The bar above the locations: go back on the left, settings on the right.
class LocationTopView : public XibView {
    Q_OBJECT
public:
    static constexpr int kHeight = 52;
    static QColor titleColor() { return QColor(0xF6, 0xFA, 0xFF); }

    explicit LocationTopView(QWidget* parent = nullptr);

    QAbstractButton* goBackButton() const;
    QAbstractButton* settingsButton() const;

    LocationTopViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LocationTopViewDelegate* delegate) { m_delegate = delegate; }

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<Button> m_goBackButton;
    QPointer<Button> m_settingsButton;
    WeakDelegate<LocationTopViewDelegate> m_delegate;
};
