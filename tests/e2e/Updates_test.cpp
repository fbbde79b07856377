// Updates as a signed-in user meets them on the demo workspaces: the offered version taken from the update
// sheet (downloaded for real from the package file beside the workspace, checked by the SDK stand-in), a
// package the SDK refuses, a required update that stands in for connecting, and the silent variant that
// installs by itself after a disconnect.
#include "e2e/ClientHarness.h"

#include "core/GlobalConstants.h"
#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "mainwindow/MainSubController.h"
#include "platform/Bundle.h"
#include "settings/SettingsGeneralController.h"
#include "toolkit/MainErrorView.h"
#include "toolkit/TextAttributes.h"
#include "updates/AutoUpdateViewController.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <QThread>

using namespace e2e;

namespace {

class UpdatesScenario : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        platform::UserDefaults::standard().set(SettingsUserDefaults::showSilentSuccessMessage, false);
        systemInstalls();
    }

    // The system's installer takes every verified package (else this build, running in place, installs
    // nothing).
    void systemInstalls() {
        driver.editState([](sdk::SimulationState& s) {
            s.installer = [](const QString&) {
                return SDUpdateInstallResult{SDUpdateInstallResult::Outcome::installed, {}};
            };
        });
    }

    MainSubController& homeTab() { return *delegate->mainSubController(); }
    AutoUpdateViewController* sheet() {
        return qobject_cast<AutoUpdateViewController*>(homeTab().autoUpdateSheet());
    }
    bool isSheetShown() {
        return sheet() && sheet()->presentingViewController() && sheet()->view()->isVisible();
    }
    QStringList sheetTexts() { return isSheetShown() ? visibleTexts(sheet()->view()) : QStringList(); }
    bool sheetShows(const QString& text) { return sheetTexts().contains(text); }
    bool clickInSheet(const QString& title) {
        const bool clicked = isSheetShown() && clickButton(sheet()->view(), title);
        run();
        return clicked;
    }
    QString packagePath() const { return VeltrixXPC::appConfig().packagePath; }
    bool installed() const { return driver.state().installedPackagePath == packagePath(); }

    // The offered version, before the client starts: the banner is asked for once per version and process.
    void offerVersion(const QString& version, const QString& sha256 = {}) {
        driver.editState([&](sdk::SimulationState& s) {
            s.appConfig.offeredVersion = version;
            if (!sha256.isEmpty()) {
                s.appConfig.packageSha256 = sha256;
            }
        });
    }
    void openSheetFromTheBanner() {
        ASSERT_TRUE(homeTab().isErrorViewShown());
        QTest::mouseClick(homeTab().errorView()->titleField(), Qt::LeftButton);
        run();
        ASSERT_TRUE(isSheetShown());
    }
    // From the offer to the package downloaded and ready.
    void download() {
        ASSERT_TRUE(clickInSheet("Update Now")) << sheetTexts();
        ASSERT_TRUE(waitFor([&] { return sheetShows(L10n::auto_update_ready_to_install_title()); }))
            << sheetTexts();
    }
    void restart() {
        ASSERT_TRUE(clickInSheet(L10n::auto_update_restart_button())) << sheetTexts();
        ASSERT_TRUE(waitFor([&] { return !driver.calls("prepareToInstallAppAutoUpdate").empty(); }));
        // Installed, the client ends for the SDK to start the new version: its windows go.
        ASSERT_TRUE(waitFor([&] {
            return installed() || sheetShows(LocaleData::autoUpdateVerificationFailed().title) ||
                   sheetShows(L10n::auto_update_install_failed_title());
        }));
    }
    void useDemoWorkspace(const char* name) {
        const QString path =
            platform::Bundle::main().pathForResource(QStringLiteral("demo/") + QLatin1String(name));
        ASSERT_EQ(driver.resetFromFile(path), QString()) << path.toStdString();
        driver.setBrowserForward([](const QUrl& url) { platform::UrlEvents::shared().deliver(url); });
        systemInstalls();
    }
};

} // namespace

