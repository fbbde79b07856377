#pragma once

#include "core/Preferences.h"
#include "sdk/PDNetworks.h"
#include "sdk/PDTypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class AppRouterProtocol;
namespace platform {
class UserDefaults;
}

// The client's one state object: the flags the windows, menus and the application delegate share, the
// bundle strings, the connection state with its change callback and the VPN protocol with its observers.
// Pass-through properties read and write the SDK (or the user defaults) at each access and store nothing.
// Main thread only. Made by ServiceLayer; reach it through ServiceLayer::appModel().
class ApplicationModel {
public:
    explicit ApplicationModel(platform::UserDefaults& defaults);
    ApplicationModel();
    ApplicationModel(const ApplicationModel&) = delete;
    ApplicationModel& operator=(const ApplicationModel&) = delete;

    // Stored state.
    QString auth0CustomDomain() const { return m_auth0CustomDomain; }
    void setAuth0CustomDomain(const QString& value) { m_auth0CustomDomain = value; }
    double pollingInterval() const { return m_pollingInterval; }
    void setPollingInterval(double value) { m_pollingInterval = value; }
    bool isInForcedUpgradeState() const { return m_isInForcedUpgradeState; }
    void setIsInForcedUpgradeState(bool value) { m_isInForcedUpgradeState = value; }
    bool isInForcedUpgrade() const { return m_isInForcedUpgradeState; }
    bool appDataWasLoaded() const { return m_appDataWasLoaded; }
    void setAppDataWasLoaded(bool value) { m_appDataWasLoaded = value; }
    bool isQAUIStatusViewHidden() const { return m_isQAUIStatusViewHidden; }
    void setIsQAUIStatusViewHidden(bool value) { m_isQAUIStatusViewHidden = value; }
    bool wasSettingsExist() const { return m_wasSettingsExist; }
    void setWasSettingsExist(bool value) { m_wasSettingsExist = value; }
    bool alwaysONUpdatePending() const { return m_alwaysONUpdatePending; }
    void setAlwaysONUpdatePending(bool value) { m_alwaysONUpdatePending = value; }

    QString appProductName() const { return m_appProductName; }
    QString appBundleID() const { return m_appBundleID; }
    QString appVersion() const { return m_appVersion; }
    QString appBuildNumber() const { return m_appBuildNumber; }
    QString platform() const { return m_platform; }

    QString vpnServersDomainSuffix() const { return m_vpnServersDomainSuffix; }
    void setVpnServersDomainSuffix(const QString& value) { m_vpnServersDomainSuffix = value; }
    QString mainDomainName() const { return m_mainDomainName; }
    void setMainDomainName(const QString& value) { m_mainDomainName = value; }
    QString reachabilityDomainName() const { return m_reachabilityDomainName; }
    void setReachabilityDomainName(const QString& value) { m_reachabilityDomainName = value; }
    bool isInWaitingForVPNProfileInstallUserAction() const {
        return m_isInWaitingForVPNProfileInstallUserAction;
    }
    void setIsInWaitingForVPNProfileInstallUserAction(bool value) {
        m_isInWaitingForVPNProfileInstallUserAction = value;
    }
    bool appAutoLaunchedAtOSStartup() const { return m_appAutoLaunchedAtOSStartup; }
    void setAppAutoLaunchedAtOSStartup(bool value) { m_appAutoLaunchedAtOSStartup = value; }
    std::optional<QString> pendingLocationIDToSet() const { return m_pendingLocationIDToSet; }
    void setPendingLocationIDToSet(const std::optional<QString>& value) { m_pendingLocationIDToSet = value; }
    PDNetworkItemPtr lastConnectedLocation() const { return m_lastConnectedLocation; }
    void setLastConnectedLocation(const PDNetworkItemPtr& value) { m_lastConnectedLocation = value; }
    bool loginProcessWasCanceled() const { return m_loginProcessWasCanceled; }
    void setLoginProcessWasCanceled(bool value) { m_loginProcessWasCanceled = value; }
    bool tenantRecieveWasCanceled() const { return m_tenantRecieveWasCanceled; }
    void setTenantRecieveWasCanceled(bool value) { m_tenantRecieveWasCanceled = value; }
    bool autoReconnectInProgress() const { return m_autoReconnectInProgress; }
    // Logs when it becomes (or stays) false.
    void setAutoReconnectInProgress(bool value);
    bool vpnWasConnectedWhenEnteringSleepMode() const { return m_vpnWasConnectedWhenEnteringSleepMode; }
    void setVpnWasConnectedWhenEnteringSleepMode(bool value) {
        m_vpnWasConnectedWhenEnteringSleepMode = value;
    }

