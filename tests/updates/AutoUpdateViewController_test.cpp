// The update sheet presented as the home tab presents it, downloading for real from a loopback server and
// answered by the SDK stand-in, which checks the package's SHA-256.
#include "updates/AutoUpdateViewController.h"

#include "core/GlobalConstants.h"
#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"
#include "support/LoopbackHttpServer.h"
#include "support/RoutedTest.h"
#include "support/UpdatesTestSupport.h"
#include "toolkit/HoverableButton.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using testsupport::LoopbackHttpServer;

namespace {

class UpdateSheetTest : public RoutedTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        server.serveBody("/veltrix-2.1.0.pkg", package);
        offer(QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex());
        driver.setConnectionState(SDVPNConnectionState::disconnected);
        updatestest::installWith(driver);
        platform::UserDefaults::standard().set(SettingsUserDefaults::showSilentSuccessMessage, false);
        host.view()->resize(800, 600);
        host.view()->show();
    }
    void TearDown() override { host.view()->hide(); }

    void offer(const QString& sha256) {
        PDAppConfig config = driver.state().appConfig;
        config.offeredVersion = QStringLiteral("2.1.0");
        config.packageUrl = server.url(QStringLiteral("/veltrix-2.1.0.pkg")).toString();
        config.packagePath = packagePath();
        config.packageSha256 = sha256;
        driver.setAppConfig(config);
    }
    QString packagePath() const { return folder.filePath(QStringLiteral("updates/veltrix-2.1.0.pkg")); }

    // A new sheet, presented over the host as the home tab presents it.
    AutoUpdateViewController& present() {
        sheet = std::make_unique<AutoUpdateViewController>();
        host.presentAsSheet(sheet.get());
        run();
        return *sheet;
    }
    bool isPresented() const { return sheet && sheet->presentingViewController() == &host; }
    // The one view of the three that shows.
    QString shownView() const {
        const std::pair<XibView*, const char*> views[] = {{sheet->updateView(), "offer"},
                                                          {sheet->updateProgressView(), "progress"},
                                                          {sheet->updateConfirmView(), "outcome"}};
        QStringList shown;
        for (const auto& [view, name] : views) {
            if (view->isVisible()) {
                shown << QString::fromLatin1(name);
            }
        }
        return shown.join('+');
    }
    void run() {
        scheduler.runUntilIdle();
        QCoreApplication::sendPostedEvents();
    }
    bool settle(const std::function<bool()>& done) { return updatestest::settle(scheduler, done); }
    bool settleIn(AutoUpdateStates state) {
        return settle([&] { return sheet->currentState() == state; });
    }
    // Downloads from the offer to the package ready to install.
    void downloadToReady() {
        sheet->updateView()->installButton()->click();
        ASSERT_TRUE(settleIn(AutoUpdateStates::readyToInstallUpdate));
    }
    void restart() {
        sheet->updateConfirmView()->confirmButton()->click();
        ASSERT_TRUE(settle([&] { return !driver.calls("prepareToInstallAppAutoUpdate").empty(); }));
        run();
    }

    QTemporaryDir folder;
    LoopbackHttpServer server;
    const QByteArray package = QByteArray("Veltrix 2.1.0 package ").repeated(3000);
    platform::ViewController host;
    std::unique_ptr<AutoUpdateViewController> sheet;
};

TEST_F(UpdateSheetTest, OffersTheConfiguredVersionWithTheProductsName) {
    present();
    EXPECT_EQ(shownView(), "offer");
    EXPECT_EQ(sheet->currentState(), AutoUpdateStates::confirmUpdate);
    const QString offer = sheet->updateView()->updateMessageField()->text();
    EXPECT_TRUE(offer.contains(GlobalConstants::productDisplayName() + QStringLiteral(" 2.1.0")))
        << offer.toStdString();
    EXPECT_FALSE(offer.contains(QStringLiteral("%@")));
    EXPECT_FALSE(sheet->updateView()->appIconImage()->pixmap().isNull());
    EXPECT_FALSE(sheet->closeButton()->isVisible());
}

