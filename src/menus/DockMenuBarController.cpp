#include "menus/DockMenuBarController.h"

DockMenuBarController::DockMenuBarController(MenuControllerDataSource* dataSource,
                                             MenuControllerDelegate* delegate)
    : LocationMenusController(dataSource, delegate) {
    QMenu* menu = m_loggedInMenu.get();
    m_connectItem = addCommand(menu, connectTitle, &MenuControllerDelegate::connect);
    addConnectionDetails(menu);
    // The grouped locations go here, directly below the connection's details.
    m_topSeparator = menu->addSeparator();
    m_topSeparator->setVisible(false);
    addLocationSubmenus(menu);
    m_groupedLocationsSeparator = menu->addSeparator();
    addSupportAndSettings(menu);
    m_minimizeItem = addCommand(menu, QStringLiteral("Minimize"), &MenuControllerDelegate::minimize);
    addSignOut(menu);
    buildLoggedOutMenu();

    m_dockMenu = menuForLoggedOutState();
    setDisconnectedState();
}

void DockMenuBarController::setDockMenu(QMenu* menu) {
    if (m_dockMenu == menu) {
        return;
    }
    m_dockMenu = menu;
    if (m_dockMenuChanged) {
        m_dockMenuChanged(menu);
    }
}

void DockMenuBarController::setLoggedInState() {
    setDockMenu(menuForLoggedInState());
}

void DockMenuBarController::setLoggedOutState() {
    setDockMenu(menuForLoggedOutState());
}

void DockMenuBarController::updateGroupedLocations() {
    // Directly below the connection's details; the separator below them only stands above locations.
    showGroupedLocationsAbove(m_topSeparator);
}

void DockMenuBarController::setDisconnectedState() {
    m_connectItem->setText(connectTitle);
    // Connecting does nothing while Always-On is on; once it is off the command works again.
    m_connectItem->setEnabled(isDisconnectAllowed());
    showPlaceholders();
}

void DockMenuBarController::setUpgradeState() {
    m_connectItem->setText(upgradeTitle);
    m_connectItem->setEnabled(true);
    showPlaceholders();
}

void DockMenuBarController::setConnectingState() {
    m_connectItem->setText(disconnectTitle);
    m_connectItem->setEnabled(isDisconnectAllowed());
    showTimeConnected();
}

void DockMenuBarController::setConnectedState() {
    m_connectItem->setText(disconnectTitle);
    m_connectItem->setEnabled(isDisconnectAllowed());
    m_connectedItem->setText(connectedTitle());
    showTimeConnected();
}
