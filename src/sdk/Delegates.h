#pragma once

// The SDK's delegate interfaces. The SDK holds each delegate as a non-owning pointer and calls it on its
// own thread; every callback has an empty default so a receiver implements only what it needs.

#include "sdk/PDError.h"
#include "sdk/PDNetworks.h"
#include "sdk/PDTypes.h"

#include <QString>
#include <QUrl>

#include <mutex>
#include <optional>
#include <utility>

class PDLoginDelegate {
public:
    virtual ~PDLoginDelegate() = default;
    virtual void onExtendedLoginStarted(const QUrl& /*signInPage*/) {}
    virtual void onExtendedAuthViewLoaded() {}
    virtual void onExtendedAuthCanceled() {}
    virtual void onAuthDataChanged() {}
    virtual void onExtendedAuthFailedWithError(const PDError& /*error*/) {}
    virtual void onExtendedAuthSucceed() {}
    virtual void onDeviceRegisterStart() {}
    virtual void onLoginSuccess() {}
    virtual void onLoginErrorWithError(const PDError& /*error*/) {}
    virtual void onAccountExpired() {}
    virtual void onSDPLoginStarted() {}
    virtual void onSDPLoginSuccess() {}
    virtual void onSDPLoginErrorWithError(const PDError& /*error*/) {}
    virtual void onSDPDropped() {}
    virtual void onLogoutFinished() {}
    virtual void onDPCProcessingStarted() {}
    virtual void onDPCFailedWithResult(const PD_DPCResult& /*result*/) {}
    virtual void onDPCResultChanged() {}
    virtual void onSWGStatusChanged() {}
};

class PDVPNConnectionStatusUpdatesDelegate {
public:
    virtual ~PDVPNConnectionStatusUpdatesDelegate() = default;
    virtual void onVPNModuleLoaded() {}
    virtual void onConnectedToVPN() {}
    // `isTransitional`: the state is a step of a location change or reconnect, not a connection of its own.
    virtual void onConnectingToVPN(bool /*isTransitional*/) {}
    virtual void onDisconnectedFromVPN(bool /*isTransitional*/) {}
    virtual void onReConnectingToVPN() {}
    virtual void onReEstablishRequested() {}
    virtual void onConnectToAnotherLocationPreparedUsing(const SDVPNConfig& /*config*/) {}
    virtual void onVPNAutoStartRequested() {}
    virtual void onErrorConnectingToVPNWithError(const PDError& /*error*/) {}
    // Seconds since the tunnel came up; once a second while connected.
    virtual void onConnectionTimeUpdatedWithTime(double /*seconds*/) {}
    virtual void onRegionNameAvailableWithRegionName(const QString& /*regionName*/) {}
    virtual void connectionToVPNInterrupted(const std::optional<PDError>& /*error*/) {}
    virtual void onTrustedWiredNetworkStatusUpdated() {}
    virtual void onConnectedToVPNFlagChanged() {}
};

class SDConnectivityDelegate {
public:
    virtual ~SDConnectivityDelegate() = default;
    virtual void onConnectionReachable() {}
    virtual void onConnectionUnReachable() {}
    virtual void onReConnectRequested() {}
    virtual void onInternalIpChangedTo(const std::optional<QString>& /*address*/) {}
    virtual void onVPNLatencyMeasurementResultReceivedWithResult(const QString& /*result*/,
                                                                 const QString& /*vpnProtocol*/) {}
    virtual void onUnsecuredNetworkConnectedWithSkipNotification(bool /*skipNotification*/) {}
    virtual void onSecuredNetworkConnected() {}
    virtual void onWiFiSecurityDeactivated() {}
    virtual void onDefaultGatewayChangedTo(const QString& /*gateway*/) {}
};

class PDDataLoadingDelegate {
public:
    virtual ~PDDataLoadingDelegate() = default;
    virtual void onApplicationConfigLoadedWithConfig(const PDAppConfig& /*config*/) {}
    virtual void onApplicationDataLoadedWithNetworks(const PDNetworksModelPtr& /*networks*/) {}
    // `reason`: a raw SDPStateReasonCodeType value.
    virtual void onSessionTimeoutWithReason(int /*reason*/) {}
    virtual void onNetworkPermissionsRevokedForNetworkName(const std::optional<QString>& /*networkName*/) {}
    virtual void applicationConnectedWithInitialData() {}
};

class PDSettingsDelegate {
public:
    virtual ~PDSettingsDelegate() = default;
    virtual void onUpdatedWithSettings(const PDSettings& /*settings*/) {}
};

class PDPublicIpInfoServiceDelegate {
public:
    virtual ~PDPublicIpInfoServiceDelegate() = default;
    virtual void onPublicIpInfoLoadedWithPublicIpInfo(const PDPublicIPInfoPtr& /*info*/) {}
    virtual void onPublicIpInfoLoadingErrorWithError(const PDError& /*error*/) {}
};

class SDHelperToolInstallDelegate {
public:
    virtual ~SDHelperToolInstallDelegate() = default;
    virtual void onHelperToolInstallErrorWithError(const SDHelperToolInstallError& /*error*/) {}
};

namespace sdk {

// Holds one delegate without owning it. A call runs while the slot's lock is held, so set() returns only
// after a call in flight on the old delegate has finished, and no later call reaches the old one. The
// lock is recursive: a delegate may replace itself (or read the slot) from inside its own callback.
// A callback must not wait for a thread that is setting the same slot.
template <class Delegate>
class DelegateSlot {
public:
    void set(Delegate* delegate) {
        std::lock_guard lock(m_mutex);
        m_delegate = delegate;
    }
    Delegate* get() const {
        std::lock_guard lock(m_mutex);
        return m_delegate;
    }
    // Calls `f(delegate)` when a delegate is set; answers whether one was. A call that found none is
    // remembered until takeMissed().
    template <class F>
    bool call(F&& f) const {
        std::lock_guard lock(m_mutex);
        if (!m_delegate) {
            m_missed = true;
            return false;
        }
        f(*m_delegate);
        return true;
    }
    // Whether a call found no delegate since the last time this was asked.
    bool takeMissed() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_missed, false);
    }

private:
    mutable std::recursive_mutex m_mutex;
    Delegate* m_delegate = nullptr;
    mutable bool m_missed = false;
};

} // namespace sdk
