#include "core/SilentUpdateService.h"

#include "core/ApplicationModel.h"
#include "core/InstalledUpdate.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "core/StringHelpers.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Timer.h"
#include "sdk/VeltrixXPC.h"

SilentUpdateService::SilentUpdateService() = default;

SilentUpdateService::~SilentUpdateService() {
    *m_alive = false;
    resetTimer();
    if (m_step) {
        m_step->invalidate();
    }
    if (m_autoUpdater) {
        m_autoUpdater->cancelUpdateDownload();
    }
}

bool SilentUpdateService::isSilentUpdateAvailable() {
    return VeltrixXPC::isSilentUpdateAvailable();
}

int SilentUpdateService::daysSinceConfigDate() {
    const QDateTime date = VeltrixXPC::appConfig().releaseDate;
    if (!date.isValid()) {
        return 0;
    }
    constexpr qint64 secondsPerDay = 24 * 60 * 60;
    return static_cast<int>(date.secsTo(platform::Scheduler::shared().currentDate()) / secondsPerDay);
}

void SilentUpdateService::startTimer() {
    if (m_timer) {
        return;
    }
    vlog::info(QStringLiteral("silent update timer started"));
    std::weak_ptr<bool> alive = m_alive;
    m_timer = platform::Timer::scheduledTimer(timerInterval, false, [this, alive](platform::Timer&) {
        if (const auto live = alive.lock(); live && *live) {
            startUpdate(Trigger::timer);
        }
    });
}

void SilentUpdateService::resetTimer() {
    vlog::info(QStringLiteral("silent update timer reset"));
    if (m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
    if (m_step && m_step->isValid() && m_stepTrigger == Trigger::timer) {
        m_step->invalidate();
    }
}

bool SilentUpdateService::isTimerRunning() const {
    return m_timer && m_timer->isValid();
}

void SilentUpdateService::setUpdateSheetShown(bool shown) {
    m_sheetShown = shown;
    if (shown) {
        resetTimer();
    }
}

void SilentUpdateService::startUpdate() {
    startUpdate(Trigger::asked);
}

void SilentUpdateService::startUnaskedUpdate() {
    startUpdate(Trigger::unasked);
}

bool SilentUpdateService::isAutomaticUpdatesOn() {
    return VeltrixXPC::unappliedSettings().automaticUpdates.value;
}

void SilentUpdateService::startUpdate(Trigger trigger) {
    vlog::info(QStringLiteral("silent update started"));
    makeUpdater();
    const int state = m_autoUpdater->state();
    // A downloaded package the SDK refused or could not install is fetched again; one it accepted is being
    // installed.
    const bool refused = m_currentState == AutoUpdateStates::failedToVerifyUpdate ||
                         m_currentState == AutoUpdateStates::failedToInstallUpdate;
    if (state == AUUpdater::downloading || state == AUUpdater::installing ||
        (state == AUUpdater::downloaded && !refused)) {
        resetTimer();
        return;
    }
    if (m_step && m_step->isValid()) {
        if (trigger == Trigger::asked) {
            m_stepTrigger = Trigger::asked; // what the user asked for outlives a reset
        }
        return;
    }
    m_stepTrigger = trigger;
    std::weak_ptr<bool> alive = m_alive;
    m_step = platform::Timer::scheduledTimer(startDelay, false, [this, alive](platform::Timer&) {
        if (const auto live = alive.lock(); live && *live) {
            runStep(m_stepTrigger);
        }
    });
}

void SilentUpdateService::runStep(Trigger trigger) {
    if (trigger == Trigger::timer &&
        (VeltrixXPC::connectionState() != SDVPNConnectionState::disconnected || !isSilentUpdateAvailable())) {
        vlog::info(QStringLiteral("silent update dropped: connected, or no silent update offered"));
        resetTimer();
        return;
    }
    // The version just installed may still be offered: it is not installed again.
    const ApplicationModel& model = ServiceLayer::appModel();
    if (trigger != Trigger::asked &&
        (!isAutomaticUpdatesOn() || !strings::isNewerVersion(model.appUpdateVersion(), model.appVersion()))) {
        vlog::info(
            QStringLiteral("silent update dropped: Automatic Updates is off, or nothing newer offered"));
        resetTimer();
        return;
    }
    if (m_sheetShown) {
        vlog::info(QStringLiteral("silent update left to the update sheet"));
        resetTimer();
        return;
    }
    applyState(AutoUpdateStates::downloadingUpdate);
    resetTimer();
}

void SilentUpdateService::makeUpdater() {
    const ApplicationModel& model = ServiceLayer::appModel();
    const QString url = model.appUpdateURL();
    const QString path = model.appUpdatePackagePath();
    if (m_autoUpdater && ((m_autoUpdater->host() == url && m_autoUpdater->destination() == path) ||
                          m_autoUpdater->state() == AUUpdater::downloading)) {
        return;
    }
    if (m_autoUpdater) {
        m_autoUpdater->cancelUpdateDownload();
    }
    m_autoUpdater = AUUpdater::updaterWithBundle(platform::Bundle::main(), url, path, QString(), 100);
    m_autoUpdater->setDelegate(this);
}

void SilentUpdateService::applyState(AutoUpdateStates state) {
    vlog::info(QStringLiteral("silent update applyState: ") + caseName(state));
    switch (state) {
    case AutoUpdateStates::downloadingUpdate: {
        std::weak_ptr<bool> alive = m_alive;
        platform::DispatchQueue::main().async([this, alive] {
            if (const auto live = alive.lock(); live && *live && m_autoUpdater) {
                m_autoUpdater->downloadUpdate();
            }
        });
        break;
    }
    case AutoUpdateStates::readyToInstallUpdate: {
        std::weak_ptr<bool> alive = m_alive;
        VeltrixXPC::prepareToInstallAppAutoUpdate([this, alive](const SDUpdateInstallResult& result) {
            platform::DispatchQueue::main().async([this, alive, result] {
                if (const auto live = alive.lock(); live && *live) {
                    onInstallAnswer(result);
                }
            });
        });
        break;
    }
    default:
        break;
    }
    m_currentState = state;
}

void SilentUpdateService::onInstallAnswer(const SDUpdateInstallResult& result) {
    switch (result.outcome) {
    case SDUpdateInstallResult::Outcome::installed:
        vlog::info(QStringLiteral("silent update success"));
        installedupdate::finish(ServiceLayer::appModel().appUpdateVersion());
        return;
    case SDUpdateInstallResult::Outcome::refused:
        vlog::error(installedupdate::describe(result));
        if (m_autoUpdater) {
            m_autoUpdater->deleteDownloadedUpdate(); // refused: never kept, nor offered again from disk
        }
        applyState(AutoUpdateStates::failedToVerifyUpdate);
        return;
    case SDUpdateInstallResult::Outcome::notInstalled:
        vlog::error(installedupdate::describe(result));
        if (m_autoUpdater) {
            m_autoUpdater->deleteDownloadedUpdate();
        }
        applyState(AutoUpdateStates::failedToInstallUpdate);
        return;
    }
}

void SilentUpdateService::updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater&, bool) {
    applyState(AutoUpdateStates::readyToInstallUpdate);
}

void SilentUpdateService::updaterDidChangeState(AUUpdater&, int state) {
    if (state == AUUpdater::failed) {
        applyState(AutoUpdateStates::failedToDownloadUpdate);
    }
}
