#pragma once

// Test control of the SDK stand-in: records every call the client makes, sets any state directly and
// fires any delegate callback. One Driver at a time; it resets the process's SDK when made and when
// destroyed, so tests do not see each other's state.

#include "sdk/SimulatedWorkspace.h"
#include "sdk/VeltrixSDK.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sdk::testing {

class Driver {
public:
    // Where a fired callback runs: on the caller's thread (returns after it), on the SDK's queue (runs
    // when the queue gets to it), or on a new thread (returns after it).
    enum class Delivery { callingThread, sdkQueue, otherThread };

    // Runs on the demo workspace of the bundle.
    Driver();
    explicit Driver(Workspace workspace);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Back to the workspace given at construction (or `workspace`), as a new process finds it: its state
    // file read over it, calls, browser URLs, log lines and delegates cleared, pending SDK work dropped.
    void reset();
    void reset(Workspace workspace);
    // As a process started on the file at `path` would be: its workspace, or the empty one with the
    // loader's error when the file does not load. Answers that error ("" when it loaded).
    QString resetFromFile(const QString& path);

    static Workspace demoWorkspace();
    // Every workspace's state file is removed: the next reset starts from the workspace file alone. A
    // driver does this when made and when destroyed.
    static void forgetStoredStates();
    SimulatedWorkspace& engine() const { return SimulatedWorkspace::instance(); }

    // Calls the client made, in order.
    std::vector<SdkCall> calls() const;
    std::vector<SdkCall> calls(const QString& name) const;
    QStringList callNames() const;
    std::optional<SdkCall> lastCall(const QString& name) const;
    void clearCalls();
    // Analytics events the SDK accepted, in order.
    std::vector<AnalyticsEvent> analytics() const { return engine().analytics(); }

    // Sign-in callback URLs the simulated browser produced. With `forward` set each is also handed on
    // (the client's callback-URL path, typically).
    std::vector<QUrl> browserUrls() const;
    void setBrowserForward(std::function<void(const QUrl&)> forward);

    // Lines written to the SDK's logger while the driver runs (they do not reach Qt logging).
    QList<VeltrixLogger::Record> loggedLines() const;

    // State, set at once and without callbacks.
    void editState(const std::function<void(SimulationState&)>& change) { engine().edit(change); }
    SimulationState state() const { return engine().snapshot(); }
    void setLoggedIn(bool loggedIn);
    void setConnectionState(SDVPNConnectionState state);
    void setAlwaysOn(bool enabled);
    void setForcedUpdateAvailable(bool available);
    void setSilentUpdateAvailable(bool available);
    void setNetworks(PDNetworksModelPtr networks);
    void setCurrentNetwork(PDNetworkItemPtr network);
    void setSettings(const PDSettings& applied);
    void setPendingSettings(const PDSettings& pending);
    void setAppConfig(const PDAppConfig& config);
    void setPublicAddress(const QString& address);
    void setTrustedWiredNetwork(bool trusted);
    void setWiFiSecurityActivated(bool activated);
    void setConnectDelay(double seconds);
    void failNextConnect(const PDError& error);
    void failLogCollection(std::optional<PDTroubleshootingHelperError> error);
    void failPublicIpLookup(bool fails);

    // Service events that no client call causes.
    void dropConnection() { engine().dropConnection(); }
    void expireSession(int reason) { engine().expireSession(reason); }
    void revokeNetworkPermissions(const std::optional<QString>& name) {
        engine().revokeNetworkPermissions(name);
    }

    // Fires a callback on the delegate set for `D` (nothing when none is set), e.g.
    // driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onConnectedToVPN(); });
    template <class D, class F>
    void fire(F&& callback, Delivery delivery = Delivery::callingThread) {
        auto& slot = slotFor<D>();
        std::function<void(D&)> call(std::forward<F>(callback));
        switch (delivery) {
        case Delivery::callingThread:
            slot.call(call);
            break;
        case Delivery::otherThread: {
            std::thread worker([&] { slot.call(call); });
            worker.join();
            break;
        }
        case Delivery::sdkQueue:
            engine().queue().async([&slot, call] { slot.call(call); });
            break;
        }
    }

    template <class D>
    DelegateSlot<D>& slotFor() const {
        auto& e = engine();
        if constexpr (std::is_same_v<D, PDLoginDelegate>)
            return e.loginDelegate;
        else if constexpr (std::is_same_v<D, PDVPNConnectionStatusUpdatesDelegate>)
            return e.statusDelegate;
        else if constexpr (std::is_same_v<D, SDConnectivityDelegate>)
            return e.connectivityDelegate;
        else if constexpr (std::is_same_v<D, PDDataLoadingDelegate>)
            return e.dataLoadingDelegate;
        else if constexpr (std::is_same_v<D, PDSettingsDelegate>)
            return e.settingsDelegate;
        else if constexpr (std::is_same_v<D, PDPublicIpInfoServiceDelegate>)
            return e.publicIpDelegate;
        else {
            static_assert(std::is_same_v<D, SDHelperToolInstallDelegate>, "not an SDK delegate");
            return e.helperToolDelegate;
        }
    }

private:
    void install();
    void resetEngine(Workspace workspace, const QString& loadError);

    Workspace m_workspace;
    mutable std::mutex m_mutex;
    std::vector<SdkCall> m_calls;
    std::vector<QUrl> m_browserUrls;
    std::function<void(const QUrl&)> m_forward;
    QList<VeltrixLogger::Record> m_logLines;
};

} // namespace sdk::testing
