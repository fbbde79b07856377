// Connecting, following the connection in the tray, changing location and disconnecting, signed in on the
// demo workspace.
#include "e2e/ClientHarness.h"

#include "mainwindow/MainSubController.h"

using namespace e2e;

namespace {

// Long enough for the stand-in to bring a tunnel up or down.
constexpr double tunnelSeconds = 5;

class ConnectionTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        launchAndSignIn();
        if (!isQuickAccessShown()) {
            clickTrayIcon();
        }
        ASSERT_TRUE(isQuickAccessShown());
    }

    MainSubController& homeTab() { return *delegate->mainSubController(); }

    // The SDK's clock as the tray menu shows it; the main window is not on screen to show it.
    QString trayTime() {
        const QString prefix = QStringLiteral("Time Connected: ");
        for (const QString& text : trayMenuTexts()) {
            if (text.startsWith(prefix)) {
                return text.mid(prefix.size());
            }
        }
        return {};
    }

    // The tray's time, as the quick-access window and the tray menu show it.
    void expectTimeEverywhere(const QString& time) {
        EXPECT_TRUE(quickAccessTexts().contains(time)) << quickAccessTexts();
        EXPECT_TRUE(trayMenuTexts().contains("Time Connected: " + time)) << trayMenuTexts();
    }

    void expectDisconnectedEverywhere() {
        EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));
        // The quick-access window shows no connection while there is none.
        EXPECT_FALSE(quickAccessTexts().contains("Connected")) << quickAccessTexts();
        EXPECT_FALSE(quickAccessTexts().contains("Time Connected:")) << quickAccessTexts();
        EXPECT_TRUE(trayMenuTexts().contains("Connected to -----")) << trayMenuTexts();
        EXPECT_TRUE(trayMenuTexts().contains("Time Connected: -----")) << trayMenuTexts();
        EXPECT_TRUE(trayMenuTexts().contains("Connect")) << trayMenuTexts();
    }
};

} // namespace

TEST_F(ConnectionTest, ConnectingFromTheHomeTabShowsConnectingThenConnectedAndTheClockTicksInTheTray) {
    expectDisconnectedEverywhere();

    homeTab().connectToVPN(nullptr);
    run();
    EXPECT_EQ(driver.calls("connect").size(), 1u);
    EXPECT_TRUE(trayMenuTexts().contains("Disconnect")) << trayMenuTexts();
    advance(0.25); // the network section has opened; the icon has shown a connecting frame
    EXPECT_TRUE(quickAccessTexts().contains("Connecting...")) << quickAccessTexts();
    EXPECT_TRUE(trayIconName().startsWith("MenuBar_icon_CONNECTING_")) << trayIconName();

    advance(tunnelSeconds);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_CONNECTED"));
    EXPECT_TRUE(quickAccessTexts().contains("Connected")) << quickAccessTexts();
    EXPECT_TRUE(trayMenuTexts().contains("Connected to " + VeltrixXPC::currentNetwork()->displayTitle()))
        << trayMenuTexts();
    EXPECT_TRUE(trayMenuTexts().contains("Disconnect")) << trayMenuTexts();
    EXPECT_EQ(homeTab().statusText(), QStringLiteral("Connected to"));

    // The clock is the SDK's; every second of it reaches both tray surfaces.
    const QString before = trayTime();
    ASSERT_FALSE(before.isEmpty());
    expectTimeEverywhere(before);
    advance(2);
    const QString after = trayTime();
    EXPECT_GT(after, before);
    expectTimeEverywhere(after);
}

TEST_F(ConnectionTest, ALocationChosenInTheTrayMenuConnectsToItAndTheMenuNamesIt) {
    const auto locations = VeltrixXPC::networks()->publicLocations();
    ASSERT_GE(locations.size(), 2);
    const QString chosen = locations.last()->displayTitle();
    ASSERT_NE(VeltrixXPC::currentNetwork()->displayTitle(), chosen);

    ASSERT_TRUE(chooseInTrayMenu(chosen)) << trayMenuTexts();
    advance(tunnelSeconds);
    EXPECT_EQ(VeltrixXPC::currentNetwork()->displayTitle(), chosen);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_TRUE(trayMenuTexts().contains("Connected to " + chosen)) << trayMenuTexts();
    EXPECT_TRUE(quickAccessTexts().contains(chosen)) << quickAccessTexts();
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_CONNECTED"));
}

TEST_F(ConnectionTest, DisconnectingFromTheTrayMenuEndsTheTunnelAndClearsTheClock) {
    ASSERT_TRUE(chooseInTrayMenu("Connect"));
    advance(tunnelSeconds);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    const QString time = homeTab().timeConnectedText();
    ASSERT_FALSE(time.isEmpty());

    ASSERT_TRUE(chooseInTrayMenu("Disconnect"));
    advance(tunnelSeconds);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_TRUE(driver.lastCall("disconnect").has_value());
    expectDisconnectedEverywhere();
    EXPECT_FALSE(quickAccessTexts().contains(time)) << "the clock stops with the tunnel";
    // Once the SDK has reported, the home tab invites to connect to the network named below it.
    EXPECT_EQ(homeTab().statusText(), QStringLiteral("Connect to"));
}

TEST_F(ConnectionTest, TheHomeTabsConnectButtonConnectsAndThenOffersToDisconnect) {
    // Signed in from the sign-in window, the main window is already in front; from the tray it is asked for.
    if (shownWindow() != QStringLiteral("main")) {
        bringClientForward();
    }
    ASSERT_EQ(shownWindow(), QStringLiteral("main"));
    QWidget* mainWindow = delegate->generalWindowViewController()->window();

    ASSERT_TRUE(clickButton(mainWindow, "Connect")) << visibleTexts(mainWindow);
    run();
    EXPECT_EQ(driver.calls("connect").size(), 1u);
    advance(tunnelSeconds);
    EXPECT_TRUE(visibleTexts(mainWindow).contains("Disconnect")) << visibleTexts(mainWindow);

    ASSERT_TRUE(clickButton(mainWindow, "Disconnect"));
    advance(tunnelSeconds);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_TRUE(visibleTexts(mainWindow).contains("Connect")) << visibleTexts(mainWindow);
}

TEST_F(ConnectionTest, ConnectingAndDisconnectingAreAnnouncedWithTheNetworksName) {
    const QString network = VeltrixXPC::currentNetwork()->displayTitle();
    // While one of the client's windows is open it tells the news itself: the tray's window goes first.
    clickTrayIcon();
    ASSERT_FALSE(isQuickAccessShown());
    ASSERT_TRUE(chooseInTrayMenu("Connect"));
    advance(tunnelSeconds);
    ASSERT_TRUE(chooseInTrayMenu("Disconnect"));
    advance(tunnelSeconds);
    const QStringList posted = notificationsPosted();
    EXPECT_TRUE(std::ranges::any_of(posted, [&](const QString& n) {
        return n.startsWith("Connected to " + network);
    })) << posted;
    EXPECT_TRUE(std::ranges::any_of(posted, [&](const QString& n) {
        return n.startsWith("Disconnected from " + network);
    })) << posted;
}
