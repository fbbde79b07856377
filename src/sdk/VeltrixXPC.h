#pragma once

// The SDK's entry points. Every member is static; results come back through completions and delegate
// callbacks on the SDK's own thread. Getters may be called from any thread and read the state anew.

#include "sdk/Analytics.h"
#include "sdk/Delegates.h"
#include "sdk/Logger.h"
#include "sdk/PDError.h"
#include "sdk/PDNetworks.h"
#include "sdk/PDTypes.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class VeltrixXPC {
public:
    VeltrixXPC() = delete;

    // Set-up. The initial-state completion runs on the SDK's thread.
    static void getInitialState(std::function<void()> completion);
    static void setup(const PDEndpointConfig& config);
    static void setup(const QString& appPath);
    static void setCustomMTU(const QString& mtu);
    static void onAppMainViewReady();
    static void prepareToAwakeFromSleepMode();
    static VeltrixLogger& logger();

    // Delegates: not owned; a setter returns once a callback in flight on the old delegate has finished.
    static void setLoginDelegate(PDLoginDelegate* delegate);
    static PDLoginDelegate* loginDelegate();
    static void setVpnStatusUpdatesDelegate(PDVPNConnectionStatusUpdatesDelegate* delegate);
    static PDVPNConnectionStatusUpdatesDelegate* vpnStatusUpdatesDelegate();
    static void setConnectivityDelegate(SDConnectivityDelegate* delegate);
    static SDConnectivityDelegate* connectivityDelegate();
    static void setDataLoadingDelegate(PDDataLoadingDelegate* delegate);
    static PDDataLoadingDelegate* dataLoadingDelegate();
    static void setSettingsDelegate(PDSettingsDelegate* delegate);
    static PDSettingsDelegate* settingsDelegate();
    static void setPublicIpInfoDelegate(PDPublicIpInfoServiceDelegate* delegate);
    static PDPublicIpInfoServiceDelegate* publicIpInfoDelegate();
    static void setHelperToolInstallDelegate(SDHelperToolInstallDelegate* delegate);
    static SDHelperToolInstallDelegate* helperToolInstallDelegate();

    // Session.
    static bool isLoggedIn();
    static std::optional<QString> recentUserName();
    // Answers whether a sign-in without the browser is under way (it may start one).
    static void shouldLaunchFastLogin(std::function<void(bool)> completion);
    static void startFastLogInIfPossible();
    static bool softLogoutPerformed();
    static void login();
    // Drops a sign-in under way (the browser's or the steps after its callback); its callback is ignored.
    static void cancelLogin();
    static void logout();
    static void externalAuthSuccess(const PDExtendedAuthResult& authData);

    // Connection: no results; the outcome comes through the status callbacks.
    static void connect(const SDVPNConfig& config);
    static void disconnect(bool intentional, bool forced, bool keepKillSwitch);
    static void connectToAnotherLocation(const SDVPNConfig& config);
    static void changeVPNProtocol(int protocol); // PDVPNProtocol numbers 1 to 6
    static SDVPNConnectionState connectionState();
    static bool isConnectedToVPN();
    static bool enableAlwaysON();
    static bool enableKillSwitch();
    static bool enableWiFiSecurity();
    static bool wifiSecurityActivated();
    static bool wasVPNStartedOnLaunch();
    static bool isTrustedWiredNetwork();
    static bool isSWGEnabled();
    static bool isEnterpriseAccount();
    static PD_DevicePostureCheckState dpcState();
    static std::optional<QString> internalIPAddress();
    static bool isForcedUpdateAvailable();
    static bool isSilentUpdateAvailable();

    // Data.
    static PDNetworksModelPtr networks(); // null until the workspace's data has loaded
    static PDNetworkItemPtr currentNetwork();
    static void setCurrentNetwork(const PDNetworkItemPtr& network);
    static PDSettings settings();
    static PDSettings unappliedSettings();
    // Store one change in the pending settings; an enforced item refuses it.
    static void setGeneralSetting(PDGeneralSettingItem item, bool isOn);
    static void setNetworkSetting(PDNetworkSettingItem item, bool isOn);
    static void applySettingsChanges();
    static void userUpdateTrustedNetworks(const QList<PDWiFiNetwork>& networks,
                                          std::function<void()> onCompleted);
    static PDAppConfig appConfig();
    // Verifies the downloaded package (the app configuration's package path) against its SHA-256 and
    // hands it to the system's installer; the completion, on any thread, says what became of it.
    static void prepareToInstallAppAutoUpdate(std::function<void(const SDUpdateInstallResult&)> onCompleted);
    static void refreshPublicIpInfo();

    // Analytics: fire and forget.
    static void sendAnalytics(const AnalyticsEvent& event);

    // Diagnostics: the completion gets the collected text, or an error.
    using LogCollectionCompletion = std::function<void(
        const std::optional<QString>& text, const std::optional<PDTroubleshootingHelperError>& error)>;
    static void collectLogsAndStats(LogCollectionCompletion onCompleted);
    static void stopCollectLogsAndStats();
};
