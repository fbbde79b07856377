#include "sdk/SimulatedWorkspace.h"

#include "platform/Bundle.h"
#include "sdk/UpdateInstaller.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLoggingCategory>
#include <QUrlQuery>

Q_LOGGING_CATEGORY(lcSdk, "veltrix.sdk")

namespace sdk {

namespace {

using Clock = platform::Scheduler::Clock;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

PDNetworkItemPtr makeItem(const NetworkDefinition& definition, PDNetworkKind kind) {
    PDNetworkItem::Data data;
    data.id = definition.id;
    data.kind = kind;
    data.title = definition.name;
    data.locationTitle = definition.name;
    data.countryCode = definition.countryCode;
    data.continent = definition.continent;
    data.isSplitTunnelingEnabled = definition.splitTunneling;
    data.isDNSFilteringEnabled = definition.dnsFiltering;
    data.isPrivateDNSEnabled = definition.privateDNS;
    data.vpnConfiguration = SDVPNConfig{definition.id, definition.gateway.hostname, definition.gateway.region,
                                        definition.gateway.publicAddress};
    const QUrl flag = flagUrl(definition.countryCode);
    data.flagImage =
        std::make_shared<PDCacheableImage>(flag.isEmpty() ? std::nullopt : std::optional<QUrl>(flag));
    return std::make_shared<PDNetworkItem>(std::move(data));
}

QString protocolName(int protocol) {
    switch (static_cast<PDVPNProtocol>(protocol)) {
    case PDVPNProtocol::automatic:
        return QStringLiteral("Automatic");
    case PDVPNProtocol::openVPN:
        return QStringLiteral("OpenVPN");
    case PDVPNProtocol::l2tp:
        return QStringLiteral("L2TP");
    case PDVPNProtocol::ikev2StrongSwan:
        return QStringLiteral("IKEv2 (strongSwan)");
    case PDVPNProtocol::ikev2:
        return QStringLiteral("IKEv2");
    case PDVPNProtocol::wireGuard:
        return QStringLiteral("WireGuard");
    }
    return QStringLiteral("unknown (%1)").arg(protocol);
}

QString stateName(SDVPNConnectionState state) {
    switch (state) {
    case SDVPNConnectionState::disconnected:
        return QStringLiteral("disconnected");
    case SDVPNConnectionState::connecting:
        return QStringLiteral("connecting");
    case SDVPNConnectionState::connected:
        return QStringLiteral("connected");
    case SDVPNConnectionState::reconnecting:
        return QStringLiteral("reconnecting");
    }
    return QStringLiteral("unknown");
}

PDNetworkItemPtr defaultCurrentNetwork(const PDNetworksModel& model, const QString& preferredId) {
    if (auto preferred = preferredId.isEmpty() ? nullptr : model.networkWithId(preferredId)) {
        return preferred;
    }
    const auto all = model.allNetworks();
    return all.isEmpty() ? nullptr : all.first();
}

} // namespace

PDNetworksModelPtr makeNetworksModel(const Workspace& workspace) {
    PDNetworksModel::Content content;
    for (const auto& definition : workspace.privateNetworks) {
        content.privateNetworks.append(makeItem(definition, PDNetworkKind::privateNetwork));
    }
    content.sharedGroupName = workspace.sharedGroupName;
    for (const auto& definition : workspace.sharedNetworks) {
        content.sharedNetworks.append(makeItem(definition, PDNetworkKind::sharedNetwork));
    }
    for (const auto& definition : workspace.publicLocations) {
        content.publicLocations.append(makeItem(definition, PDNetworkKind::publicLocation));
    }
    if (const NetworkDefinition* automatic = workspace.network(workspace.automaticLocationId)) {
        // The automatic item stands for the location the service picks; it connects through that gateway.
        NetworkDefinition definition = *automatic;
        auto item = makeItem(definition, PDNetworkKind::automatic);
        PDNetworkItem::Data data{QStringLiteral("automatic"),
                                 PDNetworkKind::automatic,
                                 QStringLiteral("Automatic"),
                                 QStringLiteral("Automatic (%1)").arg(definition.name),
                                 definition.countryCode,
                                 definition.continent,
                                 false,
                                 definition.splitTunneling,
                                 definition.dnsFiltering,
                                 definition.privateDNS,
                                 item->vpnConfiguration(),
                                 item->flagImage()};
        content.automaticLocation = std::make_shared<PDNetworkItem>(std::move(data));
    }
    content.favoriteIds = workspace.favoriteIds;
    auto model = std::make_shared<PDNetworksModel>(std::move(content));
    for (const auto& id : workspace.lastUsedIds) {
        model->noteUsed(model->networkWithId(id));
    }
    return model;
}

SimulatedWorkspace& SimulatedWorkspace::instance() {
    // Never destroyed: callbacks may still run on the SDK's thread while the process exits.
    static SimulatedWorkspace* engine = [] {
        WorkspaceLoadResult loaded = loadProcessWorkspace();
        auto* made = new SimulatedWorkspace(loaded.ok() ? std::move(*loaded.workspace) : Workspace{});
        if (!loaded.ok()) {
            qCCritical(lcSdk).noquote() << "Workspace not loaded:" << loaded.error;
            made->m_loadError = loaded.error;
        }
        return made;
    }();
    return *engine;
}

SimulatedWorkspace::SimulatedWorkspace(Workspace workspace) {
    const auto stored = restoreStoredState(workspace);
    m_state.workspace = std::move(workspace);
    rebuildFromWorkspace(stored);
}

std::optional<StoredState> SimulatedWorkspace::restoreStoredState(Workspace& workspace) {
    m_statePath = storedStatePath(workspace);
    m_lastStored = readStoredState(m_statePath);
    if (m_lastStored) {
        applyStoredState(*m_lastStored, workspace);
    }
    return m_lastStored;
}

PDNetworksModelPtr SimulatedWorkspace::makeOwnNetworksModel(const Workspace& workspace) {
    auto model = makeNetworksModel(workspace);
    model->setFavoritesObserver([this] { persist(); });
    return model;
}

void SimulatedWorkspace::persist() {
    const auto idsOf = [](const QList<PDNetworkItemPtr>& networks) {
        QStringList ids;
        for (const auto& network : networks) {
            if (network->id()) {
                ids.append(*network->id());
            }
        }
        return ids;
    };
    std::lock_guard store(m_storeMutex);
    if (m_statePath.isEmpty()) {
        return;
    }
    StoredState state = m_lastStored.value_or(StoredState{});
    edit([&](SimulationState& s) {
        // The networks model holds the choices while signed in; the workspace keeps them while it is gone.
        Workspace& ws = s.workspace;
        if (s.networks) {
            ws.favoriteIds = idsOf(s.networks->favoriteLocations());
            ws.lastUsedIds = idsOf(s.networks->lastUsedNetworks());
        }
        if (s.networks && s.currentNetwork && s.currentNetwork->id() &&
            s.networks->networkWithId(*s.currentNetwork->id())) {
            ws.currentNetworkId = *s.currentNetwork->id();
        }
        state.session = {s.loggedIn, s.fastLoginAvailable, s.softLogoutPerformed};
        storeSettings(s.pendingSettings, state);
        state.vpnProtocol = s.vpnProtocol;
        state.useAutomaticNetwork = s.useAutomaticNetwork;
        state.currentNetworkId = ws.currentNetworkId;
        state.favoriteIds = ws.favoriteIds;
        state.lastUsedIds = ws.lastUsedIds;
    });
    if (state != m_lastStored && writeStoredState(m_statePath, state)) {
        m_lastStored = state;
    }
}

QString SimulatedWorkspace::loadError() const {
    std::lock_guard lock(m_mutex);
    return m_loadError;
}

void SimulatedWorkspace::rebuildFromWorkspace(const std::optional<StoredState>& stored) {
    SimulationState fresh;
    fresh.workspace = std::move(m_state.workspace);
    const Workspace& ws = fresh.workspace;
    fresh.loggedIn = ws.session.signedIn;
    fresh.fastLoginAvailable = ws.session.fastLoginAvailable || ws.session.signedIn;
    fresh.softLogoutPerformed = ws.session.softLogout;
    if (fresh.loggedIn || fresh.fastLoginAvailable) {
        fresh.recentUserName = ws.user.email;
    }
    if (fresh.loggedIn) {
        fresh.networks = makeOwnNetworksModel(ws);
        fresh.currentNetwork = defaultCurrentNetwork(*fresh.networks, ws.currentNetworkId);
        fresh.networks->setCurrentNetworkId(fresh.currentNetwork ? fresh.currentNetwork->id() : std::nullopt);
    }
    fresh.publicAddress = ws.publicAddress;
    fresh.wasVPNStartedOnLaunch = ws.connection.startedOnLaunch;
    fresh.trustedWiredNetwork = ws.device.trustedWiredNetwork;
    fresh.secureWebGateway = ws.device.secureWebGateway;
    fresh.enterpriseAccount = ws.user.enterprise;
    fresh.wifiSecurityActivated = ws.device.wifiSecurityActivated;
    fresh.devicePosture = ws.device.posture;
    fresh.settings = ws.settings;
    fresh.pendingSettings = ws.settings;
    fresh.appConfig = ws.appConfig;
    const bool offered = !ws.appConfig.offeredVersion.isEmpty();
    fresh.forcedUpdateAvailable = offered && ws.appConfig.isForcedUpdate;
    fresh.silentUpdateAvailable = offered && ws.appConfig.isSilentUpdate;
    fresh.connectDelaySeconds = ws.connection.connectDelaySeconds;
    fresh.reconnectDelaySeconds = ws.connection.reconnectDelaySeconds;
    fresh.browserDelaySeconds = ws.session.browserDelaySeconds;
    fresh.connectionId = m_state.connectionId + 1;
    if (stored) {
        if (stored->vpnProtocol >= static_cast<int>(PDVPNProtocol::automatic) &&
            stored->vpnProtocol <= static_cast<int>(PDVPNProtocol::wireGuard)) {
            fresh.vpnProtocol = stored->vpnProtocol;
        }
        fresh.useAutomaticNetwork = stored->useAutomaticNetwork;
    }
    m_state = std::move(fresh);
}

void SimulatedWorkspace::reset(Workspace workspace, const QString& loadError) {
    ++m_generation;
    std::scoped_lock lock(m_storeMutex, m_mutex);
    m_loadError = loadError;
    const auto stored = restoreStoredState(workspace);
    m_state.workspace = std::move(workspace);
    rebuildFromWorkspace(stored);
    m_analytics.clear();
    m_recentlySent.clear();
}

void SimulatedWorkspace::setBrowser(std::function<void(const QUrl&)> browser) {
    std::lock_guard lock(m_hookMutex);
    m_browser = std::move(browser);
}

void SimulatedWorkspace::setCallRecorder(std::function<void(const SdkCall&)> recorder) {
    std::lock_guard lock(m_hookMutex);
    m_recorder = std::move(recorder);
}

SimulationState SimulatedWorkspace::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

std::vector<AnalyticsEvent> SimulatedWorkspace::analytics() const {
    std::lock_guard lock(m_mutex);
    return m_analytics;
}

void SimulatedWorkspace::clearDelegates() {
    loginDelegate.set(nullptr);
    statusDelegate.set(nullptr);
    connectivityDelegate.set(nullptr);
    dataLoadingDelegate.set(nullptr);
    settingsDelegate.set(nullptr);
    publicIpDelegate.set(nullptr);
    helperToolDelegate.set(nullptr);
}

void SimulatedWorkspace::reportMissedState() {
    post(0, [this] {
        // Both are the session's state: signed out there is nothing to give, and a sign-in reports it anew.
        const auto [signedIn, settings] = read([](const SimulationState& s) {
            return std::pair{s.loggedIn && s.networks, s.settings};
        });
        if (settingsDelegate.takeMissed() && signedIn) {
            settingsDelegate.call([&](auto& d) { d.onUpdatedWithSettings(settings); });
        }
        if (publicIpDelegate.takeMissed() && signedIn) {
            notifyPublicAddress();
        }
    });
}

void SimulatedWorkspace::record(const QString& name, QVariantMap arguments) {
    std::lock_guard lock(m_hookMutex);
    if (m_recorder) {
        m_recorder(SdkCall{name, std::move(arguments)});
    }
}

void SimulatedWorkspace::post(double delaySeconds, std::function<void()> task) {
    const std::uint64_t generation = m_generation.load();
    m_queue.asyncAfter(delaySeconds, [this, generation, task = std::move(task)] {
        // Work left over from before a reset belongs to another workspace.
        if (generation == m_generation.load()) {
            task();
        }
    });
}

// Set-up ---------------------------------------------------------------------------------------------------

void SimulatedWorkspace::getInitialState(std::function<void()> completion) {
    record(QStringLiteral("getInitialState"));
    post(0, [completion = std::move(completion)] {
        if (completion) {
            completion();
        }
    });
}

void SimulatedWorkspace::setup(const PDEndpointConfig& config) {
    record(QStringLiteral("setupWithConfig"),
           {{QStringLiteral("urlScheme"), config.urlScheme()},
            {QStringLiteral("authDomain"), config.authDomain()},
            {QStringLiteral("environment"), static_cast<int>(config.targetEnvironment())},
            {QStringLiteral("custom"), config.isCustom()}});
    edit([&](SimulationState& s) { s.endpointConfig = config; });
}

void SimulatedWorkspace::setup(const QString& appPath) {
    record(QStringLiteral("setupAppPath"), {{QStringLiteral("appPath"), appPath}});
    bool signedIn = false;
    edit([&](SimulationState& s) {
        s.appPath = appPath;
        signedIn = s.loggedIn;
    });
    // A session kept from before: its data arrives as after a sign-in.
    if (signedIn) {
        post(read([](const SimulationState& s) { return s.stepDelaySeconds; }),
             [this] { loadSessionData(); });
    }
}

void SimulatedWorkspace::setCustomMTU(const QString& mtu) {
    record(QStringLiteral("setCustomMTU"), {{QStringLiteral("mtu"), mtu}});
    edit([&](SimulationState& s) { s.customMTUs.append(mtu); });
}

void SimulatedWorkspace::onAppMainViewReady() {
    record(QStringLiteral("onAppMainViewReady"));
    post(0, [this] {
        // With Wi-Fi security active the SDK, not the client, brings the tunnel up.
        const auto network = read([](const SimulationState& s) -> PDNetworkItemPtr {
            const bool go = s.wifiSecurityActivated && s.loggedIn &&
                            s.connectionState == SDVPNConnectionState::disconnected && s.currentNetwork &&
                            s.currentNetwork->vpnConfiguration();
            return go ? s.currentNetwork : nullptr;
        });
        if (network) {
            statusDelegate.call([](auto& d) { d.onVPNAutoStartRequested(); });
            beginConnecting(network, false);
        }
    });
}

void SimulatedWorkspace::prepareToAwakeFromSleepMode() {
    record(QStringLiteral("prepareToAwakeFromSleepMode"));
}

// Session --------------------------------------------------------------------------------------------------

QUrl SimulatedWorkspace::callbackUrl(const QString& token) const {
    return read([&](const SimulationState& s) {
        QUrl url;
        url.setScheme(s.endpointConfig.urlScheme());
        url.setHost(s.endpointConfig.authDomain());
        url.setPath(QStringLiteral("/macos/callback"));
        // Values go in fully encoded: QUrlQuery reads a "%41" in a decoded value as an escape, which would
        // change a token or tenant from the workspace file on its way to the client.
        const auto encoded = [](const QString& value) {
            return QString::fromLatin1(QUrl::toPercentEncoding(value));
        };
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("id_token"), encoded(token));
        query.addQueryItem(QStringLiteral("tenant_id"), encoded(s.workspace.tenant.id));
        query.addQueryItem(QStringLiteral("tokenType"),
                           s.workspace.session.tokenType == PDTokenType::implicitToken
                               ? QStringLiteral("implicitToken")
                               : QStringLiteral("standard"));
        url.setQuery(query);
        return url;
    });
}

