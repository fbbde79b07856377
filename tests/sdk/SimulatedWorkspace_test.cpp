#include "SdkTestSupport.h"

#include "sdk/UpdateInstaller.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace sdktest;

// Sign-in -------------------------------------------------------------------------------------------------

class SignInTest : public SdkTest {};

TEST_F(SignInTest, BrowserCallbackCarriesConfiguredSchemeDomainAndTenant) {
    VeltrixXPC::setup(PDEndpointConfig(QStringLiteral("corp.example"), QStringLiteral("sdp.corp.example"),
                                       QStringLiteral("api.corp.example"), 5050));
    VeltrixXPC::login();
    scheduler.advance(0.5);
    EXPECT_TRUE(driver.browserUrls().empty()) << "the browser answers only after its delay";
    scheduler.advance(1.0);

    ASSERT_EQ(driver.browserUrls().size(), 1u);
    const QUrl url = driver.browserUrls().front();
    EXPECT_EQ(url.scheme(), "veltrix");
    EXPECT_EQ(url.host(), "auth.corp.example");
    EXPECT_EQ(url.path(), "/macos/callback");
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("tenant_id"), driver.state().workspace.tenant.id);
    EXPECT_EQ(query.queryItemValue("id_token"), driver.state().workspace.session.idToken);
    EXPECT_EQ(query.queryItemValue("tokenType"), "standard");
    EXPECT_FALSE(VeltrixXPC::isLoggedIn()) << "nothing signs in until the client hands the token back";
}

TEST_F(SignInTest, TokensReachTheClientAsTheWorkspaceWritesThem) {
    for (const QString token : {"a%41b", "x&y=z#w", "p+q r", "%zz", "\u00e9/?"}) {
        // As the client reads a URL handed over as an argument.
        const QUrl url(driver.engine().callbackUrl(token).toString(QUrl::FullyEncoded), QUrl::StrictMode);
        const QUrlQuery query(url.query(QUrl::FullyEncoded));
        EXPECT_EQ(query.queryItemValue("id_token", QUrl::FullyDecoded), token);
        EXPECT_EQ(query.queryItemValue("tenant_id", QUrl::FullyDecoded), driver.state().workspace.tenant.id);
    }
}

TEST_F(SignInTest, ExternalAuthSuccessSignsInAndLoadsTheWorkspace) {
    driver.setBrowserForward(completeSignIn);
    VeltrixXPC::login();
    scheduler.advance(10);

    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(VeltrixXPC::recentUserName(), driver.state().workspace.user.email);
    const QStringList events = recorder.events();
    const QStringList order = {"extendedAuthSucceed", "loginSuccess", "sdpLoginSuccess", "settingsUpdated",
                               "configLoaded",        "dataLoaded",   "publicIp"};
    qsizetype at = -1;
    for (const auto& event : order) {
        const qsizetype next = events.indexOf(event);
        ASSERT_GT(next, at) << event.toStdString() << " in " << events.join(", ").toStdString();
        at = next;
    }
    ASSERT_TRUE(recorder.loadedNetworks);
    EXPECT_EQ(recorder.loadedNetworks, VeltrixXPC::networks()) << "one live model";
    ASSERT_TRUE(VeltrixXPC::currentNetwork());
    EXPECT_EQ(VeltrixXPC::currentNetwork()->id(), "prv-hq");
    EXPECT_EQ(recorder.publicAddresses.value(0), driver.state().workspace.publicAddress);
}

TEST_F(SignInTest, ADeviceAtRiskFailsThePostureStepAndStaysSignedOut) {
    driver.editState([](sdk::SimulationState& s) { s.devicePosture = PD_DevicePostureCheckState::atRisk; });
    driver.setBrowserForward(completeSignIn);
    VeltrixXPC::login();
    scheduler.advance(10);

    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_FALSE(VeltrixXPC::networks());
    EXPECT_TRUE(recorder.has("loginSuccess"));
    EXPECT_FALSE(recorder.has("sdpLoginSuccess"));
    EXPECT_FALSE(recorder.has("dataLoaded"));
    ASSERT_TRUE(recorder.lastPostureFailure);
    EXPECT_TRUE(recorder.lastPostureFailure->title.has_value());
    EXPECT_TRUE(recorder.lastPostureFailure->message.value_or(QString()).contains("Please consult"));
    EXPECT_FALSE(driver.state().fastLoginAvailable) << "no remembered session to come back to";
}

