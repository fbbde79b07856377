// The home tab as a signed-in user meets it on the demo workspace: connecting from its button, the looks
// of each connection state, the banners of updates and lost internet, and the news while the window is
// closed.
#include "e2e/ClientHarness.h"

#include "core/QAUINotifier.h"

#include "mainwindow/MainSubController.h"
#include "toolkit/Colors.h"

#include <QRegularExpression>
#include <QTest>

using namespace e2e;

namespace {

// The stand-in's time to bring a tunnel up, and a second more.
constexpr double connectSeconds = 1.5;

class HomeTabScenario : public ClientTest {
protected:
    HomeTabScenario() { withTray = true; }

    MainSubController& homeTab() { return *delegate->mainSubController(); }
    QStringList homeTabTexts() { return visibleTexts(homeTab().view()); }
    QString stateColour() {
        return homeTab().connectionStateField()->palette().color(QPalette::WindowText).name().toUpper();
    }
    void clickConnectButton() {
        QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton);
        run();
    }
    // The quick-access window's status line and a line of the tray menu.
    void expectTrayShows(const QString& quickAccessState, const QString& menuState) {
        if (quickAccessState.isEmpty()) {
            EXPECT_FALSE(quickAccessShows("Connect")) << quickAccessTexts();
        } else {
            EXPECT_TRUE(quickAccessShows(quickAccessState)) << quickAccessTexts();
        }
        EXPECT_TRUE(trayMenuTexts().contains(menuState)) << trayMenuTexts();
    }
    void closeMainWindow() {
        delegate->generalWindowViewController()->close();
        run();
    }
    // Signed in, with the main window brought up from the tray as a user does when it is not in front.
    void signInAndShowTheMainWindow() {
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        ASSERT_TRUE(homeTab().view()->isVisible());
    }
    // Settings of the workspace before the client starts.
    void offerUpdate(bool forced, bool silent, int daysOld,
                     const QString& version = QStringLiteral("2.1.0")) {
        driver.editState([&](sdk::SimulationState& s) {
            s.appConfig.offeredVersion = version;
            s.appConfig.isForcedUpdate = forced;
            s.appConfig.isSilentUpdate = silent;
            s.appConfig.releaseDate = scheduler.currentDate().addDays(-daysOld);
            s.forcedUpdateAvailable = forced;
            s.silentUpdateAvailable = silent;
        });
    }
};

} // namespace

TEST_F(HomeTabScenario, TheOfferedVersionIsAnnouncedInABannerThatOpensTheUpdateSheet) {
    // The client asks for the banner once per offered version and process: a version of its own.
    offerUpdate(false, false, 0, QStringLiteral("2.2.0"));
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_TRUE(homeTab().isErrorViewShown());
    EXPECT_EQ(homeTab().errorView()->notificationType(), NotificationPopupType::update());
    EXPECT_TRUE(homeTab().errorMessage().contains("2.2.0")) << homeTab().errorMessage();
    EXPECT_EQ(homeTab().topNetworkViewConstraint(), MainSubController::kNetworkViewRestingTop);

    QTest::mouseClick(homeTab().errorView()->titleField(), Qt::LeftButton);
    run();
    ASSERT_NE(homeTab().autoUpdateSheet(), nullptr);
    EXPECT_EQ(homeTab().autoUpdateSheet()->presentingViewController(), &homeTab());
    EXPECT_TRUE(homeTab().autoUpdateSheet()->view()->isVisible());
}

TEST_F(HomeTabScenario, TheConnectButtonConnectsWithEachLookAndADisconnectDrawsAtOnce) {
    signInAndShowTheMainWindow();
    // Beside the main window, as the client opens it after loading.
    ServiceLayer::shared().menuService().showMenu();
    ASSERT_TRUE(isQuickAccessShown());
    EXPECT_TRUE(homeTabTexts().contains("Headquarters")) << homeTabTexts();
    EXPECT_TRUE(homeTabTexts().contains("Connect to")) << homeTabTexts();
    EXPECT_TRUE(homeTabTexts().contains("Connect")) << homeTabTexts();

    clickConnectButton();
    EXPECT_EQ(driver.calls("connect").size(), 1u);
    advance(connectSeconds / 2);
    EXPECT_TRUE(homeTabTexts().contains("Connecting to")) << homeTabTexts();
    EXPECT_EQ(homeTab().connectButtonTitle(), QStringLiteral("Connecting..."));
    EXPECT_EQ(homeTab().networkView()->state(), FlagAnimationType::connecting);
    expectTrayShows("Connecting...", "Disconnect");

    advance(connectSeconds);
    EXPECT_TRUE(homeTabTexts().contains("Connected to")) << homeTabTexts();
    EXPECT_EQ(stateColour(), QStringLiteral("#3ACC73"));
    EXPECT_EQ(homeTab().connectButtonTitle(), QStringLiteral("Disconnect"));
    EXPECT_FALSE(homeTab().connectionInfoView()->isHidden());
    advance(2);
    const QString time = homeTab().timeConnectedText();
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(time).hasMatch()) << time;
    EXPECT_NE(time, QStringLiteral("00:00:00"));
    EXPECT_TRUE(homeTabTexts().contains(time)) << homeTabTexts();
    expectTrayShows("Connected", "Connected to Headquarters");
    EXPECT_TRUE(quickAccessTexts().contains(time)) << quickAccessTexts();
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_CONNECTED"));

    // The second click draws the disconnected look before the SDK says anything.
    QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton);
    EXPECT_EQ(homeTab().statusText(), QStringLiteral("Disconnected"));
    EXPECT_EQ(homeTab().connectButtonTitle(), QStringLiteral("Connect"));
    advance(connectSeconds);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_TRUE(homeTab().connectionInfoView()->isHidden());
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));
    expectTrayShows({}, "Connected to -----");
}

