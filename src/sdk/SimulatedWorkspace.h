#pragma once

// The engine behind VeltrixXPC and Veltrix: a workspace simulated on the SDK's own serial queue. Every
// delay goes through the platform scheduler, so under ManualScheduler the whole SDK runs in virtual time
// on the test thread. State is guarded by one mutex; delegates are called with it released.

#include "sdk/Analytics.h"
#include "sdk/Delegates.h"
#include "sdk/Logger.h"
#include "sdk/PDNetworks.h"
#include "sdk/StoredState.h"
#include "sdk/Workspace.h"

#include "platform/Scheduler.h"

#include <QUrl>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace sdk {

// One call the client made into the SDK, with its arguments by name.
struct SdkCall {
    QString name;
    QVariantMap arguments;
};

// Everything the simulation knows; tests edit it through SimulatedWorkspace::edit().
struct SimulationState {
    Workspace workspace;

    bool loggedIn = false;
    bool fastLoginAvailable = false;
    bool softLogoutPerformed = false;
    bool fastLoginInProgress = false;
    bool signInInProgress = false;
    std::uint64_t signInAttempt = 0;  // a later login() abandons an earlier attempt's browser
    bool signInStepsUnderway = false; // from an accepted callback to the session's data
    bool signInCancelled = false;     // until the next sign-in starts, a callback is ignored
    bool sessionExpired = false;
    std::optional<QString> recentUserName;

    SDVPNConnectionState connectionState = SDVPNConnectionState::disconnected;
    PDNetworkItemPtr currentNetwork;
    PDNetworkItemPtr connectionNetwork; // the network of the tunnel while it is not disconnected
    PDNetworksModelPtr networks;
    bool useAutomaticNetwork = false;
    int vpnProtocol = static_cast<int>(PDVPNProtocol::automatic);
    QStringList customMTUs;
    QString publicAddress;
    std::optional<QString> internalAddress;
    bool wasVPNStartedOnLaunch = false;
    bool trustedWiredNetwork = false;
    bool secureWebGateway = false;
    bool enterpriseAccount = false;
    bool wifiSecurityActivated = false;
    PD_DevicePostureCheckState devicePosture = PD_DevicePostureCheckState::healthy;
    // When set, Always-On reads this instead of the applied setting.
    std::optional<bool> alwaysOnOverride;

    PDSettings settings;        // applied
    PDSettings pendingSettings; // what the settings pages show and change
    PDAppConfig appConfig;
    bool forcedUpdateAvailable = false;
    bool silentUpdateAvailable = false;
    QString installedPackagePath; // the last package the system's installer took
    // Stands in for the system's installer (tests); when empty a verified package goes to the real one.
    std::function<SDUpdateInstallResult(const QString& packagePath)> installer;

    double connectDelaySeconds = 1.5;
    double reconnectDelaySeconds = 3.0;
    double browserDelaySeconds = 1.0;
    double stepDelaySeconds = 0.2; // between the steps of a sign-in and of data loading
    double publicIpDelaySeconds = 0.3;
    double logCollectionSeconds = 2.0;
    std::optional<PDError> nextConnectError;                          // the next connect fails with it
    std::optional<PDTroubleshootingHelperError> logCollectionFailure; // every collection fails with it
    bool publicIpLookupFails = false;

    PDEndpointConfig endpointConfig{PDEndpointEnv::cloud, SDEnvironmentDefault};
    QString appPath;

    // Bookkeeping of the simulation.
    std::uint64_t connectionId = 0;
    platform::Scheduler::Clock::time_point connectedAt{};
    std::uint64_t collectionId = 0;
};

class SimulatedWorkspace {
public:
    // The process's engine, made on first use from loadProcessWorkspace(). When that load fails the
    // error is logged, kept in loadError(), and the engine runs on an empty signed-out workspace.
    static SimulatedWorkspace& instance();

    explicit SimulatedWorkspace(Workspace workspace);
    SimulatedWorkspace(const SimulatedWorkspace&) = delete;
    SimulatedWorkspace& operator=(const SimulatedWorkspace&) = delete;

    QString loadError() const;
    // Starts again from `workspace`: pending work is dropped, state rebuilt; delegates, the browser and
    // the recorder stay. `loadError` says why a file did not load when `workspace` is the empty stand-in.
    void reset(Workspace workspace, const QString& loadError = {});

    // The SDK's thread. Every callback runs on it.
    const platform::DispatchQueue& queue() const { return m_queue; }

    // The simulated browser: gets the sign-in callback URL (on the SDK's thread). The application wires
    // it to its callback-URL handling; without one the URL is dropped with a log line.
    void setBrowser(std::function<void(const QUrl&)> browser);
    // Sees every call the client makes, in order, on the caller's thread.
    void setCallRecorder(std::function<void(const SdkCall&)> recorder);

    template <class F>
    auto read(F&& f) const {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }
    // Changes state directly, without callbacks.
    template <class F>
    void edit(F&& f) {
        std::lock_guard lock(m_mutex);
        f(m_state);
    }
    SimulationState snapshot() const;

    // Analytics events the SDK accepted, in the order they were sent.
    std::vector<AnalyticsEvent> analytics() const;
    VeltrixLogger& logger() { return m_logger; }