TEST_F(UpdateSheetTest, InstallingDisconnectsAConnectionOrAConnectAttemptFirst) {
    const struct {
        SDVPNConnectionState state;
        bool disconnects;
    } cases[] = {
        {SDVPNConnectionState::connected, true},
        {SDVPNConnectionState::connecting, true},
        {SDVPNConnectionState::reconnecting, false},
        {SDVPNConnectionState::disconnected, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        router.calls.clear();
        driver.setConnectionState(c.state);
        present().updateView()->installButton()->click();
        EXPECT_EQ(router.count("disconnectFromVPN"), c.disconnects ? 1 : 0);
        EXPECT_EQ(shownView(), "progress");
        EXPECT_EQ(sheet->autoUpdater()->state(), AUUpdater::downloading);
        ASSERT_TRUE(settleIn(AutoUpdateStates::readyToInstallUpdate));
    }
}

TEST_F(UpdateSheetTest, DownloadsWithProgressThenRestartHandsThePackageToTheSdk) {
    present().updateView()->installButton()->click();
    sheet->updaterDidChangeProgress(*sheet->autoUpdater(), 0.25);
    EXPECT_EQ(sheet->updateProgressView()->progressIndicator()->doubleValue(), 25.0);
    EXPECT_EQ(sheet->updateProgressView()->percentField()->text(), "25%");
    ASSERT_TRUE(settleIn(AutoUpdateStates::readyToInstallUpdate));
    EXPECT_EQ(shownView(), "outcome");
    EXPECT_EQ(sheet->updateConfirmView()->viewTitleField()->text(),
              L10n::auto_update_ready_to_install_title());
    EXPECT_EQ(sheet->updateConfirmView()->confirmButton()->text(), L10n::auto_update_restart_button());
    EXPECT_TRUE(driver.calls("prepareToInstallAppAutoUpdate").empty()) << "nothing installs before restart";

    restart();
    EXPECT_FALSE(sheet->updateConfirmView()->confirmButton()->isEnabled());
    EXPECT_FALSE(sheet->updateConfirmView()->cancelButton()->isEnabled());
    EXPECT_EQ(driver.state().installedPackagePath, packagePath());
    EXPECT_TRUE(
        platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
    EXPECT_EQ(platform::UserDefaults::standard().stringForKey(SettingsUserDefaults::installedUpdateVersion),
              "2.1.0");
    EXPECT_EQ(shownView(), "outcome") << "unchanged while the SDK installs";
    ASSERT_TRUE(sheet->closeButton()->isVisible());

    QTest::keyClick(sheet->view()->window(), Qt::Key_Escape);
    run();
    EXPECT_FALSE(isPresented());
}

// Progress comes many times per pixel of the bar: only a move of its end is painted.
TEST_F(UpdateSheetTest, TheBarRepaintsOnlyWhenItsEndMovesAPixel) {
    present().updateView()->installButton()->click();
    UpdateProgressIndicator* bar = sheet->updateProgressView()->progressIndicator();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    bar->installEventFilter(&counter);
    sheet->updaterDidChangeProgress(*sheet->autoUpdater(), 0.5);
    QCoreApplication::processEvents();
    ASSERT_GT(bar->width(), 100);
    const int pixels = 5;
    counter.paints = 0;
    for (int step = 1; step <= 1000; ++step) {
        sheet->updaterDidChangeProgress(*sheet->autoUpdater(), 0.5 + pixels * (step / 1000.0) / bar->width());
        QCoreApplication::processEvents();
    }
    EXPECT_GT(counter.paints, 0);
    EXPECT_LE(counter.paints, pixels * bar->devicePixelRatioF() + 1);
    bar->removeEventFilter(&counter);
    sheet->updateProgressView()->cancelButton()->click();
}

TEST_F(UpdateSheetTest, ARefusedPackageSaysSoAndTryAgainDownloadsItAgain) {
    offer(QString(64, QLatin1Char('0')));
    present();
    downloadToReady();
    restart();
    EXPECT_EQ(sheet->currentState(), AutoUpdateStates::failedToVerifyUpdate);
    const UpdateConfirmView* outcome = sheet->updateConfirmView();
    EXPECT_EQ(outcome->viewTitleField()->text(), LocaleData::autoUpdateVerificationFailed().title);
    EXPECT_EQ(outcome->confirmButton()->text(), L10n::auto_update_try_again_button());
    EXPECT_TRUE(outcome->confirmButton()->isEnabled() && outcome->confirmButton()->isVisible());
    EXPECT_TRUE(outcome->cancelButton()->isEnabled());
    EXPECT_FALSE(sheet->closeButton()->isVisible());
    EXPECT_FALSE(
        platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showSilentSuccessMessage));
    EXPECT_FALSE(QFile::exists(packagePath())) << "a refused package is not kept";

    offer(QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex());
    sheet->updateConfirmView()->confirmButton()->click();
    EXPECT_EQ(shownView(), "progress");
    EXPECT_EQ(sheet->updateProgressView()->progressIndicator()->doubleValue(), 0.0);
    ASSERT_TRUE(settleIn(AutoUpdateStates::readyToInstallUpdate));
    EXPECT_EQ(server.requestCount("/veltrix-2.1.0.pkg"), 2);
    restart();
    EXPECT_EQ(driver.state().installedPackagePath, packagePath());
}

TEST_F(UpdateSheetTest, AFailedDownloadSaysSoInRedAndTryAgainStartsOver) {
    server.serveStatus("/veltrix-2.1.0.pkg", 500);
    present().updateView()->installButton()->click();
    ASSERT_TRUE(
        settle([&] { return sheet->autoUpdater()->attemptsIfDownloadFailed() == 1; })); // the first failure
    scheduler.advance(AUUpdater::defaultRetryInterval);
    ASSERT_TRUE(settleIn(AutoUpdateStates::failedToDownloadUpdate));
    const UpdateConfirmView* outcome = sheet->updateConfirmView();
    EXPECT_EQ(shownView(), "outcome");
    EXPECT_EQ(outcome->viewTitleField()->text(), LocaleData::autoUpdateDownloadFailed().title);
    EXPECT_EQ(outcome->viewTitleField()->palette().color(QPalette::WindowText), QColor("#F66161"));
    EXPECT_TRUE(outcome->confirmButton()->isEnabled() && outcome->confirmButton()->isVisible());

    server.serveBody("/veltrix-2.1.0.pkg", package);
    sheet->updateConfirmView()->confirmButton()->click();
    EXPECT_EQ(sheet->currentState(), AutoUpdateStates::downloadingUpdate);
    ASSERT_TRUE(settleIn(AutoUpdateStates::readyToInstallUpdate));
}

TEST_F(UpdateSheetTest, CancelOrEscClosesTheSheetInEveryStateAndKeepsOnlyAPackageNotYetAccepted) {
    server.serveStall("/stalled.pkg", package.left(1000), package.size());
    const struct {
        const char* state;
        std::function<void()> reach;
        QAbstractButton* (*cancel)(AutoUpdateViewController&);
        bool packageKept;
    } cases[] = {
        {"offer", [] {},
         [](AutoUpdateViewController& s) -> QAbstractButton* { return s.updateView()->cancelButton(); },
         true},
        {"downloading",
         [this] {
             PDAppConfig config = driver.state().appConfig;
             config.packageUrl = server.url(QStringLiteral("/stalled.pkg")).toString();
             driver.setAppConfig(config);
             sheet.reset();
             present().updateView()->installButton()->click();
             ASSERT_TRUE(settle([this] { return sheet->autoUpdater()->downloadedBytes() == 1000; }));
         },
         [](AutoUpdateViewController& s) -> QAbstractButton* {
             return s.updateProgressView()->cancelButton();
         },
         true},
        {"ready", [this] { downloadToReady(); },
         [](AutoUpdateViewController& s) -> QAbstractButton* {
             return s.updateConfirmView()->cancelButton();
         },
         false},
        {"failed to download",
         [this] { sheet->updaterDidChangeState(*sheet->autoUpdater(), AUUpdater::failed); },
         [](AutoUpdateViewController& s) -> QAbstractButton* {
             return s.updateConfirmView()->cancelButton();
         },
         true},
        {"failed to verify",
         [this] {
             offer(QString(64, QLatin1Char('0')));
             sheet.reset();
             present();
             downloadToReady();
             restart();
         },
         [](AutoUpdateViewController& s) -> QAbstractButton* {
             return s.updateConfirmView()->cancelButton();
         },
         false}, // a refused package is deleted as it is refused
    };
    QFile earlier(packagePath());
    for (const auto& c : cases) {
        for (const bool byEsc : {false, true}) {
            SCOPED_TRACE(std::string(c.state) + (byEsc ? ", Esc" : ", Cancel"));
            offer(QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex());
            // An earlier package on disk, as a previous download leaves it.
            QDir().mkpath(QFileInfo(packagePath()).absolutePath());
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            earlier.write(package);
            earlier.close();
            present();
            c.reach();
            ASSERT_TRUE(c.cancel(*sheet)->isVisible());
            if (byEsc) {
                QCoreApplication::sendPostedEvents(nullptr,
                                                   QEvent::DeferredDelete); // the sheets put away before
                QWidget* window = sheet->view()->window();
                window->activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(window));
                QTest::keyClick(window->windowHandle(), Qt::Key_Escape); // through the shortcut map, as typed
            } else {
                c.cancel(*sheet)->click();
            }
            run();
            EXPECT_FALSE(isPresented());
            scheduler.advance(60);
            updatestest::settle(
                scheduler, [] { return false; }, 100);
            EXPECT_EQ(QFile::exists(packagePath()), c.packageKept);
            EXPECT_EQ(
                QDir(QFileInfo(packagePath()).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(),
                c.packageKept ? 1 : 0)
                << "no partial download beside it";
            EXPECT_NE(sheet->autoUpdater()->state(), AUUpdater::downloading);
        }
    }
    server.releaseStalls();
}

TEST_F(UpdateSheetTest, WhileTheSheetIsOpenTheSilentUpdateWaits) {
    auto& silent = ServiceLayer::shared().silentUpdateService();
    silent.startTimer();
    present();
    EXPECT_FALSE(silent.isTimerRunning());
    sheet->updateView()->cancelButton()->click();
    run();
    silent.startTimer();
    EXPECT_TRUE(silent.isTimerRunning()) << "a closed sheet leaves the timer to run";
    silent.resetTimer();
}

} // namespace