TEST_F(HomeTabScenario, WithTheWindowClosedConnectingAndDisconnectingAreAnnounced) {
    launchAndSignIn();
    closeMainWindow();
    if (isQuickAccessShown()) {
        clickTrayIcon();
    }
    ASSERT_FALSE(isQuickAccessShown());
    const auto before = notificationsPosted().size();
    // Each notification shows two seconds after its news; a newer one of its kind before then replaces it.
    ASSERT_TRUE(chooseInTrayMenu("Connect")) << trayMenuTexts();
    advance(connectSeconds + QAUINotifier::triggerSeconds + 0.5);
    ASSERT_TRUE(chooseInTrayMenu("Disconnect")) << trayMenuTexts();
    advance(connectSeconds + QAUINotifier::triggerSeconds + 0.5);
    const QStringList posted = notificationsPosted().mid(before);
    EXPECT_TRUE(
        posted.contains("Connected to Headquarters: Your Veltrix connection was successfully established"))
        << posted;
    EXPECT_TRUE(posted.contains("Disconnected from Headquarters: You are now disconnected from Veltrix"))
        << posted;
}

TEST_F(HomeTabScenario, AForcedUpdateTurnsTheButtonIntoTheUpgradeAndBlocksConnecting) {
    offerUpdate(true, false, 0);
    launchAndSignIn();
    EXPECT_EQ(homeTab().connectButtonTitle(), QStringLiteral("UPGRADE to 2.1.0"));
    clickConnectButton();
    EXPECT_TRUE(driver.calls("connect").empty());
    ASSERT_NE(homeTab().autoUpdateSheet(), nullptr);
    EXPECT_TRUE(homeTab().autoUpdateSheet()->view()->isVisible());
}

TEST_F(HomeTabScenario, ASilentUpdateOffersUpdateNowInTheColourOfItsAge) {
    offerUpdate(false, true, 10, QStringLiteral("2.2.1")); // a version of its own, as above
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_TRUE(homeTab().isErrorViewShown());
    MainErrorView* banner = homeTab().errorView();
    EXPECT_EQ(banner->notificationType(), NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::old));
    EXPECT_EQ(banner->viewIndicatorButton()->bgColor(), colorFromHexString("#F66161"));
    EXPECT_FALSE(banner->tryAgainButton()->isHidden());
    EXPECT_EQ(banner->tryAgainButton()->text(), QStringLiteral("Update Now"));
    EXPECT_TRUE(banner->closeButton()->isHidden());
}

TEST_F(HomeTabScenario, LostInternetShowsItsBannerUntilTheConnectionIsBack) {
    launchAndSignIn();
    homeTab().hideErrorView();
    driver.fire<SDConnectivityDelegate>([](auto& d) { d.onConnectionUnReachable(); },
                                        sdk::testing::Driver::Delivery::sdkQueue);
    run();
    ASSERT_TRUE(homeTab().isErrorViewShown());
    EXPECT_TRUE(homeTab().errorMessage().contains("cannot reach the internet")) << homeTab().errorMessage();
    EXPECT_EQ(homeTab().topNetworkViewConstraint(), MainSubController::kNetworkViewTopUnderError);
    driver.fire<SDConnectivityDelegate>([](auto& d) { d.onConnectionReachable(); },
                                        sdk::testing::Driver::Delivery::sdkQueue);
    run();
    EXPECT_FALSE(homeTab().isErrorViewShown());
}

TEST_F(HomeTabScenario, ADroppedTunnelShowsTheReconnectingLookUntilItIsBack) {
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    clickConnectButton();
    advance(connectSeconds + 1);
    ASSERT_EQ(homeTab().connectButtonTitle(), QStringLiteral("Disconnect"));
    driver.dropConnection();
    run();
    EXPECT_EQ(homeTab().connectButtonTitle(), QStringLiteral("Reconnecting..."));
    EXPECT_EQ(homeTab().statusText(), QStringLiteral("Connecting to"));
    advance(4);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(homeTab().connectButtonTitle(), QStringLiteral("Disconnect"));
}
