// The home tab's hexagon: its looks and motion follow the tunnel, it rests when the window is away, and its
// flag opens the networks tab. Signed in on the demo workspace.
#include "e2e/ClientHarness.h"

#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainNetworkView.h"
#include "mainwindow/MainSubController.h"
#include "toolkit/Colors.h"

#include <QTest>

using namespace e2e;

namespace {

constexpr double tunnelSeconds = 5;

class NetworkViewTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        ASSERT_EQ(shownWindow(), QStringLiteral("main"));
        ASSERT_NE(homeTab().networkView(), nullptr);
        // Motion runs only once the window system shows the window.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view().window()));
    }

    MainSubController& homeTab() { return *delegate->mainSubController(); }
    MainNetworkView& view() { return *homeTab().networkView(); }
    QColor dotColour() { return view().dotView().bgColor; }
};

} // namespace

TEST_F(NetworkViewTest, TheHexagonFollowsTheTunnelAndRestsWhileTheWindowIsAway) {
    ASSERT_TRUE(view().isVisible());
    EXPECT_EQ(view().currentState(), FlagAnimationType::disconnected);
    EXPECT_EQ(dotColour(), colorFromHexString("#6F9CD9"));
    EXPECT_EQ(view().dotStatusImageName(), QStringLiteral("networkViewShieldIcon"));
    EXPECT_FALSE(view().isAnimating());
    EXPECT_FALSE(view().networkImageView()->image().isNull()) << "the current network's flag";

    homeTab().connectToVPN(nullptr);
    run();
    EXPECT_EQ(view().currentState(), FlagAnimationType::connecting);
    EXPECT_TRUE(view().isAnimating());
    EXPECT_TRUE(view().lView(1).hasAnimations() && view().rView(13).hasAnimations());

    advance(tunnelSeconds);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(view().currentState(), FlagAnimationType::connected);
    EXPECT_EQ(dotColour(), colorFromHexString("#3ACC73"));
    EXPECT_FALSE(view().lView(1).hasAnimations());
    EXPECT_TRUE(view().topDot().hasAnimations());
    EXPECT_EQ(view().iconShadow().blurRadius, 12.0);

    // The window away: nothing moves, the look stays; back: moving again.
    QWidget* window = delegate->generalWindowViewController()->window();
    window->hide();
    run();
    EXPECT_FALSE(view().isAnimating());
    EXPECT_EQ(dotColour(), colorFromHexString("#3ACC73"));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    run();
    EXPECT_TRUE(view().isAnimating());

    homeTab().connectToVPN(nullptr); // the button's second use disconnects
    advance(tunnelSeconds);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_EQ(view().currentState(), FlagAnimationType::disconnected);
    EXPECT_FALSE(view().isAnimating());
}

TEST_F(NetworkViewTest, AClickOnTheFlagOpensTheNetworksTab) {
    GeneralViewController* general = delegate->generalViewController();
    ASSERT_NE(general, nullptr);
    GeneralSubController* networks = general->tabController(MainMenuBarTab::topTab(MainTopTab::networks));
    ASSERT_NE(networks, nullptr);
    QTest::mouseClick(view().networkImageView(), Qt::LeftButton);
    advance(GeneralViewController::tabFadeDuration);
    EXPECT_EQ(general->embeddedController(), networks);
    EXPECT_FALSE(view().isAnimating());
}
