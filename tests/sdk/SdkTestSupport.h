#pragma once

#include "sdk/testing/Driver.h"

#include "platform/ManualScheduler.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[' << list.join(", ").toStdString() << ']';
}

namespace sdktest {

// Writes down every callback it receives, with the thread it came on.
class Recorder : public PDLoginDelegate,
                 public PDVPNConnectionStatusUpdatesDelegate,
                 public SDConnectivityDelegate,
                 public PDDataLoadingDelegate,
                 public PDSettingsDelegate,
                 public PDPublicIpInfoServiceDelegate {
public:
    void install() {
        VeltrixXPC::setLoginDelegate(this);
        VeltrixXPC::setVpnStatusUpdatesDelegate(this);
        VeltrixXPC::setConnectivityDelegate(this);
        VeltrixXPC::setDataLoadingDelegate(this);
        VeltrixXPC::setSettingsDelegate(this);
        VeltrixXPC::setPublicIpInfoDelegate(this);
    }

    QStringList events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    bool has(const QString& event) const { return events().contains(event); }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_events.clear();
        ticks.clear();
        publicAddresses.clear();
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

    std::vector<double> ticks;
    std::optional<PDError> lastError;
    PDNetworksModelPtr loadedNetworks;
    QStringList publicAddresses;
    std::optional<PDSettings> lastSettings;
    std::optional<PD_DPCResult> lastPostureFailure;

    // Login.
    void onExtendedAuthSucceed() override { add("extendedAuthSucceed"); }
    void onLoginSuccess() override { add("loginSuccess"); }
    void onLoginErrorWithError(const PDError& error) override {
        lastError = error;
        add("loginError");
    }
    void onSDPLoginSuccess() override { add("sdpLoginSuccess"); }
    void onLogoutFinished() override { add("logoutFinished"); }
    void onDPCFailedWithResult(const PD_DPCResult& result) override {
        lastPostureFailure = result;
        add("postureFailed");
    }
    // Status.
    void onConnectingToVPN(bool transitional) override {
        add(transitional ? "connecting(transitional)" : "connecting");
    }
    void onConnectedToVPN() override { add("connected"); }
    void onDisconnectedFromVPN(bool transitional) override {
        add(transitional ? "disconnected(transitional)" : "disconnected");
    }
    void onReConnectingToVPN() override { add("reconnecting"); }
    void onVPNAutoStartRequested() override { add("autoStart"); }
    void onConnectToAnotherLocationPreparedUsing(const SDVPNConfig& config) override {
        add("prepared:" + config.networkId);
    }
    void onErrorConnectingToVPNWithError(const PDError& error) override {
        lastError = error;
        add("connectError");
    }
    void onRegionNameAvailableWithRegionName(const QString& region) override { add("region:" + region); }
    void onConnectionTimeUpdatedWithTime(double seconds) override {
        std::lock_guard lock(m_mutex);
        ticks.push_back(seconds);
    }
    // Data loading.
    void onApplicationConfigLoadedWithConfig(const PDAppConfig&) override { add("configLoaded"); }
    void onApplicationDataLoadedWithNetworks(const PDNetworksModelPtr& networks) override {
        loadedNetworks = networks;
        add("dataLoaded");
    }
    void onSessionTimeoutWithReason(int reason) override {
        add(QStringLiteral("sessionTimeout:%1").arg(reason));
    }
    // Settings and public address.
    void onUpdatedWithSettings(const PDSettings& settings) override {
        lastSettings = settings;
        add("settingsUpdated");
    }
    void onPublicIpInfoLoadedWithPublicIpInfo(const PDPublicIPInfoPtr& info) override {
        {
            std::lock_guard lock(m_mutex);
            publicAddresses.append(info->ipAddress());
        }
        add("publicIp");
    }

private:
    void add(const QString& event) {
        std::lock_guard lock(m_mutex);
        m_events.append(event);
        m_threads.push_back(std::this_thread::get_id());
    }
    mutable std::mutex m_mutex;
    QStringList m_events;
    std::vector<std::thread::id> m_threads;
};

// The client's callback-URL path, reduced to what the SDK needs: the token and tenant from the query.
inline void completeSignIn(const QUrl& url) {
    const QUrlQuery query(url);
    VeltrixXPC::externalAuthSuccess(PDExtendedAuthResult(query.queryItemValue(QStringLiteral("tenant_id")),
                                                         query.queryItemValue(QStringLiteral("id_token"))));
}

// Virtual time, the demo workspace and a recording delegate for every role.
class SdkTest : public ::testing::Test {
protected:
    void SetUp() override { recorder.install(); }
    void TearDown() override { sdk::SimulatedWorkspace::instance().clearDelegates(); }

    void signIn() {
        driver.setBrowserForward(completeSignIn);
        VeltrixXPC::login();
        scheduler.advance(10);
        ASSERT_TRUE(VeltrixXPC::isLoggedIn());
        recorder.clear();
        driver.clearCalls();
    }
    PDNetworkItemPtr network(const QString& id) const { return VeltrixXPC::networks()->networkWithId(id); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped{scheduler};
    sdk::testing::Driver driver;
    Recorder recorder;
};

} // namespace sdktest
