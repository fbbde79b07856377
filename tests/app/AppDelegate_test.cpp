// The application delegate against the SDK stand-in, on virtual time, with fake menu front ends and
// recording notification centres.
#include "support/ClientProcess.h"
#include "support/CoreTestSupport.h"
#include "support/DesktopTray.h"

#include "app/AppDelegate.h"
#include "auth/AuthWelcomeController.h"
#include "core/ApplicationModel.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "core/UserNotificationHelper.h"
#include "mainwindow/GeneralViewController.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/RecordingUserNotificationBackend.h"
#include "platform/UrlEvents.h"
#include "platform/Workspace.h"
#include "remotelog/RemoteLog.h"
#include "sdk/VeltrixSDK.h"
#include "settings/SupportSubController.h"
#include "support/OpenedUrls.h"
#include "support/UpdatesTestSupport.h"
#include "toolkit/BaseWindowViewController.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <optional>

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
        clientprocess::reset(*center, *older);
        MenuService::Controllers fakes;
        fakes.statusItem = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("status", menuCalls, d, g);
        };
        fakes.dockMenu = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("dock", menuCalls, d, g);
        };
        fakes.dockMenuOf = [this](MenuControllerProtocol&) { return &dockMenu; };
        delegate = clientprocess::install(fakes);
        driver.clearCalls();
    }

    void TearDown() override { clientprocess::tearDown(delegate); }

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

TEST_F(AppDelegateTest, StartUpSetsTheSdkDelegatesBeforeTheSdkIsSetUp) {
    // The SDK may report from its set-up on; whoever is its delegate then hears it.
    std::optional<std::pair<PDDataLoadingDelegate*, SDConnectivityDelegate*>> atSetUp;
    QStringList calls;
    driver.engine().setCallRecorder([&](const sdk::SdkCall& call) {
        calls.append(call.name);
        if (call.name == QLatin1String("setupWithConfig") && !atSetUp) {
            atSetUp.emplace(VeltrixXPC::dataLoadingDelegate(), VeltrixXPC::connectivityDelegate());
        }
    });
    launch();
    ASSERT_TRUE(atSetUp.has_value());
    EXPECT_EQ(atSetUp->first, delegate.get());
    EXPECT_EQ(atSetUp->second, delegate.get());
    ASSERT_TRUE(calls.contains("setupAppPath"));
    EXPECT_LT(calls.indexOf("setupWithConfig"), calls.indexOf("setupAppPath"));
    EXPECT_EQ(VeltrixXPC::helperToolInstallDelegate(), delegate.get());
    EXPECT_EQ(older->delegate(), delegate.get());
    EXPECT_TRUE(RemoteLog::forceEnabled());
}

TEST_F(AppDelegateTest, StartUpReadsRegisteredDefaultsAndKeepsTheWelcomePageForTheForeground) {
    // Nothing stored: what start-up decides comes from the registered defaults (the welcome pages are due).
    launch();
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::appLaunchedFirstTime));
    EXPECT_EQ(delegate->currentWindowController(), delegate->welcomeWindowViewController());
    ASSERT_FALSE(menuCalls.isEmpty());
    EXPECT_EQ(menuCalls.first(), "status.setDisconnectedState") << "the tray starts in the initial state";

    // Signed out the welcome window is current but hidden in background mode, and comes up with the
    // foreground switch.
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

TEST_F(AppDelegateTest, ACopyThatLostTheRaceForTheLockIsWaitedForAndTheLaunchGoesOn) {
    bool loserStillThere = true;
    delegate->setConflictingInstancesCheck([&] { return loserStillThere; });
    launch();
    EXPECT_FALSE(driver.callNames().contains("getInitialState")) << "nothing starts while it may conflict";
    loserStillThere = false; // it handed its launch over and left
    scheduler.advance(platform::UrlEvents::claimPatienceSeconds + 0.5);
    EXPECT_FALSE(delegate->forceTerminate());
    EXPECT_TRUE(driver.callNames().contains("getInitialState"));
    delegate->setConflictingInstancesCheck({});
}

