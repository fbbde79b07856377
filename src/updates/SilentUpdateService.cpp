#include "updates/SilentUpdateService.h"

#include "core/Log.h"
#include "platform/Scheduler.h"
#include "platform/Timer.h"
#include "sdk/VeltrixXPC.h"

SilentUpdateService::SilentUpdateService() = default;

SilentUpdateService::~SilentUpdateService() {
    *m_alive = false;
    resetTimer();
}

void SilentUpdateService::startTimer() {
    if (isTimerRunning()) {
        return;
    }
    vlog::info(QStringLiteral("silent update timer started"));
    std::weak_ptr<bool> alive = m_alive;
    m_timer = platform::Timer::scheduledTimer(timerInterval, false, [this, alive](platform::Timer&) {
        if (alive.lock()) {
            startUpdate();
        }
    });
}

void SilentUpdateService::resetTimer() {
    if (m_timer) {
        vlog::info(QStringLiteral("silent update timer reset"));
        m_timer->invalidate();
        m_timer.reset();
    }
}

int SilentUpdateService::daysSinceConfigDate() {
    const QDateTime date = VeltrixXPC::appConfig().releaseDate;
    if (!date.isValid()) {
        return 0;
    }
    constexpr qint64 secondsPerDay = 24 * 60 * 60;
    return static_cast<int>(date.secsTo(platform::Scheduler::shared().currentDate()) / secondsPerDay);
}

bool SilentUpdateService::isTimerRunning() const {
    return m_timer && m_timer->isValid();
}

void SilentUpdateService::startUpdate() {
    if (m_updateInProgress) {
        resetTimer();
        return;
    }
    ++m_updateRequests;
    vlog::info(QStringLiteral("silent update requested"));
    resetTimer();
}
