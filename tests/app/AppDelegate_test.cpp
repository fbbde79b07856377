// The application delegate against the SDK stand-in, on virtual time, with fake menu front ends and
// recording notification centres.
#include "core/CoreTestSupport.h"

#include "auth/AuthWelcomeController.h"
#include "app/AppDelegate.h"
#include "core/ApplicationModel.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "diagnostics/RemoteLog.h"
#include "mainwindow/GeneralViewController.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/RecordingUserNotificationBackend.h"
#include "sdk/VeltrixSDK.h"
#include "settings/SupportSubController.h"
#include "toolkit/BaseWindowViewController.h"
#include "updates/SilentUpdateService.h"

#include <QRegularExpression>

using namespace coretest;

namespace {

platform::UserNotificationCenter* makeRecordingCenter(platform::RecordingUserNotificationBackend*& backend) {
    auto recording = std::make_unique<platform::RecordingUserNotificationBackend>();
    backend = recording.get();
    return new platform::UserNotificationCenter(std::move(recording));
}

} // namespace

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& defaults = platform::UserDefaults::standard();
        for (const QString& key : SettingsUserDefaults::registeredDefaults().keys()) {
            defaults.removeObject(key);
        }
        auto& model = ServiceLayer::appModel();
        model.setStartMinimized(false);
        model.setIsAppInUserAgentMode(false);
        QAUINotifier::setCenter(center.get());
        setOlderUserNotificationCenter(older.get());
        openedFromNotification = false;

        delegate = std::make_unique<AppDelegate>();
        // Copies of this test binary run side by side; they are not copies of the client.
        delegate->setConflictingInstancesCheck([] { return false; });
        platform::Application::instance()->setDelegate(delegate.get());
        MenuService::Controllers fakes;
        fakes.statusItem = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("status", menuCalls, d, g);
        };
        fakes.dockMenu = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("dock", menuCalls, d, g);
        };
        fakes.dockMenuOf = [this](MenuControllerProtocol&) { return &dockMenu; };
        ServiceLayer::shared().setMenuService(std::make_unique<MenuService>(ServiceLayer::appModel(), fakes));
        driver.clearCalls();
    }

    void TearDown() override {
        platform::Application::instance()->setDelegate(nullptr);
        ServiceLayer::shared().setMenuService(
            std::make_unique<MenuService>(ServiceLayer::appModel(), MenuService::Controllers{}));
        delegate.reset();
        QAUINotifier::setCenter(nullptr);
        setOlderUserNotificationCenter(nullptr);
        sdk::SimulatedWorkspace::instance().clearDelegates();
    }

    void launch() {
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
        scheduler.runUntilIdle();
    }

    QStringList loggedMatching(const QString& pattern) const {
        QStringList lines;
        const QRegularExpression expression(pattern);
        for (const auto& record : driver.loggedLines()) {
            if (expression.match(record.message).hasMatch()) {
                lines.append(record.message);
            }
        }
        return lines;
    }

    bool isShown(BaseWindowViewController* controller) const {
        return controller && controller->isWindowLoaded() && controller->window()->isVisible();
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped{scheduler};
    sdk::testing::Driver driver;
    platform::RecordingUserNotificationBackend* centerBackend = nullptr;
    platform::RecordingUserNotificationBackend* olderBackend = nullptr;
    std::unique_ptr<platform::UserNotificationCenter> center{makeRecordingCenter(centerBackend)};
    std::unique_ptr<platform::UserNotificationCenter> older{makeRecordingCenter(olderBackend)};
    QStringList menuCalls;
    QMenu dockMenu;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, StartUpRunsTheTwentyStepsInOrderAndKeepsTheFirstPageForTheForeground) {
    launch();

    QStringList numbers;
    for (const QString& line : loggedMatching(QStringLiteral("^Start-up step \\d+:"))) {
        numbers.append(line.section(' ', 2, 2).chopped(1));
    }
    QStringList expected;
    for (int i = 1; i <= 20; ++i) {
        expected.append(QString::number(i));
    }
    EXPECT_EQ(numbers, expected);

    // What the steps leave behind.
    EXPECT_EQ(VeltrixXPC::dataLoadingDelegate(), delegate.get());
    EXPECT_EQ(VeltrixXPC::connectivityDelegate(), delegate.get());
    EXPECT_EQ(VeltrixXPC::helperToolInstallDelegate(), delegate.get());
    const QStringList sdkCalls = driver.callNames();
    ASSERT_TRUE(sdkCalls.contains("setupWithConfig") && sdkCalls.contains("setupAppPath"));
    EXPECT_LT(sdkCalls.indexOf("setupWithConfig"), sdkCalls.indexOf("setupAppPath"));
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::appLaunchedFirstTime));
    EXPECT_EQ(older->delegate(), delegate.get());
    EXPECT_TRUE(menuCalls.contains("status.setDisconnectedState"));
    EXPECT_TRUE(RemoteLog::isForceEnabled());

    // Signed out with the onboarding still due: the welcome window is current but hidden in background mode,
    // and comes up with the foreground switch.
    EXPECT_EQ(delegate->currentWindowController(), delegate->welcomeWindowViewController());
    EXPECT_TRUE(ServiceLayer::appModel().isAppInUserAgentMode());
    EXPECT_FALSE(isShown(delegate->welcomeWindowViewController()));
    delegate->enterForegroundMode();
    EXPECT_TRUE(isShown(delegate->welcomeWindowViewController()));
    EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode());
}