    // The one change callback of the connection state; with an owner it is never called once the owner
    // is gone. Replaces the previous callback.
    using ConnectionStateCallback = std::function<void(SDVPNConnectionState)>;
    void setOnCurrentConnectionStateUpdated(ConnectionStateCallback callback, QObject* owner = nullptr);
    // The installed callback, bound to its owner (an empty function when none or the owner is gone).
    ConnectionStateCallback onCurrentConnectionStateUpdated() const;
    SDVPNConnectionState currentConnectionState() const { return m_currentConnectionState; }
    // Stores, then calls the callback with the stored state (on every write).
    void setCurrentConnectionState(SDVPNConnectionState state);

    bool vpnSettingsChangingDisabled() const { return m_vpnSettingsChangingDisabled; }
    void setVpnSettingsChangingDisabled(bool value) { m_vpnSettingsChangingDisabled = value; }
    VPNTypes vpnProtocol() const { return m_vpnProtocol; }
    bool startMinimized() const { return m_startMinimized; }
    void setStartMinimized(bool value) { m_startMinimized = value; }
    bool isAppInUserAgentMode() const { return m_isAppInUserAgentMode; }
    void setIsAppInUserAgentMode(bool value) { m_isAppInUserAgentMode = value; }
    std::optional<QString> userPublicIP() const { return m_userPublicIP; }
    void setUserPublicIP(const std::optional<QString>& value) { m_userPublicIP = value; }
    QString userCountry() const { return m_userCountry; }
    void setUserCountry(const QString& value) { m_userCountry = value; }
    QString userContinent() const { return m_userContinent; }
    void setUserContinent(const QString& value) { m_userContinent = value; }
    std::optional<QString> publicIPInfoUrl() const { return m_publicIPInfoUrl; }
    void setPublicIPInfoUrl(const std::optional<QString>& value) { m_publicIPInfoUrl = value; }
    PDNetworkItemPtr currentConnection() const { return m_currentConnection; }
    void setCurrentConnection(const PDNetworkItemPtr& value) { m_currentConnection = value; }
    std::optional<QString> newAppVersionDowloadLink() const { return m_newAppVersionDowloadLink; }
    void setNewAppVersionDowloadLink(const std::optional<QString>& value) {
        m_newAppVersionDowloadLink = value;
    }
    std::optional<QString> openvpnTemplate() const { return m_openvpnTemplate; }
    void setOpenvpnTemplate(const std::optional<QString>& value) { m_openvpnTemplate = value; }
    int upgradePeriodicTestMin() const { return m_upgradePeriodicTestMin; }
    void setUpgradePeriodicTestMin(int value) { m_upgradePeriodicTestMin = value; }

    // Observers of the protocol, told the new VPNProtocols raw value; each lasts while its owner does
    // (no owner: for the life of the model).
    using ProtocolObserver = std::function<void(const QString&)>;
    void addVPNProtocolUpdatedObserver(ProtocolObserver observer, QObject* owner = nullptr);
    int vpnProtocolObserverCount() const;

    // Brings vpnProtocol and the SDK in line with the stored "vpnProtocols" (the argument is not read).
    void updateVPNProtocol(VPNProtocols protocol = VPNProtocols::Automatic);
    // updateVPNProtocol(), then copies a stored Bool "startMinimized" from `defaults`.
    void applyUserDefaults(platform::UserDefaults& defaults);

