#include "support/CoreTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/Preferences.h"
#include "sdk/VeltrixXPC.h"

#include <QFile>

using namespace coretest;

class ApplicationModelTest : public CoreTest {
protected:
    QList<int> protocolCalls() const {
        QList<int> numbers;
        for (const auto& call : driver.calls("changeVPNProtocol")) {
            numbers.append(call.arguments.value("protocol").toInt());
        }
        return numbers;
    }
    void store(const QString& raw) { defaults.set(SettingsUserDefaults::vpnProtocols, raw); }

    ApplicationModel model{defaults};
};

TEST_F(ApplicationModelTest, FreshModelHasItsInitialValues) {
    EXPECT_EQ(model.pollingInterval(), 300.0);
    EXPECT_EQ(model.userContinent(), "Europe");
    EXPECT_EQ(model.userCountry(), "");
    EXPECT_EQ(model.auth0CustomDomain(), "");
    EXPECT_EQ(model.upgradePeriodicTestMin(), 1);
    EXPECT_TRUE(model.isQAUIStatusViewHidden());
    EXPECT_TRUE(model.wasSettingsExist());
    for (bool flag :
         {model.isInForcedUpgradeState(), model.appDataWasLoaded(), model.alwaysONUpdatePending(),
          model.isInWaitingForVPNProfileInstallUserAction(), model.appAutoLaunchedAtOSStartup(),
          model.loginProcessWasCanceled(), model.tenantRecieveWasCanceled(), model.autoReconnectInProgress(),
          model.vpnWasConnectedWhenEnteringSleepMode(), model.vpnSettingsChangingDisabled(),
          model.startMinimized(), model.isAppInUserAgentMode()}) {
        EXPECT_FALSE(flag);
    }
    EXPECT_FALSE(model.pendingLocationIDToSet());
    EXPECT_FALSE(model.lastConnectedLocation());
    EXPECT_FALSE(model.userPublicIP());
    EXPECT_FALSE(model.publicIPInfoUrl());
    EXPECT_FALSE(model.currentConnection());
    EXPECT_FALSE(model.newAppVersionDowloadLink());
    EXPECT_FALSE(model.openvpnTemplate());
    EXPECT_FALSE(model.onCurrentConnectionStateUpdated());
    EXPECT_EQ(model.currentConnectionState(), SDVPNConnectionState::disconnected);
    EXPECT_EQ(model.vpnProtocol(), VPNTypes::automatic);
    EXPECT_EQ(model.vpnProtocolObserverCount(), 0);
    EXPECT_EQ(model.appProductName(), GlobalConstants::productDisplayName());
    EXPECT_EQ(model.appVersion(), GlobalConstants::bundleShortVersion());
    EXPECT_EQ(model.appBuildNumber(), GlobalConstants::bundleVersion());
    EXPECT_FALSE(model.platform().isEmpty());
    EXPECT_FALSE(model.reachabilityDomainName().isEmpty());
}

TEST_F(ApplicationModelTest, EveryStateWriteCallsTheCallbackWhileItsOwnerLives) {
    QList<SDVPNConnectionState> seen;
    auto owner = std::make_unique<QObject>();
    model.setOnCurrentConnectionStateUpdated([&](SDVPNConnectionState s) { seen.append(s); }, owner.get());

    model.setCurrentConnectionState(SDVPNConnectionState::connecting);
    model.setCurrentConnectionState(SDVPNConnectionState::connecting);
    EXPECT_EQ(seen, QList<SDVPNConnectionState>(
                        {SDVPNConnectionState::connecting, SDVPNConnectionState::connecting}));

    const auto kept = model.onCurrentConnectionStateUpdated();
    ASSERT_TRUE(kept);
    owner.reset();
    model.setCurrentConnectionState(SDVPNConnectionState::connected);
    kept(SDVPNConnectionState::connected); // a copy taken earlier is bound to the owner too
    EXPECT_EQ(seen.size(), 2) << "no call once the owner is gone";
    EXPECT_FALSE(model.onCurrentConnectionStateUpdated());
    EXPECT_EQ(model.currentConnectionState(), SDVPNConnectionState::connected);
}

