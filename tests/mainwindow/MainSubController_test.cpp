#include "mainwindow/MainSubController.h"

#include "core/LocalizedStrings.h"
#include "platform/ManualScheduler.h"
#include "sdk/testing/Driver.h"
#include "updates/AutoUpdateViewController.h"

#include <gtest/gtest.h>

namespace {

PDNetworkItemPtr makeNetwork(const QString& id, std::optional<SDVPNConfig> config) {
    PDNetworkItem::Data data;
    data.id = id;
    data.kind = PDNetworkKind::privateNetwork;
    data.title = QStringLiteral("Office ") + id;
    data.vpnConfiguration = std::move(config);
    return std::make_shared<PDNetworkItem>(std::move(data));
}

const SDVPNConfig kOfficeConfig{QStringLiteral("n1"), QStringLiteral("gw1.example.invalid"),
                                QStringLiteral("Berlin"), QStringLiteral("198.51.100.7")};

class MainSubControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver.setLoggedIn(true);
        driver.setAlwaysOn(false);
        driver.setForcedUpdateAvailable(false);
        driver.setCurrentNetwork(makeNetwork(QStringLiteral("n1"), kOfficeConfig));
        driver.setConnectionState(SDVPNConnectionState::disconnected);
        driver.clearCalls();
    }

    QStringList connectionCalls() const {
        QStringList names;
        for (const QString& name : driver.callNames()) {
            if (name == QLatin1String("connect") || name == QLatin1String("disconnect")) {
                names << name;
            }
        }
        return names;
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    MainSubController controller;
};

} // namespace

TEST_F(MainSubControllerTest, ConnectsToTheCurrentNetworkWhenDisconnected) {
    controller.connectToVPN(nullptr);
    const auto connect = driver.lastCall(QStringLiteral("connect"));
    ASSERT_TRUE(connect.has_value());
    EXPECT_EQ(connect->arguments.value(QStringLiteral("networkId")).toString(), kOfficeConfig.networkId);
    EXPECT_EQ(connect->arguments.value(QStringLiteral("hostname")).toString(), kOfficeConfig.hostname);
    EXPECT_EQ(connectionCalls(), QStringList{QStringLiteral("connect")});
}

TEST_F(MainSubControllerTest, DisconnectsIntentionallyInEveryOtherState) {
    for (auto state : {SDVPNConnectionState::connecting, SDVPNConnectionState::connected,
                       SDVPNConnectionState::reconnecting}) {
        driver.setConnectionState(state);
        driver.clearCalls();
        controller.connectToVPN(nullptr);
        const auto disconnect = driver.lastCall(QStringLiteral("disconnect"));
        ASSERT_TRUE(disconnect.has_value()) << static_cast<int>(state);
        EXPECT_TRUE(disconnect->arguments.value(QStringLiteral("intentional")).toBool());
        EXPECT_FALSE(disconnect->arguments.value(QStringLiteral("forced")).toBool());
        EXPECT_FALSE(disconnect->arguments.value(QStringLiteral("keepKillSwitch")).toBool());
        EXPECT_EQ(connectionCalls(), QStringList{QStringLiteral("disconnect")});
    }
}

TEST_F(MainSubControllerTest, DoesNothingUnderAlwaysOnOrWithoutAUsableNetwork) {
    driver.setAlwaysOn(true);
    controller.connectToVPN(nullptr);
    driver.setConnectionState(SDVPNConnectionState::connected);
    controller.connectToVPN(nullptr); // Always-On also keeps a connected tunnel up
    EXPECT_TRUE(connectionCalls().isEmpty());

    driver.setAlwaysOn(false);
    driver.setCurrentNetwork(nullptr);
    controller.connectToVPN(nullptr);
    driver.setConnectionState(SDVPNConnectionState::disconnected);
    driver.setCurrentNetwork(makeNetwork(QStringLiteral("n2"), std::nullopt)); // no VPN configuration
    controller.connectToVPN(nullptr);
    EXPECT_TRUE(connectionCalls().isEmpty());
    EXPECT_TRUE(controller.presentedViewControllers().isEmpty());
}

