#include "mainwindow/AlwaysOnReconnectView.h"
#include "mainwindow/ConnectButtonNew.h"
#include "mainwindow/ConnectionEstablishedController.h"
#include "mainwindow/MainConnectionInfoView.h"
#include "mainwindow/MainConnectionOptionsView.h"
#include "toolkit/EmptyNetworksView.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "toolkit/TextAttributes.h"

#include "support/ModalOverlayScope.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

class HomeTabViewTest : public ::testing::Test {
protected:
    HomeTabViewTest() {
        driver.setForcedUpdateAvailable(false);
        driver.setAlwaysOn(false);
        ServiceLayer::appModel().setAutoReconnectInProgress(false);
    }
    bool shows(const ConnectButtonNew& button, const QIcon& image) const {
        return button.icon().cacheKey() == image.cacheKey();
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
};

} // namespace

TEST(ConnectionDuration, WrapsAtADayAndDropsFractions) {
    const std::pair<double, const char*> table[] = {
        {0, "00:00:00"},
        {59.9, "00:00:59"},
        {3661, "01:01:01"},
        {90061, "01:01:01"},
        {86399, "23:59:59"},
        {86400, "00:00:00"},
        {-5, "00:00:00"},
        {1e300, "00:00:00"},
        {std::numeric_limits<double>::quiet_NaN(), "00:00:00"},
        {std::numeric_limits<double>::infinity(), "00:00:00"},
    };
    for (const auto& [seconds, text] : table) {
        const QString formatted = formatConnectionDuration(seconds);
        EXPECT_EQ(formatted.size(), 8) << seconds;
        if (seconds != 1e300) {
            EXPECT_EQ(formatted, QString::fromLatin1(text)) << seconds;
        }
    }
}

TEST_F(HomeTabViewTest, TheConnectButtonDrawsEachLook) {
    ConnectButtonNew button;
    button.resize(220, 52);
    EXPECT_EQ(button.text(), L10n::connect_button_status_connect_label());
    EXPECT_FALSE(button.connectDefaultBgImage().isNull());
    EXPECT_FALSE(button.connectingDefaultBgImage().isNull());

    button.setState(ConnectButtonStates::connecting);
    EXPECT_EQ(button.text(), L10n::connect_button_status_connecting_label());
    EXPECT_TRUE(shows(button, button.connectingDefaultBgImage()));
    ServiceLayer::appModel().setAutoReconnectInProgress(true);
    driver.setAlwaysOn(true);
    button.setState(ConnectButtonStates::connecting);
    EXPECT_EQ(button.text(), L10n::connect_button_status_reconnecting_label());
    EXPECT_TRUE(shows(button, button.connectDefaultBgImage())) << "Always-On keeps the connect image";

    button.setState(ConnectButtonStates::disconnectDisabled);
    EXPECT_EQ(button.text(), L10n::connect_button_status_disconnect_disabled_label());
    EXPECT_EQ(button.palette().color(QPalette::ButtonText).name(QColor::HexArgb), "#80ffffff");
    EXPECT_TRUE(shows(button, button.disconnectDisabledBgImage()));
    button.setState(ConnectButtonStates::disconnect);
    EXPECT_EQ(button.text(), L10n::connect_button_status_disconnect_label());
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::white));
    EXPECT_EQ(button.currentState(), ConnectButtonStates::disconnect);
}

