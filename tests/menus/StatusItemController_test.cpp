#include "menus/StatusItemController.h"

#include "MenusTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/ManualScheduler.h"
#include "platform/StatusBar.h"
#include "sdk/PDTypes.h"
#include "support/DesktopTray.h"
#include "support/FakeRouter.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace {

// Records every requirement it receives, with its argument where there is one.
class RecordingMenuController : public MenuControllerProtocol {
public:
    QStringList calls;
    MenuControllerDataSource* source = nullptr;
    MenuControllerDelegate* actions = nullptr;

    MenuControllerDataSource* dataSource() const override { return source; }
    void setDataSource(MenuControllerDataSource* dataSource) override { source = dataSource; }
    MenuControllerDelegate* delegate() const override { return actions; }
    void setDelegate(MenuControllerDelegate* delegate) override { actions = delegate; }
    void showMenu() override { calls << QStringLiteral("showMenu"); }
    void toggleMenu(platform::StatusItem*) override { calls << QStringLiteral("toggleMenu"); }
    void setLoggedInState() override { calls << QStringLiteral("setLoggedInState"); }
    void setLoggedOutState() override { calls << QStringLiteral("setLoggedOutState"); }
    void updateGroupedLocations() override { calls << QStringLiteral("updateGroupedLocations"); }
    void updateLocationLists() override { calls << QStringLiteral("updateLocationLists"); }
    void setConnectedState() override { calls << QStringLiteral("setConnectedState"); }
    void setDisconnectedState() override { calls << QStringLiteral("setDisconnectedState"); }
    void setConnectingState() override { calls << QStringLiteral("setConnectingState"); }
    void setUpgradeState() override { calls << QStringLiteral("setUpgradeState"); }
    void updateIPAddress(const PDPublicIPInfoPtr& info) override {
        calls << QStringLiteral("updateIPAddress ") + (info ? info->ipAddress() : QString());
    }
    void updateTimeConnected(const QString& time) override {
        calls << QStringLiteral("updateTimeConnected ") + time;
    }
    void updateShowApplicationItem() override { calls << QStringLiteral("updateShowApplicationItem"); }
    void updateStatusView() override { calls << QStringLiteral("updateStatusView"); }
    void updateStatusOptions() override { calls << QStringLiteral("updateStatusOptions"); }
    void updateStatusOptionStates() override { calls << QStringLiteral("updateStatusOptionStates"); }
    void updateNetworkGroups() override { calls << QStringLiteral("updateNetworkGroups"); }
    void showProgressIndicator() override { calls << QStringLiteral("showProgressIndicator"); }
    void hideProgressIndicator() override { calls << QStringLiteral("hideProgressIndicator"); }
};

class FakeDataSource : public MenuControllerDataSource {
public:
    bool agent = false;
    QList<PDNetworkItemPtr> locations;
    bool isAppInUserAgentMode() const override { return agent; }
    bool isDisconnectAllowed() const override { return true; }
    bool isInForcedUpgradeState() const override { return false; }
    PDNetworkItemPtr currentNetwork() const override { return locations.value(0); }
    QList<PDNetworkItemPtr> publicLocations() const override { return {}; }
    QList<PDNetworkItemPtr> privateLocations() const override { return locations; }
    QList<PDNetworkItemPtr> favoriteLocations() const override { return {}; }
    QList<PDNetworkItemPtr> groupedLocations() const override { return locations; }
};

class FakeMenuDelegate : public MenuControllerDelegate {
public:
    QStringList calls;
    void didSelectLocation(const PDNetworkItemPtr& location) override {
        calls << QStringLiteral("didSelectLocation ") + location->title();
    }
    void signOut(QObject*) override { calls << QStringLiteral("signOut"); }
    void minimize(QObject*) override { calls << QStringLiteral("minimize"); }
    void showApplication(QObject*) override { calls << QStringLiteral("showApplication"); }
    void signIn(QObject*) override { calls << QStringLiteral("signIn"); }
    void openSupport(QObject*) override { calls << QStringLiteral("openSupport"); }
    void openSettings(QObject*) override { calls << QStringLiteral("openSettings"); }
    void connect(QObject*) override { calls << QStringLiteral("connect"); }
};