void SimulatedWorkspace::startBrowserSignIn(bool fast) {
    const auto [delay, page, attempt] = read([&](const SimulationState& s) {
        QUrl signInPage;
        signInPage.setScheme(QStringLiteral("https"));
        signInPage.setHost(s.endpointConfig.authDomain());
        signInPage.setPath(QStringLiteral("/authorize"));
        signInPage.setQuery(QStringLiteral("tenant=") + s.workspace.tenant.id);
        return std::tuple{fast ? s.stepDelaySeconds : s.browserDelaySeconds, signInPage, s.signInAttempt};
    });
    if (!fast) {
        loginDelegate.call([&](auto& d) { d.onExtendedLoginStarted(page); });
    }
    post(delay, [this, fast, attempt] {
        const auto token = read([attempt](const SimulationState& s) {
            const bool current = !s.loggedIn && s.signInAttempt == attempt;
            return current ? std::optional<QString>(s.workspace.session.idToken) : std::optional<QString>();
        });
        if (!token) {
            return; // signed in meanwhile, or a later sign-in took this one's place
        }
        if (!fast) {
            loginDelegate.call([](auto& d) { d.onExtendedAuthViewLoaded(); });
        }
        const QUrl url = callbackUrl(*token);
        std::function<void(const QUrl&)> browser;
        {
            std::lock_guard lock(m_hookMutex);
            browser = m_browser;
        }
        if (browser) {
            browser(url);
        } else {
            qCWarning(lcSdk) << "No browser attached: the sign-in callback was dropped";
        }
    });
}