    // Pass-through to the SDK.
    bool isForcedUpdateAvailable() const;
    PDSettings settings() const;
    PDSettings unappliedSettings() const;
    PDSettingBoolItem wifiSecuritySetting() const;
    void setWifiSecuritySetting(const PDSettingBoolItem& item);
    PDSettingBoolItem crashReportsSetting() const;
    void setCrashReportsSetting(const PDSettingBoolItem& item);
    // One value governs crash reports: "sendCrashReportsData", which the exception reporter reads. The
    // Crash Report switch sets it and the SDK's item together; a value the workspace enforces is taken.
    void syncCrashReportsSetting();
    PDSettingBoolItem notificationsSetting() const;
    void setNotificationsSetting(const PDSettingBoolItem& item);
    PDSettingBoolItem killSwitchSetting() const;
    void setKillSwitchSetting(const PDSettingBoolItem& item);
    PDSettingBoolItem alwaysOnSetting() const;
    bool connectOnLaunchEnabled() const;
    bool networkSelectionSettingEnabled() const;
    bool isAlwaysOnEnabled() const;
    PDNetworkItemPtr currentNetwork() const;
    // Sets the SDK's current network, then keeps what the SDK reports as current in lastConnectedLocation.
    void setCurrentNetwork(const PDNetworkItemPtr& network);
    bool isLoggedIn() const;
    bool isConnectedToVPN() const;
    PDNetworksModelPtr networks() const;
    PDNetworkItemPtr currentAutomaticNetwork() const;
    bool useAutomaticNetwork() const;
    void setUseAutomaticNetwork(bool value);
    QString offeredAppVersion() const;
    // The offered update, read from the SDK's configuration on every call: the package's full URL, where
    // the client puts it, and its version (what offeredAppVersion() gives).
    QString appUpdateURL() const;
    QString appUpdatePackagePath() const;
    QString appUpdateVersion() const;

    // Pass-through to the user defaults (each write is synchronised at once).
    bool appLaunchedFirstTime() const;
    void setAppLaunchedFirstTime(bool value);
    bool sendCrashReportsData() const;
    void setSendCrashReportsData(bool value);
    bool sendAnalyticsData() const;
    void setSendAnalyticsData(bool value);

    // The application delegate as router; null before it is installed.
    AppRouterProtocol* router() const;

    // The SDK's number for a protocol (changeVPNProtocol).
    static int sdkProtocolNumber(VPNTypes type);
    // The stored raw value as the model reads it; L2TP, PPTP and unknown texts become automatic.
    static VPNTypes vpnTypeForStoredValue(const QString& stored);

private:
    void storeBool(const QString& key, bool value);

    platform::UserDefaults& m_defaults;

    QString m_auth0CustomDomain;
    double m_pollingInterval = 300.0;
    bool m_isInForcedUpgradeState = false;
    bool m_appDataWasLoaded = false;
    bool m_isQAUIStatusViewHidden = true;
    bool m_wasSettingsExist = true;
    bool m_alwaysONUpdatePending = false;
    const QString m_appProductName;
    const QString m_appBundleID;
    const QString m_appVersion;
    const QString m_appBuildNumber;
    const QString m_platform;
    QString m_vpnServersDomainSuffix;
    QString m_mainDomainName;
    QString m_reachabilityDomainName;
    bool m_isInWaitingForVPNProfileInstallUserAction = false;
    bool m_appAutoLaunchedAtOSStartup = false;
    std::optional<QString> m_pendingLocationIDToSet;
    PDNetworkItemPtr m_lastConnectedLocation;
    bool m_loginProcessWasCanceled = false;
    bool m_tenantRecieveWasCanceled = false;
    bool m_autoReconnectInProgress = false;
    bool m_vpnWasConnectedWhenEnteringSleepMode = false;
    ConnectionStateCallback m_onCurrentConnectionStateUpdated;
    bool m_callbackHasOwner = false;
    QPointer<QObject> m_callbackOwner;
    SDVPNConnectionState m_currentConnectionState = SDVPNConnectionState::disconnected;
    bool m_vpnSettingsChangingDisabled = false;
    VPNTypes m_vpnProtocol = VPNTypes::automatic;
    bool m_startMinimized = false;
    bool m_isAppInUserAgentMode = false;
    std::optional<QString> m_userPublicIP;
    QString m_userCountry;
    QString m_userContinent = QStringLiteral("Europe");
    std::optional<QString> m_publicIPInfoUrl;
    PDNetworkItemPtr m_currentConnection;
    std::optional<QString> m_newAppVersionDowloadLink;
    std::optional<QString> m_openvpnTemplate;
    int m_upgradePeriodicTestMin = 1;

    struct Observer {
        ProtocolObserver call;
        bool hasOwner = false;
        QPointer<QObject> owner;
    };
    QList<Observer> m_onVPNProtocolUpdatedObservers;
};
