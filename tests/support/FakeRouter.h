#pragma once

// An application delegate that is also the router, recording the routing calls that screens and services
// make. Install it for a test with FakeRouter::Scope.

#include "core/AppRouterProtocol.h"
#include "platform/Application.h"

#include <QStringList>

#include <functional>
#include <vector>

class FakeRouter : public platform::ApplicationDelegate, public AppRouterProtocol {
public:
    QStringList calls;
    QList<QUrl> openedUrls;
    // The arguments of the last changeLocation and toggleConnection, and the app-mode observers added.
    PDNetworkItemPtr changedTo;
    QObject* toggledBy = nullptr;
    std::vector<std::function<void()>> modeObservers;
    // What logoutIfGeneralWindowIsCurrent answers: whether the main window is the current one.
    bool generalWindowIsCurrent = false;
    int count(const QString& name) const { return static_cast<int>(calls.count(name)); }

    class Scope {
    public:
        explicit Scope(FakeRouter& router) { platform::Application::instance()->setDelegate(&router); }
        ~Scope() { platform::Application::instance()->setDelegate(nullptr); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    QString signUpLink() const override { return QStringLiteral("https://example.invalid/signup"); }
    void leaveWelcomePage() override { calls << QStringLiteral("leaveWelcomePage"); }
    void showUpdateAvailableBannerLater() override {
        calls << QStringLiteral("showUpdateAvailableBannerLater");
    }
    void showSignInWindow() override { calls << QStringLiteral("showSignInWindow"); }
    void presentSignInWindow() override { calls << QStringLiteral("presentSignInWindow"); }
    void showSignOutWindowLater() override { calls << QStringLiteral("showSignOutWindowLater"); }
    void performLogout() override { calls << QStringLiteral("performLogout"); }
    void closeOtherWindows() override { calls << QStringLiteral("closeOtherWindows"); }
    void enableVPNSettingsChanging() override { calls << QStringLiteral("enableVPNSettingsChanging"); }
    bool logoutIfGeneralWindowIsCurrent() override {
        calls << QStringLiteral("logoutIfGeneralWindowIsCurrent");
        if (generalWindowIsCurrent) {
            calls << QStringLiteral("performLogout");
        }
        return generalWindowIsCurrent;
    }
    void showUpdateSheet() override { calls << QStringLiteral("showUpdateSheet"); }
    void enterForcedUpdateState() override { calls << QStringLiteral("enterForcedUpdateState"); }
    void leaveForcedUpdateState() override { calls << QStringLiteral("leaveForcedUpdateState"); }
    void resetLocationsHover() override { calls << QStringLiteral("resetLocationsHover"); }
    void refreshMenuLocations() override { calls << QStringLiteral("refreshMenuLocations"); }
    void reloadNetworks(const PDNetworksModelPtr&) override { calls << QStringLiteral("reloadNetworks"); }
    void setupMenuBarMenu() override { calls << QStringLiteral("setupMenuBarMenu"); }
    void showSignInError(const QString&, const QString&) override {
        calls << QStringLiteral("showSignInError");
    }
    void showSettingsTab() override { calls << QStringLiteral("showSettingsTab"); }
    void toggleConnection(QObject* sender) override {
        toggledBy = sender;
        calls << QStringLiteral("toggleConnection");
    }
    void changeLocation(const PDNetworkItemPtr& location) override {
        changedTo = location;
        calls << QStringLiteral("changeLocation");
    }
    void selectCurrentNetwork(const PDNetworkItemPtr&) override {
        calls << QStringLiteral("selectCurrentNetwork");
    }
    void disconnectFromVPN() override { calls << QStringLiteral("disconnectFromVPN"); }
    void enterBackgroundMode() override { calls << QStringLiteral("enterBackgroundMode"); }
    void enterForegroundMode() override { calls << QStringLiteral("enterForegroundMode"); }
    // Kept, not recorded: the menu service adds one whenever it is made.
    void addAppModeChangeObserver(std::function<void()> observer) override {
        modeObservers.push_back(std::move(observer));
    }
    void notifyAppModeChange() {
        for (const auto& observer : modeObservers) {
            observer();
        }
    }
    void activateApplication() override { calls << QStringLiteral("activateApplication"); }
    void showL2TPNoLongerAvailableAlertLater() override {
        calls << QStringLiteral("showL2TPNoLongerAvailableAlertLater");
    }
    void terminateApplication() override { calls << QStringLiteral("terminateApplication"); }
    void showAccountExpired() override { calls << QStringLiteral("showAccountExpired"); }
    void setLaunchAgentRunAtLoad() override { calls << QStringLiteral("setLaunchAgentRunAtLoad"); }
    void openURL(const QUrl& url) override {
        calls << QStringLiteral("openURL");
        openedUrls << url;
    }
    void showHomeTab() override { calls << QStringLiteral("showHomeTab"); }
    void openAppConfigURL() override { calls << QStringLiteral("openAppConfigURL"); }
    void showSupportTab() override { calls << QStringLiteral("showSupportTab"); }
    void showSignOutWindow() override { calls << QStringLiteral("showSignOutWindow"); }
    void closeSignOutWindow() override { calls << QStringLiteral("closeSignOutWindow"); }
    void openAutoUpdate() override { calls << QStringLiteral("openAutoUpdate"); }
};
