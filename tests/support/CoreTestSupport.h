#pragma once

#include "core/AppRouterProtocol.h"
#include "core/MenuControllerProtocol.h"
#include "platform/Application.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"

#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[' << list.join(", ").toStdString() << ']';
}

namespace coretest {

// The application delegate as the router, writing down each requirement called.
class FakeRouter : public platform::ApplicationDelegate, public AppRouterProtocol {
public:
    QStringList calls;
    std::vector<std::function<void()>> modeObservers;
    PDNetworkItemPtr changedTo;
    QObject* toggledBy = nullptr;

    int count(const QString& name) const { return static_cast<int>(calls.count(name)); }

    QString signUpLink() const override { return {}; }
#define FAKE_ROUTER_CALL(name)                                                                               \
    void name() override {                                                                                   \
        calls.append(QStringLiteral(#name));                                                                 \
    }
    FAKE_ROUTER_CALL(leaveWelcomePage)
    FAKE_ROUTER_CALL(showUpdateAvailableBannerLater)
    FAKE_ROUTER_CALL(showSignInWindow)
    FAKE_ROUTER_CALL(presentSignInWindow)
    FAKE_ROUTER_CALL(showSignOutWindowLater)
    FAKE_ROUTER_CALL(performLogout)
    FAKE_ROUTER_CALL(enableVPNSettingsChanging)
    FAKE_ROUTER_CALL(showUpdateSheet)
    FAKE_ROUTER_CALL(enterForcedUpdateState)
    FAKE_ROUTER_CALL(leaveForcedUpdateState)
    FAKE_ROUTER_CALL(resetLocationsHover)
    FAKE_ROUTER_CALL(refreshMenuLocations)
    FAKE_ROUTER_CALL(setupMenuBarMenu)
    FAKE_ROUTER_CALL(showSettingsTab)
    FAKE_ROUTER_CALL(disconnectFromVPN)
    FAKE_ROUTER_CALL(enterBackgroundMode)
    FAKE_ROUTER_CALL(enterForegroundMode)
    FAKE_ROUTER_CALL(activateApplication)
    FAKE_ROUTER_CALL(showL2TPNoLongerAvailableAlertLater)
    FAKE_ROUTER_CALL(terminateApplication)
    FAKE_ROUTER_CALL(showAccountExpired)
    FAKE_ROUTER_CALL(setLaunchAgentRunAtLoad)
    FAKE_ROUTER_CALL(showHomeTab)
    FAKE_ROUTER_CALL(openAppConfigURL)
    FAKE_ROUTER_CALL(showSupportTab)
    FAKE_ROUTER_CALL(showSignOutWindow)
    FAKE_ROUTER_CALL(closeSignOutWindow)
    FAKE_ROUTER_CALL(openAutoUpdate)
#undef FAKE_ROUTER_CALL
    bool logoutIfGeneralWindowIsCurrent() override {
        calls.append(QStringLiteral("logoutIfGeneralWindowIsCurrent"));
        return false;
    }
    void reloadNetworks(const PDNetworksModelPtr&) override {
        calls.append(QStringLiteral("reloadNetworks"));
    }
    void showSignInError(const QString&, const QString&) override {
        calls.append(QStringLiteral("showSignInError"));
    }
    void toggleConnection(QObject* sender) override {
        toggledBy = sender;
        calls.append(QStringLiteral("toggleConnection"));
    }
    void changeLocation(const PDNetworkItemPtr& location) override {
        changedTo = location;
        calls.append(QStringLiteral("changeLocation"));
    }
    void selectCurrentNetwork(const PDNetworkItemPtr&) override {
        calls.append(QStringLiteral("selectCurrentNetwork"));
    }
    void addAppModeChangeObserver(std::function<void()> observer) override {
        modeObservers.push_back(std::move(observer));
    }
    void openURL(const QUrl&) override {
        calls.append(QStringLiteral("openURL"));
    }
    void notifyAppModeChange() {
        for (const auto& observer : modeObservers) {
            observer();
        }
    }
};

// Installs a router as the application's delegate for its lifetime.
class ScopedRouter {
public:
    explicit ScopedRouter(FakeRouter& router) { platform::Application::instance()->setDelegate(&router); }
    ~ScopedRouter() { platform::Application::instance()->setDelegate(nullptr); }
    ScopedRouter(const ScopedRouter&) = delete;
    ScopedRouter& operator=(const ScopedRouter&) = delete;
};

// A menu front end that writes down what it is asked, in order, with a tag.
class FakeMenuController : public MenuControllerProtocol {
public:
    FakeMenuController(QString tag, QStringList& log, MenuControllerDataSource* dataSource,
                       MenuControllerDelegate* delegate)
        : m_tag(std::move(tag)), m_log(log), m_dataSource(dataSource), m_delegate(delegate) {}

    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override { m_dataSource = dataSource; }
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override { m_delegate = delegate; }

#define FAKE_MENU_CALL(name)                                                                                 \
    void name() override {                                                                                   \
        add(QStringLiteral(#name));                                                                          \
    }
    FAKE_MENU_CALL(showProgressIndicator)
    FAKE_MENU_CALL(hideProgressIndicator)
    FAKE_MENU_CALL(showMenu)
    FAKE_MENU_CALL(setLoggedInState)
    FAKE_MENU_CALL(setLoggedOutState)
    FAKE_MENU_CALL(updateGroupedLocations)
    FAKE_MENU_CALL(updateLocationLists)
    FAKE_MENU_CALL(setConnectedState)
    FAKE_MENU_CALL(setDisconnectedState)
    FAKE_MENU_CALL(setConnectingState)
    FAKE_MENU_CALL(setUpgradeState)
    FAKE_MENU_CALL(updateShowApplicationItem)
    FAKE_MENU_CALL(updateStatusView)
    FAKE_MENU_CALL(updateStatusOptions)
    FAKE_MENU_CALL(updateStatusOptionStates)
    FAKE_MENU_CALL(updateNetworkGroups)
#undef FAKE_MENU_CALL
    void toggleMenu(platform::StatusItem*) override {
        add(QStringLiteral("toggleMenu"));
    }
    void updateIPAddress(const PDPublicIPInfoPtr& info) override {
        add(QStringLiteral("updateIPAddress:") + (info ? info->ipAddress() : QString()));
    }
    void updateTimeConnected(const QString& time) override {
        add(QStringLiteral("updateTimeConnected:") + time);
    }

private:
    void add(const QString& call) {
        m_log.append(m_tag + QLatin1Char('.') + call);
    }
    QString m_tag;
    QStringList& m_log;
    MenuControllerDataSource* m_dataSource;
    MenuControllerDelegate* m_delegate;
};

// Virtual time, the SDK on the demo workspace, user defaults in a temporary file and a router.
class CoreTest : public ::testing::Test {
protected:
    void TearDown() override { sdk::SimulatedWorkspace::instance().clearDelegates(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped{scheduler};
    sdk::testing::Driver driver;
    QTemporaryDir dir;
    platform::UserDefaults defaults{dir.filePath(QStringLiteral("defaults.ini"))};
    FakeRouter router;
    ScopedRouter installed{router};
};

} // namespace coretest
