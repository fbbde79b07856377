#include "mainwindow/ConnectionEstablishedController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainSubController.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "platform/NotificationCenter.h"
#include "platform/RecordingUserNotificationBackend.h"
#include "sdk/VeltrixXPC.h"
#include "support/CoreTestSupport.h"
#include "support/Storyboards.h"
#include "support/UpdatesTestSupport.h"
#include "toolkit/GeneralSubController.h"

#include <QAction>
#include <QPushButton>

#include <gtest/gtest.h>

using sdk::testing::Driver;

namespace {

PDNetworkItemPtr makeNetwork(const QString& id, PDNetworkKind kind = PDNetworkKind::privateNetwork,
                             std::optional<SDVPNConfig> config = SDVPNConfig{}) {
    PDNetworkItem::Data data;
    data.id = id;
    data.kind = kind;
    data.title = QStringLiteral("Office ") + id;
    if (config) {
        config->networkId = id;
        config->gatewayLocation = QStringLiteral("Berlin");
        config->publicIP = QStringLiteral("198.51.100.7");
    }
    data.vpnConfiguration = std::move(config);
    return std::make_shared<PDNetworkItem>(std::move(data));
}

PDNetworksModelPtr modelOf(const QList<PDNetworkItemPtr>& networks) {
    PDNetworksModel::Content content;
    for (const auto& network : networks) {
        (network->kind() == PDNetworkKind::publicLocation ? content.publicLocations : content.privateNetworks)
            << network;
    }
    return std::make_shared<PDNetworksModel>(content);
}

using VPN = PDVPNConnectionStatusUpdatesDelegate;
using Connectivity = SDConnectivityDelegate;

class HomeTabTest : public coretest::CoreTest {
protected:
    HomeTabTest() {
        // The update sheet belongs to the updates folder; a plain controller stands in for it.
        testsupport::registerController<platform::ViewController>("AutoUpdate", "AutoUpdateViewController");
        auto owned = std::make_unique<platform::RecordingUserNotificationBackend>();
        backend = owned.get();
        center = std::make_unique<platform::UserNotificationCenter>(std::move(owned));
        center->setApplicationActiveCheck([] { return false; });
        QAUINotifier::setCenter(center.get());
        MenuService::Controllers controllers;
        controllers.statusItem = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<coretest::FakeMenuController>("status", menuCalls, d, g);
        };
        ServiceLayer::shared().setMenuService(
            std::make_unique<MenuService>(ServiceLayer::appModel(), controllers));

        driver.setLoggedIn(true);
        driver.setAlwaysOn(false);
        network = makeNetwork(QStringLiteral("n1"));
        driver.setCurrentNetwork(network);
        editSettings([](PDSettings& s) { s.notifications.value = true; });
        ServiceLayer::appModel().setAutoReconnectInProgress(false);
        ServiceLayer::appModel().setOnCurrentConnectionStateUpdated(
            [this](SDVPNConnectionState state) {
                modelStates << static_cast<int>(state);
                buttonAtModelCallback << controller.connectButtonTitle();
            },
            &controller);
        controller.view()->resize(360, 600);
        driver.clearCalls();
        events();
    }
    ~HomeTabTest() override {
        QAUINotifier::setCenter(nullptr);
        ServiceLayer::shared().setMenuService(nullptr);
        ServiceLayer::shared().silentUpdateService().resetTimer();
        platform::UserDefaults::standard().set(SettingsUserDefaults::showSilentSuccessMessage, false);
    }

    void editSettings(const std::function<void(PDSettings&)>& change) {
        PDSettings settings = driver.state().settings;
        change(settings);
        driver.setSettings(settings);
    }

    // Analytics types sent since the last call.
    QList<int> events() {
        QList<int> types;
        const auto all = driver.analytics();
        for (std::size_t i = m_seenEvents; i < all.size(); ++i) {
            types << all[i].type;
        }
        m_seenEvents = all.size();
        return types;
    }
    AnalyticsEvent lastEvent() const { return driver.analytics().back(); }

    QStringList notificationTitles() {
        scheduler.advance(QAUINotifier::triggerSeconds);
        QStringList titles;
        for (const auto& delivery : backend->deliveries()) {
            titles << delivery.request.title;
        }
        return titles;
    }
    QString notificationBody(const QString& title) const {
        for (const auto& delivery : backend->deliveries()) {
            if (delivery.request.title == title) {
                return delivery.request.body;
            }
        }
        return {};
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

    template <class D, class F>
    void fireElsewhere(F&& callback) {
        driver.fire<D>(std::forward<F>(callback), Driver::Delivery::otherThread);
    }

    platform::RecordingUserNotificationBackend* backend = nullptr;
    std::unique_ptr<platform::UserNotificationCenter> center;
    QStringList menuCalls;
    PDNetworkItemPtr network;
    QList<int> modelStates;
    QStringList buttonAtModelCallback;
    MainSubController controller;

private:
    std::size_t m_seenEvents = 0;
};

} // namespace

// MARK: connecting

TEST_F(HomeTabTest, ConnectsWhenDownAndDisconnectsInEveryOtherState) {
    auto& silentUpdate = ServiceLayer::shared().silentUpdateService();
    silentUpdate.startTimer();
    QPushButton button(QStringLiteral("Connect"));
    controller.connectToVPN(&button);
    const auto connect = driver.lastCall(QStringLiteral("connect"));
    ASSERT_TRUE(connect.has_value());
    EXPECT_EQ(connect->arguments.value(QStringLiteral("networkId")).toString(), QStringLiteral("n1"));
    EXPECT_FALSE(silentUpdate.isTimerRunning()) << "a connect resets the silent-update timer";
    EXPECT_EQ(events(), QList<int>{10});
    EXPECT_EQ(lastEvent().triggeredBy, AnalyticsTrigger::button(QStringLiteral("Connect")));
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::networkId), QStringLiteral("n1"));
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::networkName), QStringLiteral("Office n1"));
    EXPECT_TRUE(modelStates.isEmpty()) << "connecting draws nothing until the SDK reports";

    driver.setSilentUpdateAvailable(true);
    for (auto state : {SDVPNConnectionState::connecting, SDVPNConnectionState::connected,
                       SDVPNConnectionState::reconnecting}) {
        driver.setConnectionState(state);
        driver.clearCalls();
        modelStates.clear();
        silentUpdate.resetTimer();
        controller.connectToVPN(&button);
        const auto disconnect = driver.lastCall(QStringLiteral("disconnect"));
        ASSERT_TRUE(disconnect.has_value()) << static_cast<int>(state);
        EXPECT_TRUE(disconnect->arguments.value(QStringLiteral("intentional")).toBool());
        EXPECT_FALSE(disconnect->arguments.value(QStringLiteral("forced")).toBool());
        EXPECT_FALSE(disconnect->arguments.value(QStringLiteral("keepKillSwitch")).toBool());
        EXPECT_EQ(connectionCalls(), QStringList{QStringLiteral("disconnect")});
        EXPECT_EQ(events(), QList<int>{14});
        EXPECT_TRUE(silentUpdate.isTimerRunning()) << "a disconnect starts the silent-update timer";
        // Drawn at once, before the SDK says anything.
        EXPECT_EQ(controller.statusText(), L10n::connection_status_disconnected_label());
        EXPECT_EQ(controller.connectButton()->currentState(), ConnectButtonStates::connect);
        EXPECT_EQ(modelStates, QList<int>{0});
    }
}

