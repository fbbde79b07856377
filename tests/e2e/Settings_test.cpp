// The settings page and the support tab of the main window as a signed-in user meets them on the demo
// workspace: the three settings tabs, what they change in the SDK, what survives a restart, the trusted
// Wi-Fi list, the check for updates, and the support entries with the log collection.
#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "e2e/ClientHarness.h"

#include "mainwindow/MainMenuBarView.h"
#include "mainwindow/MainSubController.h"
#include "settings/PopoverTroubleshootingView.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "settings/SupportSubController.h"
#include "support/OpenedUrls.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/SwitchControl.h"

#include <QPlainTextEdit>
#include <QTest>

using namespace e2e;

namespace {

class SettingsTest : public ClientTest {
protected:
    // Signed in, the main window in front, its settings entry clicked.
    void openSettings() {
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        ASSERT_NO_FATAL_FAILURE(showSettingsTab());
    }
    // The main window's settings entry clicked.
    void showSettingsTab() {
        QTest::mouseClick(
            delegate->generalViewController()->menuBarView()->bottomHButtonsView()->settingsButton(),
            Qt::LeftButton);
        advance(0.2);
        ASSERT_EQ(tabInFront(), delegate->settingsSubController());
    }
    void chooseTab(SettingsMenuTab tab) {
        SettingsMenuView* bar = delegate->settingsSubController()->settingsTopMenuView();
        SettingsTabView* tabs[] = {bar->generalTabView(), bar->networkTabView(), bar->protocolTabView()};
        click(tabs[static_cast<int>(tab)]->titleButton());
    }
    void openSupport() {
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        ServiceLayer::shared().menuService().openSupport(nullptr);
        advance(0.2);
        ASSERT_EQ(tabInFront(), delegate->supportSubController());
    }
    // A user's click on the widget, then what it leaves due now.
    void click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        ASSERT_TRUE(widget->isVisible());
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
        run();
    }

    SettingsSwitchViewCell* generalRow(SettingsGeneralItem item) {
        return qobject_cast<SettingsSwitchViewCell*>(delegate->settingsGeneralSubController()->cellFor(item));
    }
    SettingsNetworkViewCell* networkRow(SettingsNetworkItem item) {
        return qobject_cast<SettingsNetworkViewCell*>(
            delegate->settingsNetworkSubController()->cellFor(item));
    }
    SettingsProtocolViewCell* protocolRow(VPNProtocols protocol) {
        return delegate->settingsProtocolSubController()->cellFor(protocol);
    }
    QStringList settingsTexts() const { return visibleTexts(delegate->settingsSubController()->view()); }
};

} // namespace

TEST_F(SettingsTest, TheSettingsPageOpensOnGeneralWithItsRowsAndTheOtherTabs) {
    launchAndSignIn();
    ASSERT_TRUE(chooseInTrayMenu("Settings")) << trayMenuTexts();
    EXPECT_EQ(shownWindow(), QStringLiteral("main"));
    auto* settings = delegate->settingsSubController();
    EXPECT_EQ(settings->embedViewController(), delegate->settingsGeneralSubController());
    const QStringList shown = settingsTexts();
    for (const char* text :
         {"General", "Network", "Protocols", "Start Minimized", "Connect On Launch", "Enable Notifications",
          "Version 1.0.0 (1)", "Check for Updates", "Automatic Updates", "Crash Report"}) {
        EXPECT_TRUE(shown.contains(QString::fromUtf8(text))) << text << shown;
    }
}

TEST_F(SettingsTest, ASettingChangedOnThePageReachesTheStandIn) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    const bool crashReports = VeltrixXPC::settings().crashReports.value;
    click(generalRow(SettingsGeneralItem::crashReport)->settingSwitch());
    EXPECT_EQ(VeltrixXPC::settings().crashReports.value, !crashReports);
    EXPECT_EQ(ServiceLayer::appModel().sendCrashReportsData(), !crashReports)
        << "what the exception reporter reads";

    chooseTab(SettingsMenuTab::network);
    ASSERT_FALSE(VeltrixXPC::settings().wifiSecurity.value);
    ASSERT_EQ(delegate->settingsNetworkSubController()->settingsTableView()->numberOfRows(), 3);
    click(networkRow(SettingsNetworkItem::wiFiSecurity)->settingSwitch());
    EXPECT_TRUE(VeltrixXPC::settings().wifiSecurity.value);
    EXPECT_EQ(delegate->settingsNetworkSubController()->settingsTableView()->numberOfRows(), 4)
        << "the demo's trusted list comes with Wi-Fi security";
    EXPECT_TRUE(settingsTexts().contains("Northwind-Office")) << settingsTexts();
}