void SimulatedWorkspace::login() {
    record(QStringLiteral("login"));
    post(0, [this] {
        std::optional<PDError> refusal;
        edit([&](SimulationState& s) {
            if (s.loggedIn) {
                refusal =
                    PDError(409, false, PDError::DEFAULT_ERROR_DOMAIN, QStringLiteral("Already signed in"),
                            QStringLiteral("You are already signed in."));
            } else if (s.workspace.tenant.id.isEmpty()) {
                const QString why =
                    m_loadError.isEmpty() ? QStringLiteral("The workspace has no tenant.") : m_loadError;
                refusal = PDError(503, false, PDError::DEFAULT_ERROR_DOMAIN, QStringLiteral("Cannot sign in"),
                                  QStringLiteral("The workspace could not be loaded: ") + why);
            } else {
                // A sign-in still open in the browser (refused, abandoned, or its callback refused by the
                // client) gives way to this one.
                ++s.signInAttempt;
                s.signInInProgress = true;
                s.fastLoginInProgress = false;
                s.signInCancelled = false;
            }
        });
        if (refusal) {
            qCInfo(lcSdk).noquote() << "Sign-in refused:" << refusal->messageText();
            loginDelegate.call([&](auto& d) { d.onLoginErrorWithError(*refusal); });
            return;
        }
        startBrowserSignIn(false);
    });
}

