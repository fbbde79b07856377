#include "sdk/VeltrixXPC.h"

#include "sdk/SimulatedWorkspace.h"
#include "sdk/Veltrix.h"

namespace {

sdk::SimulatedWorkspace& engine() {
    return sdk::SimulatedWorkspace::instance();
}

template <class F>
auto state(F&& f) {
    return engine().read(std::forward<F>(f));
}

using State = sdk::SimulationState;

} // namespace

void VeltrixXPC::getInitialState(std::function<void()> completion) {
    engine().getInitialState(std::move(completion));
}
void VeltrixXPC::setup(const PDEndpointConfig& config) {
    engine().setup(config);
}
void VeltrixXPC::setup(const QString& appPath) {
    engine().setup(appPath);
}
void VeltrixXPC::setCustomMTU(const QString& mtu) {
    engine().setCustomMTU(mtu);
}
void VeltrixXPC::onAppMainViewReady() {
    engine().onAppMainViewReady();
}
void VeltrixXPC::prepareToAwakeFromSleepMode() {
    engine().prepareToAwakeFromSleepMode();
}
VeltrixLogger& VeltrixXPC::logger() {
    return engine().logger();
}

void VeltrixXPC::setLoginDelegate(PDLoginDelegate* delegate) {
    engine().loginDelegate.set(delegate);
}
PDLoginDelegate* VeltrixXPC::loginDelegate() {
    return engine().loginDelegate.get();
}
void VeltrixXPC::setVpnStatusUpdatesDelegate(PDVPNConnectionStatusUpdatesDelegate* delegate) {
    engine().statusDelegate.set(delegate);
}
PDVPNConnectionStatusUpdatesDelegate* VeltrixXPC::vpnStatusUpdatesDelegate() {
    return engine().statusDelegate.get();
}
void VeltrixXPC::setConnectivityDelegate(SDConnectivityDelegate* delegate) {
    engine().connectivityDelegate.set(delegate);
}
SDConnectivityDelegate* VeltrixXPC::connectivityDelegate() {
    return engine().connectivityDelegate.get();
}
void VeltrixXPC::setDataLoadingDelegate(PDDataLoadingDelegate* delegate) {
    engine().dataLoadingDelegate.set(delegate);
}
PDDataLoadingDelegate* VeltrixXPC::dataLoadingDelegate() {
    return engine().dataLoadingDelegate.get();
}
void VeltrixXPC::setSettingsDelegate(PDSettingsDelegate* delegate) {
    engine().settingsDelegate.set(delegate);
    if (delegate) {
        engine().reportMissedState();
    }
}
PDSettingsDelegate* VeltrixXPC::settingsDelegate() {
    return engine().settingsDelegate.get();
}
void VeltrixXPC::setPublicIpInfoDelegate(PDPublicIpInfoServiceDelegate* delegate) {
    engine().publicIpDelegate.set(delegate);
    if (delegate) {
        engine().reportMissedState();
    }
}
PDPublicIpInfoServiceDelegate* VeltrixXPC::publicIpInfoDelegate() {
    return engine().publicIpDelegate.get();
}
void VeltrixXPC::setHelperToolInstallDelegate(SDHelperToolInstallDelegate* delegate) {
    engine().helperToolDelegate.set(delegate);
}
SDHelperToolInstallDelegate* VeltrixXPC::helperToolInstallDelegate() {
    return engine().helperToolDelegate.get();
}

bool VeltrixXPC::isLoggedIn() {
    return state([](const State& s) { return s.loggedIn; });
}
std::optional<QString> VeltrixXPC::recentUserName() {
    return state([](const State& s) { return s.recentUserName; });
}
void VeltrixXPC::shouldLaunchFastLogin(std::function<void(bool)> completion) {
    engine().shouldLaunchFastLogin(std::move(completion));
}
void VeltrixXPC::startFastLogInIfPossible() {
    engine().startFastLogInIfPossible();
}
bool VeltrixXPC::softLogoutPerformed() {
    return state([](const State& s) { return s.softLogoutPerformed; });
}
void VeltrixXPC::login() {
    engine().login();
}
void VeltrixXPC::cancelLogin() {
    engine().cancelLogin();
}
void VeltrixXPC::logout() {
    engine().logout();
}
void VeltrixXPC::externalAuthSuccess(const PDExtendedAuthResult& authData) {
    engine().externalAuthSuccess(authData);
}