TEST_F(SignInTest, ATokenOfAnotherTenantIsRefused) {
    VeltrixXPC::externalAuthSuccess(
        PDExtendedAuthResult("other-tenant", driver.state().workspace.session.idToken));
    scheduler.advance(5);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_TRUE(recorder.has("loginError"));
    ASSERT_TRUE(recorder.lastError);
    EXPECT_EQ(recorder.lastError->errorDomain(), PDError::DEFAULT_ERROR_DOMAIN);
    EXPECT_FALSE(recorder.lastError->isSDPError());
}

TEST_F(SignInTest, SignOutForgetsTheSessionButATimeoutAllowsFastLogin) {
    signIn();
    VeltrixXPC::logout();
    scheduler.runUntilIdle();
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_FALSE(VeltrixXPC::networks());
    EXPECT_TRUE(recorder.has("logoutFinished"));
    std::optional<bool> answer;
    VeltrixXPC::shouldLaunchFastLogin([&](bool launch) { answer = launch; });
    scheduler.runUntilIdle();
    EXPECT_EQ(answer, false);

    signIn();
    driver.expireSession(static_cast<int>(SDPStateReasonCodeType::sessionRevoked));
    scheduler.runUntilIdle();
    EXPECT_TRUE(recorder.has("sessionTimeout:5"));
    VeltrixXPC::logout(); // what the client does on a timeout
    scheduler.runUntilIdle();
    EXPECT_TRUE(VeltrixXPC::softLogoutPerformed());

    // After a soft logout the SDK waits for startFastLogInIfPossible(), then completes without the page.
    driver.setBrowserForward(completeSignIn);
    VeltrixXPC::shouldLaunchFastLogin([&](bool launch) { answer = launch; });
    scheduler.advance(5);
    EXPECT_EQ(answer, true);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    VeltrixXPC::startFastLogInIfPossible();
    scheduler.advance(5);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(driver.callNames().count("externalAuthSuccess"), 1);
}

TEST_F(SignInTest, ANewSignInReplacesOneThatWasRefusedOrAbandoned) {
    // Abandoned: the browser never hands the callback back (the client refused it, or the person closed it).
    driver.setBrowserForward([](const QUrl&) {});
    VeltrixXPC::login();
    scheduler.advance(5);
    ASSERT_FALSE(VeltrixXPC::isLoggedIn());

    // Refused: a token the workspace does not know.
    driver.setBrowserForward([](const QUrl& url) {
        VeltrixXPC::externalAuthSuccess(
            PDExtendedAuthResult(QUrlQuery(url).queryItemValue(QStringLiteral("tenant_id")), "forged"));
    });
    VeltrixXPC::login();
    scheduler.advance(5);
    ASSERT_FALSE(VeltrixXPC::isLoggedIn());
    EXPECT_TRUE(recorder.has("loginError"));

    driver.setBrowserForward(completeSignIn);
    VeltrixXPC::login();
    scheduler.advance(10);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
}

TEST_F(SignInTest, ALaterSignInDropsTheEarlierBrowserCallback) {
    int callbacks = 0;
    driver.setBrowserForward([&](const QUrl& url) {
        ++callbacks;
        completeSignIn(url);
    });
    VeltrixXPC::login();
    scheduler.advance(0.5);
    VeltrixXPC::login();
    scheduler.advance(10);
    EXPECT_EQ(callbacks, 1);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
    EXPECT_EQ(recorder.events().count("loginSuccess"), 1);
}