void SimulatedWorkspace::cancelLogin() {
    record(QStringLiteral("cancelLogin"));
    post(0, [this] {
        bool cancelled = false;
        edit([&](SimulationState& s) {
            cancelled = s.signInInProgress || s.fastLoginInProgress || s.signInStepsUnderway;
            if (!cancelled) {
                return;
            }
            ++s.signInAttempt; // the pending steps and the browser's page see they are no longer current
            s.signInInProgress = false;
            s.fastLoginInProgress = false;
            s.signInStepsUnderway = false;
            s.signInCancelled = true;
            // Signed in moments ago, its session not loaded yet: nothing of it stays.
            s.loggedIn = false;
            s.networks = nullptr;
            s.currentNetwork = nullptr;
        });
        if (cancelled) {
            persist();
            qCInfo(lcSdk) << "Sign-in cancelled";
            loginDelegate.call([](auto& d) { d.onExtendedAuthCanceled(); });
        }
    });
}

void SimulatedWorkspace::shouldLaunchFastLogin(std::function<void(bool)> completion) {
    record(QStringLiteral("shouldLaunchFastLogin"));
    post(0, [this, completion = std::move(completion)] {
        bool answer = false;
        bool start = false;
        edit([&](SimulationState& s) {
            answer = !s.loggedIn && (s.fastLoginInProgress || s.fastLoginAvailable);
            // After a soft logout the client asks for the fast login itself.
            start = answer && !s.softLogoutPerformed && !s.fastLoginInProgress && !s.signInInProgress;
            s.fastLoginInProgress = s.fastLoginInProgress || start;
            s.signInAttempt += start ? 1 : 0;
            s.signInCancelled = s.signInCancelled && !start;
        });
        if (start) {
            startBrowserSignIn(true);
        }
        if (completion) {
            completion(answer);
        }
    });
}

void SimulatedWorkspace::startFastLogInIfPossible() {
    record(QStringLiteral("startFastLogInIfPossible"));
    post(0, [this] {
        bool start = false;
        edit([&](SimulationState& s) {
            start = !s.loggedIn && s.fastLoginAvailable && !s.fastLoginInProgress && !s.signInInProgress;
            s.fastLoginInProgress = s.fastLoginInProgress || start;
            s.signInAttempt += start ? 1 : 0;
            s.signInCancelled = s.signInCancelled && !start;
        });
        if (start) {
            startBrowserSignIn(true);
        }
    });
}

void SimulatedWorkspace::externalAuthSuccess(const PDExtendedAuthResult& authData) {
    record(QStringLiteral("externalAuthSuccess"),
           {{QStringLiteral("tenant"), authData.tenant},
            {QStringLiteral("token"), authData.token},
            {QStringLiteral("tokenType"), static_cast<int>(authData.tokenType)}});
    post(0, [this, authData] {
        bool accepted = false;
        bool already = false;
        bool cancelled = false;
        edit([&](SimulationState& s) {
            cancelled = s.signInCancelled;
            already = s.loggedIn;
            const QString& expected = s.workspace.session.idToken;
            accepted = !cancelled && !already && !s.workspace.tenant.id.isEmpty() &&
                       authData.tenant == s.workspace.tenant.id && !authData.token.isEmpty() &&
                       (expected.isEmpty() || authData.token == expected);
            if (!accepted) {
                s.signInInProgress = false;
                s.fastLoginInProgress = false;
            }
        });
        if (cancelled) {
            qCInfo(lcSdk) << "Sign-in callback ignored: its sign-in was cancelled";
            return;
        }
        if (already) {
            return;
        }
        if (!accepted) {
            qCInfo(lcSdk) << "Sign-in refused: the token or tenant does not belong to the workspace";
            loginDelegate.call([](auto& d) {
                d.onLoginErrorWithError(
                    PDError(401, false, PDError::DEFAULT_ERROR_DOMAIN, QStringLiteral("Sign-in failed"),
                            QStringLiteral("The workspace did not accept the sign-in. Please try again.")));
            });
            return;
        }
        runSignInSteps();
    });
}

void SimulatedWorkspace::runSignInSteps() {
    double step = 0;
    std::uint64_t attempt = 0;
    edit([&](SimulationState& s) {
        step = s.stepDelaySeconds;
        attempt = s.signInAttempt;
        s.signInStepsUnderway = true;
    });
    // Each step runs only while its sign-in is the current one: a cancel or a sign-out drops the rest.
    const auto current = [this, attempt] {
        return read([attempt](const SimulationState& s) { return s.signInAttempt == attempt; });
    };
    loginDelegate.call([](auto& d) { d.onExtendedAuthSucceed(); });
    post(step, [this, current] {
        if (current()) {
            loginDelegate.call([](auto& d) { d.onDeviceRegisterStart(); });
        }
    });
    post(2 * step, [this, current] {
        if (!current()) {
            return;
        }
        edit([this](SimulationState& s) {
            s.loggedIn = true;
            s.signInInProgress = false;
            s.fastLoginInProgress = false;
            s.fastLoginAvailable = true;
            s.softLogoutPerformed = false;
            s.sessionExpired = false;
            s.recentUserName = s.workspace.user.email;
            if (!s.networks) {
                s.networks = makeOwnNetworksModel(s.workspace);
                s.currentNetwork = defaultCurrentNetwork(*s.networks, s.workspace.currentNetworkId);
                s.networks->setCurrentNetworkId(s.currentNetwork ? s.currentNetwork->id() : std::nullopt);
            }
        });
        persist();
        loginDelegate.call([](auto& d) { d.onLoginSuccess(); });
    });
    post(3 * step, [this, current] {
        if (!current()) {
            return;
        }
        loginDelegate.call([](auto& d) {
            d.onSDPLoginStarted();
            d.onDPCProcessingStarted();
        });
    });
    post(4 * step, [this, step, current] {
        if (!current()) {
            return;
        }
        if (read([](const SimulationState& s) {
                return s.devicePosture == PD_DevicePostureCheckState::atRisk;
            })) {
            failPostureCheck();
            return;
        }
        loginDelegate.call([](auto& d) {
            d.onDPCResultChanged();
            d.onSDPLoginSuccess();
        });
        post(step, [this, current] {
            if (!current()) {
                return;
            }
            edit([](SimulationState& s) { s.signInStepsUnderway = false; });
            loadSessionData();
        });
    });
}

