#pragma once

#include "core/MenuControllerProtocol.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <memory>

// The Dock menu, which on Linux is the tray icon's context menu: state, connect, locations, and the
// application, settings, support and sign-in or sign-out entries.
class DockMenuBarController : public MenuControllerProtocol {
public:
    DockMenuBarController(MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate);
    ~DockMenuBarController() override;

    QMenu* dockMenu() const { return m_menu.get(); }

    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override { m_dataSource = dataSource; }
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override { m_delegate = delegate; }
    // The Dock menu opens itself; it has no window to toggle.
    void toggleMenu(platform::StatusItem*) override {}
    void setLoggedInState() override;
    void setLoggedOutState() override;
    void updateGroupedLocations() override;
    void updateLocationLists() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override;
    void updateIPAddress(const PDPublicIPInfoPtr& info) override;
    void updateTimeConnected(const QString& timeConnected) override;
    void updateShowApplicationItem() override;

    QAction* statusItem() const { return m_status; }
    QAction* connectItem() const { return m_connect; }
    QAction* showApplicationItem() const { return m_showApplication; }
    QAction* signInItem() const { return m_signIn; }
    QAction* signOutItem() const { return m_signOut; }
    QMenu* locationsMenu() const { return m_locations; }

private:
    QAction* addItem(const QString& title, std::function<void(QAction*)> action);
    void setLoggedIn(bool loggedIn);

    MenuControllerDataSource* m_dataSource = nullptr;
    MenuControllerDelegate* m_delegate = nullptr;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QAction> m_status;
    QPointer<QAction> m_address;
    QPointer<QAction> m_time;
    QPointer<QAction> m_connect;
    QPointer<QMenu> m_locations;
    QPointer<QAction> m_showApplication;
    QPointer<QAction> m_settings;
    QPointer<QAction> m_support;
    QPointer<QAction> m_signIn;
    QPointer<QAction> m_signOut;
};
