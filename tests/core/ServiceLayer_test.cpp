#include "support/CoreTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/MenuService.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "platform/NotificationCenter.h"
#include "platform/ProcessList.h"
#include "sdk/VeltrixXPC.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <thread>

#include <unistd.h>

using namespace coretest;
using Delivery = sdk::testing::Driver::Delivery;

class ServiceLayerTest : public CoreTest {
protected:
    void SetUp() override {
        MenuService::Controllers fakes;
        fakes.statusItem = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("status", menuCalls, d, g);
        };
        fakes.dockMenu = [this](MenuControllerDataSource* d, MenuControllerDelegate* g) {
            return std::make_unique<FakeMenuController>("dock", menuCalls, d, g);
        };
        service.setMenuService(std::make_unique<MenuService>(service.model(), fakes));
    }

    int logged(const QString& message) const {
        int n = 0;
        for (const auto& line : driver.loggedLines()) {
            n += line.message == message;
        }
        return n;
    }
    QString repaired(const QVariant& stored) {
        defaults.set(SettingsUserDefaults::vpnProtocols, stored);
        service.prepareUserDefaultsToBeApplied();
        const QVariant value = defaults.objectForKey(SettingsUserDefaults::vpnProtocols);
        EXPECT_EQ(value.typeId(), QMetaType::QString) << "stored back as text";
        return value.toString();
    }

    QStringList menuCalls;
    ServiceLayer service{defaults};
};

// Protocol repair
// ---------------------------------------------------------------------------------------------

TEST_F(ServiceLayerTest, StoredTextsAreKeptOnlyWhenTheServiceStillOffersThem) {
    EXPECT_EQ(repaired(" WireGuard"), " WireGuard");
    EXPECT_EQ(logged("restored VPN protocol match"), 1);
    EXPECT_EQ(repaired(" IKEv2 "), " IKEv2 ");
    EXPECT_EQ(repaired(" OpenVPN"), " OpenVPN");
    EXPECT_EQ(repaired(" Automatic"), " Automatic");
    EXPECT_EQ(logged("restored VPN protocol match"), 4);

    driver.clearCalls();
    const int before = static_cast<int>(driver.loggedLines().size());
    EXPECT_EQ(repaired(" IKEv2"), " Automatic");
    EXPECT_EQ(repaired(" PPTP"), " Automatic");
    EXPECT_EQ(repaired("OpenVPN"), " Automatic");
    EXPECT_EQ(driver.loggedLines().size(), before) << "no log line for these";
    EXPECT_EQ(router.count("showL2TPNoLongerAvailableAlertLater"), 0);
}

TEST_F(ServiceLayerTest, LegacyNumbersMapToTheirProtocols) {
    EXPECT_EQ(repaired(0), " Automatic");
    EXPECT_EQ(repaired(1), " IKEv2 ");
    EXPECT_EQ(repaired(2), " OpenVPN");
    EXPECT_EQ(repaired(7), " Automatic");
    EXPECT_EQ(repaired(-1), " Automatic");
    EXPECT_EQ(logged("prepareUserDefaultsToBeApplied default case"), 2);
    EXPECT_EQ(router.count("showL2TPNoLongerAvailableAlertLater"), 0);
}

TEST_F(ServiceLayerTest, L2TPFromTextOrLegacyNumberBecomesAutomaticWithTheAlert) {
    for (const QVariant& stored : {QVariant(QStringLiteral(" L2TP over IPSec")), QVariant(3), QVariant(4)}) {
        router.calls.clear();
        EXPECT_EQ(repaired(stored), " Automatic") << stored.toString().toStdString();
        EXPECT_EQ(router.count("showL2TPNoLongerAvailableAlertLater"), 1);
        service.prepareUserDefaultsToBeApplied();
        EXPECT_EQ(router.count("showL2TPNoLongerAvailableAlertLater"), 1)
            << "the repaired value asks no more";
    }
    EXPECT_EQ(logged("legacy L2TP protocol was updated -> Automatic"), 3);
}