TEST_F(HomeTabTest, RefusesUnderAlwaysOnOrWithoutANetworkAndOffersTheUpdateWhenForced) {
    driver.setConnectionState(SDVPNConnectionState::connected);
    driver.setAlwaysOn(true);
    controller.connectToVPN(nullptr);
    driver.setAlwaysOn(false);
    driver.setCurrentNetwork(nullptr);
    controller.connectToVPN(nullptr);
    EXPECT_TRUE(connectionCalls().isEmpty());
    EXPECT_TRUE(events().isEmpty());

    driver.setCurrentNetwork(network);
    driver.setForcedUpdateAvailable(true);
    controller.connectToVPN(nullptr);
    EXPECT_TRUE(connectionCalls().isEmpty());
    EXPECT_TRUE(events().isEmpty());
    platform::ViewController* sheet = controller.autoUpdateSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->presentingViewController(), &controller);
    controller.connectToVPN(nullptr); // the sheet already up comes forward; no second one
    EXPECT_EQ(controller.autoUpdateSheet(), sheet);
    EXPECT_EQ(controller.presentedViewControllers().size(), 1);
    controller.dismissViewController(sheet);
}

TEST_F(HomeTabTest, AMissingConfigurationIsShownAndStillCountsAsAConnectAttempt) {
    driver.setCurrentNetwork(makeNetwork(QStringLiteral("n2"), PDNetworkKind::privateNetwork, std::nullopt));
    auto& silentUpdate = ServiceLayer::shared().silentUpdateService();
    silentUpdate.startTimer();
    controller.connectToVPN(nullptr);
    EXPECT_TRUE(connectionCalls().isEmpty());
    EXPECT_FALSE(silentUpdate.isTimerRunning());
    EXPECT_EQ(events(), QList<int>{10});
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::networkId), QStringLiteral("n2"));
    // The user is told which network cannot be connected, and the button still offers Connect.
    EXPECT_TRUE(controller.isErrorViewShown());
    EXPECT_EQ(controller.errorView()->notificationType(), NotificationPopupType::error());
    EXPECT_TRUE(controller.errorMessage().contains(QStringLiteral("Office n2")))
        << controller.errorMessage().toStdString();
    EXPECT_TRUE(controller.errorMessage().contains(QStringLiteral("cannot be connected")));
    EXPECT_EQ(controller.connectButton()->currentState(), ConnectButtonStates::connect);
}

TEST_F(HomeTabTest, TheTriggerNamesTheSender) {
    QAction item(QStringLiteral("Connect to Office"));
    QPushButton button(QStringLiteral("Connect"));
    UserNotificationSender withText(QStringLiteral("Tap to connect"), QStringLiteral("Protect Me"));
    UserNotificationSender withoutText(std::nullopt, QStringLiteral("Connect"));
    const std::pair<QObject*, AnalyticsTrigger> cases[] = {
        {&item, AnalyticsTrigger::menuItem(QStringLiteral("Connect to Office"))},
        {&button, AnalyticsTrigger::button(QStringLiteral("Connect"))},
        {&withText, AnalyticsTrigger::button(QStringLiteral("Optional(\"Tap to connect\") => Protect Me"))},
        {&withoutText, AnalyticsTrigger::button(QStringLiteral("nil => Connect"))},
        {&controller, AnalyticsTrigger::button()},
    };
    for (const auto& [sender, trigger] : cases) {
        driver.setConnectionState(SDVPNConnectionState::disconnected);
        controller.connectToVPN(sender);
        EXPECT_EQ(lastEvent().triggeredBy, trigger) << trigger.title.value_or("none").toStdString();
    }
}

// MARK: following the SDK

TEST_F(HomeTabTest, ACallbackFromAnotherThreadSendsAtOnceAndDrawsOnTheMainQueue) {
    fireElsewhere<VPN>([](VPN& d) { d.onConnectingToVPN(false); });
    EXPECT_EQ(events(), QList<int>{11}) << "the event leaves on the SDK's thread";
    EXPECT_EQ(controller.statusText(), L10n::main_view_connect_to_label())
        << "nothing is drawn before the main queue runs";
    EXPECT_TRUE(modelStates.isEmpty());
    scheduler.runUntilIdle();
    EXPECT_EQ(modelStates, QList<int>{1});
    EXPECT_EQ(buttonAtModelCallback.first(), L10n::connect_button_status_connect_label())
        << "the model hears before the tab redraws";
    EXPECT_EQ(controller.connectButtonTitle(), L10n::connect_button_status_connecting_label());
    EXPECT_EQ(controller.statusText(), L10n::main_view_connecting_to_label());
    EXPECT_EQ(controller.networkView()->state(), FlagAnimationType::connecting);
    EXPECT_TRUE(ServiceLayer::appModel().vpnSettingsChangingDisabled());

    fireElsewhere<VPN>([](VPN& d) { d.onConnectingToVPN(true); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(events().isEmpty()) << "a transitional report redraws only";

    driver.setConnectionState(SDVPNConnectionState::connected);
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    EXPECT_TRUE(events().isEmpty());
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.statusText(), L10n::main_view_connected_to_label());
    EXPECT_EQ(controller.connectionStateField()->palette().color(QPalette::WindowText), QColor("#3ACC73"));
    EXPECT_EQ(controller.connectButton()->currentState(), ConnectButtonStates::disconnect);
    EXPECT_FALSE(controller.connectionInfoView()->isHidden());
    scheduler.advance(0.9);
    EXPECT_TRUE(events().isEmpty()) << "the connected event waits a full second";
    scheduler.advance(0.1);
    EXPECT_EQ(events(), QList<int>{12});
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::gatewayLocation), QStringLiteral("Berlin"));
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::publicIP), QStringLiteral("198.51.100.7"));
    EXPECT_EQ(lastEvent().triggeredBy, AnalyticsTrigger::none());

    fireElsewhere<VPN>([](VPN& d) { d.onDisconnectedFromVPN(true); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(events().isEmpty());
    fireElsewhere<VPN>([](VPN& d) { d.onDisconnectedFromVPN(false); });
    EXPECT_EQ(events(), QList<int>{15});
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.statusText(), L10n::main_view_connect_to_label());
    EXPECT_TRUE(controller.connectionInfoView()->isHidden());
    EXPECT_FALSE(ServiceLayer::appModel().vpnSettingsChangingDisabled());
    EXPECT_EQ(modelStates, (QList<int>{1, 1, 2, 0, 0}));
}

