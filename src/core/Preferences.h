#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>
#include <utility>

// The client's own preference keys in the standard user defaults; every other setting lives in the SDK.
struct SettingsUserDefaults {
    SettingsUserDefaults() = delete;

    static inline const QString startMinimized = QStringLiteral("startMinimized");
    static inline const QString vpnProtocols = QStringLiteral("vpnProtocols");
    static inline const QString showWelcomePage = QStringLiteral("showWelcomePage");
    static inline const QString showNotificationsOnConnectDisconnect =
        QStringLiteral("showNotificationsOnConnectDisconnect");
    static inline const QString alertWhenConnectedToPublicNetwork =
        QStringLiteral("alertWhenConnectedToPublicNetwork");
    static inline const QString appLaunchedFirstTime = QStringLiteral("appLaunchedFirstTime");
    static inline const QString sendCrashReportsData = QStringLiteral("sendCrashReportsData");
    static inline const QString sendAnalyticsData = QStringLiteral("sendAnalyticsData");
    static inline const QString showConnectionEstablished = QStringLiteral("showConnectionEstablished");
    static inline const QString appSettingsData = QStringLiteral("appSettingsData"); // never registered
    static inline const QString showMeTroubleshootingInfo = QStringLiteral("showMeTroubleshootingInfo");
    static inline const QString showSilentSuccessMessage = QStringLiteral("showSilentSuccessMessage");
    // Beside the flag above: the version that was installed, so that only the copy running it says so.
    static inline const QString installedUpdateVersion =
        QStringLiteral("installedUpdateVersion"); // never registered

    // What start-up registers: eleven entries, in this order.
    static const QList<std::pair<QString, QVariant>>& registeredDefaultEntries();
    static QVariantMap registeredDefaults();
};

// The VPN protocols by the raw values the "vpnProtocols" preference stores (each begins with a blank).
enum class VPNProtocols { Automatic, OpenVPN, L2TP, PPTP, IKEv2, IKEv2_StrongSwan, Wireguard };

QString rawValue(VPNProtocols protocol);
// Exact, case-sensitive match of the whole text.
std::optional<VPNProtocols> vpnProtocolsFromRawValue(const QString& raw);
// Empty for the protocols that are not offered.
QString vpnProtocolTitle(VPNProtocols protocol);
QString vpnProtocolDescription(VPNProtocols protocol);
// The protocol as analytics names it: "automatic", "openvpn", "ikev2", "wg"; empty for L2TP and PPTP.
QString vpnProtocolAnalyticsValue(VPNProtocols protocol);
// The protocols the settings page offers, in display order.
const QList<VPNProtocols>& availableVPNProtocols();
// The offered protocol with that VPNTypes number, Automatic for anything else.
VPNProtocols offeredProtocol(int typeNumber);

// The model's form of the protocol; numbers match the VPNProtocols case order.
enum class VPNTypes : int {
    automatic = 0,
    openVPN = 1,
    L2TP = 2,
    PPTP = 3,
    ikEv2 = 4,
    ikEv2_StrongSwan = 5,
    wireguard = 6
};

std::optional<VPNTypes> vpnTypesFromRawValue(int raw);
inline VPNProtocols toVPNProtocols(VPNTypes type) {
    return static_cast<VPNProtocols>(static_cast<int>(type));
}