TEST_F(SettingsTest, StartMinimizedAndTheProtocolShowAgainAfterARestart) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    click(generalRow(SettingsGeneralItem::startMinimized)->settingSwitch());
    chooseTab(SettingsMenuTab::protocols);
    click(protocolRow(VPNProtocols::Wireguard));
    ASSERT_EQ(protocolRow(VPNProtocols::Wireguard)->indicatorViewType(),
              ProtocolIndicatorViewState::selected);

    restart();
    EXPECT_EQ(shownWindow(), QString()) << "started minimised";
    advance(clientlaunch::noTrayGraceSeconds);
    clickSignIn();
    advance(signInSeconds);
    ASSERT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(driver.lastCall("changeVPNProtocol")->arguments.value("protocol").toInt(),
              static_cast<int>(PDVPNProtocol::wireGuard))
        << "the SDK is told the stored protocol at start";
    ASSERT_NO_FATAL_FAILURE(openSettings());
    EXPECT_TRUE(generalRow(SettingsGeneralItem::startMinimized)->settingSwitch()->on());
    chooseTab(SettingsMenuTab::protocols);
    EXPECT_EQ(protocolRow(VPNProtocols::Wireguard)->indicatorViewType(),
              ProtocolIndicatorViewState::selected);
    EXPECT_EQ(protocolRow(VPNProtocols::Automatic)->indicatorViewType(),
              ProtocolIndicatorViewState::notSelected);
}

TEST_F(SettingsTest, AutomaticUpdatesSetByTheAdministratorCannotBeChanged) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    SettingsSwitchViewCell* row = generalRow(SettingsGeneralItem::automaticUpdates);
    ASSERT_NE(row, nullptr);
    EXPECT_FALSE(row->settingSwitch()->isVisible());
    ASSERT_TRUE(row->indicatorView()->isVisible());
    EXPECT_EQ(row->indicatorView()->indicatorButton()->text(), "Set by Admin");
    EXPECT_EQ(row->indicatorView()->indicatorButton()->tooltip().text(),
              "Cannot change settings that were set by admin");
    QTest::mouseClick(row->settingSwitch(), Qt::LeftButton);
    run();
    EXPECT_FALSE(driver.lastCall("setGeneralSetting").has_value());
    EXPECT_TRUE(VeltrixXPC::settings().automaticUpdates.value);
}

TEST_F(SettingsTest, CheckForUpdatesOpensTheOneUpdateSheetOrSaysTheLatestIsInstalled) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    auto* versionRow = qobject_cast<SettingsUpdateViewCell*>(
        delegate->settingsGeneralSubController()->cellFor(SettingsGeneralItem::appVersion));
    ASSERT_NE(versionRow, nullptr);
    click(versionRow->checkUpdatesButton());
    advance(0.5);
    MainSubController* home = delegate->mainSubController();
    ASSERT_NE(home->autoUpdateSheet(), nullptr) << "the demo offers 2.1.0";
    EXPECT_TRUE(home->autoUpdateSheet()->view()->isVisible());
    platform::ViewController* sheet = home->autoUpdateSheet();
    click(versionRow->checkUpdatesButton());
    advance(0.5);
    EXPECT_EQ(home->autoUpdateSheet(), sheet) << "asked again, the same sheet comes forward";
    sheet->dismiss();
    run();

    PDAppConfig config = VeltrixXPC::appConfig();
    config.offeredVersion.clear();
    driver.setAppConfig(config);
    click(versionRow->checkUpdatesButton());
    advance(0.3);
    const QStringList shown = visibleTexts(delegate->generalWindowViewController()->window());
    EXPECT_TRUE(shown.contains("Latest version is installed: 1.0.0.1")) << shown;
    EXPECT_TRUE(clickButton(delegate->generalWindowViewController()->window(), "OK"));
    advance(0.3);
    EXPECT_FALSE(visibleTexts(delegate->generalWindowViewController()->window())
                     .contains("Latest version is installed: 1.0.0.1"));
}

