#pragma once

#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

// Hears when a search field gains (true) or loses (false) the keyboard focus.
class LocationSearchFieldDelegate {
public:
    virtual ~LocationSearchFieldDelegate() = default;
    virtual void searchFieldFocusChanged(bool focused) = 0;
};

// Hears the search text, trimmed, at every change.
class LocationSeachBarViewDelegate {
public:
    virtual ~LocationSeachBarViewDelegate() = default;
    virtual void searchTextChanged(const QString& text) = 0;
    // Return in the field: the one result, if there is one, is picked.
    virtual void searchReturnPressed() {}
};

// The search field of both lists: a frameless line edit without icons of its own (the bars draw the
// magnifier and the clear button). While it holds no text it shows the placeholder; a search is under way
// as soon as it holds any character, blanks included, and then no placeholder shows.
class LocationSearchField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kMaximumLength = 128;

    explicit LocationSearchField(QWidget* parent = nullptr);

    static QString placeholder() { return QStringLiteral("Search for networks"); }

    // The placeholder "Search for networks" in the secondary colour, left aligned, in the field's font.
    void applyPlaceholder();

    // The colour of the text and of the caret (Qt draws the caret in the text colour).
    void setTextColor(const QColor& color);
    QColor textColor() const;

    LocationSearchFieldDelegate* locationSearchDelegate() const { return m_delegate.get(); }
    void setLocationSearchDelegate(LocationSearchFieldDelegate* delegate) { m_delegate = delegate; }

    bool isSearching() const { return m_searching; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void searchingMayHaveChanged();

    WeakDelegate<LocationSearchFieldDelegate> m_delegate;
    bool m_searching = false;
};

// The locations window's search bar: a bordered frame with the magnifier (while the field is empty), the
// field and the clear button (while it holds text). Every change reaches the delegate trimmed.
class LocationSeachBarView : public XibView {
    Q_OBJECT
public:
    explicit LocationSeachBarView(QWidget* parent = nullptr);

    LocationSeachBarViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LocationSeachBarViewDelegate* delegate) { m_delegate = delegate; }

    LocationSearchField* searchField() const { return m_searchField; }
    NSViewLayerBacked* searchBg() const { return m_searchBg; }
    QLabel* lupeImageView() const { return m_lupeImageView; }
    QAbstractButton* clearButton() const { return m_clearButton; }

    // The field's action: shows the magnifier or the clear button, then reports the trimmed text.
    void searchFieldChanged();
    // The clear button's action: empties the field and reports "" (the field keeps the focus).
    void clearButtonTap();

protected:
    QWidget* loadViewFromNib() override;

private:
    void showLupe(bool shown);

    QPointer<NSViewLayerBacked> m_searchBg;
    QPointer<LocationSearchField> m_searchField;
    QPointer<QLabel> m_lupeImageView;
    QPointer<QAbstractButton> m_clearButton;
    WeakDelegate<LocationSeachBarViewDelegate> m_delegate;
    bool m_clearing = false;
};