TEST_F(ApplicationModelTest, StoredProtocolMapsToTypeObserversAndSdkNumber) {
    struct Case {
        QString stored;
        VPNTypes type;
        int sdk;
    };
    const QList<Case> cases = {
        {" IKEv2 ", VPNTypes::ikEv2_StrongSwan, 4}, {" OpenVPN", VPNTypes::openVPN, 2},
        {" WireGuard", VPNTypes::wireguard, 6},     {" IKEv2", VPNTypes::ikEv2, 5},
        {" Automatic", VPNTypes::automatic, 1},     {" L2TP over IPSec", VPNTypes::automatic, 1},
        {" PPTP", VPNTypes::automatic, 1},          {"garbage", VPNTypes::automatic, 1},
    };
    QStringList told;
    model.addVPNProtocolUpdatedObserver([&](const QString& raw) { told.append(raw); });
    for (const Case& c : cases) {
        driver.clearCalls();
        store(c.stored);
        model.updateVPNProtocol();
        EXPECT_EQ(model.vpnProtocol(), c.type) << c.stored.toStdString();
        EXPECT_EQ(protocolCalls(), QList<int>({c.sdk})) << c.stored.toStdString();
    }
    EXPECT_EQ(told, QStringList({" IKEv2 ", " OpenVPN", " WireGuard", " IKEv2", " Automatic"}))
        << "observers hear only changes; L2TP never becomes IKEv2";
}

TEST_F(ApplicationModelTest, SameProtocolTwiceTellsObserversOnceButTheSdkBothTimes) {
    QStringList told;
    auto owner = std::make_unique<QObject>();
    QStringList toldGone;
    model.addVPNProtocolUpdatedObserver([&](const QString& raw) { told.append(raw); });
    model.addVPNProtocolUpdatedObserver([&](const QString& raw) { toldGone.append(raw); }, owner.get());
    owner.reset();
    EXPECT_EQ(model.vpnProtocolObserverCount(), 1);

    store(" IKEv2 ");
    model.updateVPNProtocol();
    model.updateVPNProtocol();
    EXPECT_EQ(told, QStringList({" IKEv2 "}));
    EXPECT_TRUE(toldGone.isEmpty()) << "an observer whose owner is gone is not called";
    EXPECT_EQ(protocolCalls(), QList<int>({4, 4}));
}

TEST_F(ApplicationModelTest, MissingOrNonTextProtocolChangesNothing) {
    model.updateVPNProtocol();
    defaults.set(SettingsUserDefaults::vpnProtocols, 2);
    model.updateVPNProtocol();
    EXPECT_TRUE(protocolCalls().isEmpty());
    EXPECT_EQ(model.vpnProtocol(), VPNTypes::automatic);
}

TEST_F(ApplicationModelTest, ApplyUserDefaultsCopiesOnlyABoolStartMinimized) {
    store(" OpenVPN");
    defaults.set(SettingsUserDefaults::startMinimized, QStringLiteral("true"));
    model.applyUserDefaults(defaults);
    EXPECT_FALSE(model.startMinimized()) << "a text is not a Bool";
    EXPECT_EQ(model.vpnProtocol(), VPNTypes::openVPN);

    defaults.set(SettingsUserDefaults::startMinimized, true);
    model.applyUserDefaults(defaults);
    EXPECT_TRUE(model.startMinimized());
}