TEST_F(HomeTabViewTest, AForcedUpdateOverridesEveryLookButKeepsTheStoredState) {
    PDAppConfig config;
    config.offeredVersion = QStringLiteral("2.1.0");
    config.isForcedUpdate = true;
    driver.setAppConfig(config);
    ConnectButtonNew button; // made while forced: the upgrade look at once
    button.resize(220, 52);
    EXPECT_EQ(button.text(), QStringLiteral("UPGRADE to 2.1.0"));
    button.offsetCell().setButtonLabelOffsetX(7);
    button.setState(ConnectButtonStates::disconnect);
    EXPECT_EQ(button.text(), QStringLiteral("UPGRADE to 2.1.0"));
    EXPECT_EQ(button.currentState(), ConnectButtonStates::connect);
    EXPECT_TRUE(shows(button, button.connectDefaultBgImage()));
    EXPECT_EQ(button.offsetCell().buttonLabelOffsetX(), 7) << "the upgrade look leaves the offset";
    // The stored state still drives the hover image.
    enter(&button);
    EXPECT_TRUE(shows(button, button.connectHoverBgImage()));
    EXPECT_EQ(button.text(), QStringLiteral("UPGRADE to 2.1.0"));
    leave(&button);

    driver.setForcedUpdateAvailable(false);
    button.setState(ConnectButtonStates::disconnect);
    EXPECT_EQ(button.text(), L10n::connect_button_status_disconnect_label());
    EXPECT_EQ(button.currentState(), ConnectButtonStates::disconnect);
    EXPECT_EQ(button.offsetCell().buttonLabelOffsetX(), 0);
}

TEST_F(HomeTabViewTest, OnlyConnectAndDisconnectFollowThePointer) {
    ConnectButtonNew button;
    button.resize(220, 52);
    for (auto state : {ConnectButtonStates::connect, ConnectButtonStates::disconnect}) {
        button.setState(state);
        enter(&button);
        EXPECT_TRUE(shows(button, button.connectHoverBgImage()));
        EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
        leave(&button);
        EXPECT_TRUE(shows(button, button.connectDefaultBgImage()));
    }
    for (auto state : {ConnectButtonStates::connecting, ConnectButtonStates::disconnectDisabled}) {
        button.setState(state);
        const qint64 image = button.icon().cacheKey();
        enter(&button);
        EXPECT_EQ(button.icon().cacheKey(), image);
        EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor) << "the cursor still follows";
        leave(&button);
    }
    button.setState(ConnectButtonStates::connect);
    button.setEnabled(false);
    enter(&button);
    EXPECT_TRUE(shows(button, button.connectDefaultBgImage()));
    button.setEnabled(true);
    {
        ModalOverlayScope overlay;
        overlay.present();
        enter(&button);
        EXPECT_FALSE(button.highlight()) << "no hover under the modal overlay";
    }
}

TEST_F(HomeTabViewTest, GotItAndEscCloseTheSheetAndOnlyGotItStopsItForGood) {
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(SettingsUserDefaults::showConnectionEstablished, true);
    ConnectionEstablishedController alone;
    alone.view();
    alone.gotItButton()->click(); // not presented: the default is still cleared
    EXPECT_FALSE(defaults.boolForKey(SettingsUserDefaults::showConnectionEstablished));

    const struct {
        const char* way;
        std::function<void(ConnectionEstablishedController&)> close;
        bool shownAgain;
    } ways[] = {
        {"Got it", [](ConnectionEstablishedController& sheet) { sheet.gotItButton()->click(); }, false},
        {"Esc",
         [](ConnectionEstablishedController& sheet) {
             QWidget* window = sheet.view()->window();
             window->activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(window));
             QTest::keyClick(window, Qt::Key_Escape);
         },
         true},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        defaults.set(SettingsUserDefaults::showConnectionEstablished, true);
        platform::ViewController host;
        host.view()->show();
        ConnectionEstablishedController sheet;
        host.presentAsSheet(&sheet);
        ASSERT_EQ(sheet.presentingViewController(), &host);
        EXPECT_EQ(sheet.gotItButton()->palette().color(QPalette::ButtonText), QColor(Qt::white));
        w.close(sheet);
        EXPECT_EQ(sheet.presentingViewController(), nullptr);
        EXPECT_EQ(defaults.boolForKey(SettingsUserDefaults::showConnectionEstablished), w.shownAgain);
    }
}

