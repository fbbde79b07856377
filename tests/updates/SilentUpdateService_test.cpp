// The silent update in virtual time, downloading for real from a loopback server, handed to the SDK
// stand-in, which checks the package's SHA-256.
#include "core/SilentUpdateService.h"

#include "core/Preferences.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "support/LoopbackHttpServer.h"
#include "support/UpdatesTestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using testsupport::LoopbackHttpServer;

namespace {

class SilentUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        server.serveBody("/veltrix-2.1.0.pkg", package);
        offer(QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex());
        driver.setConnectionState(SDVPNConnectionState::disconnected);
        updatestest::installWith(driver);
        defaults().set(SettingsUserDefaults::showSilentSuccessMessage, false);
    }

    static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

    void offer(const QString& sha256, bool silent = true) {
        PDAppConfig config = driver.state().appConfig;
        config.offeredVersion = QStringLiteral("2.1.0");
        config.packageUrl = server.url(QStringLiteral("/veltrix-2.1.0.pkg")).toString();
        config.packagePath = folder.filePath(QStringLiteral("updates/veltrix-2.1.0.pkg"));
        config.packageSha256 = sha256;
        config.isSilentUpdate = silent;
        driver.setAppConfig(config);
    }
    void setAutomaticUpdates(bool on) {
        driver.editState([on](sdk::SimulationState& s) { s.pendingSettings.automaticUpdates.value = on; });
    }
    int downloads() const { return server.requestCount("/veltrix-2.1.0.pkg"); }
    int handOvers() const { return static_cast<int>(driver.calls("prepareToInstallAppAutoUpdate").size()); }
    bool settle(const std::function<bool()>& done, int realMs = 20000) {
        return updatestest::settle(scheduler, done, realMs);
    }
    // What follows a started download: the package arrives and is handed to the SDK, which answers.
    bool settleHandOver(int count) {
        return settle([&] { return handOvers() == count; }) && settle([&] {
                   return service.currentState() != AutoUpdateStates::readyToInstallUpdate ||
                          defaults().boolForKey(SettingsUserDefaults::showSilentSuccessMessage);
               });
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    QTemporaryDir folder;
    LoopbackHttpServer server;
    const QByteArray package = QByteArray("Veltrix 2.1.0 package ").repeated(2000);
    SilentUpdateService service;
};