TEST_F(HomeTabTest, InterruptionsAndLatencyOnlyReport) {
    driver.editState([](sdk::SimulationState& s) { s.internalAddress = QStringLiteral("10.0.0.9"); });
    fireElsewhere<VPN>([](VPN& d) {
        d.connectionToVPNInterrupted(
            PDError(42, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt, QStringLiteral("lost")));
    });
    EXPECT_EQ(events(), QList<int>{16});
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::errorCode), QStringLiteral("42"));
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::errorMessage), QStringLiteral("lost"));
    fireElsewhere<Connectivity>(
        [](Connectivity& d) { d.onVPNLatencyMeasurementResultReceivedWithResult("35 ms", "WireGuard"); });
    EXPECT_EQ(events(), QList<int>{17});
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::latency), QStringLiteral("35 ms"));
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::vpnProtocol), QStringLiteral("WireGuard"));
    EXPECT_EQ(lastEvent().parameter(AnalyticsParameter::gatewayLocation), QStringLiteral("Berlin"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(modelStates.isEmpty());
    EXPECT_EQ(controller.statusText(), L10n::main_view_connect_to_label());
}

TEST_F(HomeTabTest, AReconnectShowsReconnectingUntilTheTunnelIsUpAgain) {
    editSettings([](PDSettings& s) {
        s.alwaysOn.value = false;
        s.killSwitch.value = true;
    });
    driver.setConnectionState(SDVPNConnectionState::reconnecting);
    fireElsewhere<Connectivity>([](Connectivity& d) { d.onReConnectRequested(); });
    scheduler.runUntilIdle();
    EXPECT_EQ(events(), (QList<int>{11, 11})) << "once for the reconnect, once for its connecting";
    EXPECT_TRUE(ServiceLayer::appModel().autoReconnectInProgress());
    EXPECT_EQ(controller.connectButtonTitle(), L10n::connect_button_status_reconnecting_label());
    EXPECT_EQ(notificationTitles(),
              QStringList{L10n::auto_reconnect_started_without_network_lock_notification_title()});

    driver.setConnectionState(SDVPNConnectionState::connected);
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    notificationTitles(); // shown before the next news of its kind can replace it
    EXPECT_FALSE(ServiceLayer::appModel().autoReconnectInProgress());
    fireElsewhere<VPN>([](VPN& d) { d.onConnectingToVPN(false); });
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.connectButtonTitle(), L10n::connect_button_status_connecting_label())
        << "a later connect is not a reconnect";

    // With the tunnel still up only the notification comes.
    driver.setConnectionState(SDVPNConnectionState::connected);
    events();
    fireElsewhere<VPN>([](VPN& d) { d.onReConnectingToVPN(); });
    scheduler.runUntilIdle();
    EXPECT_EQ(events(), QList<int>{11});
    EXPECT_EQ(notificationTitles().size(), 3);
}

TEST_F(HomeTabTest, ReconnectNotificationsFollowAlwaysOnAndTheKillSwitch) {
    struct Case {
        bool alwaysOn;
        bool killSwitch;
        QString title;
        QString text;
    };
    const Case cases[] = {
        {true, true, L10n::auto_reconnect_started_with_network_lock_notification_title(),
         L10n::main_view_auto_reconnect_subheader()},
        {true, false, L10n::auto_reconnect_started_with_always_on_notification_title(),
         L10n::auto_reconnect_started_with_network_lock_notification_description()},
        {false, true, L10n::auto_reconnect_started_without_network_lock_notification_title(),
         L10n::auto_reconnect_started_without_network_lock_notification_description()},
    };
    for (const Case& c : cases) {
        editSettings([&](PDSettings& s) {
            s.alwaysOn.value = c.alwaysOn;
            s.killSwitch.value = c.killSwitch;
        });
        controller.hideAlwaysOnReconnectState();
        fireElsewhere<VPN>([](VPN& d) { d.onReConnectingToVPN(); });
        EXPECT_EQ(notificationTitles().last(), c.title);
        EXPECT_EQ(notificationBody(c.title), c.text);
    }
    // Always-On reconnects show their own panel instead of the content.
    EXPECT_FALSE(controller.controllerContainerView()->isHidden());
    editSettings([](PDSettings& s) { s.alwaysOn.value = true; });
    fireElsewhere<VPN>([](VPN& d) { d.onReConnectingToVPN(); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isAutoReconnectViewShown());
    EXPECT_TRUE(controller.controllerContainerView()->isHidden());
}

TEST_F(HomeTabTest, ConnectAndDisconnectNotificationsNameTheNetworkWhenEnabled) {
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    EXPECT_EQ(notificationTitles(), (QStringList{QStringLiteral("Connected to Office n1")}));
    fireElsewhere<VPN>([](VPN& d) { d.onDisconnectedFromVPN(false); });
    EXPECT_EQ(notificationTitles(), (QStringList{QStringLiteral("Connected to Office n1"),
                                                 QStringLiteral("Disconnected from Office n1")}));
    EXPECT_EQ(notificationBody(QStringLiteral("Connected to Office n1")),
              QStringLiteral("Your Veltrix connection was successfully established"));
    EXPECT_EQ(notificationBody(QStringLiteral("Disconnected from Office n1")),
              QStringLiteral("You are now disconnected from Veltrix"));

    driver.setCurrentNetwork(nullptr);
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    EXPECT_EQ(notificationTitles().last(), QStringLiteral("Connected to N/A"));

    editSettings([](PDSettings& s) { s.wifiSecurity.value = true; });
    fireElsewhere<Connectivity>(
        [](Connectivity& d) { d.onUnsecuredNetworkConnectedWithSkipNotification(false); });
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    EXPECT_EQ(notificationTitles().last(), QStringLiteral("Your Wi-Fi connection is secured!"));
    fireElsewhere<Connectivity>([](Connectivity& d) { d.onSecuredNetworkConnected(); });
    driver.editState([](sdk::SimulationState& s) { s.wasVPNStartedOnLaunch = true; });
    driver.setCurrentNetwork(network);
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    // The person reads which network and which product connected at launch.
    const QString launchTitle = notificationTitles().last();
    EXPECT_TRUE(launchTitle.contains(QStringLiteral("Office n1"))) << launchTitle.toStdString();
    const QString launchText = notificationBody(launchTitle);
    EXPECT_TRUE(launchText.contains(ServiceLayer::appModel().appProductName())) << launchText.toStdString();
    EXPECT_FALSE((launchTitle + launchText).contains(QLatin1Char('%')));

    const auto before = notificationTitles().size();
    editSettings([](PDSettings& s) { s.notifications.value = false; });
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    fireElsewhere<VPN>([](VPN& d) { d.onDisconnectedFromVPN(false); });
    EXPECT_EQ(notificationTitles().size(), before);
}

TEST_F(HomeTabTest, ARedrawSendsNothing) {
    for (auto state : {SDVPNConnectionState::connected, SDVPNConnectionState::reconnecting,
                       SDVPNConnectionState::disconnected}) {
        driver.setConnectionState(state);
        controller.updateUIForConnectionState();
        scheduler.advance(2.0);
    }
    EXPECT_EQ(modelStates, (QList<int>{2, 1, 0}));
    EXPECT_EQ(controller.statusText(), L10n::main_view_connect_to_label());
    EXPECT_TRUE(events().isEmpty());
    EXPECT_TRUE(notificationTitles().isEmpty());
}

TEST_F(HomeTabTest, AConnectionErrorEndsInTheDisconnectedLookWithItsMessage) {
    fireElsewhere<VPN>([](VPN& d) { d.onConnectingToVPN(false); });
    events();
    fireElsewhere<VPN>([](VPN& d) {
        d.onErrorConnectingToVPNWithError(PDError(7, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt,
                                                  QStringLiteral("Gateway <b>refused</b>")));
    });
    EXPECT_TRUE(events().isEmpty());
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isErrorViewShown());
    EXPECT_EQ(controller.errorTitle(), MainErrorView::defaultTitle());
    EXPECT_EQ(controller.errorMessage(), QStringLiteral("Gateway <b>refused</b>"));
    EXPECT_EQ(controller.topNetworkViewConstraint(), MainSubController::kNetworkViewRestingTop);
    EXPECT_EQ(controller.statusText(), L10n::main_view_connect_to_label());
    EXPECT_EQ(controller.networkView()->state(), FlagAnimationType::disconnected);
    EXPECT_EQ(events(), QList<int>{15});
    EXPECT_EQ(modelStates.last(), 0);
}

