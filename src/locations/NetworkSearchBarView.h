#pragma once

#include "locations/LocationSearchField.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

// The networks tab's search bar: the magnifier while the field is empty, the clear button while it holds
// text. Every typed change reaches the delegate trimmed; clearing also takes the focus away.
class NetworkSearchBarView : public XibView, public LocationSearchFieldDelegate {
    Q_OBJECT
public:
    explicit NetworkSearchBarView(QWidget* parent = nullptr);

    QColor searchBgMainColor() const { return m_searchBgMainColor; }
    QColor locationSearchTextColor() const { return m_locationSearchTextColor; }
    NSSearchViewLayerBacked* searchBgView() const { return m_searchBgView; }
    LocationSearchField* searchField() const { return m_searchField; }
    QLabel* lupeImageView() const { return m_lupeImageView; }
    ImageHoverableButton* crossButton() const { return m_crossButton; }
    LocationSeachBarViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LocationSeachBarViewDelegate* delegate) { m_delegate = delegate; }

    // Clears as the clear button does.
    void resetSearch();
    // The field's action.
    void searchFieldChanged();
    // The clear button's action.
    void clearSearch();
    void applyColors();

    void searchFieldFocusChanged(bool focused) override;

protected:
    QWidget* loadViewFromNib() override;

private:
    void showLupe(bool shown);

    QColor m_searchBgMainColor;
    QColor m_locationSearchTextColor = Qt::white;
    QPointer<NSSearchViewLayerBacked> m_searchBgView;
    QPointer<LocationSearchField> m_searchField;
    QPointer<QLabel> m_lupeImageView;
    QPointer<ImageHoverableButton> m_crossButton;
    WeakDelegate<LocationSeachBarViewDelegate> m_delegate;
};