void SimulatedWorkspace::failPostureCheck() {
    qCInfo(lcSdk) << "Sign-in refused: the device is at risk";
    edit([](SimulationState& s) {
        s.loggedIn = false;
        s.signInStepsUnderway = false;
        s.signInInProgress = false;
        s.fastLoginInProgress = false;
        s.fastLoginAvailable = false;
        s.networks = nullptr;
        s.currentNetwork = nullptr;
    });
    persist();
    const PD_DPCResult result{
        QStringLiteral("Device Posture Check Failed"),
        QStringLiteral("Your device does not meet your workspace's security requirements. The disk is not "
                       "encrypted. Please consult the security policy of your company. Encrypt the disk and "
                       "sign in again.")};
    loginDelegate.call([&](auto& d) { d.onDPCFailedWithResult(result); });
}

void SimulatedWorkspace::loadSessionData() {
    const auto [signedIn, config, networks, settings] = read([](const SimulationState& s) {
        return std::tuple{s.loggedIn, s.appConfig, s.networks, s.settings};
    });
    if (!signedIn || !networks) {
        return;
    }
    settingsDelegate.call([&](auto& d) { d.onUpdatedWithSettings(settings); });
    dataLoadingDelegate.call([&](auto& d) { d.onApplicationConfigLoadedWithConfig(config); });
    dataLoadingDelegate.call([&](auto& d) { d.onApplicationDataLoadedWithNetworks(networks); });
    dataLoadingDelegate.call([](auto& d) { d.applicationConnectedWithInitialData(); });
    notifyPublicAddress();
    startAlwaysOnIfNeeded();
}

void SimulatedWorkspace::logout() {
    record(QStringLiteral("logout"));
    post(0, [this] {
        bool tunnelUp = false;
        // Signed out first, so that nothing the tunnel's end sets off (pending settings, Always-On) can
        // bring a tunnel up again for a session that is over.
        edit([&](SimulationState& s) {
            tunnelUp = s.connectionState != SDVPNConnectionState::disconnected;
            s.loggedIn = false;
            s.signInInProgress = false;
            s.fastLoginInProgress = false;
            ++s.signInAttempt;
            s.signInStepsUnderway = false;
            // A session that timed out may come back without the browser; a sign-out forgets it.
            if (s.sessionExpired) {
                s.softLogoutPerformed = true;
            } else {
                s.softLogoutPerformed = false;
                s.fastLoginAvailable = false;
            }
            s.sessionExpired = false;
        });
        if (tunnelUp) {
            endConnection(false);
        }
        edit([](SimulationState& s) {
            s.networks = nullptr;
            s.currentNetwork = nullptr;
        });
        persist();
        loginDelegate.call([](auto& d) { d.onLogoutFinished(); });
    });
}

void SimulatedWorkspace::expireSession(int reason) {
    post(0, [this, reason] {
        bool signedIn = false;
        edit([&](SimulationState& s) {
            signedIn = s.loggedIn;
            if (signedIn) {
                s.sessionExpired = true;
            }
        });
        if (signedIn) {
            dataLoadingDelegate.call([&](auto& d) { d.onSessionTimeoutWithReason(reason); });
        }
    });
}

void SimulatedWorkspace::revokeNetworkPermissions(const std::optional<QString>& networkName) {
    post(0, [this, networkName] {
        dataLoadingDelegate.call([&](auto& d) { d.onNetworkPermissionsRevokedForNetworkName(networkName); });
    });
}

// Connection -----------------------------------------------------------------------------------------------

PDNetworkItemPtr SimulatedWorkspace::networkFor(const SDVPNConfig& config) const {
    return read([&](const SimulationState& s) -> PDNetworkItemPtr {
        if (!s.networks || config.networkId.isEmpty()) {
            return nullptr;
        }
        return s.networks->networkWithId(config.networkId);
    });
}

void SimulatedWorkspace::connect(const SDVPNConfig& config) {
    record(QStringLiteral("connect"),
           {{QStringLiteral("networkId"), config.networkId}, {QStringLiteral("hostname"), config.hostname}});
    post(0, [this, config] {
        const auto [signedIn, state] = read([](const SimulationState& s) {
            return std::pair{s.loggedIn, s.connectionState};
        });
        if (state != SDVPNConnectionState::disconnected) {
            qCInfo(lcSdk) << "Connect ignored: the tunnel is" << stateName(state);
            return;
        }
        const auto network = signedIn ? networkFor(config) : nullptr;
        if (!network) {
            statusDelegate.call([&](auto& d) {
                d.onErrorConnectingToVPNWithError(
                    PDError(signedIn ? 404 : 403, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt,
                            signedIn ? QStringLiteral("The network is not part of the workspace.")
                                     : QStringLiteral("Sign in before connecting.")));
            });
            return;
        }
        beginConnecting(network, false);
    });
}

void SimulatedWorkspace::beginConnecting(const PDNetworkItemPtr& network, bool transitional) {
    std::uint64_t id = 0;
    double delay = 0;
    edit([&](SimulationState& s) {
        id = ++s.connectionId;
        delay = s.connectDelaySeconds;
        s.connectionState = SDVPNConnectionState::connecting;
        s.connectionNetwork = network;
        s.currentNetwork = network;
        if (s.networks) {
            s.networks->setCurrentNetworkId(network->id());
        }
    });
    persist();
    statusDelegate.call([&](auto& d) { d.onConnectingToVPN(transitional); });
    post(delay, [this, id] { finishConnecting(id); });
}