TEST_F(HomeTabTest, ReachabilityShowsAndTakesAwayTheNoInternetBanner) {
    controller.showError(QStringLiteral("Other"), QStringLiteral("kept"));
    fireElsewhere<Connectivity>([](Connectivity& d) { d.onConnectionReachable(); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.isErrorViewShown()) << "reachable hides only what unreachable showed";

    fireElsewhere<Connectivity>([](Connectivity& d) { d.onConnectionUnReachable(); });
    fireElsewhere<Connectivity>([](Connectivity& d) { d.onConnectionUnReachable(); });
    scheduler.runUntilIdle();
    EXPECT_FALSE(controller.isConnectionReachable());
    EXPECT_EQ(controller.errorMessage(), L10n::internet_connection_unavailable_error_part_1() + "\n" +
                                             L10n::internet_connection_unavailable_error_part_2());
    EXPECT_EQ(controller.topNetworkViewConstraint(), MainSubController::kNetworkViewTopUnderError);
    fireElsewhere<Connectivity>([](Connectivity& d) { d.onConnectionReachable(); });
    scheduler.runUntilIdle();
    EXPECT_FALSE(controller.isErrorViewShown());
    EXPECT_EQ(controller.topNetworkViewConstraint(), MainSubController::kNetworkViewRestingTop);
}

TEST_F(HomeTabTest, TrustedWiredNetworksShowTheirStripAndTellOnlyWhileDisconnected) {
    driver.setTrustedWiredNetwork(true);
    driver.setConnectionState(SDVPNConnectionState::connected);
    fireElsewhere<VPN>([](VPN& d) { d.onTrustedWiredNetworkStatusUpdated(); });
    EXPECT_TRUE(notificationTitles().isEmpty());
    EXPECT_FALSE(controller.connectionOptionsView()->isHidden());
    EXPECT_EQ(controller.connectionOptionsView()->alwaysOnButton()->text(),
              QStringLiteral("Trusted Network is On"));
    EXPECT_TRUE(menuCalls.contains(QStringLiteral("status.updateStatusOptionStates")));

    driver.setConnectionState(SDVPNConnectionState::disconnected);
    fireElsewhere<VPN>([](VPN& d) { d.onTrustedWiredNetworkStatusUpdated(); });
    EXPECT_EQ(notificationTitles(), QStringList{QStringLiteral("Trusted Network is On")});

    // Off a trusted network under Always-On nothing changes.
    driver.setTrustedWiredNetwork(false);
    driver.setAlwaysOn(true);
    fireElsewhere<VPN>([](VPN& d) { d.onTrustedWiredNetworkStatusUpdated(); });
    EXPECT_EQ(notificationTitles().size(), 1);
    EXPECT_EQ(controller.connectionOptionsView()->alwaysOnButton()->text(),
              QStringLiteral("Trusted Network is On"));
}

TEST_F(HomeTabTest, ProtectionPillsShowOnlyWhileTheTunnelIsUp) {
    PDNetworkItem::Data data;
    data.id = QStringLiteral("guarded");
    data.kind = PDNetworkKind::privateNetwork;
    data.isSplitTunnelingEnabled = data.isDNSFilteringEnabled = data.isPrivateDNSEnabled = true;
    data.vpnConfiguration = SDVPNConfig{};
    driver.setCurrentNetwork(std::make_shared<PDNetworkItem>(data));
    const MainConnectionOptionsView* strip = controller.connectionOptionsView();
    const auto pills = [&] {
        QStringList shown;
        for (const QWidget* pill :
             {strip->splitTunnelingButton(), strip->dnsFilteringButton(), strip->privateDNSButton()}) {
            if (!strip->isHidden() && pill->isVisibleTo(strip)) {
                shown << static_cast<const QAbstractButton*>(pill)->text();
            }
        }
        return shown;
    };
    const QStringList all{"Split Tunneling", "DNS Filtering", "Private DNS"};
    using State = SDVPNConnectionState;
    struct Step {
        const char* what;
        bool trusted;
        State state;
        std::function<void(VPN&)> report;
        bool stripShown;
        QStringList shownPills;
    };
    const auto trustedReport = [](VPN& d) { d.onTrustedWiredNetworkStatusUpdated(); };
    const Step steps[] = {
        {"trusted report while down", true, State::disconnected, trustedReport, true, {}},
        {"connecting on it", true, State::connecting, [](VPN& d) { d.onConnectingToVPN(false); }, true, {}},
        {"connected on it", true, State::connected, [](VPN& d) { d.onConnectedToVPN(); }, true, all},
        {"report while up", true, State::connected, trustedReport, true, all},
        {"down again", true, State::disconnected, [](VPN& d) { d.onDisconnectedFromVPN(false); }, true, {}},
        {"untrusted report while down", false, State::disconnected, trustedReport, false, {}},
    };
    for (const Step& step : steps) {
        driver.setTrustedWiredNetwork(step.trusted);
        driver.setConnectionState(step.state);
        fireElsewhere<VPN>(step.report);
        scheduler.runUntilIdle();
        EXPECT_EQ(!strip->isHidden(), step.stripShown) << step.what;
        EXPECT_EQ(pills(), step.shownPills) << step.what;
    }
}

TEST_F(HomeTabTest, ClockTicksArePostedOnTheSdkThreadAndDrawnOnTheMainQueue) {
    controller.view()->show(); // the field follows the clock while it is shown
    QStringList posted;
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("tickTimeUpdated"), nullptr, [&](const platform::Notification& n) {
            posted << n.userInfo.value(QStringLiteral("timeConnected")).toString();
        });
    driver.setConnectionState(SDVPNConnectionState::connected);
    controller.updateUIForConnectionState();
    fireElsewhere<VPN>([](VPN& d) { d.onConnectionTimeUpdatedWithTime(3661.5); });
    EXPECT_EQ(posted, QStringList{QStringLiteral("01:01:01")});
    EXPECT_EQ(controller.timeConnectedText(), QStringLiteral("00:00:00"));
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.timeConnectedText(), QStringLiteral("01:01:01"));

    fireElsewhere<VPN>([](VPN& d) { d.onRegionNameAvailableWithRegionName(QStringLiteral("Frankfurt")); });
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.connectionInfoView()->gatewayLocationText(), QStringLiteral("Frankfurt"));

    // Hidden, the view no longer follows the clock.
    driver.setConnectionState(SDVPNConnectionState::disconnected);
    controller.updateUIForConnectionState();
    fireElsewhere<VPN>([](VPN& d) { d.onConnectionTimeUpdatedWithTime(5); });
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.timeConnectedText(), QStringLiteral("01:01:01"));
    EXPECT_EQ(controller.connectionInfoView()->gatewayLocationText(), QStringLiteral("N/A"));
}

