#include "menus/StatusItemMenuController.h"

#include "core/LocalizedStrings.h"
#include "toolkit/AppKitExtensions.h"

StatusItemMenuController::StatusItemMenuController(MenuControllerDataSource* dataSource,
                                                   MenuControllerDelegate* delegate)
    : LocationMenusController(dataSource, delegate) {
    QMenu* menu = m_loggedInMenu.get();
    m_connectItem =
        addCommand(menu, L10n::menu_bar_connect_item_connect_label(), &MenuControllerDelegate::connect);
    // While connected the same delegate call disconnects.
    m_disconnectItem = addCommand(menu, disconnectTitle, &MenuControllerDelegate::connect);
    addConnectionDetails(menu);
    showPlaceholders();
    // The grouped locations go between their own separator and disconnectSeparator.
    m_groupSeparator = menu->addSeparator();
    m_disconnectSeparator = menu->addSeparator();
    m_disconnectSeparator->setVisible(false);
    m_topSeparator = menu->addSeparator();
    addLocationSubmenus(menu);
    m_groupedLocationsSeparator = menu->addSeparator();
    m_showItem =
        addCommand(menu, QStringLiteral("Show Application"), &MenuControllerDelegate::showApplication);
    m_showSeparator = menu->addSeparator();
    addSupportAndSettings(menu);
    m_settingsSeparator = menu->addSeparator();
    addSignOut(menu);
    buildLoggedOutMenu();

    updateShowApplicationItem();
    showLabelledLook(L10n::menu_bar_connect_item_connect_label());
}

void StatusItemMenuController::updateShowApplicationItem() {
    const bool agent = dataSource() && dataSource()->isAppInUserAgentMode();
    m_showItem->setVisible(agent);
    m_showSeparator->setVisible(agent);
}

void StatusItemMenuController::showLabelledLook(const QString& title) {
    m_connectItem->setText(title);
    m_connectItem->setVisible(true);
    m_disconnectItem->setVisible(false);
    showConnectionDetails(false);
}

void StatusItemMenuController::showConnectionDetails(bool shown) {
    for (QAction* line : {m_connectedItem, m_ipItem, m_timeConnectedItem, m_connectedSeparator}) {
        line->setVisible(shown);
    }
}

void StatusItemMenuController::showDisconnectLook(bool connected) {
    m_connectItem->setVisible(false);
    m_disconnectItem->setVisible(true);
    showConnectionDetails(connected);
    if (connected) {
        m_connectedItem->setText(connectedTitle());
    }
    // Enabled states follow in one block after this pass, once the visibility changes are done.
    runOnMainQueue(0, [this, connected, menu = QPointer<QMenu>(m_loggedInMenu.get())] {
        if (!menu) {
            return;
        }
        m_disconnectItem->setEnabled(isDisconnectAllowed());
        if (connected) {
            for (QAction* line : {m_connectedItem, m_ipItem, m_timeConnectedItem}) {
                line->setEnabled(false);
            }
        }
    });
}

void StatusItemMenuController::setDisconnectedState() {
    showLabelledLook(L10n::menu_bar_connect_item_connect_label());
}

void StatusItemMenuController::setUpgradeState() {
    showLabelledLook(L10n::menu_bar_connect_item_upgrade_label());
}

void StatusItemMenuController::setConnectingState() {
    showDisconnectLook(false);
    showTimeConnected();
}

void StatusItemMenuController::setConnectedState() {
    showDisconnectLook(true);
    showTimeConnected();
}

void StatusItemMenuController::updateGroupedLocations() {
    // With no locations the group's own separator is the only one there.
    showGroupedLocationsAbove(m_disconnectSeparator);
}
