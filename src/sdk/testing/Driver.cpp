#include "sdk/testing/Driver.h"

#include <QDir>
#include <QtGlobal>

namespace sdk::testing {

Driver::Driver() : Driver(demoWorkspace()) {}

Driver::Driver(Workspace workspace) : m_workspace(std::move(workspace)) {
    forgetStoredStates();
    reset();
}

void Driver::forgetStoredStates() {
    QDir(storedStateDirectory()).removeRecursively();
}

Driver::~Driver() {
    auto& e = engine();
    e.setCallRecorder({});
    e.setBrowser({});
    e.logger().setSink({});
    e.clearDelegates();
    e.reset(Workspace{});
    forgetStoredStates();
}

Workspace Driver::demoWorkspace() {
    const QString path = workspacePath({});
    WorkspaceLoadResult loaded = loadWorkspaceFile(path);
    if (!loaded.ok()) {
        qFatal("The demo workspace does not load: %s", qPrintable(loaded.error));
    }
    return std::move(*loaded.workspace);
}

void Driver::reset() {
    reset(m_workspace);
}

void Driver::reset(Workspace workspace) {
    resetEngine(std::move(workspace), {});
}

QString Driver::resetFromFile(const QString& path) {
    WorkspaceLoadResult loaded = loadWorkspaceFile(path);
    resetEngine(loaded.ok() ? std::move(*loaded.workspace) : Workspace{}, loaded.error);
    return loaded.error;
}

void Driver::resetEngine(Workspace workspace, const QString& loadError) {
    m_workspace = workspace;
    {
        std::lock_guard lock(m_mutex);
        m_calls.clear();
        m_browserUrls.clear();
        m_forward = {};
        m_logLines.clear();
    }
    auto& e = engine();
    e.clearDelegates();
    e.reset(std::move(workspace), loadError);
    install();
}

void Driver::install() {
    auto& e = engine();
    e.setCallRecorder([this](const SdkCall& call) {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(call);
    });
    e.setBrowser([this](const QUrl& url) {
        std::function<void(const QUrl&)> forward;
        {
            std::lock_guard lock(m_mutex);
            m_browserUrls.push_back(url);
            forward = m_forward;
        }
        if (forward) {
            forward(url);
        }
    });
    e.logger().clearRecent();
    e.logger().setSink([this](const VeltrixLogger::Record& record) {
        std::lock_guard lock(m_mutex);
        m_logLines.append(record);
    });
}

std::vector<SdkCall> Driver::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<SdkCall> Driver::calls(const QString& name) const {
    std::lock_guard lock(m_mutex);
    std::vector<SdkCall> named;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(named),
                 [&](const SdkCall& call) { return call.name == name; });
    return named;
}

QStringList Driver::callNames() const {
    std::lock_guard lock(m_mutex);
    QStringList names;
    for (const auto& call : m_calls) {
        names.append(call.name);
    }
    return names;
}

std::optional<SdkCall> Driver::lastCall(const QString& name) const {
    const auto named = calls(name);
    return named.empty() ? std::nullopt : std::optional<SdkCall>(named.back());
}

void Driver::clearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

std::vector<QUrl> Driver::browserUrls() const {
    std::lock_guard lock(m_mutex);
    return m_browserUrls;
}

void Driver::setBrowserForward(std::function<void(const QUrl&)> forward) {
    std::lock_guard lock(m_mutex);
    m_forward = std::move(forward);
}

QList<VeltrixLogger::Record> Driver::loggedLines() const {
    std::lock_guard lock(m_mutex);
    return m_logLines;
}

void Driver::setLoggedIn(bool loggedIn) {
    editState([&](SimulationState& s) {
        s.loggedIn = loggedIn;
        if (loggedIn && !s.networks) {
            s.networks = makeNetworksModel(s.workspace);
        }
    });
}

void Driver::setConnectionState(SDVPNConnectionState state) {
    editState([&](SimulationState& s) {
        ++s.connectionId; // whatever was under way stops
        s.connectionState = state;
        s.connectionNetwork = state == SDVPNConnectionState::disconnected ? nullptr : s.currentNetwork;
    });
}

void Driver::setAlwaysOn(bool enabled) {
    editState([&](SimulationState& s) { s.alwaysOnOverride = enabled; });
}
void Driver::setForcedUpdateAvailable(bool available) {
    editState([&](SimulationState& s) { s.forcedUpdateAvailable = available; });
}
void Driver::setSilentUpdateAvailable(bool available) {
    editState([&](SimulationState& s) { s.silentUpdateAvailable = available; });
}
void Driver::setNetworks(PDNetworksModelPtr networks) {
    editState([&](SimulationState& s) { s.networks = std::move(networks); });
}

void Driver::setCurrentNetwork(PDNetworkItemPtr network) {
    editState([&](SimulationState& s) {
        if (s.networks) {
            s.networks->setCurrentNetworkId(network ? network->id() : std::nullopt);
        }
        s.currentNetwork = std::move(network);
    });
}

void Driver::setSettings(const PDSettings& applied) {
    editState([&](SimulationState& s) { s.settings = applied; });
}
void Driver::setPendingSettings(const PDSettings& pending) {
    editState([&](SimulationState& s) { s.pendingSettings = pending; });
}

void Driver::setAppConfig(const PDAppConfig& config) {
    editState([&](SimulationState& s) {
        s.appConfig = config;
        s.forcedUpdateAvailable = !config.offeredVersion.isEmpty() && config.isForcedUpdate;
        s.silentUpdateAvailable = !config.offeredVersion.isEmpty() && config.isSilentUpdate;
    });
}

void Driver::setPublicAddress(const QString& address) {
    editState([&](SimulationState& s) { s.publicAddress = address; });
}
void Driver::setTrustedWiredNetwork(bool trusted) {
    editState([&](SimulationState& s) { s.trustedWiredNetwork = trusted; });
}
void Driver::setWiFiSecurityActivated(bool activated) {
    editState([&](SimulationState& s) { s.wifiSecurityActivated = activated; });
}
void Driver::setConnectDelay(double seconds) {
    editState([&](SimulationState& s) { s.connectDelaySeconds = seconds; });
}
void Driver::failNextConnect(const PDError& error) {
    editState([&](SimulationState& s) { s.nextConnectError = error; });
}
void Driver::failLogCollection(std::optional<PDTroubleshootingHelperError> error) {
    editState([&](SimulationState& s) { s.logCollectionFailure = std::move(error); });
}
void Driver::failPublicIpLookup(bool fails) {
    editState([&](SimulationState& s) { s.publicIpLookupFails = fails; });
}

} // namespace sdk::testing