TEST_F(HomeTabTest, TheFirstConnectionOnScreenPresentsTheEstablishedSheetUntilGotIt) {
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(SettingsUserDefaults::showConnectionEstablished, true);
    const auto presented = [&] { return controller.presentedViewControllers().size(); };
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    scheduler.runUntilIdle();
    EXPECT_EQ(presented(), 0) << "not while the tab is off screen";

    controller.view()->show();
    controller.updateUIForConnectionState();
    EXPECT_EQ(presented(), 0) << "a redraw is no report";
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    scheduler.runUntilIdle();
    ASSERT_EQ(presented(), 1);
    auto* sheet =
        qobject_cast<ConnectionEstablishedController*>(controller.presentedViewControllers().first());
    ASSERT_NE(sheet, nullptr);
    sheet->gotItButton()->click();
    EXPECT_EQ(presented(), 0);
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    scheduler.runUntilIdle();
    EXPECT_EQ(presented(), 0) << "never again after Got it";
    controller.view()->hide();
}

// MARK: the network shown

TEST_F(HomeTabTest, ShowingANetworkSendsItsEventAndNoneShowsTheEmptyView) {
    controller.showNetwork(network);
    EXPECT_EQ(controller.networkTitle(), QStringLiteral("Office n1"));
    EXPECT_EQ(events(), QList<int>{13});
    EXPECT_EQ(lastEvent().triggeredBy, AnalyticsTrigger::button(QStringLiteral("Office n1")));
    EXPECT_EQ(controller.networkView()->network(), network);
    EXPECT_TRUE(menuCalls.contains(QStringLiteral("status.updateStatusView")));

    controller.showNetwork(nullptr);
    EXPECT_TRUE(events().isEmpty());
    EXPECT_FALSE(controller.emptyNetworksView()->isHidden());
    EXPECT_TRUE(controller.controllerContainerView()->isHidden());
    EXPECT_EQ(controller.emptyNetworksView()->titleField()->text(),
              QStringLiteral("You Don\u2019t Have Access to Any Networks Yet"));

    // Shown while the SDK is connecting: the reconnect look.
    driver.setConnectionState(SDVPNConnectionState::connecting);
    controller.showNetwork(network);
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.emptyNetworksView()->isHidden());
    EXPECT_TRUE(ServiceLayer::appModel().autoReconnectInProgress());
    EXPECT_EQ(controller.connectButtonTitle(), L10n::connect_button_status_reconnecting_label());
    EXPECT_EQ(events(), (QList<int>{11, 13}));

    // A name too long for the smallest size is cut, never drawn past the tab.
    controller.showNetwork(makeNetwork(QString(300, QLatin1Char('M'))));
    const QLabel* title = controller.networkTitleField();
    EXPECT_LE(title->fontMetrics().horizontalAdvance(title->text()), title->width());
    EXPECT_TRUE(title->text().endsWith(QChar(0x2026)));
}

TEST_F(HomeTabTest, AfterTheDataLoadsTheSettingDecidesWhichNetworkShows) {
    const auto first = makeNetwork(QStringLiteral("a"));
    const auto other = makeNetwork(QStringLiteral("b"));
    const auto publicLocation = makeNetwork(QStringLiteral("p"), PDNetworkKind::publicLocation);
    const auto sameIdCopy = makeNetwork(QStringLiteral("b"));
    const auto full = modelOf({first, other});
    const auto empty = modelOf({});
    struct Case {
        bool keepChoice;
        PDNetworkItemPtr current;
        PDNetworksModelPtr list;
        PDNetworkItemPtr shown; // null: the empty view; unset network: nothing happens
        bool nothing = false;
    };
    const Case cases[] = {
        {false, sameIdCopy, full, sameIdCopy},
        {false, publicLocation, full, first},
        {false, nullptr, full, first},
        {false, nullptr, empty, nullptr},
        {true, nullptr, full, first},
        {true, nullptr, empty, nullptr, true},
        {true, sameIdCopy, full, sameIdCopy},
        {true, publicLocation, full, first},
        {true, publicLocation, empty, nullptr, true},
    };
    for (const Case& c : cases) {
        controller.showNetwork(makeNetwork(QStringLiteral("before")));
        editSettings([&](PDSettings& s) { s.networkSelection.value = c.keepChoice; });
        driver.setCurrentNetwork(c.current);
        controller.showNetworkAfterDataLoad(c.list);
        const std::string label = std::to_string(&c - cases);
        if (c.nothing) {
            EXPECT_EQ(controller.networkTitle(), QStringLiteral("Office before")) << label;
            EXPECT_TRUE(controller.emptyNetworksView()->isHidden()) << label;
        } else if (c.shown) {
            EXPECT_EQ(controller.networkView()->network(), c.shown) << label;
        } else {
            EXPECT_FALSE(controller.emptyNetworksView()->isHidden()) << label;
        }
    }
}