TEST_F(SignInTest, ACancelledSignInLeavesNothingSignedInAndItsLateCallbackIsIgnored) {
    const struct {
        const char* moment;
        double seconds;
    } moments[] = {
        {"the browser's page open", 0.5},
        {"the callback accepted, not signed in yet", 1.1},
        {"signed in, the session not loaded yet", 1.5},
    };
    for (const auto& m : moments) {
        SCOPED_TRACE(m.moment);
        driver.setBrowserForward(completeSignIn);
        recorder.clear();
        VeltrixXPC::login();
        scheduler.advance(m.seconds);
        VeltrixXPC::cancelLogin();
        scheduler.advance(10);
        EXPECT_FALSE(VeltrixXPC::isLoggedIn());
        EXPECT_FALSE(VeltrixXPC::networks());
        EXPECT_FALSE(recorder.has("dataLoaded"));

        completeSignIn(driver.engine().callbackUrl(driver.state().workspace.session.idToken));
        scheduler.advance(10);
        EXPECT_FALSE(VeltrixXPC::isLoggedIn()) << "the cancelled sign-in's callback, arriving late";

        VeltrixXPC::login();
        scheduler.advance(10);
        EXPECT_TRUE(VeltrixXPC::isLoggedIn()) << "a new sign-in after the cancel";
        VeltrixXPC::logout();
        scheduler.advance(10);
    }
}

TEST_F(SignInTest, ASignInThatCannotStartIsReportedToTheLoginDelegate) {
    signIn();
    const size_t browsed = driver.browserUrls().size();
    VeltrixXPC::login();
    scheduler.advance(5);
    ASSERT_TRUE(recorder.lastError) << "already signed in";
    EXPECT_EQ(driver.browserUrls().size(), browsed);

    driver.reset(sdk::Workspace{});
    recorder.install();
    recorder.lastError.reset();
    VeltrixXPC::login();
    scheduler.advance(5);
    ASSERT_TRUE(recorder.lastError);
    EXPECT_TRUE(recorder.lastError->messageText().contains("could not be loaded"));
    EXPECT_TRUE(driver.browserUrls().empty()) << "no browser for a workspace without a tenant";
}

TEST_F(SignInTest, RememberedSessionStartsFastLoginWhenAsked) {
    auto workspace = sdk::testing::Driver::demoWorkspace();
    workspace.session.fastLoginAvailable = true;
    driver.reset(workspace);
    recorder.install();
    driver.setBrowserForward(completeSignIn);

    std::optional<bool> answer;
    VeltrixXPC::shouldLaunchFastLogin([&](bool launch) { answer = launch; });
    scheduler.advance(5);
    EXPECT_EQ(answer, true);
    EXPECT_TRUE(VeltrixXPC::isLoggedIn());
}

// A kept session's data can arrive before the client set its settings and public-address delegates (a slow
// start): once set, they are given the state they missed; signed out there is nothing to give.
TEST_F(SignInTest, DelegatesSetAfterTheSessionsDataGetTheStateTheyMissed) {
    const auto setLateDelegates = [&](bool set) {
        VeltrixXPC::setSettingsDelegate(set ? &recorder : nullptr);
        VeltrixXPC::setPublicIpInfoDelegate(set ? &recorder : nullptr);
    };
    setLateDelegates(false);
    VeltrixXPC::refreshPublicIpInfo();
    scheduler.advance(10);
    setLateDelegates(true);
    scheduler.runUntilIdle();
    EXPECT_TRUE(recorder.events().isEmpty()) << "signed out";

    signIn();
    setLateDelegates(false);
    VeltrixXPC::setup(QStringLiteral("/opt/veltrix")); // a start with the session kept
    scheduler.advance(10);
    ASSERT_TRUE(recorder.has("dataLoaded"));
    EXPECT_FALSE(recorder.has("settingsUpdated"));
    setLateDelegates(true);
    scheduler.runUntilIdle();
    EXPECT_TRUE(recorder.has("settingsUpdated"));
    EXPECT_EQ(recorder.publicAddresses, QStringList{driver.state().publicAddress});
    recorder.clear();
    setLateDelegates(true);
    scheduler.runUntilIdle();
    EXPECT_TRUE(recorder.events().isEmpty()) << "given once";
}

// Connection ----------------------------------------------------------------------------------------------

class ConnectionTest : public SdkTest {
protected:
    void SetUp() override {
        SdkTest::SetUp();
        signIn();
    }
};