void SimulatedWorkspace::finishConnecting(std::uint64_t connectionId) {
    std::optional<PDError> failure;
    QString region;
    std::optional<QString> internal;
    bool proceed = false;
    edit([&](SimulationState& s) {
        const bool waiting = s.connectionState == SDVPNConnectionState::connecting ||
                             s.connectionState == SDVPNConnectionState::reconnecting;
        if (s.connectionId != connectionId || !waiting || !s.connectionNetwork) {
            return;
        }
        proceed = true;
        if (s.nextConnectError) {
            failure = std::exchange(s.nextConnectError, std::nullopt);
            s.connectionState = SDVPNConnectionState::disconnected;
            s.connectionNetwork = nullptr;
            return;
        }
        s.connectionState = SDVPNConnectionState::connected;
        s.connectedAt = platform::Scheduler::shared().now();
        s.internalAddress = s.workspace.connection.internalAddress;
        internal = s.internalAddress;
        const auto& config = s.connectionNetwork->vpnConfiguration();
        region = config ? config->gatewayLocation : s.connectionNetwork->title();
        if (config) {
            s.publicAddress = config->publicIP;
        }
        if (s.networks) {
            s.networks->noteUsed(s.connectionNetwork);
        }
    });
    if (!proceed) {
        return;
    }
    if (failure) {
        statusDelegate.call([&](auto& d) { d.onErrorConnectingToVPNWithError(*failure); });
        return;
    }
    persist(); // the network joins the recent ones
    statusDelegate.call([&](auto& d) {
        d.onConnectedToVPN();
        d.onRegionNameAvailableWithRegionName(region);
    });
    connectivityDelegate.call([&](auto& d) { d.onInternalIpChangedTo(internal); });
    notifyPublicAddress();
    scheduleTick(connectionId, 1);
}

void SimulatedWorkspace::scheduleTick(std::uint64_t connectionId, int tick) {
    // Each tick is aimed at a whole second after the tunnel came up, so the clock does not drift.
    const double elapsed = read([](const SimulationState& s) {
        return secondsBetween(s.connectedAt, platform::Scheduler::shared().now());
    });
    post(tick - elapsed, [this, connectionId, tick] {
        std::optional<double> seconds;
        edit([&](SimulationState& s) {
            if (s.connectionId == connectionId && s.connectionState == SDVPNConnectionState::connected) {
                seconds = secondsBetween(s.connectedAt, platform::Scheduler::shared().now());
            }
        });
        if (!seconds) {
            return;
        }
        statusDelegate.call([&](auto& d) { d.onConnectionTimeUpdatedWithTime(*seconds); });
        scheduleTick(connectionId, tick + 1);
    });
}

void SimulatedWorkspace::disconnect(bool intentional, bool forced, bool keepKillSwitch) {
    record(QStringLiteral("disconnect"), {{QStringLiteral("intentional"), intentional},
                                          {QStringLiteral("forced"), forced},
                                          {QStringLiteral("keepKillSwitch"), keepKillSwitch}});
    post(0, [this] {
        if (read([](const SimulationState& s) {
                return s.connectionState != SDVPNConnectionState::disconnected;
            })) {
            endConnection(false);
        }
    });
}

void SimulatedWorkspace::endConnection(bool transitional) {
    edit([](SimulationState& s) {
        ++s.connectionId; // stops the clock and any connect still waiting
        s.connectionState = SDVPNConnectionState::disconnected;
        s.connectionNetwork = nullptr;
        s.internalAddress.reset();
        s.publicAddress = s.workspace.publicAddress;
    });
    statusDelegate.call([&](auto& d) { d.onDisconnectedFromVPN(transitional); });
    if (!transitional) {
        connectivityDelegate.call([](auto& d) { d.onInternalIpChangedTo(std::nullopt); });
        notifyPublicAddress();
        // Network settings changed while the tunnel was up take effect now.
        applyPending(true);
    }
}

void SimulatedWorkspace::connectToAnotherLocation(const SDVPNConfig& config, const QString& via) {
    record(via,
           {{QStringLiteral("networkId"), config.networkId}, {QStringLiteral("hostname"), config.hostname}});
    post(0, [this, config] {
        const auto network = networkFor(config);
        if (!network) {
            statusDelegate.call([](auto& d) {
                d.onErrorConnectingToVPNWithError(
                    PDError(404, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt,
                            QStringLiteral("The location is not part of the workspace.")));
            });
            return;
        }
        const auto [state, current] = read([](const SimulationState& s) {
            return std::pair{s.connectionState, s.connectionNetwork};
        });
        if (state == SDVPNConnectionState::disconnected) {
            beginConnecting(network, false);
            return;
        }
        statusDelegate.call([&](auto& d) { d.onConnectToAnotherLocationPreparedUsing(config); });
        if (current && current->isSameNetwork(*network)) {
            return;
        }
        endConnection(true);
        beginConnecting(network, false);
    });
}

void SimulatedWorkspace::dropConnection() {
    post(0, [this] {
        std::uint64_t id = 0;
        double delay = 0;
        edit([&](SimulationState& s) {
            if (s.connectionState == SDVPNConnectionState::connected) {
                id = ++s.connectionId;
                delay = s.reconnectDelaySeconds;
                s.connectionState = SDVPNConnectionState::reconnecting;
            }
        });
        if (id == 0) {
            return;
        }
        statusDelegate.call([](auto& d) { d.onReConnectingToVPN(); });
        post(delay, [this, id] { finishConnecting(id); });
    });
}

void SimulatedWorkspace::changeVPNProtocol(int protocol) {
    record(QStringLiteral("changeVPNProtocol"), {{QStringLiteral("protocol"), protocol}});
    if (protocol < static_cast<int>(PDVPNProtocol::automatic) ||
        protocol > static_cast<int>(PDVPNProtocol::wireGuard)) {
        qCWarning(lcSdk) << "Unknown VPN protocol" << protocol << "ignored";
        return;
    }
    edit([&](SimulationState& s) { s.vpnProtocol = protocol; });
    persist();
}

void SimulatedWorkspace::setCurrentNetwork(const PDNetworkItemPtr& network) {
    record(QStringLiteral("setCurrentNetwork"),
           {{QStringLiteral("networkId"), network && network->id() ? *network->id() : QString()}});
    edit([&](SimulationState& s) {
        s.currentNetwork = network;
        if (s.networks) {
            s.networks->setCurrentNetworkId(network ? network->id() : std::nullopt);
        }
    });
    persist();
}

void SimulatedWorkspace::setUseAutomaticNetwork(bool useAutomatic) {
    record(QStringLiteral("Veltrix.setUseAutomaticNetwork"),
           {{QStringLiteral("useAutomatic"), useAutomatic}});
    edit([&](SimulationState& s) { s.useAutomaticNetwork = useAutomatic; });
    persist();
}

