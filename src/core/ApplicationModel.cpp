#include "core/ApplicationModel.h"

#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/SystemInfo.h"
#include "platform/UserDefaults.h"
#include "sdk/Veltrix.h"
#include "sdk/VeltrixXPC.h"

namespace {

// Deployment values of the service.
const QString kVpnServersDomainSuffix = QStringLiteral("vpn.veltrix.example");
const QString kMainDomainName = QStringLiteral("veltrix.example");
const QString kReachabilityDomainName = QStringLiteral("api.veltrix.example");

} // namespace

ApplicationModel::ApplicationModel() : ApplicationModel(platform::UserDefaults::standard()) {}

ApplicationModel::ApplicationModel(platform::UserDefaults& defaults)
    : m_defaults(defaults), m_appProductName(GlobalConstants::productDisplayName()),
      m_appBundleID(GlobalConstants::bundleIdentifier()), m_appVersion(GlobalConstants::bundleShortVersion()),
      m_appBuildNumber(GlobalConstants::bundleVersion()),
      m_platform(platform::SystemInfo().operatingSystemVersionString()),
      m_vpnServersDomainSuffix(kVpnServersDomainSuffix), m_mainDomainName(kMainDomainName),
      m_reachabilityDomainName(kReachabilityDomainName) {}

void ApplicationModel::setAutoReconnectInProgress(bool value) {
    m_autoReconnectInProgress = value;
    if (!value) {
        vlog::print("autoReconnectInProgress == FALSE");
    }
}

void ApplicationModel::setOnCurrentConnectionStateUpdated(ConnectionStateCallback callback, QObject* owner) {
    m_onCurrentConnectionStateUpdated = std::move(callback);
    m_callbackHasOwner = owner != nullptr;
    m_callbackOwner = owner;
}

ApplicationModel::ConnectionStateCallback ApplicationModel::onCurrentConnectionStateUpdated() const {
    if (!m_onCurrentConnectionStateUpdated || (m_callbackHasOwner && !m_callbackOwner)) {
        return {};
    }
    if (!m_callbackHasOwner) {
        return m_onCurrentConnectionStateUpdated;
    }
    // Bound to the owner: a copy kept by a caller does nothing once the owner is gone.
    return [owner = m_callbackOwner, call = m_onCurrentConnectionStateUpdated](SDVPNConnectionState state) {
        if (owner) {
            call(state);
        }
    };
}

void ApplicationModel::setCurrentConnectionState(SDVPNConnectionState state) {
    m_currentConnectionState = state;
    if (const auto callback = onCurrentConnectionStateUpdated()) {
        callback(m_currentConnectionState);
    }
}

void ApplicationModel::addVPNProtocolUpdatedObserver(ProtocolObserver observer, QObject* owner) {
    if (!observer) {
        return;
    }
    m_onVPNProtocolUpdatedObservers.append({std::move(observer), owner != nullptr, owner});
}

int ApplicationModel::vpnProtocolObserverCount() const {
    int count = 0;
    for (const Observer& observer : m_onVPNProtocolUpdatedObservers) {
        if (!observer.hasOwner || observer.owner) {
            ++count;
        }
    }
    return count;
}

VPNTypes ApplicationModel::vpnTypeForStoredValue(const QString& stored) {
    const std::optional<VPNProtocols> protocol = vpnProtocolsFromRawValue(stored);
    switch (protocol.value_or(VPNProtocols::PPTP)) {
    case VPNProtocols::Automatic:
        return VPNTypes::automatic;
    case VPNProtocols::OpenVPN:
        return VPNTypes::openVPN;
    case VPNProtocols::L2TP:
        // The service no longer offers L2TP; the stored choice is repaired to Automatic at start-up.
        vlog::print("legacy L2TP protocol -> Automatic");
        return VPNTypes::automatic;
    case VPNProtocols::IKEv2:
        return VPNTypes::ikEv2;
    case VPNProtocols::IKEv2_StrongSwan:
        return VPNTypes::ikEv2_StrongSwan;
    case VPNProtocols::Wireguard:
        return VPNTypes::wireguard;
    case VPNProtocols::PPTP:
        break;
    }
    vlog::print("Unknown protocol type set from Settings");
    return VPNTypes::automatic;
}

int ApplicationModel::sdkProtocolNumber(VPNTypes type) {
    switch (type) {
    case VPNTypes::automatic:
        return static_cast<int>(PDVPNProtocol::automatic);
    case VPNTypes::openVPN:
        return static_cast<int>(PDVPNProtocol::openVPN);
    case VPNTypes::L2TP:
        return static_cast<int>(PDVPNProtocol::l2tp);
    case VPNTypes::ikEv2:
        return static_cast<int>(PDVPNProtocol::ikev2);
    case VPNTypes::ikEv2_StrongSwan:
        return static_cast<int>(PDVPNProtocol::ikev2StrongSwan);
    case VPNTypes::wireguard:
        return static_cast<int>(PDVPNProtocol::wireGuard);
    case VPNTypes::PPTP:
        break;
    }
    vlog::print("Unknown protocol type set in updateVPNProtocol()");
    return static_cast<int>(PDVPNProtocol::automatic);
}

void ApplicationModel::updateVPNProtocol(VPNProtocols /*protocol*/) {
    const std::optional<QString> stored = m_defaults.stringForKey(SettingsUserDefaults::vpnProtocols);
    if (!stored) {
        return;
    }
    const VPNTypes type = vpnTypeForStoredValue(*stored);
    if (type != m_vpnProtocol) {
        m_vpnProtocol = type;
        const QString raw = rawValue(toVPNProtocols(type));
        // Observers may add observers; only those present now are told.
        const QList<Observer> observers = m_onVPNProtocolUpdatedObservers;
        for (const Observer& observer : observers) {
            if (!observer.hasOwner || observer.owner) {
                observer.call(raw);
            }
        }
    }
    VeltrixXPC::changeVPNProtocol(sdkProtocolNumber(type));
}

