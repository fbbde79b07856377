#include "support/CoreTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/MenuService.h"
#include "platform/NotificationCenter.h"
#include "sdk/VeltrixXPC.h"

#include <QAction>
#include <QMenu>

#include <thread>

using namespace coretest;

class MenuServiceTest : public CoreTest {
protected:
    MenuService::Controllers fakes() {
        MenuService::Controllers c;
        c.statusItem = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            ++made;
            return std::make_unique<FakeMenuController>("status", calls, d, g);
        };
        c.dockMenu = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            ++made;
            return std::make_unique<FakeMenuController>("dock", calls, d, g);
        };
        c.dockMenuOf = [this](MenuControllerProtocol&) { return &menu; };
        return c;
    }
    QStringList take() {
        QStringList out = calls;
        calls.clear();
        return out;
    }
    void loadNetworks() { driver.setNetworks(sdk::makeNetworksModel(driver.state().workspace)); }

    QStringList calls;
    int made = 0;
    QMenu menu;
    ApplicationModel model{defaults};
    std::unique_ptr<MenuService> service = std::make_unique<MenuService>(model, fakes());
};

TEST_F(MenuServiceTest, ConnectionStatesMapToBothFrontEndsAndConnectedRefreshesListsLater) {
    service->updateConnectionState(SDVPNConnectionState::disconnected);
    EXPECT_EQ(take(), QStringList({"status.setDisconnectedState", "dock.setDisconnectedState"}));
    service->updateConnectionState(SDVPNConnectionState::connecting);
    service->updateConnectionState(SDVPNConnectionState::reconnecting);
    EXPECT_EQ(take(), QStringList({"status.setConnectingState", "dock.setConnectingState",
                                   "status.setConnectingState", "dock.setConnectingState"}));

    service->updateConnectionState(SDVPNConnectionState::connected);
    EXPECT_EQ(take(), QStringList({"status.setConnectedState", "dock.setConnectedState"}))
        << "the list refresh waits for a later turn of the main queue";
    scheduler.runUntilIdle();
    EXPECT_EQ(take(), QStringList({"status.updateLocationLists", "dock.updateLocationLists",
                                   "status.updateGroupedLocations", "dock.updateGroupedLocations"}));
}

TEST_F(MenuServiceTest, StatusItemOnlyCallsNeverReachTheDockMenu) {
    loadNetworks();
    service->showMenu();
    service->updateStatusView();
    service->updateStatusOptions();
    service->updateStatusOptionStates();
    service->showProgressIndicator();
    service->onAuthErrorRecieved();
    service->didSelectLocation(VeltrixXPC::networks()->publicLocations().value(0));
    EXPECT_EQ(take(), QStringList({"status.showMenu", "status.updateStatusView", "status.updateStatusOptions",
                                   "status.updateStatusOptionStates", "status.showProgressIndicator",
                                   "status.hideProgressIndicator", "status.updateNetworkGroups"}));
}

TEST_F(MenuServiceTest, SignedInStateRefreshesTheListsFirst) {
    loadNetworks();
    service->setLoggedInState();
    EXPECT_EQ(take(), QStringList({"status.updateLocationLists", "dock.updateLocationLists",
                                   "status.updateGroupedLocations", "dock.updateGroupedLocations",
                                   "status.setLoggedInState", "dock.setLoggedInState"}));
    const auto networks = VeltrixXPC::networks();
    EXPECT_EQ(service->publicLocations(), networks->publicLocations());
    EXPECT_EQ(service->privateLocations(), networks->privateNetworks());
    EXPECT_EQ(service->favoriteLocations(), networks->favoriteLocations());
    EXPECT_EQ(service->groupedLocations(), networks->groupedNetworks());
    EXPECT_FALSE(service->groupedLocations().isEmpty());

    driver.setNetworks(nullptr);
    service->updateLocationLists();
    EXPECT_TRUE(service->publicLocations().isEmpty());
    EXPECT_TRUE(service->groupedLocations().isEmpty());
    EXPECT_TRUE(take().contains("dock.updateLocationLists")) << "still told to rebuild";
}

TEST_F(MenuServiceTest, CallsFromAnotherThreadAreForwardedOnTheGuiThread) {
    std::thread([this] {
        service->updateConnectionState(SDVPNConnectionState::disconnected);
        platform::NotificationCenter::defaultCenter().post("tickTimeUpdated", nullptr,
                                                           {{"timeConnected", QStringLiteral(" 01:02:03 ")}});
        service->updateIPAddress(std::make_shared<PDPublicIPInfo>("198.51.100.1"));
    }).join();
    EXPECT_TRUE(calls.isEmpty()) << "nothing reaches the front ends on the calling thread";
    EXPECT_EQ(made, 0) << "not even their creation";
    scheduler.runUntilIdle();
    EXPECT_EQ(take(),
              QStringList({"status.setDisconnectedState", "dock.setDisconnectedState",
                           "status.updateTimeConnected: 01:02:03 ", "dock.updateTimeConnected: 01:02:03 ",
                           "status.updateIPAddress:198.51.100.1", "dock.updateIPAddress:198.51.100.1"}));
}

