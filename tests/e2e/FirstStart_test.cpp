// A new user's first start: signed out, no tray host on the desktop.
#include "e2e/ClientHarness.h"

using namespace e2e;

using FirstStartTest = ClientTest;

TEST_F(FirstStartTest, SignedOutTheClientWaitsInTheTrayThenShowsTheWelcomeWindowWithoutATray) {
    launch();

    EXPECT_EQ(shownWindow(), QStringLiteral("")) << "start-up leaves the client in the tray";
    EXPECT_EQ(trayIconName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));
    EXPECT_TRUE(sdkCalls().contains("getInitialState"));
    EXPECT_FALSE(sdkCalls().contains("login")) << "nothing signs in by itself";
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());

    // No tray host came up: the welcome window must be reachable.
    advance(clientlaunch::noTrayGraceSeconds);
    EXPECT_EQ(shownWindow(), QStringLiteral("welcome"));
    EXPECT_FALSE(ServiceLayer::appModel().isAppInUserAgentMode());
    EXPECT_TRUE(notificationsPosted().isEmpty());
}
