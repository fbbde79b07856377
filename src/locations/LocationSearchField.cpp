#include "locations/LocationSearchField.h"

#include "locations/LocationsLook.h"
#include "platform/Bundle.h"
#include "toolkit/Colors.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace locationsLook;

LocationSearchField::LocationSearchField(QWidget* parent) : QLineEdit(parent) {
    // No frame, no focus ring, no icons of its own: the bar around it draws all of that.
    setFrame(false);
    setClearButtonEnabled(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setMaxLength(kMaximumLength);
    setAccessibleName(QStringLiteral("Search")); // the placeholder goes while the field has the focus
    setFont(toolkit::interFont(14));
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    setPalette(colors);
    setPlaceholderAttributes(this, toolkit::secondaryText, Qt::AlignLeft);
    setTextColor(kSoftText);
    setAutoFillBackground(false);
    connect(this, &QLineEdit::textChanged, this, &LocationSearchField::searchingMayHaveChanged);
    applyPlaceholder();
}

void LocationSearchField::applyPlaceholder() {
    setPlaceholderText(placeholder());
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void LocationSearchField::setTextColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Text, color);
    setPalette(colors);
}

QColor LocationSearchField::textColor() const {
    return palette().color(QPalette::Text);
}

void LocationSearchField::searchingMayHaveChanged() {
    const bool searching = !text().isEmpty();
    if (searching == m_searching) {
        return;
    }
    m_searching = searching;
    if (searching) {
        setPlaceholderText(QString());
    } else {
        applyPlaceholder();
    }
}

void LocationSearchField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (auto* delegate = m_delegate.get()) {
        delegate->searchFieldFocusChanged(true);
    }
}

void LocationSearchField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (auto* delegate = m_delegate.get()) {
        delegate->searchFieldFocusChanged(false);
    }
}

LocationSeachBarView::LocationSeachBarView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* LocationSeachBarView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* outer = new QHBoxLayout(content);
    outer->setContentsMargins(16, 4, 16, 4);
    m_searchBg = new NSViewLayerBacked;
    m_searchBg->setBorderColor(QColor(0x56, 0x67, 0x8F));
    m_searchBg->setBorderWidth(1);
    m_searchBg->setCornerRadius(3);
    outer->addWidget(m_searchBg);

    auto* row = new QHBoxLayout(m_searchBg);
    row->setContentsMargins(10, 0, 6, 0);
    row->setSpacing(8);
    m_lupeImageView = new QLabel;
    m_lupeImageView->setFixedSize(16, 16);
    m_lupeImageView->setPixmap(
        platform::Bundle::main().image(QStringLiteral("locationSearchLupe")).pixmap(16, 16));
    row->addWidget(m_lupeImageView);
    m_searchField = new LocationSearchField;
    row->addWidget(m_searchField, 1);
    auto* clear = new ImageHoverableButton;
    clear->setFlat(true);
    clear->setFixedSize(20, 20);
    clear->setIconSize(QSize(14, 14));
    clear->setDefaultImage(platform::Bundle::main().image(QStringLiteral("networksCrossImage")));
    clear->setHoverImage(platform::Bundle::main().image(QStringLiteral("networksCrossImageHover")));
    clear->setIcon(clear->defaultImage());
    clear->setAccessibleName(QStringLiteral("Clear Search"));
    clear->setFocusPolicy(Qt::TabFocus);
    m_clearButton = clear;
    row->addWidget(m_clearButton);

    connect(m_searchField, &QLineEdit::textChanged, this, &LocationSeachBarView::searchFieldChanged);
    connect(m_searchField, &QLineEdit::returnPressed, this, [this] {
        if (LocationSeachBarViewDelegate* delegate = m_delegate.get()) {
            delegate->searchReturnPressed();
        }
    });
    connect(m_clearButton, &QAbstractButton::clicked, this, &LocationSeachBarView::clearButtonTap);
    showLupe(true);
    return content;
}

void LocationSeachBarView::showLupe(bool shown) {
    m_lupeImageView->setVisible(shown);
    m_clearButton->setVisible(!shown);
}

void LocationSeachBarView::searchFieldChanged() {
    if (m_clearing) {
        return;
    }
    showLupe(m_searchField->text().isEmpty());
    if (auto* delegate = m_delegate.get()) {
        delegate->searchTextChanged(m_searchField->text().trimmed());
    }
}

void LocationSeachBarView::clearButtonTap() {
    // The field's change signal must not report too: this action reports once, after the placeholder.
    m_clearing = true;
    m_searchField->clear();
    m_clearing = false;
    m_searchField->applyPlaceholder();
    if (auto* delegate = m_delegate.get()) {
        delegate->searchTextChanged(m_searchField->text());
    }
    showLupe(true);
}
