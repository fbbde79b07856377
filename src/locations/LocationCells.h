#pragma once

#include "sdk/PDNetworks.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/NSViewLayerBacked.h"

#include <QAbstractButton>
#include <QLabel>

#include <QImage>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>

class Popover;

// The selected look of a locations row, switched by the list.
class SelectableTableCellView {
public:
    virtual ~SelectableTableCellView() = default;
    virtual void select() = 0;
    virtual void deselect() = 0;
};

// The line under a locations row; the list hides it above a section header.
class SeparatedTableCellView {
public:
    virtual ~SeparatedTableCellView() = default;
    virtual void showSeparator() = 0;
    virtual void hideSeparator() = 0;
};

// One network or public location of the locations window: round flag with the private/public badge,
// the name, the split-tunnelling button and the favourite star. It only shows state; what a click on the
// row or the star does is the list's.
class LocationCellView : public QWidget,
                         public SelectableTableCellView,
                         public SeparatedTableCellView,
                         public HoverableTableCellView {
    Q_OBJECT
public:
    static constexpr int kFlagSize = 24;

    explicit LocationCellView(QWidget* parent = nullptr);
    ~LocationCellView() override;

    // Writes everything the row shows, with the part of the name a search found emphasised. A flag already
    // decoded shows at once; otherwise the row shows none until its flag arrives, and a flag arriving after
    // the row was reused for another location is dropped.
    void configure(const PDNetworkItemPtr& location, const QString& searchText = {});

    void select() override;
    void deselect() override;
    void showSeparator() override;
    void hideSeparator() override;
    void hover() override;
    void unhover() override;

    // The split-tunnelling button's action.
    void showSplitTunnelPopover(QWidget* sender);

    NSImageViewLayerBacked* flagImageView() const { return m_flagImageView; }
    QLabel* flagAccessImageView() const { return m_flagAccessImageView; }
    ElidedLabel* locationTitleField() const { return m_locationTitleField; }
    QAbstractButton* isSplitTunnelButton() const { return m_splitTunnelButton; }
    QAbstractButton* favouriteButton() const { return m_favouriteButton; }
    QWidget* separatorView() const { return m_separatorView; }
    QWidget* selectedView() const { return m_selectedView; }
    QWidget* hoveredView() const { return m_hoveredView; }
    Popover* popover() const { return m_popover.get(); }

    const std::optional<QUrl>& flagImageURL() const { return m_flagImageURL; }
    const QImage& flagImage() const { return m_flagImage; }
    void setFlagImage(const QImage& image);
    // The location the row shows now (id and URL decide whether a late flag still belongs).
    const PDNetworkItemPtr& location() const { return m_location; }
    // The name as given (the label shows it elided).
    const QString& title() const { return m_title; }

signals:
    // The star was pressed; the list decides what it means.
    void favoriteTapped(LocationCellView* cell);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<NSImageViewLayerBacked> m_flagImageView;
    QPointer<QLabel> m_flagAccessImageView;
    QPointer<ElidedLabel> m_locationTitleField;
    QPointer<QAbstractButton> m_splitTunnelButton;
    QPointer<QAbstractButton> m_favouriteButton;
    QPointer<NSViewLayerBacked> m_separatorView;
    QPointer<NSViewLayerBacked> m_selectedView;
    QPointer<NSViewLayerBacked> m_hoveredView;
    std::unique_ptr<Popover> m_popover;
    std::optional<QUrl> m_flagImageURL;
    QImage m_flagImage;
    PDNetworkItemPtr m_location;
    QString m_title;
};

// The automatic location, first row under the Public filter: a left-to-right gradient behind the content,
// a hover look and an information button.
class AutomaticLocationCellView : public QWidget, public HoverableTableCellView {
    Q_OBJECT
public:
    explicit AutomaticLocationCellView(QWidget* parent = nullptr);
    ~AutomaticLocationCellView() override;

    void configure(const PDNetworkItemPtr& automatic);

    void hover() override;
    void unhover() override;

    // The information button's action: a new popover every time.
    void showInfoPopover(QWidget* sender);
    void closePopover();

    QWidget* hoveredView() const { return m_hoveredView; }
    QWidget* gradientView() const { return m_gradientView; }
    QAbstractButton* infoButton() const { return m_infoButton; }
    Popover* popover() const { return m_popover.get(); }

    static QColor leftGradientColor() { return QColor(0x01, 0xBC, 0xAC); }
    static QColor rightGradientColor() { return QColor(0x6D, 0x59, 0xEF); }

private:
    QPointer<QWidget> m_gradientView;
    QPointer<NSViewLayerBacked> m_hoveredView;
    QPointer<QAbstractButton> m_infoButton;
    QPointer<QLabel> m_titleField;
    std::unique_ptr<Popover> m_popover;
};

// A section header: the continent or group name.
class LocationHeaderCellView : public QWidget {
    Q_OBJECT
public:
    explicit LocationHeaderCellView(QWidget* parent = nullptr);
    void configure(const PDNetworkItemPtr& header);
    QLabel* headerTitleField() const { return m_headerTitleField; }

private:
    QPointer<QLabel> m_headerTitleField;
};

// The locations window's table: the row under the pointer shows its hover look, and the list can tell it
// to ignore the pointer while it must not react (window hidden, an overlay shown).
class LocationsTableView : public HoverableTableView {
    Q_OBJECT
public:
    explicit LocationsTableView(QWidget* parent = nullptr);

    bool isEventsDisabled() const { return m_eventsDisabled; }
    void disableEvents() { m_eventsDisabled = true; }
    void enableEvents() { m_eventsDisabled = false; }

    // Only rows that have views change; none is made for it.
    void hoverRow(int row) override;
    void clearHover() override;
    void unhoverPreviousRow() { clearHover(); }

    // The row whose cell (or a control in it) is `view`; -1 when it shows none.
    int rowForView(const QWidget* view) const;

private:
    bool m_eventsDisabled = false;
};