TEST_F(ConnectionTest, ConnectGoesThroughConnectingToConnectedAndTheClockTicks) {
    const auto hq = VeltrixXPC::currentNetwork();
    VeltrixXPC::connect(*hq->vpnConfiguration());
    scheduler.runUntilIdle();
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connecting);
    EXPECT_EQ(recorder.events(), QStringList{"connecting"});

    scheduler.advance(1.4);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connecting);
    scheduler.advance(0.1);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_TRUE(VeltrixXPC::isConnectedToVPN());
    EXPECT_TRUE(recorder.has("region:Frankfurt"));
    EXPECT_EQ(VeltrixXPC::internalIPAddress(), driver.state().workspace.connection.internalAddress);
    EXPECT_EQ(recorder.publicAddresses.value(0), hq->vpnConfiguration()->publicIP);
    EXPECT_TRUE(recorder.ticks.empty());

    scheduler.advance(3.5);
    EXPECT_EQ(recorder.ticks, (std::vector<double>{1.0, 2.0, 3.0}));
    const auto connect = driver.lastCall("connect");
    ASSERT_TRUE(connect);
    EXPECT_EQ(connect->arguments.value("networkId"), "prv-hq");
}

TEST_F(ConnectionTest, DisconnectStopsTheClockAndRestoresTheAddress) {
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(3.6);
    const auto ticksBefore = recorder.ticks.size();
    VeltrixXPC::disconnect(true, false, false);
    scheduler.advance(5);

    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_EQ(recorder.events().last(), "publicIp");
    EXPECT_TRUE(recorder.has("disconnected"));
    EXPECT_EQ(recorder.ticks.size(), ticksBefore);
    EXPECT_EQ(recorder.publicAddresses.last(), driver.state().workspace.publicAddress);
    EXPECT_FALSE(VeltrixXPC::internalIPAddress());
    const auto call = driver.lastCall("disconnect");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->arguments.value("intentional").toBool(), true);
    EXPECT_EQ(call->arguments.value("forced").toBool(), false);
    EXPECT_EQ(call->arguments.value("keepKillSwitch").toBool(), false);
}

TEST_F(ConnectionTest, ADisconnectWhileConnectingCancelsTheConnection) {
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(0.5);
    VeltrixXPC::disconnect(true, false, false);
    scheduler.advance(5);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_FALSE(recorder.has("connected"));
}

TEST_F(ConnectionTest, ChangingLocationWhileConnectedMovesTheTunnel) {
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(2);
    recorder.clear();

    const auto tokyo = network("pub-jp-tyo");
    Veltrix::connectToAnotherLocation(*tokyo->vpnConfiguration());
    scheduler.runUntilIdle();
    EXPECT_EQ(recorder.events().mid(0, 3),
              (QStringList{"prepared:pub-jp-tyo", "disconnected(transitional)", "connecting"}));
    scheduler.advance(1.5);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(VeltrixXPC::currentNetwork(), tokyo);
    EXPECT_TRUE(recorder.has("region:Tokyo"));
    EXPECT_EQ(VeltrixXPC::networks()->lastUsedNetworks().last(), tokyo);
    scheduler.advance(1.0);
    EXPECT_EQ(recorder.ticks, std::vector<double>{1.0}) << "the clock starts again for the new tunnel";
    EXPECT_EQ(driver.callNames().count("Veltrix.connectToAnotherLocation"), 1);
}

TEST_F(ConnectionTest, ChangingLocationWhileDisconnectedConnects) {
    VeltrixXPC::connectToAnotherLocation(*network("pub-sg-sin")->vpnConfiguration());
    scheduler.advance(2);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(VeltrixXPC::currentNetwork()->id(), "pub-sg-sin");
}

TEST_F(ConnectionTest, ADroppedTunnelReconnectsAndAFailedConnectReportsTheError) {
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(2);
    driver.dropConnection();
    scheduler.runUntilIdle();
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::reconnecting);
    EXPECT_TRUE(recorder.has("reconnecting"));
    scheduler.advance(3);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);

    VeltrixXPC::disconnect(true, false, false);
    driver.failNextConnect(PDError(7, false, PDError::DEFAULT_ERROR_DOMAIN, std::nullopt,
                                   QStringLiteral("Gateway unreachable")));
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(2);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    ASSERT_TRUE(recorder.lastError);
    EXPECT_EQ(recorder.lastError->messageText(), "Gateway unreachable");
}

TEST_F(ConnectionTest, AConnectToAnUnknownNetworkFails) {
    VeltrixXPC::connect(SDVPNConfig{"nowhere", "nowhere.example", "", ""});
    scheduler.runUntilIdle();
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_TRUE(recorder.has("connectError"));
}

