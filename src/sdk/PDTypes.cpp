#include "sdk/PDTypes.h"

PDEndpointConfig::PDEndpointConfig(PDEndpointEnv env, SDEnvironment targetEnvironment)
    : m_env(env), m_target(targetEnvironment) {}

PDEndpointConfig::PDEndpointConfig(QString customDomain, QString customSdpHostname, QString customApiHostname,
                                   std::uint32_t customPort)
    : m_custom(true), m_domain(std::move(customDomain)), m_sdpHost(std::move(customSdpHostname)),
      m_apiHost(std::move(customApiHostname)), m_port(customPort) {}

QString PDEndpointConfig::urlScheme() const {
    return QStringLiteral("veltrix");
}

QString PDEndpointConfig::authDomain() const {
    if (m_custom) {
        return QStringLiteral("auth.") + m_domain;
    }
    switch (m_target) {
    case SDEnvironment::staging:
        return QStringLiteral("auth.staging.veltrix.example");
    case SDEnvironment::integration:
        return QStringLiteral("auth.integration.veltrix.example");
    case SDEnvironment::production:
        break;
    }
    return QStringLiteral("auth.veltrix.example");
}

PDSettingBoolItem& PDSettings::item(PDGeneralSettingItem which) {
    return const_cast<PDSettingBoolItem&>(std::as_const(*this).item(which));
}

const PDSettingBoolItem& PDSettings::item(PDGeneralSettingItem which) const {
    switch (which) {
    case PDGeneralSettingItem::connectOnLaunch:
        return connectOnLaunch;
    case PDGeneralSettingItem::notifications:
        return notifications;
    case PDGeneralSettingItem::automaticUpdates:
        return automaticUpdates;
    case PDGeneralSettingItem::crashReports:
        return crashReports;
    }
    return connectOnLaunch;
}

PDSettingBoolItem& PDSettings::item(PDNetworkSettingItem which) {
    return const_cast<PDSettingBoolItem&>(std::as_const(*this).item(which));
}

const PDSettingBoolItem& PDSettings::item(PDNetworkSettingItem which) const {
    switch (which) {
    case PDNetworkSettingItem::alwaysOn:
        return alwaysOn;
    case PDNetworkSettingItem::killSwitch:
        return killSwitch;
    case PDNetworkSettingItem::wifiSecurity:
        return wifiSecurity;
    case PDNetworkSettingItem::trustedNetworks:
        return trustedNetworks;
    }
    return alwaysOn;
}

QString SDPStateReasonCodeDescription(int code) {
    switch (static_cast<SDPStateReasonCodeType>(code)) {
    case SDPStateReasonCodeType::sessionExpired:
        return QStringLiteral("Session expired");
    case SDPStateReasonCodeType::idleTimeout:
        return QStringLiteral("Session idle for too long");
    case SDPStateReasonCodeType::userDeleted:
        return QStringLiteral("User deleted");
    case SDPStateReasonCodeType::networkDeviceDeleted:
        return QStringLiteral("Network device deleted");
    case SDPStateReasonCodeType::sessionRevoked:
        return QStringLiteral("Session revoked");
    case SDPStateReasonCodeType::unknown:
        break;
    }
    return QStringLiteral("Session ended");
}

QString rawValue(PDLocationFilterType filter) {
    switch (filter) {
    case PDLocationFilterType::favorites:
        return QStringLiteral("Favorites");
    case PDLocationFilterType::publicLocations:
        return QStringLiteral("Public");
    case PDLocationFilterType::privateNetworks:
        return QStringLiteral("Private");
    }
    return {};
}

std::optional<PDLocationFilterType> PDLocationFilterTypeFromRawValue(const QString& raw) {
    for (auto filter : {PDLocationFilterType::favorites, PDLocationFilterType::publicLocations,
                        PDLocationFilterType::privateNetworks}) {
        if (rawValue(filter) == raw) {
            return filter;
        }
    }
    return std::nullopt;
}

QString PDTroubleshootingHelperError::description() const {
    switch (kind) {
    case Kind::archiveTooLarge:
        return QStringLiteral("The log archive is too large to send: %1").arg(archivePath);
    case Kind::cancelled:
        return QStringLiteral("Log collection was stopped.");
    case Kind::collectionFailed:
        break;
    }
    return reason.isEmpty() ? QStringLiteral("Logs could not be collected.") : reason;
}
