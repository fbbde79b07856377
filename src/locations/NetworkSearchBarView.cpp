#include "locations/NetworkSearchBarView.h"

#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>

NetworkSearchBarView::NetworkSearchBarView(QWidget* parent)
    : XibView(parent), m_searchBgMainColor(toolkit::secondaryText) {
    loadView();
    applyColors();
    m_searchField->setLocationSearchDelegate(this);
    showLupe(true);
}

QWidget* NetworkSearchBarView::loadViewFromNib() {
    m_searchBgView = new NSSearchViewLayerBacked;
    m_searchBgView->setFixedHeight(36);
    m_searchBgView->setBorderWidth(1.0);
    m_searchBgView->setCornerRadius(3.0);
    auto* layout = new QHBoxLayout(m_searchBgView);
    layout->setContentsMargins(10, 0, 6, 0);
    layout->setSpacing(8);

    const auto& bundle = platform::Bundle::main();
    m_lupeImageView = new QLabel;
    m_lupeImageView->setFixedSize(16, 16);
    m_lupeImageView->setPixmap(bundle.image(QStringLiteral("locationSearchLupe")).pixmap(16, 16));
    m_searchField = new LocationSearchField;
    m_searchField->setFont(toolkit::interFont(14));
    m_searchField->applyPlaceholder();
    connect(m_searchField, &QLineEdit::textEdited, this, [this] { searchFieldChanged(); });
    connect(m_searchField, &QLineEdit::returnPressed, this, [this] {
        if (LocationSeachBarViewDelegate* delegate = m_delegate.get()) {
            delegate->searchReturnPressed();
        }
    });
    m_crossButton = new ImageHoverableButton;
    m_crossButton->setFlat(true);
    m_crossButton->setFocusPolicy(Qt::TabFocus);
    m_crossButton->setFixedSize(24, 24);
    m_crossButton->setIconSize(QSize(16, 16));
    m_crossButton->setDefaultImage(bundle.image(QStringLiteral("networksCrossImage")));
    m_crossButton->setHoverImage(bundle.image(QStringLiteral("networksCrossImageHover")));
    m_crossButton->setIcon(m_crossButton->defaultImage());
    m_crossButton->setAccessibleName(QStringLiteral("Clear Search"));
    connect(m_crossButton, &QAbstractButton::clicked, this, [this] { clearSearch(); });

    layout->addWidget(m_lupeImageView);
    layout->addWidget(m_searchField, 1);
    layout->addWidget(m_crossButton);
    return m_searchBgView;
}

void NetworkSearchBarView::applyColors() {
    m_searchBgView->setHoverColor(m_searchBgMainColor);
    m_searchBgView->setDefaultColor(m_searchBgMainColor);
    m_searchBgView->setBorderColor(m_searchBgMainColor);
    m_searchField->setTextColor(m_locationSearchTextColor);
}

void NetworkSearchBarView::showLupe(bool shown) {
    m_lupeImageView->setVisible(shown);
    m_crossButton->setVisible(!shown);
}

void NetworkSearchBarView::searchFieldChanged() {
    showLupe(m_searchField->text().isEmpty());
    if (LocationSeachBarViewDelegate* delegate = m_delegate.get()) {
        delegate->searchTextChanged(m_searchField->text().trimmed());
    }
}

void NetworkSearchBarView::clearSearch() {
    m_searchField->setText(QString());
    m_searchField->applyPlaceholder();
    QPointer<LocationSearchField> field = m_searchField;
    platform::DispatchQueue::main().async([field] {
        if (field) {
            field->clearFocus();
        }
    });
    if (LocationSeachBarViewDelegate* delegate = m_delegate.get()) {
        delegate->searchTextChanged(m_searchField->text());
    }
    showLupe(true);
}

void NetworkSearchBarView::resetSearch() {
    clearSearch();
}

void NetworkSearchBarView::searchFieldFocusChanged(bool focused) {
    m_searchBgView->setOnFocus(focused);
}