TEST_F(HomeTabViewTest, TheQualityViewLoadsItsEmptyContentHoweverItIsMade) {
    QWidget parent;
    ConnectionQualityView fromFrame(QRect(10, 20, 120, 40), &parent);
    ConnectionQualityView withParent(&parent);
    EXPECT_EQ(fromFrame.geometry(), QRect(10, 20, 120, 40));
    EXPECT_EQ(fromFrame.nibName(), QStringLiteral("ConnectionQualityView"));
    parent.show();
    for (ConnectionQualityView* view : {&fromFrame, &withParent}) {
        ASSERT_NE(view->view(), nullptr);
        EXPECT_TRUE(view->view()->children().isEmpty()) << "nothing of its own to show";
        view->resize(200, 30);
        EXPECT_EQ(view->view()->geometry(), view->rect()) << "the content follows the view";
    }
}

TEST_F(HomeTabViewTest, TheEmptyViewSaysWhyWithTheProductsName) {
    EmptyNetworksView empty;
    empty.setup(EmptyNetworksViewState::notFound);
    EXPECT_EQ(empty.titleField()->text(), QStringLiteral("We Couldn\u2019t Find Any Matching Network"));
    EXPECT_TRUE(empty.subtitleField()->isHidden());
    empty.setup(EmptyNetworksViewState::noAccess);
    EXPECT_FALSE(empty.subtitleField()->isHidden());
    EXPECT_TRUE(empty.subtitleField()->text().contains(
        QStringLiteral("In order to use Veltrix, you must first obtain access")));
    empty.setup(EmptyNetworksViewState::forcedUpdateAvailable);
    EXPECT_EQ(empty.titleField()->text(), QStringLiteral("Update Available!"));
    EXPECT_TRUE(
        empty.subtitleField()->text().contains(QStringLiteral("install newest application version.")));
}

TEST_F(HomeTabViewTest, TheReconnectPanelOffersToTurnAlwaysOnOffUnlessEnforced) {
    AlwaysOnReconnectView panel;
    PDSettings pending = driver.state().pendingSettings;
    pending.alwaysOn.isEnforced = true;
    driver.setPendingSettings(pending);
    panel.show();
    EXPECT_TRUE(panel.disableAlwaysOnButton()->isHidden());
    pending.alwaysOn.isEnforced = false;
    driver.setPendingSettings(pending);
    EXPECT_TRUE(panel.disableAlwaysOnButton()->isHidden()) << "looked at again only when shown or hidden";
    panel.hide();
    EXPECT_FALSE(panel.disableAlwaysOnButton()->isHidden());
    EXPECT_TRUE(
        stringValue(panel.descriptionField()).startsWith(QStringLiteral("Veltrix has disconnected.")));

    QStringList order;
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("settingsUpdated"), nullptr, [&](const platform::Notification&) {
            for (const auto& call : driver.calls()) {
                order << call.name;
            }
            order << QStringLiteral("settingsUpdated");
        });
    ServiceLayer::appModel().setStartMinimized(true);
    driver.clearCalls();
    panel.disableAlwaysOnButton()->click();
    EXPECT_EQ(order, (QStringList{"setNetworkSetting", "applySettingsChanges", "settingsUpdated"}));
    EXPECT_FALSE(ServiceLayer::appModel().startMinimized());
    EXPECT_FALSE(driver.state().settings.alwaysOn.value);
}