bool SimulatedWorkspace::enableAlwaysON() const {
    return read(
        [](const SimulationState& s) { return s.alwaysOnOverride.value_or(s.settings.alwaysOn.value); });
}

void SimulatedWorkspace::startAlwaysOnIfNeeded() {
    const auto network = read([](const SimulationState& s) -> PDNetworkItemPtr {
        const bool alwaysOn = s.alwaysOnOverride.value_or(s.settings.alwaysOn.value);
        const bool go = alwaysOn && s.loggedIn && s.connectionState == SDVPNConnectionState::disconnected &&
                        s.currentNetwork && s.currentNetwork->vpnConfiguration();
        return go ? s.currentNetwork : nullptr;
    });
    if (network) {
        statusDelegate.call([](auto& d) { d.onVPNAutoStartRequested(); });
        beginConnecting(network, false);
    }
}

// Settings -------------------------------------------------------------------------------------------------

void SimulatedWorkspace::setGeneralSetting(PDGeneralSettingItem item, bool isOn) {
    record(QStringLiteral("setGeneralSetting"),
           {{QStringLiteral("item"), static_cast<int>(item)}, {QStringLiteral("isOn"), isOn}});
    bool stored = false;
    edit([&](SimulationState& s) {
        PDSettingBoolItem& pending = s.pendingSettings.item(item);
        stored = !pending.isEnforced;
        if (stored) {
            pending.value = isOn;
        }
    });
    if (!stored) {
        qCInfo(lcSdk) << "Setting" << static_cast<int>(item)
                      << "is enforced by the administrator; change refused";
        return;
    }
    persist();
    // General settings do not touch the tunnel: they apply at once.
    post(0, [this] { applyPending(false); });
}

void SimulatedWorkspace::setNetworkSetting(PDNetworkSettingItem item, bool isOn) {
    record(QStringLiteral("setNetworkSetting"),
           {{QStringLiteral("item"), static_cast<int>(item)}, {QStringLiteral("isOn"), isOn}});
    bool stored = false;
    bool tunnelDown = false;
    bool releasedAlwaysOn = false;
    edit([&](SimulationState& s) {
        PDSettingBoolItem& pending = s.pendingSettings.item(item);
        stored = !pending.isEnforced;
        if (stored) {
            pending.value = isOn;
        }
        tunnelDown = s.connectionState == SDVPNConnectionState::disconnected;
        // Always-On switched off asks nothing of the tunnel, and waiting for a disconnect it forbids would
        // keep the user connected for good: it applies at once.
        if (stored && item == PDNetworkSettingItem::alwaysOn && !isOn && !tunnelDown &&
            s.settings.alwaysOn.value) {
            s.settings.alwaysOn.value = false;
            releasedAlwaysOn = true;
        }
    });
    if (!stored) {
        qCInfo(lcSdk) << "Network setting" << static_cast<int>(item)
                      << "is enforced by the administrator; change refused";
        return;
    }
    if (releasedAlwaysOn) {
        post(0, [this] {
            const PDSettings settings = read([](const SimulationState& s) { return s.settings; });
            settingsDelegate.call([&](auto& d) { d.onUpdatedWithSettings(settings); });
        });
    }
    // While the tunnel is up any other network setting waits for applySettingsChanges() or the next
    // disconnect.
    if (tunnelDown) {
        post(0, [this] { applyPending(true); });
    }
}

void SimulatedWorkspace::applySettingsChanges() {
    record(QStringLiteral("applySettingsChanges"));
    post(0, [this] { applyPending(true); });
}

void SimulatedWorkspace::applyPending(bool includeNetworkItems) {
    std::optional<PDSettings> applied;
    edit([&](SimulationState& s) {
        PDSettings next = s.settings;
        for (auto item : {PDGeneralSettingItem::connectOnLaunch, PDGeneralSettingItem::notifications,
                          PDGeneralSettingItem::automaticUpdates, PDGeneralSettingItem::crashReports}) {
            next.item(item) = s.pendingSettings.item(item);
        }
        if (includeNetworkItems) {
            next = s.pendingSettings;
        }
        if (next != s.settings) {
            s.settings = next;
            applied = next;
        }
    });
    if (!applied) {
        return;
    }
    settingsDelegate.call([&](auto& d) { d.onUpdatedWithSettings(*applied); });
    startAlwaysOnIfNeeded();
}

void SimulatedWorkspace::userUpdateTrustedNetworks(const QList<PDWiFiNetwork>& networks,
                                                   std::function<void()> onCompleted) {
    QStringList ssids;
    for (const auto& network : networks) {
        ssids.append(network.ssid);
    }
    record(QStringLiteral("userUpdateTrustedNetworks"), {{QStringLiteral("ssids"), ssids}});
    post(0, [this, networks, onCompleted = std::move(onCompleted)] {
        std::optional<PDSettings> applied;
        edit([&](SimulationState& s) {
            if (s.settings.trustedNetworksList.isEnforced) {
                return;
            }
            s.settings.trustedNetworksList.value = networks;
            s.pendingSettings.trustedNetworksList.value = networks;
            applied = s.settings;
        });
        if (applied) {
            persist();
            settingsDelegate.call([&](auto& d) { d.onUpdatedWithSettings(*applied); });
        } else {
            qCInfo(lcSdk) << "Trusted networks are enforced by the administrator; change refused";
        }
        if (onCompleted) {
            onCompleted();
        }
    });
}

// Public address, updates, analytics, diagnostics ---------------------------------------------------------

void SimulatedWorkspace::notifyPublicAddress() {
    const auto [fails, address] = read([](const SimulationState& s) {
        return std::pair{s.publicIpLookupFails, s.publicAddress};
    });
    if (fails) {
        publicIpDelegate.call([](auto& d) {
            d.onPublicIpInfoLoadingErrorWithError(
                PDError(503, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt,
                        QStringLiteral("The public address could not be looked up.")));
        });
        return;
    }
    const PDPublicIPInfoPtr info = std::make_shared<PDPublicIPInfo>(address);
    publicIpDelegate.call([&](auto& d) { d.onPublicIpInfoLoadedWithPublicIpInfo(info); });
}