TEST_F(AppDelegateTest, StartMinimizedEntersBackgroundModeTwiceOtherwiseOnce) {
    int switches = 0;
    delegate->addAppModeChangeObserver([&switches] { ++switches; });
    launch();
    EXPECT_EQ(switches, 1);

    TearDown();
    SetUp();
    platform::UserDefaults::standard().set(SettingsUserDefaults::startMinimized, true);
    switches = 0;
    delegate->addAppModeChangeObserver([&switches] { ++switches; });
    launch();
    EXPECT_EQ(switches, 2);
}

TEST_F(AppDelegateTest, SignedOutWithoutOnboardingAndNoFastLoginHidesTheProgressAndKeepsTheSignInWindow) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    launch();
    scheduler.advance(1);
    EXPECT_EQ(delegate->currentWindowController(), delegate->authNewWindow());
    EXPECT_TRUE(menuCalls.contains("status.hideProgressIndicator"));
    EXPECT_FALSE(menuCalls.contains("status.showProgressIndicator"));
    EXPECT_FALSE(driver.callNames().contains("startFastLogInIfPossible"));
}

TEST_F(AppDelegateTest, SignedInStartShowsTheMainWindowOnceTheDataIsThere) {
    driver.setLoggedIn(true);
    launch();
    scheduler.advance(2);
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());
    EXPECT_TRUE(menuCalls.contains("status.setLoggedInState"));
    EXPECT_TRUE(ServiceLayer::appModel().appDataWasLoaded());
}

TEST_F(AppDelegateTest, AnotherCopyRunningEndsTheLaunchBeforeTheSdkIsAsked) {
    delegate->setConflictingInstancesCheck([] { return true; });
    launch();
    EXPECT_TRUE(delegate->forceTerminate());
    EXPECT_FALSE(driver.callNames().contains("getInitialState"));
    EXPECT_EQ(delegate->applicationShouldTerminate(), platform::TerminateReply::terminateNow);
    EXPECT_TRUE(loggedMatching("^Start-up step").isEmpty());
}

TEST_F(AppDelegateTest, QuitIsRefusedUnlessForcedOrTheSystemEndsTheSession) {
    delegate->showSignInWindow();
    ASSERT_TRUE(isShown(delegate->authNewWindow()));
    EXPECT_EQ(delegate->applicationShouldTerminate(), platform::TerminateReply::terminateCancel);
    EXPECT_FALSE(isShown(delegate->authNewWindow())) << "a person's Quit closes the current window";
    for (auto reason : {platform::QuitReason::logOut, platform::QuitReason::shutDown}) {
        platform::Application::QuitReasonScope scope(reason);
        EXPECT_EQ(delegate->applicationShouldTerminate(), platform::TerminateReply::terminateNow);
    }
}