// MARK: banners and looks

TEST_F(HomeTabTest, ErrorBannersMoveTheNetworkDownAndTellOnlySignedOutUsersWithNoWindow) {
    EXPECT_EQ(controller.topErrorViewConstraint(), MainSubController::kErrorViewTop);
    EXPECT_EQ(controller.errorView()->geometry().top(), MainSubController::kErrorViewTop);
    controller.showError(QStringLiteral("Failed"), QStringLiteral("No route"));
    EXPECT_TRUE(controller.isErrorViewShown());
    EXPECT_EQ(controller.topNetworkViewConstraint(), MainSubController::kNetworkViewTopUnderError);
    EXPECT_EQ(controller.errorViewHeightConstraint(),
              int(std::ceil(controller.errorView()->descriptionHeight() + 57.0)));
    scheduler.runUntilIdle();
    EXPECT_FALSE(menuCalls.contains(QStringLiteral("status.showMenu"))) << "no error message while signed in";

    driver.setLoggedIn(false);
    controller.showError(std::nullopt, QStringLiteral("No route"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(menuCalls.contains(QStringLiteral("status.showMenu"))) << "the error message opens the menu";

    controller.errorViewCloseTapped();
    EXPECT_FALSE(controller.isErrorViewShown());
    EXPECT_EQ(controller.topNetworkViewConstraint(), MainSubController::kNetworkViewRestingTop);

    // A message far longer than the tab keeps the banner inside it.
    controller.showError(std::nullopt, QString(10000, QLatin1Char('x')));
    EXPECT_GT(controller.errorViewHeightConstraint(), 600);
    EXPECT_LE(controller.errorView()->geometry().bottom(), controller.view()->height());
    controller.showError(std::nullopt, QString());
    EXPECT_GE(controller.errorView()->height(), 57);
}

TEST_F(HomeTabTest, EveryBannerLeavesTheColumnClearAndInsideTheTabInEveryState) {
    controller.view()->resize(680, 600); // the tab beside the main window's bar
    PDNetworkItem::Data data;
    data.id = QStringLiteral("full");
    data.title = QStringLiteral("Headquarters");
    data.kind = PDNetworkKind::privateNetwork;
    data.isSplitTunnelingEnabled = data.isDNSFilteringEnabled = data.isPrivateDNSEnabled = true;
    data.vpnConfiguration = SDVPNConfig{};
    driver.setCurrentNetwork(std::make_shared<PDNetworkItem>(data));
    controller.showNetwork(VeltrixXPC::currentNetwork());

    const QString threeLines =
        QString(QStringLiteral("The gateway closed the tunnel while renewing. ")).repeated(5);
    const std::vector<std::pair<const char*, std::function<void()>>> banners = {
        {"none", [] {}},
        {"error", [&] { controller.showError(std::nullopt, QStringLiteral("No route")); }},
        {"long error", [&] { controller.showError(std::nullopt, threeLines); }},
        {"no internet",
         [&] { fireElsewhere<Connectivity>([](Connectivity& d) { d.onConnectionUnReachable(); }); }},
        {"update", [&] { controller.showUpdateAvailableMessage(); }},
        {"silent update",
         [&] {
             PDAppConfig config = driver.state().appConfig;
             config.isSilentUpdate = true;
             driver.setAppConfig(config);
             controller.showUpdateAvailableMessage();
         }},
        {"installed",
         [&] {
             platform::UserDefaults::standard().set(SettingsUserDefaults::showSilentSuccessMessage, true);
             platform::UserDefaults::standard().set(SettingsUserDefaults::installedUpdateVersion,
                                                    ServiceLayer::appModel().appVersion());
             controller.showSilentUpdateSuccessMessageIfNeeded();
         }},
    };
    const std::vector<std::pair<const char*, std::function<void()>>> states = {
        {"disconnected", [&] { fireElsewhere<VPN>([](VPN& d) { d.onDisconnectedFromVPN(false); }); }},
        {"connecting", [&] { fireElsewhere<VPN>([](VPN& d) { d.onConnectingToVPN(false); }); }},
        {"connected", [&] { fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); }); }},
        {"connection error",
         [&] {
             fireElsewhere<VPN>([](VPN& d) {
                 d.onErrorConnectingToVPNWithError(PDError(7, false, PDError::DEFAULT_ERROR_DOMAIN,
                                                           std::nullopt, QStringLiteral("Refused")));
             });
         }},
    };
    const QWidget* tab = controller.view();
    for (const auto& [stateName, enterState] : states) {
        for (const auto& [bannerName, showBanner] : banners) {
            const std::string label = std::string(stateName) + " / " + bannerName;
            controller.hideErrorView();
            enterState();
            scheduler.runUntilIdle();
            showBanner();
            scheduler.runUntilIdle();
            QList<const QWidget*> column;
            const std::initializer_list<const QWidget*> parts = {
                controller.networkView(),          controller.connectionStateField(),
                controller.networkTitleField(),    controller.changeNetworkButton(),
                controller.connectButton(),        controller.connectionInfoView(),
                controller.connectionOptionsView()};
            for (const QWidget* part : parts) {
                if (part->isVisibleTo(tab)) {
                    column << part;
                }
            }
            ASSERT_GE(column.size(), 5) << label;
            for (qsizetype i = 0; i < column.size(); ++i) {
                const QRect rect = column[i]->geometry();
                EXPECT_TRUE(tab->rect().contains(rect))
                    << label << ": " << column[i]->objectName().toStdString();
                if (i > 0) {
                    EXPECT_LE(column[i - 1]->geometry().bottom(), rect.top())
                        << label << ": " << column[i]->objectName().toStdString() << " under the part above";
                }
            }
            if (controller.isErrorViewShown()) {
                const QRect banner = controller.errorView()->geometry();
                EXPECT_TRUE(tab->rect().contains(banner)) << label;
                EXPECT_LT(banner.bottom(), controller.networkView()->geometry().top()) << label;
                EXPECT_EQ(banner.height(), controller.errorViewHeightConstraint()) << label << ": cut short";
            } else {
                EXPECT_STREQ(bannerName, "none") << label;
            }
        }
    }
}