// Settings ------------------------------------------------------------------------------------------------

class SettingsTest : public ConnectionTest {};

TEST_F(SettingsTest, NetworkSettingsWaitWhileConnectedAndApplyOnRequest) {
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(2);
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::wifiSecurity, true);
    EXPECT_TRUE(VeltrixXPC::unappliedSettings().wifiSecurity.value) << "pending holds the change at once";
    scheduler.advance(1);
    EXPECT_FALSE(VeltrixXPC::settings().wifiSecurity.value);
    EXPECT_FALSE(recorder.has("settingsUpdated"));

    VeltrixXPC::applySettingsChanges();
    scheduler.runUntilIdle();
    EXPECT_TRUE(VeltrixXPC::settings().wifiSecurity.value);
    EXPECT_TRUE(VeltrixXPC::enableWiFiSecurity());
    ASSERT_TRUE(recorder.lastSettings);
    EXPECT_TRUE(recorder.lastSettings->wifiSecurity.value);
}

TEST_F(SettingsTest, PendingNetworkSettingsApplyAtTheNextDisconnect) {
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.advance(2);
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::trustedNetworks, false);
    VeltrixXPC::setGeneralSetting(PDGeneralSettingItem::notifications, false);
    scheduler.runUntilIdle();
    EXPECT_FALSE(VeltrixXPC::settings().notifications.value) << "general settings do not wait";
    EXPECT_TRUE(VeltrixXPC::settings().trustedNetworks.value);

    VeltrixXPC::disconnect(true, false, false);
    scheduler.runUntilIdle();
    EXPECT_FALSE(VeltrixXPC::settings().trustedNetworks.value);
    EXPECT_EQ(VeltrixXPC::settings(), VeltrixXPC::unappliedSettings());
}

TEST_F(SettingsTest, EnforcedItemsRefuseChanges) {
    const PDSettings before = VeltrixXPC::unappliedSettings();
    ASSERT_TRUE(before.killSwitch.isEnforced);
    ASSERT_TRUE(before.automaticUpdates.isEnforced);
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::killSwitch, !before.killSwitch.value);
    VeltrixXPC::setGeneralSetting(PDGeneralSettingItem::automaticUpdates, !before.automaticUpdates.value);
    VeltrixXPC::applySettingsChanges();
    scheduler.runUntilIdle();
    EXPECT_EQ(VeltrixXPC::unappliedSettings(), before);
    EXPECT_EQ(VeltrixXPC::settings(), before);
    EXPECT_FALSE(recorder.has("settingsUpdated"));
}

TEST_F(SettingsTest, AlwaysOnBringsTheTunnelUpByItself) {
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::alwaysOn, true);
    scheduler.runUntilIdle();
    EXPECT_TRUE(VeltrixXPC::enableAlwaysON());
    EXPECT_TRUE(VeltrixXPC::enableKillSwitch());
    EXPECT_TRUE(recorder.has("autoStart"));
    scheduler.advance(2);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
}

TEST_F(SettingsTest, SignOutUnderAlwaysOnWithAPendingSettingEndsDisconnectedThenSignedOut) {
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::alwaysOn, true);
    scheduler.advance(3);
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    VeltrixXPC::setNetworkSetting(PDNetworkSettingItem::trustedNetworks, false); // waits for the tunnel
    scheduler.runUntilIdle();
    recorder.clear();

    VeltrixXPC::logout();
    scheduler.advance(30);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_FALSE(VeltrixXPC::isLoggedIn());
    const QStringList events = recorder.events();
    ASSERT_TRUE(events.contains("disconnected")) << events.join(", ").toStdString();
    ASSERT_TRUE(events.contains("logoutFinished")) << events.join(", ").toStdString();
    EXPECT_LT(events.indexOf("disconnected"), events.indexOf("logoutFinished"))
        << events.join(", ").toStdString();
    EXPECT_EQ(events.indexOf("logoutFinished"), events.size() - 1)
        << "nothing follows the sign-out: " << events.join(", ").toStdString();
    EXPECT_FALSE(events.contains("autoStart")) << events.join(", ").toStdString();
    EXPECT_FALSE(VeltrixXPC::settings().trustedNetworks.value)
        << "the pending setting applied on the way out";
}

