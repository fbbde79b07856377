#pragma once

#include "menus/LocationMenusController.h"

#include <memory>

// The menu-style twin of the quick-access window: a status item that holds it shows its signed-in or
// signed-out menu instead of the window. Unlike the Dock menu, the information lines show only while
// connected, connect and disconnect are two items, and the grouped locations carry a separator of their own.
class StatusItemMenuController : public LocationMenusController {
public:
    StatusItemMenuController(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate);

    // The status item switches the menus.
    void setLoggedInState() override {}
    void setLoggedOutState() override {}
    void updateGroupedLocations() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override;
    void updateShowApplicationItem() override;

    QMenu* statusItemMenuForLoggedInState() const { return menuForLoggedInState(); }
    QMenu* statusItemMenuForLoggedOutState() const { return menuForLoggedOutState(); }
    QAction* disconnectItem() const { return m_disconnectItem; }
    QAction* disconnectSeparator() const { return m_disconnectSeparator; }
    QAction* showItem() const { return m_showItem; }
    QAction* showSeparator() const { return m_showSeparator; }
    QAction* settingsSeparator() const { return m_settingsSeparator; }

private:
    void showLabelledLook(const QString& title);
    void showDisconnectLook(bool connected);
    // The three information lines and the separator below them.
    void showConnectionDetails(bool shown);

    QAction* m_disconnectItem = nullptr;
    QAction* m_disconnectSeparator = nullptr;
    QAction* m_showItem = nullptr;
    QAction* m_showSeparator = nullptr;
    QAction* m_settingsSeparator = nullptr;
    QAction* m_groupSeparator = nullptr; // the grouped locations' own, directly above them
};
