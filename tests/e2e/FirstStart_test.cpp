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

TEST_F(FirstStartTest, PagingThroughTheWelcomeWindowEndsOnTheSignInWindow) {
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    ASSERT_EQ(shownWindow(), QStringLiteral("welcome"));

    // The welcome pages offer one way on each; follow it until the window is left.
    for (int page = 0; page < 10 && shownWindow() == QLatin1String("welcome"); ++page) {
        QWidget* welcome = delegate->welcomeWindowViewController()->window();
        const auto buttons = welcome->findChildren<QAbstractButton*>();
        const auto onward = std::ranges::find_if(buttons, [welcome](QAbstractButton* button) {
            return button->isVisibleTo(welcome) && button->isEnabled() && !button->text().isEmpty();
        });
        ASSERT_NE(onward, buttons.end());
        (*onward)->click();
        advance(0.5);
    }
    EXPECT_EQ(shownWindow(), QStringLiteral("signIn")) << "the client stays in front";
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showWelcomePage));
}