class StatusItemControllerTest : public ::testing::Test {
protected:
    StatusItemControllerTest() { menus_test::registerMenuScreens(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    platform::StatusBar bar{QDBusConnection(QStringLiteral("veltrix-no-bus"))};
    FakeDataSource source;
    FakeMenuDelegate actions;
    RecordingMenuController held;
    StatusItemController controller{&source, &actions, &held, bar};
};

} // namespace

TEST_F(StatusItemControllerTest, HandsTheDataSourceAndDelegateToTheHeldController) {
    EXPECT_EQ(held.source, &source);
    EXPECT_EQ(held.actions, &actions);
    EXPECT_EQ(controller.dataSource(), &source);
    FakeDataSource other;
    controller.setDataSource(&other);
    EXPECT_EQ(held.source, &other);
    ASSERT_NE(controller.statusItem(), nullptr);
    EXPECT_TRUE(controller.statusItem()->imageName().isEmpty()); // the first state brings the first icon
}

TEST_F(StatusItemControllerTest, ForwardsEveryRequirementUnchanged) {
    controller.setLoggedInState();
    controller.setLoggedOutState();
    controller.updateGroupedLocations();
    controller.updateLocationLists();
    controller.setUpgradeState();
    controller.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("203.0.113.9")));
    controller.updateTimeConnected(QStringLiteral("00:01:02"));
    controller.updateShowApplicationItem();
    controller.updateStatusView();
    controller.updateStatusOptions();
    controller.updateStatusOptionStates();
    controller.updateNetworkGroups();
    controller.showProgressIndicator();
    controller.hideProgressIndicator();
    controller.toggleMenu(nullptr);
    EXPECT_EQ(held.calls,
              (QStringList{QStringLiteral("setLoggedInState"), QStringLiteral("setLoggedOutState"),
                           QStringLiteral("updateGroupedLocations"), QStringLiteral("updateLocationLists"),
                           QStringLiteral("setUpgradeState"), QStringLiteral("updateIPAddress 203.0.113.9"),
                           QStringLiteral("updateTimeConnected 00:01:02"),
                           QStringLiteral("updateShowApplicationItem"), QStringLiteral("updateStatusView"),
                           QStringLiteral("updateStatusOptions"), QStringLiteral("updateStatusOptionStates"),
                           QStringLiteral("updateNetworkGroups"), QStringLiteral("showProgressIndicator"),
                           QStringLiteral("hideProgressIndicator"), QStringLiteral("toggleMenu")}));
}

TEST_F(StatusItemControllerTest, SteadyStatesSetTheirIconsAfterForwarding) {
    controller.setConnectedState();
    EXPECT_EQ(controller.statusItem()->imageName(), QStringLiteral("MenuBar_icon_CONNECTED"));
    EXPECT_TRUE(controller.statusItem()->isTemplateImage());
    controller.setDisconnectedState();
    EXPECT_EQ(controller.statusItem()->imageName(), QStringLiteral("MenuBar_icon_DISCONNECTED"));
    EXPECT_EQ(held.calls,
              (QStringList{QStringLiteral("setConnectedState"), QStringLiteral("setDisconnectedState")}));
    EXPECT_EQ(controller.lastState(), SDVPNConnectionState::disconnected);
}

TEST_F(StatusItemControllerTest, TheToolTipNamesTheConnectionState) {
    const struct {
        void (StatusItemController::*state)();
        const char* toolTip;
    } cases[] = {
        {&StatusItemController::setConnectingState, "Veltrix: Connecting..."},
        {&StatusItemController::setConnectedState, "Veltrix: Connected"},
        {&StatusItemController::setDisconnectedState, "Veltrix: Disconnected"},
    };
    for (const auto& state : cases) {
        (controller.*state.state)();
        EXPECT_EQ(controller.statusItem()->toolTip(), QString::fromLatin1(state.toolTip));
    }
}