void VeltrixXPC::connect(const SDVPNConfig& config) {
    engine().connect(config);
}
void VeltrixXPC::disconnect(bool intentional, bool forced, bool keepKillSwitch) {
    engine().disconnect(intentional, forced, keepKillSwitch);
}
void VeltrixXPC::connectToAnotherLocation(const SDVPNConfig& config) {
    engine().connectToAnotherLocation(config, QStringLiteral("connectToAnotherLocation"));
}
void VeltrixXPC::changeVPNProtocol(int protocol) {
    engine().changeVPNProtocol(protocol);
}
SDVPNConnectionState VeltrixXPC::connectionState() {
    return state([](const State& s) { return s.connectionState; });
}
bool VeltrixXPC::isConnectedToVPN() {
    return state([](const State& s) { return s.connectionState == SDVPNConnectionState::connected; });
}
bool VeltrixXPC::enableAlwaysON() {
    return engine().enableAlwaysON();
}
bool VeltrixXPC::enableKillSwitch() {
    return enableAlwaysON() || state([](const State& s) { return s.settings.killSwitch.value; });
}
bool VeltrixXPC::enableWiFiSecurity() {
    return state([](const State& s) { return s.settings.wifiSecurity.value; });
}
bool VeltrixXPC::wifiSecurityActivated() {
    return state([](const State& s) { return s.wifiSecurityActivated; });
}
bool VeltrixXPC::wasVPNStartedOnLaunch() {
    return state([](const State& s) { return s.wasVPNStartedOnLaunch; });
}
bool VeltrixXPC::isTrustedWiredNetwork() {
    return state([](const State& s) { return s.trustedWiredNetwork; });
}
bool VeltrixXPC::isSWGEnabled() {
    return state([](const State& s) { return s.secureWebGateway; });
}
bool VeltrixXPC::isEnterpriseAccount() {
    return state([](const State& s) { return s.enterpriseAccount; });
}
PD_DevicePostureCheckState VeltrixXPC::dpcState() {
    return state([](const State& s) { return s.devicePosture; });
}
std::optional<QString> VeltrixXPC::internalIPAddress() {
    return state([](const State& s) { return s.internalAddress; });
}
bool VeltrixXPC::isForcedUpdateAvailable() {
    return state([](const State& s) { return s.forcedUpdateAvailable; });
}
bool VeltrixXPC::isSilentUpdateAvailable() {
    return state([](const State& s) { return s.silentUpdateAvailable; });
}

PDNetworksModelPtr VeltrixXPC::networks() {
    return state([](const State& s) { return s.networks; });
}
PDNetworkItemPtr VeltrixXPC::currentNetwork() {
    return state([](const State& s) { return s.currentNetwork; });
}
void VeltrixXPC::setCurrentNetwork(const PDNetworkItemPtr& network) {
    engine().setCurrentNetwork(network);
}
PDSettings VeltrixXPC::settings() {
    return state([](const State& s) { return s.settings; });
}
PDSettings VeltrixXPC::unappliedSettings() {
    return state([](const State& s) { return s.pendingSettings; });
}
void VeltrixXPC::setGeneralSetting(PDGeneralSettingItem item, bool isOn) {
    engine().setGeneralSetting(item, isOn);
}
void VeltrixXPC::setNetworkSetting(PDNetworkSettingItem item, bool isOn) {
    engine().setNetworkSetting(item, isOn);
}
void VeltrixXPC::applySettingsChanges() {
    engine().applySettingsChanges();
}
void VeltrixXPC::userUpdateTrustedNetworks(const QList<PDWiFiNetwork>& networks,
                                           std::function<void()> onCompleted) {
    engine().userUpdateTrustedNetworks(networks, std::move(onCompleted));
}
PDAppConfig VeltrixXPC::appConfig() {
    return state([](const State& s) { return s.appConfig; });
}
void VeltrixXPC::prepareToInstallAppAutoUpdate(
    std::function<void(const SDUpdateInstallResult&)> onCompleted) {
    engine().prepareToInstallAppAutoUpdate(std::move(onCompleted));
}
void VeltrixXPC::refreshPublicIpInfo() {
    engine().refreshPublicIpInfo();
}

void VeltrixXPC::sendAnalytics(const AnalyticsEvent& event) {
    engine().sendAnalytics(event);
}

void VeltrixXPC::collectLogsAndStats(LogCollectionCompletion onCompleted) {
    engine().collectLogsAndStats(std::move(onCompleted));
}
void VeltrixXPC::stopCollectLogsAndStats() {
    engine().stopCollectLogsAndStats();
}

void Veltrix::connectToAnotherLocation(const SDVPNConfig& config) {
    engine().connectToAnotherLocation(config, QStringLiteral("Veltrix.connectToAnotherLocation"));
}
PDNetworkItemPtr Veltrix::currentAutomaticNetwork() {
    return state([](const State& s) { return s.networks ? s.networks->automaticLocation() : nullptr; });
}
bool Veltrix::useAutomaticNetwork() {
    return state([](const State& s) { return s.useAutomaticNetwork; });
}
void Veltrix::setUseAutomaticNetwork(bool useAutomatic) {
    engine().setUseAutomaticNetwork(useAutomatic);
}
std::optional<QString> Veltrix::internalIPAddress() {
    return VeltrixXPC::internalIPAddress();
}