TEST_F(SettingsTest, TrustedNetworksAreReplacedUnlessEnforced) {
    bool completed = false;
    VeltrixXPC::userUpdateTrustedNetworks({PDWiFiNetwork("Cafe", "Cafe")}, [&] { completed = true; });
    scheduler.runUntilIdle();
    EXPECT_TRUE(completed);
    EXPECT_EQ(VeltrixXPC::settings().trustedNetworksList.value,
              QList<PDWiFiNetwork>{PDWiFiNetwork("Cafe", "Cafe")});

    auto locked = VeltrixXPC::settings();
    locked.trustedNetworksList.isEnforced = true;
    driver.setSettings(locked);
    completed = false;
    VeltrixXPC::userUpdateTrustedNetworks({}, [&] { completed = true; });
    scheduler.runUntilIdle();
    EXPECT_TRUE(completed) << "the completion runs also when the change is refused";
    EXPECT_EQ(VeltrixXPC::settings().trustedNetworksList.value.size(), 1);
}

TEST_F(SettingsTest, ADamagedStateFileIsSetAsideAndTheWorkspaceFileHolds) {
    const sdk::Workspace demo = sdk::testing::Driver::demoWorkspace();
    const QString path = sdk::storedStatePath(demo);
    ASSERT_FALSE(path.isEmpty());
    for (const QByteArray& damaged : {QByteArray(), QByteArray("not json"), QByteArray("[]"),
                                      QByteArray("{}"), QByteArray(R"({"session": {"signedIn": "yes"}})")}) {
        SCOPED_TRACE(damaged.toStdString());
        ASSERT_TRUE(QDir().mkpath(sdk::storedStateDirectory()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();

        driver.reset();
        EXPECT_FALSE(VeltrixXPC::isLoggedIn());
        EXPECT_EQ(VeltrixXPC::settings(), demo.settings);
        EXPECT_FALSE(QFile::exists(path));
        QFile aside(path + ".damaged");
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), damaged);
    }
}

// Update package ------------------------------------------------------------------------------------------

class UpdatePackageTest : public SdkTest {
protected:
    QString write(const QString& name, const QByteArray& contents) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }
    std::optional<SDUpdateInstallResult> install(const QByteArray& contents, const QByteArray& expected) {
        PDAppConfig config = VeltrixXPC::appConfig();
        config.packagePath = write("update.pkg", contents);
        config.packageSha256 =
            QString::fromLatin1(QCryptographicHash::hash(expected, QCryptographicHash::Sha256).toHex());
        driver.setAppConfig(config);
        std::optional<SDUpdateInstallResult> result;
        VeltrixXPC::prepareToInstallAppAutoUpdate([&](const SDUpdateInstallResult& r) { result = r; });
        scheduler.runUntilIdle();
        return result;
    }
    static std::optional<SDUpdateInstallResult::Outcome>
    outcome(const std::optional<SDUpdateInstallResult>& r) {
        return r ? std::optional(r->outcome) : std::nullopt;
    }
    QTemporaryDir dir;
};

TEST_F(UpdatePackageTest, APackageIsAcceptedOnlyWhenItsHashMatches) {
    QStringList handed;
    driver.editState([&](sdk::SimulationState& s) {
        s.installer = [&](const QString& path) {
            handed.append(path);
            return SDUpdateInstallResult{SDUpdateInstallResult::Outcome::installed, {}};
        };
    });
    EXPECT_EQ(outcome(install("tampered package", "genuine package")),
              SDUpdateInstallResult::Outcome::refused);
    EXPECT_TRUE(handed.isEmpty());
    EXPECT_TRUE(driver.state().installedPackagePath.isEmpty());
    EXPECT_EQ(outcome(install("genuine package", "genuine package")),
              SDUpdateInstallResult::Outcome::installed);
    EXPECT_EQ(handed, QStringList{dir.filePath("update.pkg")});
    EXPECT_EQ(driver.state().installedPackagePath, dir.filePath("update.pkg"));
}