TEST_F(StatusItemControllerTest, ConnectingCyclesItsFramesUntilASteadyState) {
    controller.setDisconnectedState();
    controller.setConnectingState();
    EXPECT_EQ(held.calls.last(), QStringLiteral("setConnectingState"));
    EXPECT_EQ(controller.statusItem()->imageName(),
              QStringLiteral("MenuBar_icon_DISCONNECTED")); // until a tick
    QStringList shown;
    for (int tick = 0; tick < 3; ++tick) {
        scheduler.advance(0.17);
        shown << controller.statusItem()->imageName();
    }
    EXPECT_EQ(shown, (QStringList{QStringLiteral("MenuBar_icon_CONNECTING_2"),
                                  QStringLiteral("MenuBar_icon_CONNECTING_3"),
                                  QStringLiteral("MenuBar_icon_CONNECTING_1")}));

    // Further reports of the same connection attempt do not send the icon back to its first frame.
    shown.clear();
    for (int tick = 0; tick < 3; ++tick) {
        scheduler.advance(0.1);
        controller.setConnectingState();
        scheduler.advance(0.07);
        shown << controller.statusItem()->imageName();
    }
    EXPECT_EQ(shown, (QStringList{QStringLiteral("MenuBar_icon_CONNECTING_2"),
                                  QStringLiteral("MenuBar_icon_CONNECTING_3"),
                                  QStringLiteral("MenuBar_icon_CONNECTING_1")}));

    controller.setConnectedState();
    scheduler.advance(1.0); // no frame replaces the steady icon
    EXPECT_EQ(controller.statusItem()->imageName(), QStringLiteral("MenuBar_icon_CONNECTED"));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(StatusItemControllerTest, ClickClosesTheOtherWindowsOnlyWithADockIconThenToggles) {
    FakeRouter router;
    FakeRouter::Scope routerScope(router);
    ServiceLayer::appModel().setIsAppInUserAgentMode(false);
    controller.statusItem()->performClick();
    EXPECT_EQ(router.count(QStringLiteral("closeOtherWindows")), 1); // at once
    ServiceLayer::appModel().setIsAppInUserAgentMode(true);
    controller.statusItem()->performClick();
    EXPECT_EQ(router.count(QStringLiteral("closeOtherWindows")), 1); // not at once as an agent
    EXPECT_TRUE(held.calls.isEmpty());
    scheduler.advance(0.1);
    EXPECT_EQ(held.calls, (QStringList{QStringLiteral("toggleMenu"), QStringLiteral("toggleMenu")}));
    EXPECT_EQ(router.count(QStringLiteral("closeOtherWindows")), 2); // as the window opens
    controller.showMenu(); // the client opening it itself closes nothing
    EXPECT_EQ(router.count(QStringLiteral("closeOtherWindows")), 2);
    ServiceLayer::appModel().setIsAppInUserAgentMode(false);
}

TEST_F(StatusItemControllerTest, ClickTogglesTheQuickAccessWindowATenthOfASecondLater) {
    controller.statusItem()->performClick();
    EXPECT_TRUE(held.calls.isEmpty());
    scheduler.advance(0.099);
    EXPECT_TRUE(held.calls.isEmpty());
    scheduler.advance(0.001);
    EXPECT_EQ(held.calls, QStringList{QStringLiteral("toggleMenu")});
}

TEST_F(StatusItemControllerTest, ShowMenuOpensTheQuickAccessWindowOnlyFromTheTray) {
    controller.showMenu();
    EXPECT_TRUE(held.calls.isEmpty()) << "without a tray the window would hang in a corner";

    DesktopTray tray(DesktopTray::State::hostOnly);
    ASSERT_TRUE(tray.isReady());
    RecordingMenuController inTray;
    StatusItemController item{&source, &actions, &inTray, tray.bar()};
    item.setDisconnectedState();
    inTray.calls.clear();
    item.showMenu();
    EXPECT_TRUE(inTray.calls.isEmpty()) << "the host has yet to list the icon";
    ASSERT_TRUE(tray.listIcon());
    EXPECT_EQ(inTray.calls, QStringList{QStringLiteral("toggleMenu")}) << "it opens once the icon is listed";

    QAUIMenuWindowController quickAccess;
    quickAccess.showWindow();
    EXPECT_TRUE(isMenuWindowShown());
    item.showMenu();
    EXPECT_EQ(inTray.calls.size(), 1) << "a shown window is not opened again";
    quickAccess.close();
}

TEST(StatusItemIcons, EveryStateImageIsInTheBundle) {
    platform::StatusBar bar{QDBusConnection(QStringLiteral("veltrix-no-bus"))};
    platform::StatusItem* item = bar.statusItem();
    for (const QString& name :
         {QStringLiteral("MenuBar_icon_CONNECTED"), QStringLiteral("MenuBar_icon_DISCONNECTED"),
          QStringLiteral("MenuBar_icon_CONNECTING_1"), QStringLiteral("MenuBar_icon_CONNECTING_2"),
          QStringLiteral("MenuBar_icon_CONNECTING_3")}) {
        EXPECT_TRUE(item->setImage(name)) << name.toStdString();
        EXPECT_FALSE(item->icon().isNull());
    }
}