TEST_F(MainSubControllerTest, ForcedUpdateShowsTheUpdateSheetInsteadOfConnecting) {
    driver.setForcedUpdateAvailable(true);
    controller.view();
    controller.connectToVPN(nullptr);
    EXPECT_TRUE(connectionCalls().isEmpty());
    const auto presented = controller.presentedViewControllers();
    ASSERT_EQ(presented.size(), 1);
    EXPECT_NE(qobject_cast<AutoUpdateViewController*>(presented.first()), nullptr);
    controller.dismissViewController(presented.first());
}

TEST_F(MainSubControllerTest, SdkCallbacksFromItsThreadReachTheTabOnTheMainQueue) {
    controller.view();
    controller.registerAsSDKDelegate();
    EXPECT_EQ(VeltrixXPC::vpnStatusUpdatesDelegate(), &controller);
    EXPECT_EQ(VeltrixXPC::connectivityDelegate(), &controller);
    const QString disconnectedText = controller.statusText();

    driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onConnectedToVPN(); },
                                                      sdk::testing::Driver::Delivery::otherThread);
    driver.fire<PDVPNConnectionStatusUpdatesDelegate>(
        [](auto& d) { d.onConnectionTimeUpdatedWithTime(3725); },
        sdk::testing::Driver::Delivery::otherThread);
    EXPECT_EQ(controller.statusText(), disconnectedText); // nothing before the main queue runs
    scheduler.runUntilIdle();
    EXPECT_NE(controller.statusText(), disconnectedText);
    EXPECT_EQ(controller.timeConnectedText(), QStringLiteral("01:02:05"));

    driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onDisconnectedFromVPN(true); },
                                                      sdk::testing::Driver::Delivery::otherThread);
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.statusText(), disconnectedText);
    EXPECT_TRUE(controller.timeConnectedText().isEmpty());
}

TEST_F(MainSubControllerTest, DestroyedControllerLeavesTheSdkAndDropsQueuedWork) {
    auto doomed = std::make_unique<MainSubController>();
    doomed->view();
    doomed->registerAsSDKDelegate();
    driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onConnectedToVPN(); });
    doomed.reset();
    EXPECT_EQ(VeltrixXPC::vpnStatusUpdatesDelegate(), nullptr);
    EXPECT_EQ(VeltrixXPC::connectivityDelegate(), nullptr);
    scheduler.runUntilIdle(); // the queued refresh finds no controller
}

TEST_F(MainSubControllerTest, ErrorAndUpdateMessagesAndTheShownNetwork) {
    driver.editState([](sdk::SimulationState& s) { s.appConfig.offeredVersion = QStringLiteral("9.1.0"); });
    controller.showUpdateAvailableMessage();
    EXPECT_TRUE(controller.isErrorViewShown());
    EXPECT_EQ(controller.errorTitle(), L10n::update_available_title());
    EXPECT_TRUE(controller.errorMessage().contains(QStringLiteral("9.1.0")));
    EXPECT_FALSE(controller.errorMessage().contains(QStringLiteral("|version|")));
    controller.hideErrorView();
    EXPECT_FALSE(controller.isErrorViewShown());

    driver.clearCalls();
    controller.showNetwork(makeNetwork(QStringLiteral("n7"), kOfficeConfig));
    EXPECT_EQ(controller.networkTitle(), QStringLiteral("Office n7"));
    const auto event = driver.lastCall(QStringLiteral("sendAnalytics"));
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->arguments.value(QStringLiteral("type")).toInt(), 13);
    EXPECT_EQ(event->arguments.value(QStringLiteral("triggerTitle")).toString(), QStringLiteral("Office n7"));
}

TEST_F(MainSubControllerTest, ForcedUpdateLookFollowsTheModel) {
    controller.view();
    driver.setForcedUpdateAvailable(true);
    controller.hideForcedUpdateState(); // the model says forced: hiding is refused
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isConnectButtonAvailable());
    EXPECT_FALSE(controller.isUpdateRequiredShown());
}