TEST_F(MenuServiceTest, TimeTicksWithoutATextChangeNothing) {
    auto& center = platform::NotificationCenter::defaultCenter();
    center.post("tickTimeUpdated");
    center.post("tickTimeUpdated", nullptr, {{"timeConnected", 42}});
    center.post("tickTimeUpdated", nullptr, {{"other", QStringLiteral("00:00:01")}});
    scheduler.runUntilIdle();
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(MenuServiceTest, QueuedWorkIsDroppedOnceTheServiceIsGone) {
    std::thread([this] { service->setUpgradeState(); }).join();
    service->updateConnectionState(SDVPNConnectionState::connected);
    take();
    service.reset();
    scheduler.runUntilIdle();
    platform::NotificationCenter::defaultCenter().post("tickTimeUpdated", nullptr, {{"timeConnected", "x"}});
    router.notifyAppModeChange();
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(MenuServiceTest, ModeChangesUpdateTheShowApplicationItem) {
    ASSERT_EQ(router.modeObservers.size(), 1u);
    router.notifyAppModeChange();
    EXPECT_EQ(take(), QStringList({"status.updateShowApplicationItem", "dock.updateShowApplicationItem"}));
    model.setIsAppInUserAgentMode(true);
    EXPECT_TRUE(service->isAppInUserAgentMode());
}

TEST_F(MenuServiceTest, ChosenLocationChangesItOnlyWithoutAForcedUpdate) {
    loadNetworks();
    const auto automatic = VeltrixXPC::networks()->automaticLocation();
    const auto fixed = VeltrixXPC::networks()->publicLocations().value(1);
    ASSERT_TRUE(automatic && fixed);

    driver.setForcedUpdateAvailable(true);
    service->didSelectLocation(automatic);
    EXPECT_EQ(router.calls, QStringList({"showUpdateSheet"}));
    EXPECT_FALSE(model.useAutomaticNetwork()) << "the location did not change";
    EXPECT_EQ(take(), QStringList({"status.updateNetworkGroups"}));

    driver.setForcedUpdateAvailable(false);
    service->didSelectLocation(automatic);
    EXPECT_TRUE(model.useAutomaticNetwork());
    EXPECT_EQ(router.changedTo, automatic);
    service->didSelectLocation(fixed);
    EXPECT_FALSE(model.useAutomaticNetwork());
    EXPECT_EQ(router.changedTo, fixed);
    EXPECT_EQ(router.count("changeLocation"), 2);
}

TEST_F(MenuServiceTest, ConnectTogglesTheConnectionOrOpensTheUpdateSheet) {
    QAction action("Connect");
    service->connect(&action);
    EXPECT_EQ(router.calls, QStringList({"toggleConnection"}));
    EXPECT_EQ(router.toggledBy, &action);

    driver.setForcedUpdateAvailable(true);
    service->connect(&action);
    EXPECT_EQ(router.calls, QStringList({"toggleConnection", "showUpdateSheet"}));
}

TEST_F(MenuServiceTest, SignOutSendsTheEventThenAsksForTheWindowLater) {
    int closed = 0;
    service->setCloseQuickAccessWindow([&] { ++closed; });
    QAction item("Sign Out");
    service->signOut(&item);
    QObject notAnItem;
    service->signOut(&notAnItem);

    const auto events = driver.analytics();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].category, 0);
    EXPECT_EQ(events[0].type, 20);
    EXPECT_EQ(events[0].triggeredBy.title, QString("Sign Out"));
    EXPECT_FALSE(events[1].triggeredBy.title) << "no title for a sender that is not a menu item";
    EXPECT_FALSE(events[0].parameters);

    scheduler.advance(0.29);
    EXPECT_TRUE(router.calls.isEmpty());
    scheduler.advance(0.02);
    EXPECT_EQ(router.count("showSignOutWindowLater"), 2);
    EXPECT_EQ(closed, 2);
}

TEST_F(MenuServiceTest, WindowActionsReachTheRouterInOrder) {
    service->openSupport(nullptr);
    service->openSettings(nullptr);
    service->signIn(nullptr);
    service->minimize(nullptr);
    service->showApplication(nullptr);
    EXPECT_EQ(router.calls, QStringList({"enterForegroundMode", "activateApplication", "showSupportTab",
                                         "enterForegroundMode", "activateApplication", "showSettingsTab",
                                         "enterForegroundMode", "presentSignInWindow", "enterBackgroundMode",
                                         "enterForegroundMode"}));
}

TEST_F(MenuServiceTest, DataSourceAnswersFromTheModelAndTheSdk) {
    EXPECT_TRUE(service->isDisconnectAllowed());
    driver.setAlwaysOn(true);
    EXPECT_FALSE(service->isDisconnectAllowed());
    model.setIsInForcedUpgradeState(true);
    EXPECT_TRUE(service->isInForcedUpgradeState());
    loadNetworks();
    const auto network = VeltrixXPC::networks()->privateNetworks().value(0);
    driver.setCurrentNetwork(network);
    EXPECT_EQ(service->currentNetwork(), network);
}

TEST_F(MenuServiceTest, DockMenuComesFromTheDockControllerMadeOnFirstUse) {
    EXPECT_EQ(made, 0);
    EXPECT_EQ(service->dockMenu(), &menu);
    EXPECT_EQ(made, 1);
    ASSERT_NE(service->dockMenuController(), nullptr);
    EXPECT_EQ(service->dockMenuController()->dataSource(), service.get());
    EXPECT_EQ(service->dockMenuController()->delegate(), service.get());
    EXPECT_EQ(service->dockMenu(), &menu);
    EXPECT_EQ(made, 1) << "never made again";

    MenuService bare(model, {});
    bare.updateConnectionState(SDVPNConnectionState::connected); // no front ends: nothing to tell, no crash
    EXPECT_EQ(bare.dockMenu(), nullptr);
}