TEST_F(AppDelegateTest, AnotherCopyRunningEndsTheLaunchBeforeTheSdkIsAsked) {
    delegate->setConflictingInstancesCheck([] { return true; });
    launch();
    EXPECT_FALSE(delegate->forceTerminate()) << "a copy that is leaving gets its time first";
    scheduler.advance(platform::UrlEvents::claimPatienceSeconds + 0.5);
    EXPECT_TRUE(delegate->forceTerminate());
    EXPECT_FALSE(driver.callNames().contains("getInitialState"));
    EXPECT_EQ(delegate->applicationShouldTerminate(), platform::TerminateReply::terminateNow);
    EXPECT_FALSE(driver.callNames().contains("setupWithConfig"));
    EXPECT_EQ(VeltrixXPC::dataLoadingDelegate(), nullptr);
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

TEST_F(AppDelegateTest, ReopenAfterANotificationShowsTheQuickAccessWindowFromTheTrayElseTheWindow) {
    for (const DesktopTray::State state : {DesktopTray::State::present, DesktopTray::State::none}) {
        const bool inTray = state == DesktopTray::State::present;
        DesktopTray tray(state);
        ASSERT_TRUE(tray.isReady());
        delegate->showSignInWindow();
        delegate->closeAppWindows();
        openedFromNotification = true;
        delegate->applicationShouldHandleReopen(false);
        EXPECT_FALSE(openedFromNotification);
        EXPECT_EQ(isMenuWindowShown(), inTray) << inTray;
        EXPECT_EQ(isShown(delegate->authNewWindow()), !inTray) << inTray;
        closeMenuWindows();
        delegate->closeAppWindows();
    }
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

TEST_F(AppDelegateTest, BackgroundModeTakesTheWindowsToTheTrayOnlyWhenThereIsOne) {
    for (const DesktopTray::State state : {DesktopTray::State::present, DesktopTray::State::none}) {
        const bool inTray = state == DesktopTray::State::present;
        DesktopTray tray(state);
        ASSERT_TRUE(tray.isReady());
        delegate->leaveBackgroundMode();
        delegate->showMainWindow();
        delegate->showLocationsWindow();
        ASSERT_TRUE(isShown(delegate->generalWindowViewController()));

        delegate->enterBackgroundMode();
        EXPECT_TRUE(ServiceLayer::appModel().isAppInUserAgentMode());
        EXPECT_EQ(isShown(delegate->generalWindowViewController()), !inTray) << inTray;
        EXPECT_EQ(isShown(delegate->locationsWindowViewController()), !inTray) << inTray;
        EXPECT_EQ(isWindowOpened(), !inTray) << "an ordered-out window no longer counts as open";
        EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());

        delegate->enterForegroundMode();
        EXPECT_TRUE(isShown(delegate->generalWindowViewController())) << "it comes back as it was";
        delegate->closeAppWindows();
        delegate->locationsWindowViewController()->close();
    }
}

TEST_F(AppDelegateTest, SigningOutWithoutATrayShowsTheSignInWindowWithOneTheClientStaysInIt) {
    for (const DesktopTray::State state : {DesktopTray::State::present, DesktopTray::State::none}) {
        const bool inTray = state == DesktopTray::State::present;
        DesktopTray tray(state);
        ASSERT_TRUE(tray.isReady());
        driver.setLoggedIn(true);
        delegate->leaveBackgroundMode();
        delegate->showMainWindow();

        delegate->performLogout(); // closing the main window, the last one, enters background mode
        scheduler.runUntilIdle();
        EXPECT_EQ(delegate->currentWindowController(), delegate->authNewWindow());
        EXPECT_EQ(isShown(delegate->authNewWindow()), !inTray) << inTray;
        EXPECT_EQ(ServiceLayer::appModel().isAppInUserAgentMode(), inTray) << inTray;
        delegate->closeAppWindows();
    }
}

TEST_F(AppDelegateTest, TabsFollowTheCurrentWindowNotTheMainWindow) {
    EXPECT_FALSE(delegate->logoutIfGeneralWindowIsCurrent());
    delegate->showSignInWindow();
    delegate->showSupportTab();
    auto* general = delegate->generalViewController();
    ASSERT_NE(general, nullptr);
    EXPECT_NE(general->embeddedController(),
              static_cast<platform::ViewController*>(delegate->supportSubController()));

    delegate->showMainWindow();
    delegate->showSupportTab();
    EXPECT_EQ(general->menuBarView()->topButtonsView()->selectedButton(), MainTopTab::support);
    EXPECT_EQ(general->embeddedController(),
              static_cast<platform::ViewController*>(delegate->supportSubController()));
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
    auto settings = VeltrixXPC::settings();
    settings.connectOnLaunch.value = false; // stay disconnected
    driver.setSettings(settings);
    updatestest::StalledSilentUpdate update(driver);
    delegate->onLoadApplicationDataFinished();
    scheduler.advance(SilentUpdateService::startDelay);
    EXPECT_TRUE(update.started()) << "first load: start the update";
    EXPECT_FALSE(silent.isTimerRunning());

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

// MARK: system events and notification clicks

namespace {

// Runs the workspace's private reaction to logind's signal, as the system bus would.
void systemSays(const char* slot, bool start) {
    QMetaObject::invokeMethod(&platform::Workspace::shared(), slot, Qt::DirectConnection, Q_ARG(bool, start));
}

} // namespace

TEST_F(AppDelegateTest, SleepSendsItsEventAndStartsAWaitingSilentUpdateWakeSendsItsOwn) {
    launch();
    std::optional<updatestest::StalledSilentUpdate> update(std::in_place, driver);
    driver.setConnectionState(SDVPNConnectionState::connected); // asked for: started all the same

    systemSays("onPrepareForSleep", true);
    ASSERT_FALSE(driver.analytics().empty());
    EXPECT_EQ(driver.analytics().back().type, 18);
    scheduler.advance(SilentUpdateService::startDelay);
    EXPECT_TRUE(update->started());

    systemSays("onPrepareForSleep", false);
    EXPECT_EQ(driver.analytics().back().type, 19);
    EXPECT_TRUE(driver.callNames().contains("prepareToAwakeFromSleepMode"));

    update.reset();
    update.emplace(driver);
    driver.setSilentUpdateAvailable(false);
    systemSays("onPrepareForSleep", true);
    scheduler.advance(SilentUpdateService::startDelay);
    EXPECT_FALSE(update->started()) << "nothing to install, nothing started";
}

TEST_F(AppDelegateTest, PowerOffQuitsAndTakesThePostedNotificationsAlong) {
    launch();
    platform::UserNotificationRequest banner;
    banner.identifier = QStringLiteral("banner");
    banner.title = QStringLiteral("Connected to Paris");
    older->add(banner);
    scheduler.runUntilIdle();
    ASSERT_EQ(olderBackend->shown(), QStringList{"banner"});

    systemSays("onPrepareForShutdown", false); // called off
    EXPECT_EQ(olderBackend->shown(), QStringList{"banner"});
    systemSays("onPrepareForShutdown", true);
    scheduler.runUntilIdle();
    EXPECT_TRUE(olderBackend->shown().isEmpty()) << "the client quit";
}

TEST_F(AppDelegateTest, HelperToolErrorsAreShownOnTheCurrentWindowOrOnTheirOwn) {
    const auto alertSaying = [](const QString& text) -> QMessageBox* {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible() && box->text() == text) {
                return box;
            }
        }
        return nullptr;
    };
    delegate->onHelperToolInstallErrorWithError(
        {QStringLiteral("Helper missing"), QStringLiteral("Reinstall")});
    scheduler.runUntilIdle();
    QMessageBox* alone = alertSaying("Helper missing");
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->informativeText(), "Reinstall");
    EXPECT_EQ(alone->parentWidget(), nullptr);
    alone->close();

    delegate->showSignInWindow();
    delegate->onHelperToolInstallErrorWithError({QStringLiteral("Helper broken"), QString()});
    scheduler.runUntilIdle();
    QMessageBox* attached = alertSaying("Helper broken");
    ASSERT_NE(attached, nullptr);
    EXPECT_EQ(attached->parentWidget(), delegate->authNewWindow()->window());
    attached->close();
}

