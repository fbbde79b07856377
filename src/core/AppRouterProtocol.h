#pragma once

#include "sdk/PDNetworks.h"

#include <QString>
#include <QUrl>

#include <functional>

class QObject;

// Window routing, foreground and background mode, sign-out, location change, links and quitting: the one
// road by which models, menus and screens reach the windows. Only AppDelegate adopts it.
class AppRouterProtocol {
public:
    virtual ~AppRouterProtocol() = default;

    virtual QString signUpLink() const = 0;
    virtual void leaveWelcomePage() = 0;
    virtual void showUpdateAvailableBannerLater() = 0;
    virtual void showSignInWindow() = 0;
    virtual void presentSignInWindow() = 0;
    virtual void showSignOutWindowLater() = 0;
    virtual void performLogout() = 0;
    virtual void enableVPNSettingsChanging() = 0;
    virtual bool logoutIfGeneralWindowIsCurrent() = 0;
    virtual void showUpdateSheet() = 0;
    virtual void enterForcedUpdateState() = 0;
    virtual void leaveForcedUpdateState() = 0;
    virtual void resetLocationsHover() = 0;
    virtual void refreshMenuLocations() = 0;
    virtual void reloadNetworks(const PDNetworksModelPtr& networks) = 0;
    virtual void setupMenuBarMenu() = 0;
    virtual void showSignInError(const QString& title, const QString& message) = 0;
    virtual void showSettingsTab() = 0;
    virtual void toggleConnection(QObject* sender) = 0;
    virtual void changeLocation(const PDNetworkItemPtr& location) = 0;
    virtual void selectCurrentNetwork(const PDNetworkItemPtr& network) = 0;
    virtual void disconnectFromVPN() = 0;
    virtual void enterBackgroundMode() = 0;
    virtual void enterForegroundMode() = 0;
    virtual void addAppModeChangeObserver(std::function<void()> observer) = 0;
    virtual void activateApplication() = 0;
    virtual void showL2TPNoLongerAvailableAlertLater() = 0;
    virtual void terminateApplication() = 0;
    virtual void showAccountExpired() = 0;
    virtual void setLaunchAgentRunAtLoad() = 0;
    virtual void openURL(const QUrl& url) = 0;
    virtual void showHomeTab() = 0;
    virtual void openAppConfigURL() = 0;
    virtual void showSupportTab() = 0;
    virtual void showSignOutWindow() = 0;
    virtual void closeSignOutWindow() = 0;
    // Shows and raises the locations window. Empty by default so that routers made for tests need not
    // know about it.
    virtual void showLocationsWindow() {}
    // Closes the main, welcome and sign-in windows, each when it exists (the quick-access window opens).
    virtual void closeOtherWindows() {}
    // The General settings page's update check: the update sheet when a newer version is offered, else
    // the modal saying the latest version is installed.
    virtual void openAutoUpdate() {}
};

// The application's delegate as the router; null before the delegate is installed.
AppRouterProtocol* appRouter();