TEST_F(UpdatePackageTest, OnlyAnInstalledClientHandsOverAndOnlyADebianPackage) {
    const QString debian =
        write("debian.deb", "!<arch>\ndebian-binary   1700000000  0     0     100644  4  `\n2.0\n");
    const struct {
        QString package;
        bool installed;
        bool handedOver;
    } cases[] = {
        {debian, true, true},
        {debian, false, false},
        {write("other.pkg", "Veltrix 2.1.0 package"), true, false},
        {write("short.deb", "!<arch>\ndebian"), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package.toStdString() + (c.installed ? " installed" : " in place"));
        EXPECT_EQ(!sdk::installBlocker(c.package, c.installed), c.handedOver);
    }
}

TEST_F(UpdatePackageTest, AMissingPackageIsRefused) {
    PDAppConfig config = VeltrixXPC::appConfig();
    config.packagePath = dir.filePath("never-downloaded.pkg");
    driver.setAppConfig(config);
    std::optional<SDUpdateInstallResult> result;
    VeltrixXPC::prepareToInstallAppAutoUpdate([&](const SDUpdateInstallResult& r) { result = r; });
    scheduler.runUntilIdle();
    EXPECT_EQ(outcome(result), SDUpdateInstallResult::Outcome::refused);
}

TEST_F(UpdatePackageTest, TheDemoPackageMatchesItsPublishedHash) {
    const PDAppConfig config = VeltrixXPC::appConfig();
    EXPECT_EQ(config.offeredVersion, "2.1.0");
    const QUrl url(config.packageUrl);
    ASSERT_TRUE(url.isLocalFile());
    QFile package(url.toLocalFile());
    ASSERT_TRUE(package.open(QIODevice::ReadOnly)) << url.toLocalFile().toStdString();
    EXPECT_EQ(
        QString::fromLatin1(QCryptographicHash::hash(package.readAll(), QCryptographicHash::Sha256).toHex()),
        config.packageSha256);
}

// Analytics and diagnostics -------------------------------------------------------------------------------

TEST_F(SdkTest, AnalyticsAreRecordedInOrderWithTheirParameters) {
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, 10, std::nullopt, AnalyticsTrigger::button("Connect"),
                       AnalyticsEvent::Parameters{{AnalyticsParameter::networkId, "prv-hq"}}, std::nullopt));
    VeltrixXPC::sendAnalytics(AnalyticsEvent(0, 14, std::nullopt, AnalyticsTrigger::menuItem("Disconnect"),
                                             std::nullopt, std::nullopt));
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(0, 9, std::nullopt, AnalyticsTrigger::none(), std::nullopt, std::nullopt));

    const auto events = driver.analytics();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, 10);
    EXPECT_EQ(events[0].parameter(AnalyticsParameter::networkId), "prv-hq");
    EXPECT_EQ(events[1].triggeredBy, AnalyticsTrigger::menuItem("Disconnect"));
    EXPECT_EQ(events[2].type, 9);
    const auto call = driver.calls("sendAnalytics").front();
    EXPECT_EQ(call.arguments.value("triggerTitle"), "Connect");
    EXPECT_EQ(call.arguments.value("parameters").toMap().value("networkId"), "prv-hq");
}

TEST_F(SdkTest, AnEventThatAsksToBeSkippedIsDroppedWhenSentRecently) {
    const AnalyticsEvent event(0, 18, std::nullopt, AnalyticsTrigger::none(), std::nullopt, true);
    VeltrixXPC::sendAnalytics(event);
    scheduler.advance(30);
    VeltrixXPC::sendAnalytics(event);
    scheduler.advance(31);
    VeltrixXPC::sendAnalytics(event);
    EXPECT_EQ(driver.analytics().size(), 2u);
    EXPECT_EQ(driver.calls("sendAnalytics").size(), 3u);
}