class NotificationClickTest : public DataLoadedTest {
protected:
    void SetUp() override {
        DataLoadedTest::SetUp();
        older->setDelegate(delegate.get()); // as start-up leaves it
    }

    // Posts a banner of `kind` through the older centre and clicks it (`action`: one of its buttons).
    void click(const QString& kind, bool action) {
        static int serial = 0;
        const QString id = QStringLiteral("banner-%1").arg(++serial);
        platform::UserNotificationRequest request;
        request.identifier = id;
        request.title = QStringLiteral("Title");
        request.userInfo.insert(UserNotificationHelper::kindKey, kind);
        older->add(request);
        scheduler.runUntilIdle();
        ASSERT_TRUE(olderBackend->shown().contains(id));
        lastId = id;
        ServiceLayer::appModel().setIsAppInUserAgentMode(true);
        olderBackend->invokeAction(
            id, action ? QStringLiteral("connect")
                       : QString::fromLatin1(platform::UserNotificationCenter::defaultActionIdentifier));
        scheduler.runUntilIdle();
    }
    bool removed() const { return olderBackend->withdrawn().contains(lastId); }
    QString lastId;
};

TEST_F(NotificationClickTest, ConnectButtonsConnectOnlyWhenDisconnectedAndEveryClickComesForward) {
    delegate->showMainWindow();
    for (const QString& kind :
         {UserNotificationHelper::insecureWiFiKind, UserNotificationHelper::homeWiFiKind,
          UserNotificationHelper::connectionErrorKind}) {
        driver.clearCalls();
        driver.setConnectionState(SDVPNConnectionState::disconnected);
        click(kind, true);
        EXPECT_EQ(connects(), 1) << kind.toStdString();
        EXPECT_FALSE(removed());
        EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode())
            << "the click brings the client forward";

        driver.clearCalls();
        driver.setConnectionState(SDVPNConnectionState::connected);
        click(kind, true);
        EXPECT_EQ(connects(), 0) << "already connected: " << kind.toStdString();

        click(kind, false);
        EXPECT_EQ(connects(), 0);
        EXPECT_TRUE(removed()) << "a click on the banner itself only removes it";
    }
}