TEST_F(SettingsTest, TheCurrentWiFiNetworkIsTrustedFromTheNetworkTab) {
    PDSettings settings = driver.state().settings;
    settings.wifiSecurity.value = true;
    driver.setSettings(settings);
    driver.setPendingSettings(settings);
    ASSERT_NO_FATAL_FAILURE(useWiFiNetwork("Office-5G"));
    ASSERT_NO_FATAL_FAILURE(openSettings());
    chooseTab(SettingsMenuTab::network);
    auto* list = qobject_cast<SettingsTrustedNetworksViewCell*>(
        delegate->settingsNetworkSubController()->cellFor(SettingsNetworkItem::trustedNetworksList));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->newTrustedNetworkTitleField()->text(), "Office-5G");
    click(list->addToTrustedButton());
    EXPECT_EQ(VeltrixXPC::settings().trustedNetworksList.value.size(), 3);
    EXPECT_EQ(VeltrixXPC::settings().trustedNetworksList.value.back(),
              PDWiFiNetwork("Office-5G", "Office-5G"));
    EXPECT_TRUE(settingsTexts().count("Office-5G") == 2)
        << "the current network and its entry" << settingsTexts();
}

TEST_F(SettingsTest, TheProtocolIsLockedWhileConnectedAndTheTabFollowsTheConnection) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    chooseTab(SettingsMenuTab::protocols);
    ASSERT_EQ(protocolRow(VPNProtocols::Automatic)->indicatorViewType(),
              ProtocolIndicatorViewState::selected);
    delegate->mainSubController()->connectToVPN(nullptr);
    advance(5);
    ASSERT_TRUE(VeltrixXPC::isConnectedToVPN());
    EXPECT_TRUE(settingsTexts().contains("Disconnect to Edit")) << settingsTexts();
    click(protocolRow(VPNProtocols::OpenVPN));
    EXPECT_EQ(protocolRow(VPNProtocols::OpenVPN)->indicatorViewType(),
              ProtocolIndicatorViewState::disconnectToEdit);
    EXPECT_FALSE(driver.lastCall("changeVPNProtocol").has_value() &&
                 driver.lastCall("changeVPNProtocol")->arguments.value("protocol").toInt() ==
                     static_cast<int>(PDVPNProtocol::openVPN));

    delegate->mainSubController()->connectToVPN(nullptr);
    advance(5);
    EXPECT_EQ(protocolRow(VPNProtocols::Automatic)->indicatorViewType(),
              ProtocolIndicatorViewState::selected);
}

TEST_F(SettingsTest, TheSupportLinksOpenOnlyAsWebPagesOrMail) {
    OpenedUrls opened;
    ASSERT_NO_FATAL_FAILURE(openSupport());
    SupportSubController* support = delegate->supportSubController();
    click(support->cellFor(SupportTab::userGuide));
    click(support->cellFor(SupportTab::liveChat));
    ASSERT_EQ(opened.urls.size(), 2);
    EXPECT_EQ(opened.urls[0].host(), "support.veltrix.example");
    EXPECT_EQ(opened.urls[0].path(), "/docs");
    EXPECT_EQ(opened.urls[1], QUrl("https://support.veltrix.example/chat"));

    for (const char* link : {"file:///etc/passwd", "javascript:alert(1)", "mailto:help@veltrix.example"}) {
        PDAppConfig config = VeltrixXPC::appConfig();
        config.supportLink = QString::fromUtf8(link);
        driver.setAppConfig(config);
        opened.urls.clear();
        click(support->cellFor(SupportTab::liveChat));
        const bool safe = QUrl(config.supportLink).scheme() == "mailto";
        EXPECT_EQ(opened.urls.size(), safe ? 1 : 0) << link;
    }
}