TEST_F(HomeTabTest, TheUpdateBannerFollowsTheKindAndAgeOfTheUpdate) {
    PDAppConfig config = driver.state().appConfig;
    config.offeredVersion = QStringLiteral("2.1.0");
    config.releaseDate = scheduler.currentDate().addDays(-3);
    driver.setAppConfig(config);

    controller.showUpdateAvailableMessage();
    EXPECT_EQ(controller.errorView()->notificationType(), NotificationPopupType::update());
    EXPECT_EQ(controller.errorTitle(), L10n::update_available_title());
    EXPECT_TRUE(controller.errorMessage().contains(QStringLiteral("2.1.0")));
    EXPECT_FALSE(controller.errorMessage().contains(QStringLiteral("|version|")));
    EXPECT_EQ(controller.topNetworkViewConstraint(), MainSubController::kNetworkViewRestingTop);
    EXPECT_EQ(notificationTitles(), QStringList{L10n::update_available_title()});
    controller.errorViewBannerClicked();
    ASSERT_NE(controller.autoUpdateSheet(), nullptr);
    controller.dismissViewController(controller.autoUpdateSheet());

    config.isSilentUpdate = true;
    driver.setAppConfig(config);
    controller.showUpdateAvailableMessage();
    EXPECT_EQ(controller.errorView()->notificationType(),
              NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::normal));
    config.releaseDate = scheduler.currentDate().addDays(-9);
    driver.setAppConfig(config);
    controller.showUpdateAvailableMessage();
    EXPECT_EQ(controller.errorView()->notificationType(),
              NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::old));
    updatestest::StalledSilentUpdate update(driver);
    controller.errorViewUpdateNowTapped();
    EXPECT_FALSE(controller.isErrorViewShown());
    scheduler.advance(SilentUpdateService::startDelay);
    EXPECT_TRUE(update.started());
}

TEST_F(HomeTabTest, TheInstalledMessageShowsOnceAndOnlyInTheVersionInstalled) {
    auto& defaults = platform::UserDefaults::standard();
    const QString running = ServiceLayer::appModel().appVersion();
    const struct {
        const char* what;
        std::optional<QString> installed;
        bool shown;
    } cases[] = {
        {"this version", running, true},
        {"a newer version than this copy", QStringLiteral("99.0.0"), false},
        {"no version recorded", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        controller.hideErrorView();
        defaults.set(SettingsUserDefaults::showSilentSuccessMessage, true);
        defaults.set(SettingsUserDefaults::installedUpdateVersion,
                     c.installed ? QVariant(*c.installed) : QVariant());
        controller.showSilentUpdateSuccessMessageIfNeeded();
        EXPECT_EQ(controller.isErrorViewShown(), c.shown);
        if (c.shown) {
            EXPECT_EQ(controller.errorTitle(), QStringLiteral("New Version has been Installed!"));
            EXPECT_EQ(controller.errorMessage(), "Version " + running + " has been successfully installed.");
        }
        EXPECT_FALSE(defaults.boolForKey(SettingsUserDefaults::showSilentSuccessMessage))
            << "cleared either way";
        EXPECT_FALSE(defaults.stringForKey(SettingsUserDefaults::installedUpdateVersion));
        controller.hideErrorView();
        controller.showSilentUpdateSuccessMessageIfNeeded();
        EXPECT_FALSE(controller.isErrorViewShown());
    }
}

TEST_F(HomeTabTest, TheForcedUpdateLookComesAndGoesOnTheMainQueue) {
    PDAppConfig config = driver.state().appConfig;
    config.offeredVersion = QStringLiteral("2.1.0");
    driver.setAppConfig(config);
    driver.setForcedUpdateAvailable(true);
    controller.enterForcedUpdateState();
    EXPECT_FALSE(controller.changeNetworkButton()->isHidden());
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.connectButtonTitle(), QStringLiteral("UPGRADE to 2.1.0"));
    EXPECT_TRUE(controller.changeNetworkButton()->isHidden());
    EXPECT_TRUE(menuCalls.contains(QStringLiteral("status.setUpgradeState")));

    controller.leaveForcedUpdateState(); // still forced: refused
    scheduler.runUntilIdle();
    EXPECT_TRUE(controller.changeNetworkButton()->isHidden());
    driver.setForcedUpdateAvailable(false);
    controller.leaveForcedUpdateState();
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.connectButtonTitle(), L10n::connect_button_status_connect_label());
    EXPECT_FALSE(controller.changeNetworkButton()->isHidden());
    EXPECT_TRUE(controller.changeNetworkButton()->isEnabled());
}

TEST_F(HomeTabTest, TheOptionsStripComesOnlyWithSomethingToShow) {
    controller.showConnectionOptions(false, false, false, true);
    EXPECT_TRUE(controller.connectionOptionsView()->isHidden()) << "private DNS alone brings no strip";
    controller.showConnectionOptions(true, true, false, true);
    const auto* strip = controller.connectionOptionsView();
    EXPECT_FALSE(strip->isHidden());
    EXPECT_FALSE(strip->alwaysOnBgView()->isHidden());
    EXPECT_EQ(strip->alwaysOnButton()->text(), QStringLiteral("Always-On VPN"));
    EXPECT_FALSE(strip->splitTunnelingButton()->isHidden());
    EXPECT_TRUE(strip->dnsFilteringButton()->isHidden());

    driver.setTrustedWiredNetwork(true);
    controller.showConnectionOptions(false, false, false, false);
    EXPECT_EQ(strip->alwaysOnButton()->text(), QStringLiteral("Trusted Network is On"));
    EXPECT_EQ(strip->alwaysOnBgView()->width(), 210);
}

TEST_F(HomeTabTest, TheAlwaysOnReconnectLookNeedsANetworkAndComesOnce) {
    driver.setCurrentNetwork(nullptr);
    controller.showAlwaysOnReconnectState();
    EXPECT_FALSE(controller.isAutoReconnectViewShown());

    driver.setCurrentNetwork(network);
    controller.showAlwaysOnReconnectState();
    controller.showAlwaysOnReconnectState();
    EXPECT_TRUE(controller.isAutoReconnectViewShown());
    EXPECT_EQ(modelStates, QList<int>{1});
    EXPECT_TRUE(ServiceLayer::appModel().autoReconnectInProgress());
    EXPECT_EQ(controller.statusText(), L10n::main_view_connecting_to_label());

    // The user's disconnect leaves it and draws the disconnected look at once.
    driver.setConnectionState(SDVPNConnectionState::reconnecting);
    controller.connectToVPN(nullptr);
    EXPECT_FALSE(controller.isAutoReconnectViewShown());
    EXPECT_FALSE(ServiceLayer::appModel().autoReconnectInProgress());
    EXPECT_EQ(controller.statusText(), L10n::connection_status_disconnected_label());
    EXPECT_EQ(events(), QList<int>{14});
}

