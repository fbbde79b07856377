#pragma once

// Downloads are real I/O on the updater's thread while the client's time is virtual: waiting runs both the
// scheduler's due work and Qt's events.

#include "platform/ManualScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace updatestest {

// Until `done` holds or `realMs` pass; virtual time stands still.
inline bool settle(platform::ManualScheduler& scheduler, const std::function<bool()>& done,
                   int realMs = 20000) {
    QDeadlineTimer deadline(realMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        scheduler.runUntilIdle();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

} // namespace updatestest

#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "sdk/testing/Driver.h"
#include "support/LoopbackHttpServer.h"

#include <QTemporaryDir>

namespace updatestest {

// The system's installer as the SDK stand-in meets it: taking every verified package, or failing with
// `reason`. Without one the SDK finds the tests' build running in place, which installs nothing.
inline void installWith(sdk::testing::Driver& driver, const QString& reason = {}) {
    driver.editState([reason](sdk::SimulationState& s) {
        s.installer = [reason](const QString&) {
            return reason.isEmpty()
                       ? SDUpdateInstallResult{SDUpdateInstallResult::Outcome::installed, {}}
                       : SDUpdateInstallResult{SDUpdateInstallResult::Outcome::notInstalled, reason};
        };
    });
}

// A silent update on offer whose package download, once started, waits: a started update is one whose
// updater is downloading. Each offer has a package path of its own, so the service makes a fresh updater.
struct StalledSilentUpdate {
    explicit StalledSilentUpdate(sdk::testing::Driver& driver) {
        server.serveStall("/veltrix.pkg", "p", 100);
        PDAppConfig config = driver.state().appConfig;
        config.isSilentUpdate = true;
        config.packageUrl = server.url(QStringLiteral("/veltrix.pkg")).toString();
        config.packagePath = folder.filePath(QStringLiteral("veltrix.pkg"));
        driver.setAppConfig(config);
    }
    ~StalledSilentUpdate() {
        if (AUUpdater* updater = ServiceLayer::shared().silentUpdateService().autoUpdater()) {
            updater->cancelUpdateDownload();
        }
        server.releaseStalls();
    }
    bool started() const {
        const AUUpdater* updater = ServiceLayer::shared().silentUpdateService().autoUpdater();
        return updater && updater->state() == AUUpdater::downloading &&
               updater->destination() == folder.filePath(QStringLiteral("veltrix.pkg"));
    }

    QTemporaryDir folder;
    testsupport::LoopbackHttpServer server;
};

} // namespace updatestest
