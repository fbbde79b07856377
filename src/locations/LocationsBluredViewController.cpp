#include "locations/LocationsBluredViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/LocalizedStrings.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QLabel>
#include <QVBoxLayout>

LocationsBluredViewController::LocationsBluredViewController(QObject* parent)
    : NSViewControllerBase(parent) {}

QString LocationsBluredViewController::messageOf(LocationsBluredState state) {
    switch (state) {
    case LocationsBluredState::noLocations:
        return L10n::localized(QStringLiteral("locations_blured_view_no_locations"));
    case LocationsBluredState::shouldDisconnect:
        return L10n::localized(QStringLiteral("locations_blured_view_disconnect_to_change"));
    case LocationsBluredState::forceUpdateEnabled:
        return L10n::localized(QStringLiteral("locations_blured_view_force_update"));
    }
    return {};
}

QWidget* LocationsBluredViewController::loadView() {
    m_bgView = new DisabledView;
    auto* column = new QVBoxLayout(m_bgView);
    column->setContentsMargins(32, 0, 32, 0);
    column->setSpacing(16);
    column->addStretch(2);
    m_messageField = new QLabel;
    m_messageField->setTextFormat(Qt::PlainText);
    m_messageField->setWordWrap(true);
    m_messageField->setAlignment(Qt::AlignCenter);
    m_messageField->setFont(toolkit::interFont(16, QFont::Medium));
    toolkit::setTextColor(m_messageField, Qt::white);
    column->addWidget(m_messageField);
    auto* button = new NSButtonWithHandCursor;
    button->setFlat(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setText(QStringLiteral("Go Back"));
    button->setFont(toolkit::interFont(14, QFont::Medium));
    button->setFixedHeight(32);
    m_goBackButton = button;
    column->addWidget(button, 0, Qt::AlignHCenter);
    column->addStretch(3);
    connect(button, &QAbstractButton::clicked, this, &LocationsBluredViewController::goBack);
    return m_bgView;
}

void LocationsBluredViewController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    applyBluredState();
}

void LocationsBluredViewController::applyBluredState() {
    view();
    // Clear: the list under the overlay is blurred itself.
    m_bgView->setBgColor(Qt::transparent);
    applyTitleAttributes(m_goBackButton, QColor(0x6A, 0xF4, 0xF8), Qt::AlignHCenter);
    m_messageField->setText(messageOf(m_state));
    m_goBackButton->setVisible(m_state != LocationsBluredState::noLocations);
}

void LocationsBluredViewController::goBack() {
    if (AppRouterProtocol* router = appRouter()) {
        router->resetLocationsHover();
    }
}
