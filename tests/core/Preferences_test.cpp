#include "support/CoreTestSupport.h"

#include "core/Preferences.h"

#include <QTemporaryDir>

TEST(RegisteredDefaultsTest, HoldExactlyTheElevenEntriesInOrderAndNoAppSettingsData) {
    const auto& entries = SettingsUserDefaults::registeredDefaultEntries();
    QStringList keys;
    for (const auto& entry : entries) {
        keys.append(entry.first);
    }
    EXPECT_EQ(keys, QStringList({"showWelcomePage", "startMinimized", "vpnProtocols",
                                 "showNotificationsOnConnectDisconnect", "alertWhenConnectedToPublicNetwork",
                                 "appLaunchedFirstTime", "sendCrashReportsData", "sendAnalyticsData",
                                 "showConnectionEstablished", "showMeTroubleshootingInfo",
                                 "showSilentSuccessMessage"}));

    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath("d.ini"));
    defaults.registerDefaults(SettingsUserDefaults::registeredDefaults());
    EXPECT_TRUE(defaults.boolForKey("showWelcomePage"));
    EXPECT_FALSE(defaults.boolForKey("startMinimized"));
    EXPECT_EQ(defaults.stringForKey("vpnProtocols"), QString(" Automatic"));
    EXPECT_TRUE(defaults.boolForKey("showNotificationsOnConnectDisconnect"));
    EXPECT_TRUE(defaults.boolForKey("alertWhenConnectedToPublicNetwork"));
    EXPECT_FALSE(defaults.boolForKey("appLaunchedFirstTime"));
    EXPECT_TRUE(defaults.boolForKey("sendCrashReportsData"));
    EXPECT_TRUE(defaults.boolForKey("sendAnalyticsData"));
    EXPECT_TRUE(defaults.boolForKey("showConnectionEstablished"));
    EXPECT_FALSE(defaults.boolForKey("showMeTroubleshootingInfo"));
    EXPECT_FALSE(defaults.boolForKey("showSilentSuccessMessage"));
    EXPECT_FALSE(defaults.objectForKey(SettingsUserDefaults::appSettingsData).isValid());
}

TEST(VPNProtocolsTest, RawValuesMatchExactlyIncludingBlanksAndCase) {
    EXPECT_EQ(vpnProtocolsFromRawValue(" IKEv2"), VPNProtocols::IKEv2);
    EXPECT_EQ(vpnProtocolsFromRawValue(" IKEv2 "), VPNProtocols::IKEv2_StrongSwan);
    EXPECT_EQ(vpnProtocolsFromRawValue(" WireGuard"), VPNProtocols::Wireguard);
    EXPECT_EQ(vpnProtocolsFromRawValue(" L2TP over IPSec"), VPNProtocols::L2TP);
    EXPECT_FALSE(vpnProtocolsFromRawValue("IKEv2"));
    EXPECT_FALSE(vpnProtocolsFromRawValue(" Wireguard"));
    EXPECT_FALSE(vpnProtocolsFromRawValue("Automatic"));
    EXPECT_FALSE(vpnProtocolsFromRawValue(""));

    for (VPNProtocols p :
         {VPNProtocols::Automatic, VPNProtocols::OpenVPN, VPNProtocols::L2TP, VPNProtocols::PPTP,
          VPNProtocols::IKEv2, VPNProtocols::IKEv2_StrongSwan, VPNProtocols::Wireguard}) {
        EXPECT_EQ(vpnProtocolsFromRawValue(rawValue(p)), p) << "round trip of " << rawValue(p).toStdString();
    }
}

TEST(VPNProtocolsTest, OnlyOfferedProtocolsHaveTitlesAndTheOfferedListIsInDisplayOrder) {
    EXPECT_EQ(availableVPNProtocols(),
              QList<VPNProtocols>({VPNProtocols::Automatic, VPNProtocols::Wireguard,
                                   VPNProtocols::IKEv2_StrongSwan, VPNProtocols::OpenVPN}));
    for (VPNProtocols p : availableVPNProtocols()) {
        EXPECT_FALSE(vpnProtocolTitle(p).isEmpty());
        EXPECT_FALSE(vpnProtocolDescription(p).isEmpty());
    }
    EXPECT_EQ(vpnProtocolTitle(VPNProtocols::IKEv2_StrongSwan), "IKEv2");
    EXPECT_EQ(vpnProtocolTitle(VPNProtocols::Wireguard), "Wireguard");
    for (VPNProtocols p : {VPNProtocols::L2TP, VPNProtocols::PPTP, VPNProtocols::IKEv2}) {
        EXPECT_TRUE(vpnProtocolTitle(p).isEmpty());
        EXPECT_TRUE(vpnProtocolDescription(p).isEmpty());
    }
}

TEST(VPNProtocolsTest, OfferedProtocolForTypeNumberFallsBackToAutomatic) {
    EXPECT_EQ(offeredProtocol(1), VPNProtocols::OpenVPN);
    EXPECT_EQ(offeredProtocol(5), VPNProtocols::IKEv2_StrongSwan);
    EXPECT_EQ(offeredProtocol(6), VPNProtocols::Wireguard);
    for (int n : {0, 2, 3, 4, 7, -1}) {
        EXPECT_EQ(offeredProtocol(n), VPNProtocols::Automatic) << n;
    }
}

TEST(VPNTypesTest, AcceptsOnlyZeroToSix) {
    EXPECT_EQ(vpnTypesFromRawValue(0), VPNTypes::automatic);
    EXPECT_EQ(vpnTypesFromRawValue(6), VPNTypes::wireguard);
    EXPECT_FALSE(vpnTypesFromRawValue(7));
    EXPECT_FALSE(vpnTypesFromRawValue(-1));
    EXPECT_EQ(toVPNProtocols(VPNTypes::ikEv2_StrongSwan), VPNProtocols::IKEv2_StrongSwan);
}
