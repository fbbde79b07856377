#include "mainwindow/AlwaysOnReconnectView.h"

#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "platform/NotificationCenter.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QVBoxLayout>

AlwaysOnReconnectView::AlwaysOnReconnectView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* AlwaysOnReconnectView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(28, 0, 28, 0);
    column->setSpacing(18);
    column->addStretch();
    m_descriptionField = new QLabel;
    m_descriptionField->setWordWrap(true);
    m_descriptionField->setFixedWidth(400);
    m_descriptionField->setMinimumHeight(44); // two lines of 20
    m_descriptionField->setFont(toolkit::interFont(14));
    setAttributedStringValue(
        m_descriptionField,
        makeAttributedString(GlobalConstants::productDisplayName() +
                                 QStringLiteral(" has disconnected. Always-On will continually try to "
                                                "reestablish a secure connection."),
                             Qt::AlignHCenter, m_descriptionField->font(),
                             colorFromHexString(QStringLiteral("#81AEE0")), 20));
    m_disableAlwaysOnButton =
        new CapsuleButton(QStringLiteral("Turn Off Always-On VPN"), CapsuleButton::Style::outlined);
    m_disableAlwaysOnButton->setFlat(true);
    m_disableAlwaysOnButton->setFixedSize(220, 40);
    m_disableAlwaysOnButton->setCursor(Qt::PointingHandCursor);
    m_disableAlwaysOnButton->setFont(toolkit::interFont(14, QFont::Medium));
    applyTitleAttributes(m_disableAlwaysOnButton, colorFromHexString(QStringLiteral("#B8BCD0")));
    connect(m_disableAlwaysOnButton, &QAbstractButton::clicked, this, [this] { disableAlwaysOn(); });
    column->addWidget(m_descriptionField, 0, Qt::AlignHCenter);
    column->addWidget(m_disableAlwaysOnButton, 0, Qt::AlignHCenter);
    column->addStretch();
    return content;
}

void AlwaysOnReconnectView::setVisible(bool visible) {
    XibView::setVisible(visible);
    updateDisableButtonVisibility();
}

void AlwaysOnReconnectView::updateDisableButtonVisibility() {
    m_disableAlwaysOnButton->setHidden(ServiceLayer::appModel().unappliedSettings().alwaysOn.isEnforced);
}

void AlwaysOnReconnectView::disableAlwaysOn() {
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::alwaysOn, false);
    VeltrixXPC::applySettingsChanges();
    ServiceLayer::appModel().setStartMinimized(false);
    vlog::debug(QStringLiteral("Posting 'settingsUpdated' notification.."));
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("settingsUpdated"));
}
