#pragma once

#include "core/MenuControllerProtocol.h"
#include "platform/NotificationObservers.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class ApplicationModel;
class QMenu;

// The one road by which the client's state reaches its menus: fans every change out to the status-item
// controller and the Dock-menu controller, and is their data source and delegate. Calls made on another
// thread are forwarded on the GUI thread.
class MenuService : public QObject, public MenuControllerDataSource, public MenuControllerDelegate {
public:
    using ControllerFactory = std::function<std::unique_ptr<MenuControllerProtocol>(MenuControllerDataSource*,
                                                                                    MenuControllerDelegate*)>;
    // How the two front ends are made, and how the Dock menu is found in the Dock-menu controller.
    struct Controllers {
        ControllerFactory statusItem;
        ControllerFactory dockMenu;
        std::function<QMenu*(MenuControllerProtocol&)> dockMenuOf;
    };
    // The real front ends; registered by the menus' code. Without them no front end is made.
    static void setDefaultControllers(Controllers controllers);
    static Controllers defaultControllers();

    explicit MenuService(ApplicationModel& model, Controllers controllers = defaultControllers());
    ~MenuService() override;

    void showMenu();
    void setLoggedInState();
    void setLoggedOutState();
    void updateGroupedLocations();
    void updateConnectionState(SDVPNConnectionState state);
    void updateIPAddress(const PDPublicIPInfoPtr& info);
    void setUpgradeState();
    void setDisconnectedState();
    void updateStatusView();
    void updateStatusOptions();
    void updateStatusOptionStates();
    void showProgressIndicator();
    void onAuthErrorRecieved();
    void updateTimeConnected(const platform::Notification& notification);
    void updateLocationLists();
    void showErrorNotification(const QString& title, const QString& message);
    void hideNotifications(bool animated);
    // The Dock-menu controller's menu (made on first use), or null.
    QMenu* dockMenu();

    // The front ends, made on first use; null without a factory.
    MenuControllerProtocol* statusItemController();
    MenuControllerProtocol* dockMenuController();

    // MenuControllerDataSource
    bool isAppInUserAgentMode() const override;
    bool isDisconnectAllowed() const override;
    bool isInForcedUpgradeState() const override;
    PDNetworkItemPtr currentNetwork() const override;
    QList<PDNetworkItemPtr> publicLocations() const override { return m_publicLocations; }
    QList<PDNetworkItemPtr> privateLocations() const override { return m_privateLocations; }
    QList<PDNetworkItemPtr> favoriteLocations() const override { return m_favoriteLocations; }
    QList<PDNetworkItemPtr> groupedLocations() const override;

    // MenuControllerDelegate
    void didSelectLocation(const PDNetworkItemPtr& location) override;
    void signOut(QObject* sender) override;
    void minimize(QObject* sender) override;
    void showApplication(QObject* sender) override;
    void signIn(QObject* sender) override;
    void openSupport(QObject* sender) override;
    void openSettings(QObject* sender) override;
    void connect(QObject* sender) override;

    // Where the sign-out step closes the quick-access window; set by the application delegate.
    void setCloseQuickAccessWindow(std::function<void()> close) {
        m_closeQuickAccessWindow = std::move(close);
    }
    void closeQuickAccessWindow() {
        if (m_closeQuickAccessWindow) {
            m_closeQuickAccessWindow();
        }
    }

private:
    // Runs `f` now on the GUI thread, else queues it there (never after this service is gone).
    void onGuiThread(std::function<void()> f);
    void toBoth(const std::function<void(MenuControllerProtocol&)>& f);
    void toStatusItem(const std::function<void(MenuControllerProtocol&)>& f);
    void registerModeObserver();

    ApplicationModel& m_model;
    Controllers m_factories;
    QList<PDNetworkItemPtr> m_publicLocations;
    QList<PDNetworkItemPtr> m_privateLocations;
    QList<PDNetworkItemPtr> m_favoriteLocations;
    std::unique_ptr<MenuControllerProtocol> m_statusItemController;
    std::unique_ptr<MenuControllerProtocol> m_dockMenuController;
    platform::ObserverToken m_tickObservation;
    platform::ObserverToken m_settingsObservation;
    std::function<void()> m_closeQuickAccessWindow;
    std::shared_ptr<bool> m_alive;
};