TEST_F(SdkTest, LogCollectionReturnsATextAndCanBeStopped) {
    VeltrixXPC::logger().warning("Collect me", "Main.cpp", "main", 7);
    VeltrixXPC::logger().debug("Leave me", "Main.cpp", "main", 8);
    std::optional<QString> text;
    VeltrixXPC::collectLogsAndStats([&](const auto& result, const auto&) { text = result; });
    scheduler.advance(5);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(driver.state().workspace.tenant.name));
    EXPECT_TRUE(text->contains("Protocol: Automatic")) << "the protocol by its name";
    EXPECT_TRUE(text->contains("Collect me")) << "what went wrong";
    EXPECT_FALSE(text->contains("Leave me")) << "a report, not the debug lines";
    EXPECT_FALSE(text->contains("Main.cpp"));
    EXPECT_FALSE(text->contains(driver.state().workspace.session.idToken));

    bool called = false;
    VeltrixXPC::collectLogsAndStats([&](const auto&, const auto&) { called = true; });
    VeltrixXPC::stopCollectLogsAndStats();
    scheduler.advance(5);
    EXPECT_FALSE(called);

    driver.failLogCollection(PDTroubleshootingHelperError{
        PDTroubleshootingHelperError::Kind::archiveTooLarge, "/tmp/logs.zip", {}});
    std::optional<PDTroubleshootingHelperError> failure;
    VeltrixXPC::collectLogsAndStats([&](const auto&, const auto& error) { failure = error; });
    scheduler.advance(5);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->archivePath, "/tmp/logs.zip");
}

TEST_F(SdkTest, TheLoggerPassesThePlaceOfEachLine) {
    VeltrixXPC::logger().warning("Something odd", "Controllers/Main.cpp", "connectToVPN", 42);
    const auto lines = driver.loggedLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].level, VeltrixLogger::Level::warning);
    EXPECT_EQ(lines[0].message, "Something odd");
    EXPECT_EQ(lines[0].file, "Controllers/Main.cpp");
    EXPECT_EQ(lines[0].function, "connectToVPN");
    EXPECT_EQ(lines[0].line, 42);
}

TEST_F(SdkTest, TheDriverRecordsClientCallsInOrder) {
    VeltrixXPC::getInitialState([] {});
    VeltrixXPC::setup(PDEndpointConfig(PDEndpointEnv::cloud, SDEnvironment::staging));
    VeltrixXPC::setup(QStringLiteral("/opt/veltrix"));
    VeltrixXPC::setCustomMTU("1380");
    VeltrixXPC::changeVPNProtocol(static_cast<int>(PDVPNProtocol::wireGuard));
    VeltrixXPC::setGeneralSetting(PDGeneralSettingItem::crashReports, false);
    EXPECT_EQ(driver.callNames(), (QStringList{"getInitialState", "setupWithConfig", "setupAppPath",
                                               "setCustomMTU", "changeVPNProtocol", "setGeneralSetting"}));
    EXPECT_EQ(driver.lastCall("setupWithConfig")->arguments.value("authDomain"),
              "auth.staging.veltrix.example");
    EXPECT_EQ(driver.state().vpnProtocol, 6);
    EXPECT_EQ(driver.state().customMTUs, QStringList{"1380"});
    VeltrixXPC::changeVPNProtocol(9);
    EXPECT_EQ(driver.state().vpnProtocol, 6) << "an unknown protocol is ignored";
}

TEST_F(SdkTest, TheDriverSetsStateAndFiresCallbacks) {
    driver.setConnectionState(SDVPNConnectionState::reconnecting);
    driver.setAlwaysOn(true);
    driver.setForcedUpdateAvailable(true);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::reconnecting);
    EXPECT_TRUE(VeltrixXPC::enableAlwaysON());
    EXPECT_TRUE(VeltrixXPC::isForcedUpdateAvailable());

    driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onConnectedToVPN(); });
    EXPECT_EQ(recorder.events(), QStringList{"connected"});
    driver.fire<PDSettingsDelegate>([](auto& d) { d.onUpdatedWithSettings(PDSettings{}); },
                                    sdk::testing::Driver::Delivery::otherThread);
    EXPECT_TRUE(recorder.has("settingsUpdated"));
    EXPECT_NE(recorder.threads().back(), std::this_thread::get_id());
    driver.fire<PDDataLoadingDelegate>([](auto& d) { d.onSessionTimeoutWithReason(3); },
                                       sdk::testing::Driver::Delivery::sdkQueue);
    EXPECT_FALSE(recorder.has("sessionTimeout:3"));
    scheduler.runUntilIdle();
    EXPECT_TRUE(recorder.has("sessionTimeout:3"));
}

TEST_F(SdkTest, AResetDropsWorkStillPending) {
    signIn();
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    scheduler.runUntilIdle();
    driver.reset();
    recorder.install();
    scheduler.advance(5);
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    EXPECT_FALSE(recorder.has("connected"));
    EXPECT_TRUE(driver.calls().empty());
}