    DelegateSlot<PDLoginDelegate> loginDelegate;
    DelegateSlot<PDVPNConnectionStatusUpdatesDelegate> statusDelegate;
    DelegateSlot<SDConnectivityDelegate> connectivityDelegate;
    DelegateSlot<PDDataLoadingDelegate> dataLoadingDelegate;
    DelegateSlot<PDSettingsDelegate> settingsDelegate;
    DelegateSlot<PDPublicIpInfoServiceDelegate> publicIpDelegate;
    DelegateSlot<SDHelperToolInstallDelegate> helperToolDelegate;
    void clearDelegates();
    // A settings or public-address delegate set after such a report went out without one is given the
    // current state on the SDK's queue: a kept session's data can come before the client set them.
    void reportMissedState();

    // What VeltrixXPC and Veltrix forward.
    void record(const QString& name, QVariantMap arguments = {});
    void getInitialState(std::function<void()> completion);
    void setup(const PDEndpointConfig& config);
    void setup(const QString& appPath);
    void setCustomMTU(const QString& mtu);
    void onAppMainViewReady();
    void prepareToAwakeFromSleepMode();
    void shouldLaunchFastLogin(std::function<void(bool)> completion);
    void startFastLogInIfPossible();
    void login();
    void cancelLogin();
    void logout();
    void externalAuthSuccess(const PDExtendedAuthResult& authData);
    void connect(const SDVPNConfig& config);
    void disconnect(bool intentional, bool forced, bool keepKillSwitch);
    void connectToAnotherLocation(const SDVPNConfig& config, const QString& via);
    void changeVPNProtocol(int protocol);
    void setCurrentNetwork(const PDNetworkItemPtr& network);
    void setUseAutomaticNetwork(bool useAutomatic);
    void setGeneralSetting(PDGeneralSettingItem item, bool isOn);
    void setNetworkSetting(PDNetworkSettingItem item, bool isOn);
    void applySettingsChanges();
    void userUpdateTrustedNetworks(const QList<PDWiFiNetwork>& networks, std::function<void()> onCompleted);
    void prepareToInstallAppAutoUpdate(std::function<void(const SDUpdateInstallResult&)> onCompleted);
    void refreshPublicIpInfo();
    void sendAnalytics(const AnalyticsEvent& event);
    void collectLogsAndStats(
        std::function<void(const std::optional<QString>&, const std::optional<PDTroubleshootingHelperError>&)>
            onCompleted);
    void stopCollectLogsAndStats();
    bool enableAlwaysON() const;

    // Events of the service that no client call causes; tests and the demo trigger them.
    void dropConnection();          // connected -> reconnecting -> connected again
    void expireSession(int reason); // the session times out; the client is told
    void revokeNetworkPermissions(const std::optional<QString>& networkName);

    // The sign-in callback URL the simulated browser would open for `token`.
    QUrl callbackUrl(const QString& token) const;

    static constexpr double kAnalyticsRepeatWindowSeconds = 60.0;

private:
    void post(double delaySeconds, std::function<void()> task);
    void startBrowserSignIn(bool fast);
    void runSignInSteps();
    void loadSessionData();
    // A device at risk ends the sign-in at its posture step, signed out.
    void failPostureCheck();
    void beginConnecting(const PDNetworkItemPtr& network, bool transitional);
    void finishConnecting(std::uint64_t connectionId);
    void scheduleTick(std::uint64_t connectionId, int tick);
    void endConnection(bool transitional);
    void applyPending(bool notify);
    void startAlwaysOnIfNeeded();
    void notifyPublicAddress();
    // The downloaded package is there and matches the configuration's checksum.
    static bool isVerified(const PDAppConfig& config);
    PDNetworkItemPtr networkFor(const SDVPNConfig& config) const;
    QString collectText() const;
    // With both mutexes held: the state file of `workspace` read over it, for rebuildFromWorkspace().
    std::optional<StoredState> restoreStoredState(Workspace& workspace);
    void rebuildFromWorkspace(const std::optional<StoredState>& stored); // with the mutex held
    PDNetworksModelPtr makeOwnNetworksModel(const Workspace& workspace);
    // Writes the user's side of the workspace to its state file when it changed. Never with m_mutex held.
    void persist();

    // Taken before m_mutex: one write of the state file at a time, each of the state as it is then.
    std::mutex m_storeMutex;
    QString m_statePath; // empty: nothing is kept
    std::optional<StoredState> m_lastStored;
    mutable std::mutex m_mutex;
    SimulationState m_state;
    QString m_loadError;
    std::vector<AnalyticsEvent> m_analytics;
    std::vector<std::pair<AnalyticsEvent, platform::Scheduler::Clock::time_point>> m_recentlySent;
    std::function<void(const QUrl&)> m_browser;
    std::function<void(const SdkCall&)> m_recorder;
    std::mutex m_hookMutex;
    std::atomic<std::uint64_t> m_generation{0};
    VeltrixLogger m_logger;
    platform::DispatchQueue m_queue{QStringLiteral("veltrix.sdk")};
};

// The networks model for a workspace: its items, flags, automatic location, favourites and last used.
PDNetworksModelPtr makeNetworksModel(const Workspace& workspace);

} // namespace sdk