TEST_F(AppDelegateTest, ReopenAfterANotificationShowsOnlyTheQuickAccessWindow) {
    openedFromNotification = true;
    delegate->applicationShouldHandleReopen(false);
    EXPECT_FALSE(openedFromNotification);
    EXPECT_TRUE(isMenuWindowShown());
    EXPECT_EQ(delegate->currentWindowController(), nullptr);
    closeMenuWindows();
}

TEST_F(AppDelegateTest, ReopenAfterTheMainWindowClosedComesForwardWithIt) {
    delegate->showMainWindow();
    delegate->generalWindowViewController()->close();
    ASSERT_FALSE(isWindowOpened());
    ASSERT_TRUE(ServiceLayer::appModel().isAppInUserAgentMode())
        << "closing the last window enters background mode";
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());

    delegate->applicationShouldHandleReopen(false);
    EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode());
    EXPECT_TRUE(isShown(delegate->generalWindowViewController()));
}

TEST_F(AppDelegateTest, ProtocolFiltersNotificationIsCheckedAndMadeSafeBeforeLogging) {
    const QByteArray data("abc");
    delegate->onProtocolFiltersNotification({{"id", 7}, {"appId", "app"}, {"type", "tcp"}, {"data", data}});
    delegate->onProtocolFiltersNotification(
        {{"id", "7"}, {"appId", "app"}, {"type", "http"}, {"data", data}});
    delegate->onProtocolFiltersNotification({{"id", 7}, {"appId", "app"}, {"type", "http"}});
    EXPECT_TRUE(loggedMatching("^ProtocolFilters:").isEmpty());

    delegate->onProtocolFiltersNotification(
        {{"id", 7}, {"appId", QString("evil\nline") + QString(400, 'x')}, {"type", "https"}, {"data", data}});
    const QStringList lines = loggedMatching("^ProtocolFilters:");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_FALSE(lines.first().contains('\n'));
    EXPECT_TRUE(lines.first().contains("evil\\u000aline"));
    EXPECT_TRUE(lines.first().endsWith("flowId=7, type=https, data.length=3"));
    EXPECT_LT(lines.first().size(), 400);
}

// MARK: data loaded

class DataLoadedTest : public AppDelegateTest {
protected:
    void SetUp() override {
        AppDelegateTest::SetUp();
        driver.setLoggedIn(true);
        for (const auto& network : VeltrixXPC::networks()->publicLocations()) {
            if (network->vpnConfiguration()) {
                driver.setCurrentNetwork(network);
                break;
            }
        }
        auto settings = VeltrixXPC::settings();
        settings.connectOnLaunch.value = true;
        driver.setSettings(settings);
        ServiceLayer::shared().silentUpdateService().isAppLoaded = false;
    }
    int connects() const { return static_cast<int>(driver.calls("connect").size()); }
};

TEST_F(DataLoadedTest, OnlyTheFirstLoadConnectsByItself) {
    ASSERT_TRUE(VeltrixXPC::currentNetwork() && VeltrixXPC::currentNetwork()->vpnConfiguration());
    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_EQ(connects(), 1);
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());

    driver.setConnectionState(SDVPNConnectionState::disconnected);
    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_EQ(connects(), 1) << "a later load in the same run only refreshes";
}

TEST_F(DataLoadedTest, NoConnectWithoutTheSettingWithAForcedUpdateOrWhileConnected) {
    auto settings = VeltrixXPC::settings();
    settings.connectOnLaunch.value = false;
    driver.setSettings(settings);
    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_EQ(connects(), 0);

    for (auto arrange : std::vector<std::function<void()>>{
             [this] { driver.setForcedUpdateAvailable(true); },
             [this] { driver.setConnectionState(SDVPNConnectionState::connecting); }}) {
        settings.connectOnLaunch.value = true;
        driver.setSettings(settings);
        ServiceLayer::shared().silentUpdateService().isAppLoaded = false;
        arrange();
        delegate->onLoadApplicationDataFinished();
        scheduler.runUntilIdle();
        EXPECT_EQ(connects(), 0);
        driver.setForcedUpdateAvailable(false);
        driver.setConnectionState(SDVPNConnectionState::disconnected);
    }
}