void ApplicationModel::applyUserDefaults(platform::UserDefaults& defaults) {
    updateVPNProtocol();
    const QVariant stored = defaults.objectForKey(SettingsUserDefaults::startMinimized);
    if (stored.typeId() == QMetaType::Bool && stored.toBool() != m_startMinimized) {
        m_startMinimized = stored.toBool();
    }
}

bool ApplicationModel::isForcedUpdateAvailable() const {
    return VeltrixXPC::isForcedUpdateAvailable();
}
PDSettings ApplicationModel::settings() const {
    return VeltrixXPC::settings();
}
PDSettings ApplicationModel::unappliedSettings() const {
    return VeltrixXPC::unappliedSettings();
}

PDSettingBoolItem ApplicationModel::wifiSecuritySetting() const {
    return settings().wifiSecurity;
}
void ApplicationModel::setWifiSecuritySetting(const PDSettingBoolItem& item) {
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::wifiSecurity, item.value);
    VeltrixXPC::applySettingsChanges();
}
PDSettingBoolItem ApplicationModel::crashReportsSetting() const {
    return settings().crashReports;
}
void ApplicationModel::setCrashReportsSetting(const PDSettingBoolItem& item) {
    setSendCrashReportsData(item.value);
    VeltrixXPC::setGeneralSetting(PDGeneralSettingItem::crashReports, item.value);
    syncCrashReportsSetting();
}
void ApplicationModel::syncCrashReportsSetting() {
    if (const PDSettingBoolItem sdk = settings().crashReports;
        sdk.isEnforced && sdk.value != sendCrashReportsData()) {
        setSendCrashReportsData(sdk.value);
    }
}
PDSettingBoolItem ApplicationModel::notificationsSetting() const {
    return settings().notifications;
}
void ApplicationModel::setNotificationsSetting(const PDSettingBoolItem& item) {
    VeltrixXPC::setGeneralSetting(PDGeneralSettingItem::notifications, item.value);
}
PDSettingBoolItem ApplicationModel::killSwitchSetting() const {
    return settings().killSwitch;
}
void ApplicationModel::setKillSwitchSetting(const PDSettingBoolItem& item) {
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::killSwitch, item.value);
    VeltrixXPC::applySettingsChanges();
}

PDSettingBoolItem ApplicationModel::alwaysOnSetting() const {
    if (GlobalConstants::ignoreAlwaysOnSetting) {
        return PDSettingBoolItem(false, false);
    }
    return settings().alwaysOn;
}

bool ApplicationModel::connectOnLaunchEnabled() const {
    return settings().connectOnLaunch.value;
}
bool ApplicationModel::networkSelectionSettingEnabled() const {
    return settings().networkSelection.value;
}
bool ApplicationModel::isAlwaysOnEnabled() const {
    return VeltrixXPC::enableAlwaysON();
}

PDNetworkItemPtr ApplicationModel::currentNetwork() const {
    return VeltrixXPC::currentNetwork();
}
void ApplicationModel::setCurrentNetwork(const PDNetworkItemPtr& network) {
    VeltrixXPC::setCurrentNetwork(network);
    m_lastConnectedLocation = VeltrixXPC::currentNetwork();
}

bool ApplicationModel::isLoggedIn() const {
    return VeltrixXPC::isLoggedIn();
}
bool ApplicationModel::isConnectedToVPN() const {
    return VeltrixXPC::isConnectedToVPN();
}
PDNetworksModelPtr ApplicationModel::networks() const {
    return VeltrixXPC::networks();
}
PDNetworkItemPtr ApplicationModel::currentAutomaticNetwork() const {
    return Veltrix::currentAutomaticNetwork();
}
bool ApplicationModel::useAutomaticNetwork() const {
    return Veltrix::useAutomaticNetwork();
}
void ApplicationModel::setUseAutomaticNetwork(bool value) {
    Veltrix::setUseAutomaticNetwork(value);
}
QString ApplicationModel::offeredAppVersion() const {
    return VeltrixXPC::appConfig().offeredVersion;
}
QString ApplicationModel::appUpdateURL() const {
    return VeltrixXPC::appConfig().packageUrl;
}
QString ApplicationModel::appUpdatePackagePath() const {
    return VeltrixXPC::appConfig().packagePath;
}
QString ApplicationModel::appUpdateVersion() const {
    return offeredAppVersion();
}

void ApplicationModel::storeBool(const QString& key, bool value) {
    m_defaults.set(key, value);
    m_defaults.synchronize();
}

bool ApplicationModel::appLaunchedFirstTime() const {
    return m_defaults.boolForKey(SettingsUserDefaults::appLaunchedFirstTime);
}
void ApplicationModel::setAppLaunchedFirstTime(bool value) {
    storeBool(SettingsUserDefaults::appLaunchedFirstTime, value);
}
bool ApplicationModel::sendCrashReportsData() const {
    return m_defaults.boolForKey(SettingsUserDefaults::sendCrashReportsData);
}
void ApplicationModel::setSendCrashReportsData(bool value) {
    storeBool(SettingsUserDefaults::sendCrashReportsData, value);
}
bool ApplicationModel::sendAnalyticsData() const {
    return m_defaults.boolForKey(SettingsUserDefaults::sendAnalyticsData);
}
void ApplicationModel::setSendAnalyticsData(bool value) {
    storeBool(SettingsUserDefaults::sendAnalyticsData, value);
}

AppRouterProtocol* ApplicationModel::router() const {
    return appRouter();
}