TEST_F(NotificationClickTest, TheSignedOutWiFiBannerIsRemovedOnlyByAClickOnItself) {
    click(UserNotificationHelper::insecureWiFiSignedOutKind, true);
    EXPECT_FALSE(removed());
    EXPECT_EQ(connects(), 0);
    click(UserNotificationHelper::insecureWiFiSignedOutKind, false);
    EXPECT_TRUE(removed());
    EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode());
}

// MARK: sign-in paths and links

TEST_F(AppDelegateTest, AFastSignInFromARememberedSessionReachesTheMainWindowWithoutTheBrowser) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    driver.editState([](sdk::SimulationState& s) { s.fastLoginAvailable = true; });
    driver.setBrowserForward([this](const QUrl& url) { delegate->processUrl(url); });
    launch();
    EXPECT_TRUE(menuCalls.contains("status.showProgressIndicator"));
    EXPECT_FALSE(driver.callNames().contains("login")) << "no sign-in button was needed";
    scheduler.advance(15);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());
}

TEST_F(AppDelegateTest, LeavingTheWelcomePageIsRememberedAndLeadsToTheSignInWindow) {
    launch();
    delegate->enterForegroundMode();
    ASSERT_TRUE(isShown(delegate->welcomeWindowViewController()));
    menuCalls.clear();

    delegate->leaveWelcomePage();
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showWelcomePage));
    EXPECT_FALSE(isShown(delegate->welcomeWindowViewController()));
    EXPECT_TRUE(isShown(delegate->authNewWindow()));
    EXPECT_EQ(delegate->currentWindowController(), delegate->authNewWindow());
    EXPECT_FALSE(menuCalls.contains("status.showMenu"));
    scheduler.advance(0.3);
    EXPECT_TRUE(menuCalls.contains("status.showMenu")) << "the tray opens to show where the client went";
}