TEST_F(SettingsTest, LogsAreCollectedForSupportWithConsentAndTheChoiceNotToBeAskedAgain) {
    ASSERT_NO_FATAL_FAILURE(openSupport());
    SupportSubController* support = delegate->supportSubController();
    EXPECT_TRUE(support->phoneNumbersView()->isVisible()) << "the demo account is an enterprise one";
    click(support->cellFor(SupportTab::runTroubleshooting));
    advance(0.3);
    auto* popover = support->modalViewController()->popoverAs<PopoverTroubleshootingView>(
        ModalViewControllerType::runTroubleshooting);
    ASSERT_NE(popover, nullptr);
    ASSERT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->titleText(), "Run In-Depth Troubleshooting Script?");
    popover->showMeAgainCheckbox()->setChecked(true);
    click(popover->confirmButton());
    EXPECT_EQ(popover->titleText(), "Running In-Depth Troubleshooting Script...");
    EXPECT_TRUE(popover->loaderAnimationView()->isVisible());
    advance(3);
    EXPECT_EQ(popover->titleText(), "Troubleshooting Script Completed");
    EXPECT_TRUE(popover->collectedTextView()->isVisible());
    EXPECT_TRUE(popover->collectedTextView()->toPlainText().startsWith("Diagnostics report"));
    click(popover->confirmButton());
    advance(0.3);
    EXPECT_FALSE(popover->isVisible());

    // Asked not to be asked again: the next run starts at once.
    click(support->cellFor(SupportTab::runTroubleshooting));
    advance(0.3);
    EXPECT_EQ(popover->titleText(), "Running In-Depth Troubleshooting Script...");
}

TEST_F(SettingsTest, AlwaysOnSwitchedOffWhileConnectedLeavesTheTunnelUpAndDisconnectWorks) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    QWidget* mainWindow = delegate->generalWindowViewController()->window();
    const auto alwaysOn = [&] { return networkRow(SettingsNetworkItem::alwaysOn)->settingSwitch(); };
    const std::pair<const char*, std::function<void()>> disconnects[] = {
        {"the tray menu", [&] { ASSERT_TRUE(chooseInTrayMenu("Disconnect")) << trayMenuTexts(); }},
        {"the home tab", [&] {
             auto* bar =
                 delegate->generalViewController()->menuBarView()->topButtonsView()->topMenuTableView();
             click(bar->rowViewAtRow(static_cast<int>(MainTopTab::home)));
             advance(0.2);
             ASSERT_TRUE(clickButton(mainWindow, "Disconnect")) << visibleTexts(mainWindow);
         }}};
    for (const auto& [where, disconnect] : disconnects) {
        SCOPED_TRACE(where);
        ASSERT_NO_FATAL_FAILURE(showSettingsTab());
        chooseTab(SettingsMenuTab::network);
        click(alwaysOn());
        advance(5);
        ASSERT_TRUE(VeltrixXPC::isConnectedToVPN()) << "switched on while disconnected, it connects";
        EXPECT_FALSE(chooseInTrayMenu("Disconnect")) << "not while Always-On holds";
        click(alwaysOn());
        advance(1);
        EXPECT_FALSE(alwaysOn()->on()) << "the switch stays off";
        EXPECT_TRUE(VeltrixXPC::isConnectedToVPN()) << "the tunnel stays up";
        disconnect();
        advance(30);
        EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected) << "and stays down";
    }
}