TEST_F(ServiceLayerTest, SetupRepairsThenAppliesTheProtocolAndStartMinimized) {
    defaults.set(SettingsUserDefaults::vpnProtocols, QStringLiteral(" L2TP over IPSec"));
    defaults.set(SettingsUserDefaults::startMinimized, true);
    service.model().addVPNProtocolUpdatedObserver([](const QString&) { FAIL() << "automatic is no change"; });

    service.setup();

    EXPECT_EQ(VeltrixXPC::settingsDelegate(), &service);
    EXPECT_EQ(VeltrixXPC::publicIpInfoDelegate(), &service);
    EXPECT_EQ(router.count("showL2TPNoLongerAvailableAlertLater"), 1);
    EXPECT_EQ(service.model().vpnProtocol(), VPNTypes::automatic);
    ASSERT_TRUE(driver.lastCall("changeVPNProtocol"));
    EXPECT_EQ(driver.lastCall("changeVPNProtocol")->arguments.value("protocol").toInt(), 1);
    EXPECT_TRUE(service.model().startMinimized());
}

// Version
// ------------------------------------------------------------------------------------------------------

TEST_F(ServiceLayerTest, NewerOfferedVersionRequestsTheBannerOncePerVersion) {
    const QString own = service.appVersion();
    EXPECT_EQ(own, GlobalConstants::bundleShortVersion() + "." + GlobalConstants::bundleVersion());
    auto offer = [this](const QString& version) {
        PDAppConfig config = driver.state().appConfig;
        config.offeredVersion = version;
        driver.setAppConfig(config);
    };

    offer(own);
    EXPECT_FALSE(service.isNewVersionAvailable());
    offer(GlobalConstants::bundleShortVersion());
    EXPECT_FALSE(service.isNewVersionAvailable()) << "padded with zeros, not newer";
    offer("");
    EXPECT_FALSE(service.isNewVersionAvailable());
    EXPECT_EQ(router.count("showUpdateAvailableBannerLater"), 0);

    offer("9999.1");
    EXPECT_TRUE(service.isNewVersionAvailable());
    EXPECT_TRUE(service.isNewVersionAvailable());
    EXPECT_EQ(router.count("showUpdateAvailableBannerLater"), 1);
    offer("9999.2");
    EXPECT_TRUE(service.isNewVersionAvailable());
    EXPECT_EQ(router.count("showUpdateAvailableBannerLater"), 2);
}

// Settings updates and the forced-update state --------------------------------------------------------------

TEST_F(ServiceLayerTest, SettingsUpdateAppliesTheForcedStateThenPostsOnTheMainQueue) {
    service.setup();
    QStringList seen;
    std::vector<std::thread::id> threads;
    auto token = platform::NotificationCenter::defaultCenter().addObserver(
        "settingsUpdated", nullptr, [&](const platform::Notification&) {
            seen.append(QStringLiteral("posted in=%1").arg(service.model().isInForcedUpgradeState()));
            threads.push_back(std::this_thread::get_id());
        });
    auto update = [this] {
        driver.fire<PDSettingsDelegate>([](auto& d) { d.onUpdatedWithSettings(PDSettings()); },
                                        Delivery::otherThread);
    };

    driver.setForcedUpdateAvailable(true);
    update();
    EXPECT_TRUE(seen.isEmpty()) << "nothing runs on the SDK's thread";
    EXPECT_FALSE(service.model().isInForcedUpgradeState());
    scheduler.runUntilIdle();
    EXPECT_EQ(seen, QStringList({"posted in=1"}));
    EXPECT_EQ(threads.back(), std::this_thread::get_id());
    EXPECT_EQ(router.count("enterForcedUpdateState"), 1);

    update();
    scheduler.runUntilIdle();
    EXPECT_EQ(router.count("enterForcedUpdateState"), 2) << "entered on every update while forced";

    driver.setForcedUpdateAvailable(false);
    update();
    update();
    scheduler.runUntilIdle();
    EXPECT_EQ(router.count("leaveForcedUpdateState"), 1) << "left once";
    EXPECT_FALSE(service.model().isInForcedUpgradeState());
    EXPECT_EQ(seen.size(), 4);
}