TEST_F(DataLoadedTest, WithWiFiSecurityActiveTheSdkIsLeftToConnect) {
    driver.setWiFiSecurityActivated(true);
    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_EQ(connects(), 0);
    EXPECT_TRUE(driver.callNames().contains("onAppMainViewReady"));
}

TEST_F(DataLoadedTest, SessionTimeoutSignsOutAndShowsTheReasonASecondLater) {
    delegate->showMainWindow();
    delegate->onSessionTimeoutWithReason(3);
    const auto events = driver.analytics();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().type, 9);
    EXPECT_EQ(events.back().parameter(AnalyticsParameter::errorCode), "3");
    EXPECT_FALSE(events.back().parameter(AnalyticsParameter::errorMessage).isEmpty());

    scheduler.runUntilIdle();
    EXPECT_EQ(delegate->currentWindowController(), delegate->authNewWindow());
    ASSERT_NE(delegate->authWelcomeController(), nullptr);
    EXPECT_FALSE(delegate->authWelcomeController()->isErrorShown());
    scheduler.advance(1.0);
    EXPECT_TRUE(delegate->authWelcomeController()->isErrorShown());
}

// MARK: routing

TEST_F(AppDelegateTest, ChangeLocationFollowsTheConnectionState) {
    driver.setLoggedIn(true);
    const auto locations = VeltrixXPC::networks()->publicLocations();
    ASSERT_GE(locations.size(), 2);

    // Disconnected: select and connect.
    delegate->changeLocation(locations[0]);
    scheduler.runUntilIdle();
    EXPECT_EQ(VeltrixXPC::currentNetwork(), locations[0]);
    EXPECT_EQ(driver.calls("connect").size(), 1u);

    // Connected to it already: nothing but the home tab.
    driver.setConnectionState(SDVPNConnectionState::connected);
    driver.clearCalls();
    delegate->changeLocation(locations[0]);
    scheduler.runUntilIdle();
    EXPECT_TRUE(driver.calls("connect").empty());
    EXPECT_FALSE(driver.callNames().contains("setCurrentNetwork"));

    // Another one while connected: switch without a disconnect.
    delegate->changeLocation(locations[1]);
    scheduler.runUntilIdle();
    EXPECT_EQ(VeltrixXPC::currentNetwork(), locations[1]);
    EXPECT_TRUE(driver.calls("disconnect").empty());
}

TEST_F(AppDelegateTest, WindowsStayHiddenInBackgroundModeButBecomeCurrent) {
    ServiceLayer::appModel().setStartMinimized(true);
    delegate->showSignInWindow();
    EXPECT_EQ(delegate->currentWindowController(), delegate->authNewWindow());
    EXPECT_FALSE(isShown(delegate->authNewWindow()));

    delegate->presentSignInWindow();
    EXPECT_TRUE(isShown(delegate->authNewWindow())) << "presenting clears start-minimized";

    delegate->closeSignInWindow();
    ServiceLayer::appModel().setIsAppInUserAgentMode(true);
    delegate->presentSignInWindow();
    EXPECT_FALSE(isShown(delegate->authNewWindow())) << "but not in background mode";
}

TEST_F(AppDelegateTest, TabsFollowTheCurrentWindowNotTheMainWindow) {
    EXPECT_FALSE(delegate->logoutIfGeneralWindowIsCurrent());
    delegate->showSignInWindow();
    delegate->showSupportTab();
    auto* general = delegate->generalViewController();
    ASSERT_NE(general, nullptr);
    EXPECT_NE(general->embeddedController(), static_cast<platform::ViewController*>(delegate->supportSubController()));

    delegate->showMainWindow();
    delegate->showSupportTab();
    EXPECT_EQ(general->menuBarView()->topButtonsView()->selectedButton(), MainTopTab::support);
    EXPECT_EQ(general->embeddedController(), static_cast<platform::ViewController*>(delegate->supportSubController()));
}