TEST_F(HomeTabViewTest, TheOptionsStripSwitchesItsFirstIndicator) {
    MainConnectionOptionsView strip;
    strip.updateOptions(false, false, false, false);
    EXPECT_TRUE(strip.alwaysOnBgView()->isHidden());
    EXPECT_TRUE(strip.privateDNSButton()->isHidden());
    EXPECT_EQ(strip.privateDNSButton()->tooltip().popoverState, PopoverState::privateDNS);

    strip.updateTrustedNetworkOptions(true, false, true, false);
    EXPECT_EQ(strip.alwaysOnButton()->text(), QStringLiteral("Trusted Network is On"));
    EXPECT_EQ(strip.alwaysOnBgView()->width(), 210);
    EXPECT_FALSE(strip.alwaysOnBgView()->isHidden());
    EXPECT_EQ(strip.alwaysOnButton()->tooltip().popoverState, PopoverState::trustedWiredNetwork);
    EXPECT_FALSE(strip.dnsFilteringButton()->isHidden());

    strip.updateOptions(true, false, false, false);
    EXPECT_EQ(strip.alwaysOnButton()->text(), QStringLiteral("Always-On VPN"));
    EXPECT_EQ(strip.alwaysOnBgView()->width(), 160);
    EXPECT_EQ(strip.alwaysOnButton()->tooltip().popoverState, PopoverState::alwaysOn);

    strip.updateTrustedNetworkOptions(false, true, false, false);
    EXPECT_TRUE(strip.alwaysOnBgView()->isHidden());
    EXPECT_FALSE(strip.splitTunnelingButton()->isHidden());
}

TEST_F(HomeTabViewTest, TheInformationViewFollowsTheClockOnlyWhileShown) {
    MainConnectionInfoView info;
    driver.editState([](sdk::SimulationState& s) { s.internalAddress.reset(); });
    driver.setPublicAddress(QStringLiteral("203.0.113.5"));
    VeltrixXPC::setPublicIpInfoDelegate(&ServiceLayer::shared());
    info.show();
    EXPECT_EQ(info.externalIpText(), QStringLiteral("Not defined"));
    EXPECT_EQ(info.publicIpText(), L10n::connection_IP_address_refreshing_label());
    auto& center = platform::NotificationCenter::defaultCenter();
    center.post(QStringLiteral("tickTimeUpdated"), nullptr,
                {{QStringLiteral("timeConnected"), QStringLiteral("00:00:07")}});
    center.post(QStringLiteral("tickTimeUpdated"), nullptr, {{QStringLiteral("timeConnected"), 8}});
    center.post(QStringLiteral("tickTimeUpdated"));
    scheduler.runUntilIdle();
    EXPECT_EQ(info.timeConnectedText(), QStringLiteral("00:00:07"));
    scheduler.advance(1.0);
    EXPECT_EQ(info.publicIpText(), QStringLiteral("203.0.113.5"));

    info.updateExternalIp(QStringLiteral("10.1.2.3"));
    EXPECT_EQ(info.externalIpText(), QStringLiteral("10.1.2.3"));
    info.updateGatewayLocation(QStringLiteral("Paris"));
    EXPECT_EQ(info.gatewayLocationText(), QStringLiteral("N/A"));
    scheduler.runUntilIdle();
    EXPECT_EQ(info.gatewayLocationText(), QStringLiteral("Paris"));

    info.hide();
    center.post(QStringLiteral("tickTimeUpdated"), nullptr,
                {{QStringLiteral("timeConnected"), QStringLiteral("00:00:09")}});
    scheduler.runUntilIdle();
    EXPECT_EQ(info.timeConnectedText(), QStringLiteral("00:00:07"));
}

TEST_F(HomeTabViewTest, DaysSinceTheOfferedVersionCountWholeDays) {
    PDAppConfig config;
    driver.setAppConfig(config);
    EXPECT_EQ(SilentUpdateService::daysSinceConfigDate(), 0);
    const QDateTime now = scheduler.currentDate();
    for (const auto& [date, days] : {std::pair{now.addSecs(-(3 * 86400 + 3600)), 3},
                                     std::pair{now.addSecs(-86399), 0}, std::pair{now.addDays(2), -2}}) {
        config.releaseDate = date;
        driver.setAppConfig(config);
        EXPECT_EQ(SilentUpdateService::daysSinceConfigDate(), days);
    }
}