TEST_F(ServiceLayerTest, WithoutARouterTheForcedFlagIsStillSet) {
    platform::Application::instance()->setDelegate(nullptr);
    service.setup();
    driver.setForcedUpdateAvailable(true);
    driver.fire<PDSettingsDelegate>([](auto& d) { d.onUpdatedWithSettings(PDSettings()); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(service.model().isInForcedUpgradeState());
    EXPECT_TRUE(router.calls.isEmpty());
}

TEST_F(ServiceLayerTest, NoSettingsWorkRunsAfterTheServiceIsGone) {
    auto other = std::make_unique<ServiceLayer>(defaults);
    other->setup();
    driver.setForcedUpdateAvailable(true);
    driver.fire<PDSettingsDelegate>([](auto& d) { d.onUpdatedWithSettings(PDSettings()); });
    other.reset();
    EXPECT_EQ(VeltrixXPC::settingsDelegate(), nullptr) << "the delegate is cleared";
    scheduler.runUntilIdle();
    EXPECT_EQ(router.count("enterForcedUpdateState"), 0);
}

// Public address
// ------------------------------------------------------------------------------------------------

TEST_F(ServiceLayerTest, PublicAddressReachesTheHandlerOnTheMainQueueAndThenTheMenus) {
    service.setup();
    driver.setPublicAddress("203.0.113.7");
    QStringList got;
    std::vector<std::thread::id> threads;
    QObject owner;
    service.refreshUserIPAddress(&owner, [&](const PDPublicIPInfoPtr& info) {
        got.append(info->ipAddress());
        threads.push_back(std::this_thread::get_id());
    });
    EXPECT_TRUE(driver.lastCall("refreshPublicIpInfo"));
    scheduler.advance(1);
    EXPECT_EQ(got, QStringList({"203.0.113.7"}));
    EXPECT_EQ(menuCalls,
              QStringList({"status.updateIPAddress:203.0.113.7", "dock.updateIPAddress:203.0.113.7"}));

    // A later answer, from another thread, reaches the handler again, on the main queue.
    menuCalls.clear();
    driver.fire<PDPublicIpInfoServiceDelegate>(
        [](auto& d) {
            d.onPublicIpInfoLoadedWithPublicIpInfo(std::make_shared<PDPublicIPInfo>("203.0.113.8"));
        },
        Delivery::otherThread);
    EXPECT_EQ(got.size(), 1);
    EXPECT_TRUE(menuCalls.isEmpty()) << "the menus are told on the GUI thread only";
    scheduler.runUntilIdle();
    EXPECT_EQ(got, QStringList({"203.0.113.7", "203.0.113.8"}));
    EXPECT_EQ(menuCalls,
              QStringList({"status.updateIPAddress:203.0.113.8", "dock.updateIPAddress:203.0.113.8"}));
    for (const auto& thread : threads) {
        EXPECT_EQ(thread, std::this_thread::get_id());
    }
}

TEST_F(ServiceLayerTest, FailedLookupShowsTheLocalizedTextAndAGoneOwnerIsNotCalled) {
    service.setup();
    driver.failPublicIpLookup(true);
    int calls = 0;
    auto owner = std::make_unique<QObject>();
    service.refreshUserIPAddress(owner.get(), [&](const PDPublicIPInfoPtr&) { ++calls; });
    owner.reset();
    scheduler.advance(5);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(menuCalls, QStringList({"status.updateIPAddress:Unable to get IP address",
                                      "dock.updateIPAddress:Unable to get IP address"}));
}

TEST_F(ServiceLayerTest, FailureWithoutAHandlerStillUpdatesTheMenus) {
    service.setup();
    service.onPublicIpInfoLoadingErrorWithError(PDError(1, false, PDError::DEFAULT_ERROR_DOMAIN));
    EXPECT_EQ(menuCalls, QStringList({"status.updateIPAddress:Unable to get IP address",
                                      "dock.updateIPAddress:Unable to get IP address"}));
}

// Account, copies, locations
// -----------------------------------------------------------------------------------

TEST_F(ServiceLayerTest, ExpiredAccountSignsOutThenShowsTheErrorHalfASecondLater) {
    service.onAccountExpired();
    EXPECT_TRUE(router.calls.isEmpty());
    scheduler.runUntilIdle();
    EXPECT_EQ(router.calls, QStringList({"performLogout"}));
    scheduler.advance(0.49);
    EXPECT_EQ(router.calls.size(), 1);
    scheduler.advance(0.02);
    EXPECT_EQ(router.calls, QStringList({"performLogout", "showAccountExpired"}));
}

TEST(ConflictingCopiesTest,
     CountsOnlyOlderCopiesOfTheSameUserInTheSameSessionRunningTheClientsOwnExecutable) {
    const QStringList own = {"/opt/veltrix/bin/veltrix", "/opt/veltrix/bin/helper", "/opt/veltrix/bin/agent"};
    const platform::ProcessRecord self{50, "/opt/veltrix/bin/veltrix", 1000u, 5000, "/run/user/1000"};
    const std::vector<platform::ProcessRecord> processes = {
        {10, "/opt/veltrix/bin/veltrix", 1000u, 4000},     // an older copy of ours: counts
        {11, "/opt/veltrix/bin/veltrix", 1000u, 4100},     // the same path again: counted once
        {12, "/opt/veltrix/bin/helper", 1000u, 4200},      // another executable of ours
        {13, "/opt/veltrix/bin/veltrix", 1001u, 100},      // another user's copy
        {14, "/opt/veltrix/bin/veltrix", std::nullopt, 1}, // owner unknown
        {15, "/home/x/veltrix", 1000u, 1},                 // merely named like the client
        {16, "/opt/veltrix/bin/veltrix-notifier", 1000u, 1},
        {50, "/opt/veltrix/bin/veltrix", 1000u, 5000}, // this very process
        {60, "/opt/veltrix/bin/veltrix", 1000u, 5002}, // started later: it hands over and exits
        {17, "/opt/veltrix/bin/agent", 1000u, 1, "/tmp/test-runtime"}, // another session (a test's copy)
        {18, "/opt/veltrix/bin/agent", 1000u, 1, ""},                  // a session without a runtime folder
    };
    EXPECT_EQ(ServiceLayer::conflictingExecutables(processes, own, self),
              QStringList({"/opt/veltrix/bin/veltrix", "/opt/veltrix/bin/helper"}));
    const platform::ProcessRecord sameSession{19, "/opt/veltrix/bin/agent", 1000u, 1, "/run/user/1000"};
    EXPECT_EQ(ServiceLayer::conflictingExecutables({sameSession}, own, self),
              QStringList{"/opt/veltrix/bin/agent"});

    // Started in the same clock tick: the lower pid is the older one, so exactly one of the two counts.
    const platform::ProcessRecord twinA{70, "/opt/veltrix/bin/veltrix", 1000u, 9000};
    const platform::ProcessRecord twinB{71, "/opt/veltrix/bin/veltrix", 1000u, 9000};
    EXPECT_TRUE(ServiceLayer::conflictingExecutables({twinB}, own, twinA).isEmpty());
    EXPECT_EQ(ServiceLayer::conflictingExecutables({twinA}, own, twinB).size(), 1);
    EXPECT_TRUE(ServiceLayer::conflictingExecutables(processes, {}, self).isEmpty());
}

TEST_F(ServiceLayerTest, AnotherUsersCopyOrAProgramNamedLikeTheClientLetsTheClientRun) {
    QTemporaryDir proc;
    const QString ownExecutable = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    auto process = [&](int pid, const QString& executable, uint uid, quint64 start) {
        QDir().mkpath(proc.filePath(QString::number(pid)));
        ASSERT_TRUE(QFile::link(executable, proc.filePath(QStringLiteral("%1/exe").arg(pid))));
        QFile status(proc.filePath(QStringLiteral("%1/status").arg(pid)));
        ASSERT_TRUE(status.open(QIODevice::WriteOnly));
        status.write(QStringLiteral("Uid:\t%1\t%1\t%1\t%1\n").arg(uid).toUtf8());
        QFile stat(proc.filePath(QStringLiteral("%1/stat").arg(pid)));
        ASSERT_TRUE(stat.open(QIODevice::WriteOnly));
        stat.write(QStringLiteral("%1 (veltrix) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 %2 1 1")
                       .arg(pid)
                       .arg(start)
                       .toUtf8());
    };
    service.setProcessTableRoot(proc.path());
    process(2, ownExecutable, ::getuid() + 1, 1); // another user's copy, long running
    process(3, "/usr/bin/env", ::getuid(), 1);    // `exec -a veltrix`: the command line lies
    EXPECT_FALSE(service.isConflictingAppsRunning());
    process(4, ownExecutable, ::getuid(), 1); // this user's copy, started first
    EXPECT_TRUE(service.isConflictingAppsRunning());
}

TEST(OwnExecutablesTest, ListsExecutablesWithAnIdentifierBehindTheBundlePath) {
    QTemporaryDir bundle;
    auto make = [&](const QString& name, bool executable) {
        QFile file(bundle.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        if (executable) {
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
    };
    make("veltrix", true);
    make("notes.txt", false);
    make("helper", true);
    make("tool-without-id", true);
    auto identifier = [](const QString& path) -> std::optional<QString> {
        if (path.endsWith("/veltrix") || path.endsWith("/notes.txt")) {
            return QStringLiteral("com.veltrix.Veltrix");
        }
        if (path.endsWith("/helper")) {
            return QStringLiteral("com.veltrix.Helper");
        }
        return std::nullopt;
    };

    const auto inside = GlobalConstants::ownExecutables(bundle.path(), bundle.path(), identifier);
    EXPECT_EQ(inside, (QList<GlobalConstants::OwnExecutable>{{"com.veltrix.Helper", "/helper"},
                                                             {"com.veltrix.Veltrix", "/veltrix"}}));
    const auto outside = GlobalConstants::ownExecutables(bundle.path(), "/elsewhere", identifier);
    ASSERT_EQ(outside.size(), 2);
    EXPECT_EQ(outside.front().relativePath, bundle.filePath("helper"))
        << "outside the bundle the path stays whole";
    EXPECT_TRUE(
        GlobalConstants::ownExecutables(bundle.filePath("missing"), bundle.path(), identifier).isEmpty());
}

TEST_F(ServiceLayerTest, AnotherLocationGoesToTheSdkWithItsConfiguration) {
    driver.setNetworks(sdk::makeNetworksModel(driver.state().workspace));
    const auto location = VeltrixXPC::networks()->publicLocations().value(0);
    ASSERT_TRUE(location && location->vpnConfiguration());
    ServiceLayer::connectToAnotherLocation(location);
    const auto call = driver.lastCall("Veltrix.connectToAnotherLocation");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->arguments.value("networkId").toString(), location->vpnConfiguration()->networkId);

    driver.clearCalls();
    PDNetworkItem::Data bare;
    ServiceLayer::connectToAnotherLocation(std::make_shared<PDNetworkItem>(bare));
    ServiceLayer::connectToAnotherLocation(nullptr);
    EXPECT_FALSE(driver.lastCall("Veltrix.connectToAnotherLocation"));
}