TEST_F(UpdatesScenario, TheDemosPackageIsDownloadedVerifiedAndReportedInstalled) {
    offerVersion(QStringLiteral("2.3.0"));
    QFile::remove(packagePath());
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_NO_FATAL_FAILURE(openSheetFromTheBanner());
    EXPECT_EQ(stringValue(sheet()->updateView()->updateMessageField()),
              GlobalConstants::productDisplayName() +
                  QStringLiteral(" 2.3.0 is available. Do you want to update now?"));

    ASSERT_NO_FATAL_FAILURE(download());
    EXPECT_TRUE(QFile::exists(packagePath()));
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_TRUE(installed());
    EXPECT_TRUE(waitFor([&] { return !isSheetShown(); })) << "the client ends";
    auto& defaults = platform::UserDefaults::standard();
    EXPECT_TRUE(defaults.boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
    EXPECT_EQ(defaults.stringForKey(SettingsUserDefaults::installedUpdateVersion), "2.3.0");

    // The new version runs in the process the SDK starts; this one, still the old version, announces nothing
    // and leaves the record for it.
    bringClientForward();
    EXPECT_FALSE(visibleTexts(homeTab().view()).contains("New Version has been Installed!"))
        << visibleTexts(homeTab().view());
    EXPECT_EQ(defaults.stringForKey(SettingsUserDefaults::installedUpdateVersion), "2.3.0");
}

TEST_F(UpdatesScenario, ABuildRunningInPlaceSaysWhyItDidNotInstallAndDeletesThePackage) {
    driver.editState([](sdk::SimulationState& s) { s.installer = nullptr; });
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_NO_FATAL_FAILURE(openSheetFromTheBanner());
    ASSERT_NO_FATAL_FAILURE(download());
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_FALSE(installed());
    EXPECT_TRUE(sheetShows(L10n::auto_update_install_failed_title())) << sheetTexts();
    EXPECT_FALSE(sheetTexts().filter("build folder").isEmpty()) << sheetTexts();
    EXPECT_FALSE(QFile::exists(packagePath()));
    EXPECT_FALSE(
        platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
    ASSERT_TRUE(clickInSheet("Close")) << sheetTexts();
    EXPECT_FALSE(isSheetShown());
}

TEST_F(UpdatesScenario, AWrongHashIsRefusedAndTheSheetStaysUsable) {
    const QString demoHash = driver.state().appConfig.packageSha256;
    offerVersion(QStringLiteral("2.3.1"), QString(64, QLatin1Char('0')));
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_NO_FATAL_FAILURE(openSheetFromTheBanner());
    ASSERT_NO_FATAL_FAILURE(download());
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_FALSE(installed());
    EXPECT_TRUE(sheetShows(LocaleData::autoUpdateVerificationFailed().title)) << sheetTexts();
    EXPECT_FALSE(sheet()->closeButton()->isVisible());
    EXPECT_FALSE(
        platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));

    // Try again, now that the service's checksum matches the package.
    driver.editState([&](sdk::SimulationState& s) { s.appConfig.packageSha256 = demoHash; });
    ASSERT_TRUE(clickInSheet(L10n::auto_update_try_again_button())) << sheetTexts();
    ASSERT_TRUE(waitFor([&] { return sheetShows(L10n::auto_update_ready_to_install_title()); }))
        << sheetTexts();
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_TRUE(installed());
}

// Cancel pressed as the package's last bytes are put in place, before the client has heard of it.
TEST_F(UpdatesScenario, ACancelAgainstTheLastBytesNeverInstalls) {
    offerVersion(QStringLiteral("2.3.2"));
    QFile::remove(packagePath());
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_NO_FATAL_FAILURE(openSheetFromTheBanner());
    ASSERT_TRUE(clickButton(sheet()->view(), "Update Now"));
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(packagePath()) && !deadline.hasExpired()) {
        QThread::msleep(1); // the transfer's thread alone runs
    }
    ASSERT_TRUE(QFile::exists(packagePath()));
    ASSERT_TRUE(clickInSheet("Cancel")) << sheetTexts();
    EXPECT_FALSE(isSheetShown());
    advance(400); // past the silent update's timers
    EXPECT_FALSE(QFile::exists(packagePath()));
    EXPECT_TRUE(driver.calls("prepareToInstallAppAutoUpdate").empty());
    EXPECT_FALSE(installed());
}

TEST_F(UpdatesScenario, ARequiredUpdateStandsInForConnectingAndCancelLeavesTheClientUnconnected) {
    ASSERT_NO_FATAL_FAILURE(useDemoWorkspace("workspace-forced-update.json"));
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton);
    run();
    EXPECT_TRUE(driver.calls("connect").empty());
    ASSERT_TRUE(isSheetShown());
    ASSERT_TRUE(clickInSheet("Update Now"));
    ASSERT_TRUE(clickInSheet("Cancel")) << sheetTexts();
    EXPECT_FALSE(isSheetShown());
    EXPECT_TRUE(driver.calls("connect").empty());

    QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton); // a new sheet, from its offer
    run();
    ASSERT_TRUE(isSheetShown());
    ASSERT_NO_FATAL_FAILURE(download());
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_TRUE(installed());
}

TEST_F(UpdatesScenario, TheTraysUpgradeOverAnotherTabPutsTheSheetOnTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(useDemoWorkspace("workspace-forced-update.json"));
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    delegate->showSettingsTab();
    advance(1); // past the tabs' fade
    ASSERT_FALSE(homeTab().view()->isVisible());
    ASSERT_TRUE(chooseInTrayMenu("Upgrade"));
    run();
    ASSERT_TRUE(isSheetShown());
    EXPECT_EQ(sheet()->view()->window()->parentWidget(), delegate->generalWindowViewController()->window());
    ASSERT_NO_FATAL_FAILURE(download());
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_TRUE(installed());
}