TEST_F(SettingsTest, WhatTheUserSetIsBackAfterARestartAndTheSessionWithIt) {
    ASSERT_NO_FATAL_FAILURE(useWiFiNetwork("Office-5G"));
    ASSERT_NO_FATAL_FAILURE(openSettings());
    const PDNetworkItemPtr chosen = VeltrixXPC::networks()->publicLocations().last();
    const auto clickSwitch = [&](auto item) {
        ASSERT_NO_FATAL_FAILURE(showSettingsTab());
        if constexpr (std::is_same_v<decltype(item), SettingsGeneralItem>) {
            click(generalRow(item)->settingSwitch());
        } else {
            chooseTab(SettingsMenuTab::network);
            click(networkRow(item)->settingSwitch());
        }
    };
    const auto settings = [] { return VeltrixXPC::settings(); };
    const struct {
        const char* what;
        std::function<void()> change;
        std::function<bool()> isKept;
    } rows[] = {
        {"Connect On Launch", [&] { clickSwitch(SettingsGeneralItem::connectOnLaunch); },
         [&] { return settings().connectOnLaunch.value; }},
        {"Enable Notifications", [&] { clickSwitch(SettingsGeneralItem::enableNotifications); },
         [&] { return !settings().notifications.value; }},
        {"Crash Report", [&] { clickSwitch(SettingsGeneralItem::crashReport); },
         [&] { return !settings().crashReports.value; }},
        {"Automatic Wi-Fi Security", [&] { clickSwitch(SettingsNetworkItem::wiFiSecurity); },
         [&] { return settings().wifiSecurity.value; }},
        {"a trusted network",
         [&] {
             auto* settingsTab = delegate->settingsNetworkSubController();
             QWidget* list = settingsTab->cellFor(SettingsNetworkItem::trustedNetworksList);
             click(qobject_cast<SettingsTrustedNetworksViewCell*>(list)->addToTrustedButton());
         },
         [&] {
             return settings().trustedNetworksList.value.contains(PDWiFiNetwork("Office-5G", "Office-5G"));
         }},
        {"the chosen location",
         [&] {
             ASSERT_TRUE(chooseInTrayMenu(chosen->displayTitle())) << trayMenuTexts();
             advance(5);
             ASSERT_TRUE(chooseInTrayMenu("Disconnect"));
             advance(5);
         },
         [&] { return VeltrixXPC::currentNetwork()->id() == chosen->id(); }},
        {"a favourite", [&] { VeltrixXPC::networks()->toggleFavorite(chosen); },
         [&] { return VeltrixXPC::networks()->networkWithId(*chosen->id())->isFavorite(); }},
        {"Always-On VPN", [&] { clickSwitch(SettingsNetworkItem::alwaysOn); },
         [&] { return settings().alwaysOn.value; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_FALSE(row.isKept());
        row.change();
        ASSERT_TRUE(row.isKept());
    }

    restart();
    advance(signInSeconds);
    ASSERT_TRUE(VeltrixXPC::isLoggedIn()) << "signed in without the browser";
    EXPECT_TRUE(driver.browserUrls().empty());
    for (const auto& row : rows) {
        EXPECT_TRUE(row.isKept()) << row.what;
    }
    EXPECT_TRUE(VeltrixXPC::isConnectedToVPN()) << "Connect On Launch takes effect";
}

TEST_F(SettingsTest, AStoredSettingYieldsToTheWorkspaceAndSignOutForgetsOnlyTheSession) {
    ASSERT_NO_FATAL_FAILURE(openSettings());
    click(generalRow(SettingsGeneralItem::crashReport)->settingSwitch());
    const auto restartOn = [&](const std::function<void(sdk::Workspace&)>& edit) {
        sdk::Workspace workspace = sdk::testing::Driver::demoWorkspace();
        edit(workspace);
        restart(workspace);
        advance(signInSeconds);
    };
    restartOn([](sdk::Workspace& w) { w.settings.crashReports = {true, true}; });
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_TRUE(VeltrixXPC::settings().crashReports.value) << "the workspace enforces it";
    restartOn([](sdk::Workspace& w) { w.tenant.id = "contoso"; });
    EXPECT_FALSE(VeltrixXPC::isLoggedIn()) << "another workspace starts from its own file";
    EXPECT_TRUE(VeltrixXPC::settings().crashReports.value);
    restartOn([](sdk::Workspace&) {});
    EXPECT_FALSE(VeltrixXPC::settings().crashReports.value) << "no longer enforced, the user's value is back";

    ASSERT_NO_FATAL_FAILURE(signOutFromTrayMenu());
    restartOn([](sdk::Workspace&) {});
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    ASSERT_NO_FATAL_FAILURE(clickSignIn());
    advance(signInSeconds);
    EXPECT_FALSE(VeltrixXPC::settings().crashReports.value);
}