TEST_F(SilentUpdateTest, FiveMinutesAndThreeSecondsAfterTheTimerThePackageIsInstalledUnasked) {
    service.startTimer();
    scheduler.advance(200);
    service.startTimer(); // a running timer goes on unchanged
    scheduler.advance(99.9);
    EXPECT_TRUE(service.isTimerRunning());
    scheduler.advance(0.1);
    EXPECT_FALSE(service.isTimerRunning());
    service.startTimer(); // fired but still held until the step clears it
    scheduler.advance(2.9);
    EXPECT_EQ(service.autoUpdater()->state(), AUUpdater::idle);
    EXPECT_EQ(downloads(), 0);
    scheduler.advance(0.1);
    ASSERT_TRUE(settleHandOver(1));
    EXPECT_EQ(downloads(), 1);
    EXPECT_EQ(service.currentState(), AutoUpdateStates::readyToInstallUpdate);
    EXPECT_TRUE(defaults().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
    EXPECT_EQ(defaults().stringForKey(SettingsUserDefaults::installedUpdateVersion), "2.1.0");
    EXPECT_EQ(driver.state().installedPackagePath,
              folder.filePath(QStringLiteral("updates/veltrix-2.1.0.pkg")));
    EXPECT_FALSE(service.isTimerRunning());

    service.startUpdate(); // installed: nothing is fetched again
    scheduler.advance(10);
    EXPECT_EQ(downloads(), 1);
}

TEST_F(SilentUpdateTest, AStepTheTimerStartedIsDroppedWhenTheWayIsNoLongerClear) {
    const struct {
        const char* what;
        double at; // seconds after startTimer()
        std::function<void()> change;
    } cases[] = {
        {"a connect resets the timer", 120, [this] { service.resetTimer(); }},
        {"automatic updates switched off", 301, [this] { service.resetTimer(); }},
        {"automatic updates off by the time the timer fires", 200, [this] { setAutomaticUpdates(false); }},
        {"connected during the step", 301,
         [this] { driver.setConnectionState(SDVPNConnectionState::connecting); }},
        {"the silent update withdrawn", 302, [this] { driver.setSilentUpdateAvailable(false); }},
        {"the update sheet opened", 250, [this] { service.setUpdateSheetShown(true); }},
        {"the sheet opened during the step", 301.5, [this] { service.setUpdateSheetShown(true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        driver.setConnectionState(SDVPNConnectionState::disconnected);
        driver.setSilentUpdateAvailable(true);
        setAutomaticUpdates(true);
        service.setUpdateSheetShown(false);
        service.startTimer();
        scheduler.advance(c.at);
        c.change();
        scheduler.advance(400);
        settle([] { return false; }, 200); // lets anything that did start arrive
        EXPECT_EQ(downloads(), 0);
        EXPECT_FALSE(service.isTimerRunning());
    }
}

TEST_F(SilentUpdateTest, AnUpdateTheUserAskedForIsNeverDroppedForBeingConnected) {
    service.startTimer();
    service.startUpdate();
    EXPECT_TRUE(service.isTimerRunning()) << "the timer goes only when the download starts";
    scheduler.advance(1);
    driver.setConnectionState(SDVPNConnectionState::connected);
    service.resetTimer(); // a connect
    scheduler.advance(2);
    ASSERT_TRUE(settleHandOver(1));
    EXPECT_EQ(downloads(), 1);
    EXPECT_FALSE(service.isTimerRunning());
}

TEST_F(SilentUpdateTest, ARefusedPackageIsRecordedAndFetchedAgainOnTheNextStart) {
    offer(QString(64, QLatin1Char('0')));
    service.startUpdate();
    scheduler.advance(3);
    ASSERT_TRUE(settleHandOver(1));
    EXPECT_EQ(service.currentState(), AutoUpdateStates::failedToVerifyUpdate);
    EXPECT_FALSE(defaults().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
    EXPECT_TRUE(driver.state().installedPackagePath.isEmpty());

    offer(QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex());
    service.startUpdate();
    scheduler.advance(3);
    ASSERT_TRUE(settleHandOver(2));
    EXPECT_EQ(downloads(), 2);
    EXPECT_TRUE(defaults().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
}

TEST_F(SilentUpdateTest, ADownloadThatFailsTwiceIsOnlyRecordedAndTheNextStartTriesAgain) {
    server.serveStatus("/veltrix-2.1.0.pkg", 503);
    service.startUpdate();
    scheduler.advance(3);
    ASSERT_TRUE(
        settle([&] { return downloads() == 1 && service.autoUpdater()->state() == AUUpdater::idle; }));
    scheduler.advance(5); // the retry
    ASSERT_TRUE(settle([&] { return service.currentState() == AutoUpdateStates::failedToDownloadUpdate; }));
    EXPECT_EQ(downloads(), 2);
    EXPECT_EQ(handOvers(), 0);
    EXPECT_FALSE(service.isTimerRunning());

    server.serveBody("/veltrix-2.1.0.pkg", package);
    service.startUpdate();
    scheduler.advance(3);
    ASSERT_TRUE(settleHandOver(1));
    EXPECT_TRUE(defaults().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
}

TEST_F(SilentUpdateTest, ANewlyOfferedPackageIsFetchedFromItsOwnAddress) {
    service.startUpdate();
    scheduler.advance(3);
    ASSERT_TRUE(settleHandOver(1));
    const QByteArray newer = QByteArray("Veltrix 2.2.0 package ").repeated(100);
    server.serveBody("/veltrix-2.2.0.pkg", newer);
    PDAppConfig config = driver.state().appConfig;
    config.offeredVersion = QStringLiteral("2.2.0");
    config.packageUrl = server.url(QStringLiteral("/veltrix-2.2.0.pkg")).toString();
    config.packagePath = folder.filePath(QStringLiteral("updates/veltrix-2.2.0.pkg"));
    config.packageSha256 = QCryptographicHash::hash(newer, QCryptographicHash::Sha256).toHex();
    driver.setAppConfig(config);
    service.startUpdate();
    scheduler.advance(3);
    ASSERT_TRUE(settleHandOver(2));
    EXPECT_EQ(server.requestCount("/veltrix-2.2.0.pkg"), 1);
    EXPECT_EQ(driver.state().installedPackagePath, config.packagePath);
}

TEST(SilentUpdateService, ADestroyedServiceLeavesNothingScheduled) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    sdk::testing::Driver driver;
    auto service = std::make_unique<SilentUpdateService>();
    EXPECT_FALSE(service->isAppLoaded);
    service->startTimer();
    service->startUpdate();
    service.reset();
    scheduler.advance(600); // nothing runs on the destroyed service
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_TRUE(driver.calls("prepareToInstallAppAutoUpdate").empty());
}

} // namespace