TEST_F(AppDelegateTest, TheConfigurationsLinkOpensOnlyWebPagesAndMail) {
    OpenedUrls opened;
    for (const char* link :
         {"https://help.example.com/support", "mailto:help@example.com", "http://help.example.com",
          "file:///etc/passwd", "javascript:alert(1)", "ssh://host", "", "not a url"}) {
        auto config = VeltrixXPC::appConfig();
        config.supportLink = link;
        driver.setAppConfig(config);
        delegate->openAppConfigURL();
    }
    EXPECT_EQ(opened.urls,
              (QList<QUrl>{QUrl("https://help.example.com/support"), QUrl("mailto:help@example.com")}));
}

TEST_F(AppDelegateTest, AMinimisedMainWindowStaysMinimisedWhenItBecomesCurrentAgain) {
    delegate->showMainWindow();
    QWidget* window = delegate->generalWindowViewController()->window();
    window->showMinimized();
    ASSERT_TRUE(window->isMinimized());
    delegate->showSignInWindow();
    delegate->showMainWindow();
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());
}

// Signing in from the sign-in window or from the tray, signing out, and the L2TP notice ---------------------

class SignInPlaceTest : public AppDelegateTest {
protected:
    // Start-up leaves the client in the tray (background mode); the sign-in completes in the browser.
    void signInWithTheSignInWindow(bool windowOnScreen) {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
        launch();
        ASSERT_TRUE(ServiceLayer::appModel().isAppInUserAgentMode());
        if (windowOnScreen) {
            delegate->enterForegroundMode(); // no tray, or the person brought it forward
            ASSERT_TRUE(isShown(delegate->authNewWindow()));
        }
        driver.setBrowserForward([this](const QUrl& url) { delegate->processUrl(url); });
        VeltrixXPC::login();
        scheduler.advance(10);
        ASSERT_TRUE(VeltrixXPC::isLoggedIn());
    }
};

TEST_F(SignInPlaceTest, FromTheSignInWindowTheMainWindowTakesItsPlaceInFront) {
    signInWithTheSignInWindow(true);
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());
    EXPECT_TRUE(isShown(delegate->generalWindowViewController()));
    EXPECT_FALSE(isShown(delegate->authNewWindow()));
    EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode());
}

TEST_F(SignInPlaceTest, FromTheQuickAccessWindowTheClientStaysInTheTray) {
    signInWithTheSignInWindow(false);
    EXPECT_EQ(delegate->currentWindowController(), delegate->generalWindowViewController());
    EXPECT_FALSE(isShown(delegate->generalWindowViewController()));
    EXPECT_TRUE(ServiceLayer::appModel().isAppInUserAgentMode());
}

TEST_F(AppDelegateTest, TheSignOutStepOfTheMenusClosesTheQuickAccessWindow) {
    launch();
    delegate->generalQAUIWindowViewController()->showWindow();
    ASSERT_TRUE(isMenuWindowShown());
    ServiceLayer::shared().menuService().signOut(nullptr);
    scheduler.advance(0.31);
    EXPECT_FALSE(isMenuWindowShown());
    closeMenuWindows();
}

TEST_F(AppDelegateTest, TheL2tpNoticeIsShownEvenBeforeTheMainWindowWasLoaded) {
    auto alerts = [] {
        int n = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            n += qobject_cast<QMessageBox*>(widget) && widget->isVisible();
        }
        return n;
    };
    ASSERT_FALSE(delegate->generalWindowViewController()->isWindowLoaded());
    delegate->showL2TPNoLongerAvailableAlertLater();
    scheduler.advance(3.9);
    EXPECT_EQ(alerts(), 0);
    scheduler.advance(0.2);
    EXPECT_EQ(alerts(), 1);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget)) {
            widget->close();
        }
    }
}
