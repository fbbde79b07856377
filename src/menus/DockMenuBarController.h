#pragma once

#include "menus/LocationMenusController.h"

#include <functional>

// The Dock menu, which on Linux is the tray icon's context menu: signed in, the connection command and its
// details, the grouped locations, the three location submenus, support, settings, minimize and sign-out;
// signed out, "Sign In". Each switch between the two menus is announced, so the tray can carry the new one.
class DockMenuBarController : public LocationMenusController {
public:
    DockMenuBarController(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate);

    // The menu offered now: the signed-in or the signed-out one.
    QMenu* dockMenu() const { return m_dockMenu; }
    // Called with the new menu whenever dockMenu() changes.
    void setDockMenuChanged(std::function<void(QMenu*)> changed) { m_dockMenuChanged = std::move(changed); }

    void setLoggedInState() override;
    void setLoggedOutState() override;
    void updateGroupedLocations() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override;
    void updateShowApplicationItem() override {}

    QMenu* dockMenuForLoggedInState() const { return menuForLoggedInState(); }
    QMenu* dockMenuForLoggedOutState() const { return menuForLoggedOutState(); }
    QAction* minimizeItem() const { return m_minimizeItem; }

private:
    void setDockMenu(QMenu* menu);

    QMenu* m_dockMenu = nullptr;
    QAction* m_minimizeItem = nullptr;
    std::function<void(QMenu*)> m_dockMenuChanged;
};