TEST_F(HomeTabTest, CuttingAnAutomaticReconnectShortDrawsTheDisconnectedLookWithoutItsEvent) {
    driver.setConnectionState(SDVPNConnectionState::reconnecting);
    controller.changeToAutoReconnectState();
    scheduler.runUntilIdle();
    events();
    modelStates.clear();
    // Only the controller's own report may draw now.
    VeltrixXPC::setVpnStatusUpdatesDelegate(nullptr);
    controller.connectToVPN(nullptr);
    EXPECT_EQ(controller.statusText(), L10n::connection_status_disconnected_label());
    EXPECT_FALSE(ServiceLayer::appModel().autoReconnectInProgress());
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.statusText(), L10n::main_view_connect_to_label()) << "drawn a second time";
    EXPECT_EQ(modelStates, (QList<int>{0, 0}));
    EXPECT_EQ(events(), QList<int>{14});
}

TEST_F(HomeTabTest, ThePictureAndTheChangeButtonLeadToTheNetworksTab) {
    GeneralViewController general;
    GeneralSubController networksTab;
    const auto home = MainMenuBarTab::topTab(MainTopTab::home);
    general.setTabController(home, &controller);
    general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &networksTab);
    general.selectTab(home);
    scheduler.advance(1.0);
    ASSERT_EQ(general.embeddedController(), &controller);
    controller.imageViewClicked();
    scheduler.advance(1.0);
    EXPECT_EQ(general.embeddedController(), &networksTab);
    general.selectTab(home);
    scheduler.advance(1.0);
    controller.changeNetworkButton()->click();
    scheduler.advance(1.0);
    EXPECT_EQ(general.embeddedController(), &networksTab);
    general.selectTab(home);
    scheduler.advance(1.0);
}

// The main window not shown yet, the tab has no view: the SDK's reports and the launch's redraw still
// reach the model (the menus' state) and the notifications, and the view, once made, draws the state then.
TEST_F(HomeTabTest, ATabNotYetShownKeepsTheModelInStepAndDrawsTheStateWhenItsViewIsMade) {
    using State = SDVPNConnectionState;
    struct Case {
        State state;
        bool reported; // by the SDK, else the launch's quiet redraw
        QString status;
        ConnectButtonStates button;
        bool infoShown;
    };
    const Case cases[] = {
        {State::connected, false, L10n::main_view_connected_to_label(), ConnectButtonStates::disconnect,
         true},
        {State::reconnecting, false, L10n::main_view_connecting_to_label(), ConnectButtonStates::connecting,
         false},
        {State::connecting, true, L10n::main_view_connecting_to_label(), ConnectButtonStates::connecting,
         false},
        {State::connected, true, L10n::main_view_connected_to_label(), ConnectButtonStates::disconnect, true},
        {State::disconnected, true, L10n::main_view_connect_to_label(), ConnectButtonStates::connect, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state) * 2 + c.reported);
        MainSubController unshown;
        unshown.registerAsSDKDelegate();
        // The model starts from another state than the one asked, so each case sees it change.
        ServiceLayer::appModel().setCurrentConnectionState(
            c.state == State::disconnected ? State::connected : State::disconnected);
        driver.setConnectionState(c.state);
        const auto notified = notificationTitles().size();
        if (!c.reported) {
            unshown.updateUIForConnectionState();
        } else if (c.state == State::connected) {
            fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
        } else if (c.state == State::connecting) {
            fireElsewhere<VPN>([](VPN& d) { d.onConnectingToVPN(false); });
        } else {
            fireElsewhere<VPN>([](VPN& d) { d.onDisconnectedFromVPN(false); });
        }
        scheduler.runUntilIdle();
        EXPECT_FALSE(unshown.isViewLoaded());
        const State told = c.state == State::reconnecting ? State::connecting : c.state;
        EXPECT_EQ(ServiceLayer::appModel().currentConnectionState(), told);
        const bool announces = c.reported && c.state != State::connecting;
        EXPECT_EQ(notificationTitles().size(), notified + (announces ? 1 : 0));

        unshown.view()->resize(360, 600);
        EXPECT_EQ(unshown.statusText(), c.status);
        EXPECT_EQ(unshown.connectButton()->currentState(), c.button);
        EXPECT_EQ(!unshown.connectionInfoView()->isHidden(), c.infoShown);
        EXPECT_EQ(ServiceLayer::appModel().currentConnectionState(), told) << "making the view tells nothing";
    }
}

// An update offered while the tab has no view is announced at once; its banner shows when the view is
// made, unless something took the banners away meanwhile (a sign-out, the internet back).
TEST_F(HomeTabTest, AnUpdateOfferedBeforeTheViewIsMadeShowsItsBannerWhenItIs) {
    PDAppConfig config = driver.state().appConfig;
    config.offeredVersion = QStringLiteral("2.1.0");
    driver.setAppConfig(config);
    for (const bool hiddenMeanwhile : {false, true}) {
        SCOPED_TRACE(hiddenMeanwhile);
        MainSubController unshown;
        unshown.showUpdateAvailableMessage();
        EXPECT_FALSE(unshown.isViewLoaded());
        EXPECT_EQ(notificationTitles(), QStringList{L10n::update_available_title()});
        if (hiddenMeanwhile) {
            unshown.hideErrorView();
        }
        unshown.view()->resize(360, 600);
        EXPECT_EQ(unshown.isErrorViewShown(), !hiddenMeanwhile);
        if (!hiddenMeanwhile) {
            EXPECT_EQ(unshown.errorView()->notificationType(), NotificationPopupType::update());
            EXPECT_TRUE(unshown.errorMessage().contains(QStringLiteral("2.1.0")));
        }
    }
}

TEST_F(HomeTabTest, ADestroyedTabLeavesTheSdkAndDropsItsQueuedWork) {
    auto doomed = std::make_unique<MainSubController>();
    doomed->registerAsSDKDelegate();
    doomed->view();
    EXPECT_EQ(VeltrixXPC::vpnStatusUpdatesDelegate(), doomed.get());
    EXPECT_EQ(VeltrixXPC::connectivityDelegate(), doomed.get());
    fireElsewhere<VPN>([](VPN& d) { d.onConnectedToVPN(); });
    doomed.reset();
    EXPECT_EQ(VeltrixXPC::vpnStatusUpdatesDelegate(), nullptr);
    EXPECT_EQ(VeltrixXPC::connectivityDelegate(), nullptr);
    scheduler.advance(2.0); // the queued redraw, and the event it would send later, find no tab
    EXPECT_EQ(events(), QList<int>{});
}