TEST_F(UpdatesScenario, TheSilentVariantInstalls303SecondsAfterTheUserDisconnects) {
    ASSERT_NO_FATAL_FAILURE(useDemoWorkspace("workspace-silent-update.json"));
    // A tunnel already up when the client starts, so that the first load leaves the update to a disconnect.
    driver.setConnectionState(SDVPNConnectionState::connected);
    QFile::remove(packagePath());
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_TRUE(VeltrixXPC::isSilentUpdateAvailable());
    ASSERT_NE(VeltrixXPC::currentNetwork(), nullptr);

    QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton); // the user disconnects
    run();
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    advance(302.9);
    waitFor([] { return false; }, 100);
    EXPECT_FALSE(QFile::exists(packagePath()));
    EXPECT_TRUE(driver.calls("prepareToInstallAppAutoUpdate").empty());

    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return installed(); }));
    ASSERT_TRUE(waitFor([] {
        return platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showSilentSuccessMessage);
    }));
    EXPECT_FALSE(isSheetShown()) << "nothing asked";
}

TEST_F(UpdatesScenario, AConnectWithinTheFiveMinutesStartsTheWaitAfresh) {
    ASSERT_NO_FATAL_FAILURE(useDemoWorkspace("workspace-silent-update.json"));
    driver.setConnectionState(SDVPNConnectionState::connected);
    QFile::remove(packagePath());
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    const auto toggleConnection = [&] {
        QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton);
        run();
    };

    toggleConnection(); // the user disconnects,
    advance(200);
    toggleConnection(); // connects again before the update,
    ASSERT_NE(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    advance(50);
    toggleConnection(); // and disconnects once more: the five minutes count from here
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    advance(60);
    waitFor([] { return false; }, 100);
    EXPECT_FALSE(QFile::exists(packagePath())) << "the first disconnect's wait was called off";
    EXPECT_TRUE(driver.calls("prepareToInstallAppAutoUpdate").empty());

    advance(243);
    ASSERT_TRUE(waitFor([&] { return installed(); }));
}

TEST_F(UpdatesScenario, WithAutomaticUpdatesOffTheSilentVariantWaitsUntilTheUserSwitchesThemOn) {
    ASSERT_NO_FATAL_FAILURE(useDemoWorkspace("workspace-silent-update.json"));
    driver.editState([](sdk::SimulationState& s) {
        s.settings.automaticUpdates = PDSettingBoolItem(false, false);
        s.pendingSettings.automaticUpdates = PDSettingBoolItem(false, false);
    });
    QFile::remove(packagePath());
    const auto nothingFetched = [&] {
        waitFor([] { return false; }, 100);
        return !QFile::exists(packagePath()) && driver.calls("prepareToInstallAppAutoUpdate").empty();
    };
    const auto toggleConnection = [&] {
        QTest::mouseClick(homeTab().connectButton(), Qt::LeftButton);
        run();
    };
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    advance(10);
    EXPECT_TRUE(nothingFetched()) << "not at launch";

    toggleConnection();
    advance(5);
    toggleConnection(); // the user disconnects
    ASSERT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::disconnected);
    advance(303.1);
    EXPECT_TRUE(nothingFetched()) << "not after a disconnect";

    // Switched on while disconnected, the wait starts there.
    delegate->settingsGeneralSubController()->changeSetting(SettingsGeneralItem::automaticUpdates, true);
    run();
    advance(303.1);
    ASSERT_TRUE(waitFor([&] { return !driver.calls("prepareToInstallAppAutoUpdate").empty(); }));
}

TEST_F(UpdatesScenario, TheUpdateNotificationsActionRunsTheSettingsPagesCheck) {
    ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
    // With the window closed, a newer version offered comes as a notification.
    delegate->generalWindowViewController()->close();
    run();
    offerVersion(QStringLiteral("2.3.0"));
    driver.fire<PDDataLoadingDelegate>(
        [&](PDDataLoadingDelegate& d) { d.onApplicationConfigLoadedWithConfig(VeltrixXPC::appConfig()); });
    advance(10);
    QString posted;
    for (const auto& delivery : centerBackend->deliveries()) {
        if (delivery.request.title == L10n::update_available_title()) {
            posted = delivery.request.identifier;
        }
    }
    ASSERT_FALSE(posted.isEmpty()) << notificationsPosted();

    // Withdrawn before the user acts: the check finds nothing newer.
    PDAppConfig config = VeltrixXPC::appConfig();
    config.offeredVersion.clear();
    driver.setAppConfig(config);
    ASSERT_TRUE(
        centerBackend->invokeAction(posted, platform::UserNotificationCenter::defaultActionIdentifier));
    run();
    advance(0.5);
    ASSERT_TRUE(shownWindow().contains(QStringLiteral("main"))) << shownWindow();
    EXPECT_FALSE(isSheetShown());
    const ApplicationModel& model = ServiceLayer::appModel();
    EXPECT_TRUE(
        visibleTexts(delegate->generalWindowViewController()->window())
            .contains("Latest version is installed: " + model.appVersion() + "." + model.appBuildNumber()))
        << visibleTexts(delegate->generalWindowViewController()->window());
}
