#include "core/Preferences.h"

const QList<std::pair<QString, QVariant>>& SettingsUserDefaults::registeredDefaultEntries() {
    static const QList<std::pair<QString, QVariant>> entries = {
        {showWelcomePage, true},
        {startMinimized, false},
        {vpnProtocols, rawValue(VPNProtocols::Automatic)},
        {showNotificationsOnConnectDisconnect, true},
        {alertWhenConnectedToPublicNetwork, true},
        {appLaunchedFirstTime, false},
        {sendCrashReportsData, true},
        {sendAnalyticsData, true},
        {showConnectionEstablished, true},
        {showMeTroubleshootingInfo, false},
        {showSilentSuccessMessage, false},
    };
    return entries;
}

QVariantMap SettingsUserDefaults::registeredDefaults() {
    QVariantMap map;
    for (const auto& [key, value] : registeredDefaultEntries()) {
        map.insert(key, value);
    }
    return map;
}

namespace {

struct ProtocolRow {
    VPNProtocols protocol;
    const char* raw;
    const char* title;
    const char* description;
    const char* analyticsValue;
};

// In case order; the three protocols that are not offered have no title or description.
constexpr ProtocolRow kProtocols[] = {
    {VPNProtocols::Automatic, " Automatic", "Automatic",
     "Automatically connect using the VPN protocol most suited for your network, as selected by your "
     "administrator.",
     "automatic"},
    {VPNProtocols::OpenVPN, " OpenVPN", "OpenVPN",
     "A flexible and reliable legacy protocol that secures data at the network layer, ideal for encrypting "
     "traffic to applications.",
     "openvpn"},
    {VPNProtocols::L2TP, " L2TP over IPSec", "", "", ""},
    {VPNProtocols::PPTP, " PPTP", "", "", ""},
    {VPNProtocols::IKEv2, " IKEv2", "", "", "ikev2"},
    {VPNProtocols::IKEv2_StrongSwan, " IKEv2 ", "IKEv2",
     "A versatile protocol with excellent stability and performance, securing data at the transport level.",
     "ikev2"},
    {VPNProtocols::Wireguard, " WireGuard", "Wireguard",
     "WireGuard is the latest and most efficient VPN protocol, providing optimal connection speed and "
     "security.",
     "wg"},
};

const ProtocolRow& row(VPNProtocols protocol) {
    return kProtocols[static_cast<int>(protocol)];
}

} // namespace

QString rawValue(VPNProtocols protocol) {
    return QString::fromLatin1(row(protocol).raw);
}

std::optional<VPNProtocols> vpnProtocolsFromRawValue(const QString& raw) {
    for (const ProtocolRow& candidate : kProtocols) {
        if (raw == QLatin1String(candidate.raw)) {
            return candidate.protocol;
        }
    }
    return std::nullopt;
}

QString vpnProtocolTitle(VPNProtocols protocol) {
    return QString::fromLatin1(row(protocol).title);
}

QString vpnProtocolDescription(VPNProtocols protocol) {
    return QString::fromLatin1(row(protocol).description);
}

QString vpnProtocolAnalyticsValue(VPNProtocols protocol) {
    return QString::fromLatin1(row(protocol).analyticsValue);
}

const QList<VPNProtocols>& availableVPNProtocols() {
    static const QList<VPNProtocols> offered = {VPNProtocols::Automatic, VPNProtocols::Wireguard,
                                                VPNProtocols::IKEv2_StrongSwan, VPNProtocols::OpenVPN};
    return offered;
}

VPNProtocols offeredProtocol(int typeNumber) {
    switch (typeNumber) {
    case 1:
        return VPNProtocols::OpenVPN;
    case 5:
        return VPNProtocols::IKEv2_StrongSwan;
    case 6:
        return VPNProtocols::Wireguard;
    default:
        return VPNProtocols::Automatic;
    }
}

std::optional<VPNTypes> vpnTypesFromRawValue(int raw) {
    if (raw < 0 || raw > static_cast<int>(VPNTypes::wireguard)) {
        return std::nullopt;
    }
    return static_cast<VPNTypes>(raw);
}