TEST_F(ApplicationModelTest, PassThroughPropertiesReadTheSdkAtEachAccess) {
    EXPECT_FALSE(model.isForcedUpdateAvailable());
    driver.setForcedUpdateAvailable(true);
    EXPECT_TRUE(model.isForcedUpdateAvailable());
    EXPECT_FALSE(model.isInForcedUpgrade()) << "the stored flag, not the SDK's";

    driver.setLoggedIn(true);
    EXPECT_TRUE(model.isLoggedIn());
    driver.setAlwaysOn(true);
    EXPECT_TRUE(model.isAlwaysOnEnabled());

    PDAppConfig config = driver.state().appConfig;
    config.offeredVersion = "9.9.9";
    config.packageUrl = "file:///srv/updates/veltrix-9.9.9.pkg"; // no host: the whole URL all the same
    config.packagePath = "/home/user/.cache/updates/veltrix-9.9.9.pkg";
    driver.setAppConfig(config);
    EXPECT_EQ(model.offeredAppVersion(), "9.9.9");
    EXPECT_EQ(model.appUpdateVersion(), "9.9.9");
    EXPECT_EQ(model.appUpdateURL(), config.packageUrl);
    EXPECT_EQ(model.appUpdatePackagePath(), config.packagePath);

    PDSettings settings = driver.state().settings;
    settings.connectOnLaunch = PDSettingBoolItem(false, true);
    settings.networkSelection = PDSettingBoolItem(false, false);
    settings.alwaysOn = PDSettingBoolItem(true, true);
    driver.setSettings(settings);
    EXPECT_TRUE(model.connectOnLaunchEnabled());
    EXPECT_FALSE(model.networkSelectionSettingEnabled());
    EXPECT_EQ(model.alwaysOnSetting(), PDSettingBoolItem(true, true));
    GlobalConstants::ignoreAlwaysOnSetting = true;
    EXPECT_EQ(model.alwaysOnSetting(), PDSettingBoolItem(false, false));
    GlobalConstants::ignoreAlwaysOnSetting = false;
}

TEST_F(ApplicationModelTest, CurrentNetworkWritesTheSdkAndRemembersWhatItReports) {
    driver.setNetworks(sdk::makeNetworksModel(driver.state().workspace));
    const auto networks = VeltrixXPC::networks();
    ASSERT_TRUE(networks);
    const auto all = networks->privateNetworks();
    ASSERT_FALSE(all.isEmpty());

    model.setCurrentNetwork(all.front());
    EXPECT_EQ(VeltrixXPC::currentNetwork(), all.front());
    EXPECT_EQ(model.lastConnectedLocation(), VeltrixXPC::currentNetwork());

    model.setCurrentNetwork(nullptr);
    EXPECT_EQ(model.lastConnectedLocation(), VeltrixXPC::currentNetwork()) << "whatever the SDK then reports";
}

TEST_F(ApplicationModelTest, UseAutomaticNetworkReadsBackWhatWasSet) {
    EXPECT_FALSE(model.useAutomaticNetwork());
    model.setUseAutomaticNetwork(true);
    EXPECT_TRUE(model.useAutomaticNetwork());
    EXPECT_TRUE(driver.state().useAutomaticNetwork);
    model.setUseAutomaticNetwork(false);
    EXPECT_FALSE(model.useAutomaticNetwork());
}

TEST_F(ApplicationModelTest, SettingWritesReachTheSdksSettings) {
    model.setWifiSecuritySetting(PDSettingBoolItem(false, true));
    model.setNotificationsSetting(PDSettingBoolItem(false, false));
    model.setKillSwitchSetting(PDSettingBoolItem(false, false)); // enforced in the demo workspace
    scheduler.runUntilIdle();

    EXPECT_TRUE(model.wifiSecuritySetting().value);
    EXPECT_TRUE(VeltrixXPC::settings().wifiSecurity.value);
    EXPECT_FALSE(model.notificationsSetting().value);
    EXPECT_TRUE(model.killSwitchSetting().value) << "the SDK refuses an enforced item";
}

TEST_F(ApplicationModelTest, PreferencePropertiesAreStoredAndSynchronised) {
    model.setAppLaunchedFirstTime(true);
    model.setSendAnalyticsData(false);
    model.setSendCrashReportsData(true);

    platform::UserDefaults reread(defaults.filePath());
    EXPECT_TRUE(reread.boolForKey(SettingsUserDefaults::appLaunchedFirstTime));
    EXPECT_FALSE(reread.boolForKey(SettingsUserDefaults::sendAnalyticsData));
    EXPECT_TRUE(reread.boolForKey(SettingsUserDefaults::sendCrashReportsData));
    EXPECT_TRUE(model.appLaunchedFirstTime());
    EXPECT_FALSE(model.sendAnalyticsData());
}

TEST_F(ApplicationModelTest, AutoReconnectFlagLogsWhenFalse) {
    model.setAutoReconnectInProgress(true);
    model.setAutoReconnectInProgress(false);
    int lines = 0;
    for (const auto& line : driver.loggedLines()) {
        lines += line.message == "autoReconnectInProgress == FALSE";
    }
    EXPECT_EQ(lines, 1);
    EXPECT_FALSE(model.autoReconnectInProgress());
}