TEST_F(AppDelegateTest, SignOutResetsTheInterfaceAtOnceAndLeavesTheSdkToAGlobalQueue) {
    driver.setLoggedIn(true);
    driver.setConnectionState(SDVPNConnectionState::connected);
    ServiceLayer::appModel().setStartMinimized(true);
    delegate->showMainWindow();
    menuCalls.clear();

    delegate->performLogout();
    EXPECT_EQ(delegate->currentWindowController(), delegate->authNewWindow());
    EXPECT_TRUE(isShown(delegate->authNewWindow())) << "start-minimized is cleared for the sign-in window";
    EXPECT_FALSE(isShown(delegate->generalWindowViewController()));
    EXPECT_EQ(VeltrixXPC::connectivityDelegate(), delegate.get());
    EXPECT_EQ(menuCalls.value(0), "status.setDisconnectedState");
    EXPECT_FALSE(menuCalls.contains("status.setLoggedOutState")) << "the menus switch on a later turn";

    scheduler.runUntilIdle();
    EXPECT_TRUE(driver.callNames().contains("logout"));
    EXPECT_LT(menuCalls.indexOf("status.setLoggedOutState"),
              menuCalls.indexOf("status.hideProgressIndicator"));
    EXPECT_FALSE(menuCalls.contains("status.showMenu"));
    scheduler.advance(1.0);
    EXPECT_TRUE(menuCalls.contains("status.showMenu"));
}

TEST_F(DataLoadedTest, TheSilentUpdateIsStartedOnTheFirstLoadThenTimedAndResetWhenGone) {
    auto& silent = ServiceLayer::shared().silentUpdateService();
    silent.resetTimer();
    const int requestsBefore = silent.updateRequests();
    auto settings = VeltrixXPC::settings();
    settings.connectOnLaunch.value = false; // stay disconnected
    driver.setSettings(settings);
    driver.setSilentUpdateAvailable(true);
    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_EQ(silent.updateRequests(), requestsBefore + 1) << "first load: start the update";

    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_TRUE(silent.isTimerRunning()) << "later loads: wait for the timer";

    driver.setSilentUpdateAvailable(false);
    delegate->onLoadApplicationDataFinished();
    scheduler.runUntilIdle();
    EXPECT_FALSE(silent.isTimerRunning());
}

TEST_F(AppDelegateTest, ModeObserversRunAfterTheFlagAndTheProcessTypeChanged) {
    std::vector<std::pair<bool, platform::ActivationPolicy>> seen;
    delegate->addAppModeChangeObserver([&seen] {
        seen.emplace_back(ServiceLayer::appModel().isAppInUserAgentMode(),
                          platform::Application::instance()->activationPolicy());
    });
    delegate->enterBackgroundMode();
    delegate->enterForegroundMode();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(true, platform::ActivationPolicy::agent));
    EXPECT_EQ(seen[1], std::make_pair(false, platform::ActivationPolicy::regular));
}

namespace {

class RecordingLoginDelegate : public PDLoginDelegate {
public:
    void onExtendedAuthFailedWithError(const PDError& error) override { failures.push_back(error.code()); }
    std::vector<int> failures;
};

} // namespace

TEST_F(AppDelegateTest, ACallbackUrlSignsInAndABadOneReachesTheLoginDelegate) {
    launch();
    RecordingLoginDelegate login;
    VeltrixXPC::setLoginDelegate(&login);

    delegate->processUrl(QUrl("veltrix://auth.veltrix.example/macos/callback?id_token=t&tenant_id=a&x=1#y"));
    delegate->processUrl(QUrl("https://auth.veltrix.example/macos/callback?id_token=t&tenant_id=a"));
    EXPECT_EQ(login.failures, (std::vector<int>{4})) << "only the wrong scheme fails here";
    EXPECT_EQ(driver.calls("externalAuthSuccess").size(), 1u);
    scheduler.runUntilIdle();

    const auto browser = driver.browserUrls();
    VeltrixXPC::login();
    scheduler.advance(5);
    ASSERT_EQ(driver.browserUrls().size(), browser.size() + 1);
    delegate->processUrl(driver.browserUrls().back());
    scheduler.advance(5);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());
    VeltrixXPC::setLoginDelegate(nullptr);
}
