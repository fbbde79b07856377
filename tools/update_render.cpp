// Renders the update sheet in each of its states to PNG files for review:
//   update_render [output-folder]   (default: <build>/renders/updates)
// Runs on Qt's offscreen platform with virtual time, on the demo workspace, whose package is a file beside
// it: the download, the SDK's verification, its refusal and its failure to install are real.
#include "RenderOutput.h"
#include "platform/Bundle.h"
#include "sdk/testing/Driver.h"
#include "updates/AutoUpdateViewController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace {

// The download and the SDK's answer come from other threads: runs both clocks until `done`.
bool settle(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        render::virtualTime().runUntilIdle();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    render::virtualTime().runUntilIdle();
    QApplication::processEvents();
    return done();
}

// A sheet as the main window presents it: its own window, shown.
struct Sheet {
    Sheet() {
        window.setWindowFlags(Qt::FramelessWindowHint);
        controller.view()->setParent(&window);
        window.setFixedSize(controller.view()->size());
        window.show();
        settle([] { return true; });
    }
    void save(const char* name) { render::save(&window, QString::fromLatin1(name)); }

    QWidget window;
    AutoUpdateViewController controller;
};

void renderOffer() {
    Sheet sheet;
    sheet.save("update-offer");
}

void renderDownload() {
    Sheet sheet;
    AUUpdater& updater = *sheet.controller.autoUpdater();
    sheet.controller.installUpdateRequested();
    // The demo's package is small and local; the bar is shown at fixed points of a download.
    settle([&] { return updater.state() == AUUpdater::downloaded; });
    sheet.controller.apply(AutoUpdateStates::downloadingUpdate);
    for (const auto& [progress, name] :
         {std::pair{0.0, "update-downloading-0"}, std::pair{0.25, "update-downloading-25"},
          std::pair{1.0, "update-downloading-100"}}) {
        sheet.controller.updaterDidChangeProgress(updater, progress);
        sheet.save(name);
    }
}

void renderOutcomes(sdk::testing::Driver& driver) {
    {
        Sheet sheet;
        sheet.controller.installUpdateRequested();
        settle([&] { return sheet.controller.currentState() == AutoUpdateStates::readyToInstallUpdate; });
        sheet.save("update-ready");
        // This build runs in place, so the SDK installs nothing and says why.
        sheet.controller.updateConfirmView()->restartTap();
        settle([&] { return sheet.controller.currentState() == AutoUpdateStates::failedToInstallUpdate; });
        sheet.save("update-failed-to-install");
    }
    {
        // As an installed client with the system's installer taking the package.
        driver.editState([](sdk::SimulationState& s) {
            s.installer = [](const QString&) {
                return SDUpdateInstallResult{SDUpdateInstallResult::Outcome::installed, {}};
            };
        });
        Sheet sheet;
        sheet.controller.installUpdateRequested();
        settle([&] { return sheet.controller.currentState() == AutoUpdateStates::readyToInstallUpdate; });
        sheet.controller.updateConfirmView()->restartTap();
        settle([&] { return sheet.controller.closeButton()->isVisible(); });
        sheet.save("update-restart");
    }
    {
        Sheet sheet;
        sheet.controller.updaterDidChangeState(*sheet.controller.autoUpdater(), AUUpdater::failed);
        sheet.save("update-failed-to-download");
    }
    {
        PDAppConfig config = driver.state().appConfig;
        config.packageSha256 = QString(64, QLatin1Char('0'));
        driver.setAppConfig(config);
        Sheet sheet;
        sheet.controller.installUpdateRequested();
        settle([&] { return sheet.controller.currentState() == AutoUpdateStates::readyToInstallUpdate; });
        sheet.controller.updateConfirmView()->restartTap();
        settle([&] { return sheet.controller.currentState() == AutoUpdateStates::failedToVerifyUpdate; });
        sheet.save("update-failed-to-verify");
    }
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR "/updates"),
                                    render::Screen::sharp);
    if (!renderer.isReady()) {
        return 1;
    }
    QApplication::setWindowIcon(platform::Bundle::main().image(QStringLiteral("AppIcon")));
    sdk::testing::Driver driver; // the demo workspace, offering 2.1.0
    renderOffer();
    renderDownload();
    renderOutcomes(driver);
    return render::exitCode();
}