void SimulatedWorkspace::refreshPublicIpInfo() {
    record(QStringLiteral("refreshPublicIpInfo"));
    post(read([](const SimulationState& s) { return s.publicIpDelaySeconds; }),
         [this] { notifyPublicAddress(); });
}

void SimulatedWorkspace::prepareToInstallAppAutoUpdate(
    std::function<void(const SDUpdateInstallResult&)> onCompleted) {
    record(QStringLiteral("prepareToInstallAppAutoUpdate"));
    post(0, [this, onCompleted = std::move(onCompleted)] {
        const PDAppConfig config = read([](const SimulationState& s) { return s.appConfig; });
        const auto installer = read([](const SimulationState& s) { return s.installer; });
        const auto answer = [this, onCompleted, config](const SDUpdateInstallResult& result) {
            if (result.outcome == SDUpdateInstallResult::Outcome::installed) {
                qCInfo(lcSdk) << "Update installed: version" << config.offeredVersion;
                edit([&](SimulationState& s) { s.installedPackagePath = config.packagePath; });
            } else if (result.outcome == SDUpdateInstallResult::Outcome::notInstalled) {
                qCWarning(lcSdk).noquote() << "Update not installed:" << result.reason;
            }
            if (onCompleted) {
                onCompleted(result);
            }
        };
        if (!isVerified(config)) {
            answer({});
            return;
        }
        qCInfo(lcSdk) << "Update package verified: version" << config.offeredVersion;
        if (installer) {
            answer(installer(config.packagePath));
        } else if (const auto blocker =
                       installBlocker(config.packagePath, platform::Bundle::main().isInstalled())) {
            answer({SDUpdateInstallResult::Outcome::notInstalled, *blocker});
        } else {
            installPackage(config.packagePath, answer);
        }
    });
}

bool SimulatedWorkspace::isVerified(const PDAppConfig& config) {
    QFile package(config.packagePath);
    if (config.packageSha256.isEmpty()) {
        qCWarning(lcSdk) << "Update refused: the configuration carries no checksum";
        return false;
    }
    if (!package.open(QIODevice::ReadOnly)) {
        qCWarning(lcSdk).noquote() << "Update refused: the package cannot be read:" << package.errorString();
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&package);
    if (QString::fromLatin1(hash.result().toHex()) != config.packageSha256.toLower()) {
        qCWarning(lcSdk) << "Update refused: the package does not match its checksum";
        return false;
    }
    return true;
}

void SimulatedWorkspace::sendAnalytics(const AnalyticsEvent& event) {
    record(QStringLiteral("sendAnalytics"),
           {{QStringLiteral("category"), event.category},
            {QStringLiteral("type"), event.type},
            {QStringLiteral("trigger"), static_cast<int>(event.triggeredBy.kind)},
            {QStringLiteral("triggerTitle"), event.triggeredBy.title.value_or(QString())},
            {QStringLiteral("parameters"), event.parameterMap()}});
    const auto now = platform::Scheduler::shared().now();
    std::lock_guard lock(m_mutex);
    if (event.wantsBeIgnoredIfRecentlySent.value_or(false)) {
        const bool recent = std::any_of(m_recentlySent.begin(), m_recentlySent.end(), [&](const auto& sent) {
            return sent.first.category == event.category && sent.first.type == event.type &&
                   secondsBetween(sent.second, now) < kAnalyticsRepeatWindowSeconds;
        });
        if (recent) {
            return;
        }
    }
    m_analytics.push_back(event);
    std::erase_if(m_recentlySent, [&](const auto& sent) {
        return sent.first.category == event.category && sent.first.type == event.type;
    });
    m_recentlySent.emplace_back(event, now);
}

void SimulatedWorkspace::collectLogsAndStats(
    std::function<void(const std::optional<QString>&, const std::optional<PDTroubleshootingHelperError>&)>
        onCompleted) {
    record(QStringLiteral("collectLogsAndStats"));
    std::uint64_t id = 0;
    double delay = 0;
    edit([&](SimulationState& s) {
        id = ++s.collectionId;
        delay = s.logCollectionSeconds;
    });
    post(delay, [this, id, onCompleted = std::move(onCompleted)] {
        std::optional<PDTroubleshootingHelperError> failure;
        bool current = false;
        edit([&](SimulationState& s) {
            current = s.collectionId == id;
            failure = s.logCollectionFailure;
        });
        if (!current || !onCompleted) {
            return; // stopped meanwhile
        }
        if (failure) {
            onCompleted(std::nullopt, failure);
        } else {
            onCompleted(collectText(), std::nullopt);
        }
    });
}

void SimulatedWorkspace::stopCollectLogsAndStats() {
    record(QStringLiteral("stopCollectLogsAndStats"));
    edit([](SimulationState& s) { ++s.collectionId; });
}

QString SimulatedWorkspace::collectText() const {
    QStringList lines;
    {
        std::lock_guard lock(m_mutex);
        const Workspace& ws = m_state.workspace;
        lines
            << QStringLiteral("Diagnostics report")
            << QStringLiteral("Workspace: %1 (%2)").arg(ws.tenant.name, ws.tenant.id)
            << QStringLiteral("User: %1").arg(m_state.loggedIn ? ws.user.email : QStringLiteral("signed out"))
            << QStringLiteral("Connection: %1").arg(stateName(m_state.connectionState))
            << QStringLiteral("Network: %1")
                   .arg(m_state.currentNetwork ? m_state.currentNetwork->title() : QStringLiteral("none"))
            << QStringLiteral("Protocol: %1").arg(protocolName(m_state.vpnProtocol))
            << QStringLiteral("Public address: %1").arg(m_state.publicAddress)
            << QStringLiteral("Analytics events: %1").arg(m_analytics.size());
    }
    // A report a person reads: the state, and of the log only the count and what went wrong.
    const auto records = m_logger.recentRecords();
    QStringList problems;
    for (const auto& r : records) {
        if (r.level == VeltrixLogger::Level::warning || r.level == VeltrixLogger::Level::error) {
            problems << QStringLiteral("- ") + r.message;
        }
    }
    lines << QStringLiteral("Log lines collected: %1").arg(records.size())
          << (problems.isEmpty() ? QStringLiteral("Problems: none") : QStringLiteral("Problems:"));
    lines << problems.mid(std::max<qsizetype>(0, problems.size() - 10));
    return lines.join(QLatin1Char('\n'));
}

} // namespace sdk
