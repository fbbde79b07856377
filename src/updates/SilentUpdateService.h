#pragma once

#include <memory>

namespace platform {
class Timer;
}

// Installs a pending silent update some time after the tunnel went down.
class SilentUpdateService {
public:
    static constexpr double timerInterval = 300.0;

    SilentUpdateService();
    ~SilentUpdateService();
    SilentUpdateService(const SilentUpdateService&) = delete;
    SilentUpdateService& operator=(const SilentUpdateService&) = delete;

    // False until the first data load of the process.
    bool isAppLoaded = false;

    // Starts the one-shot timer after which startUpdate() runs; a running timer goes on unchanged.
    void startTimer();
    // Stops and forgets the timer.
    void resetTimer();
    // Starts the pending update; while one is under way it only resets the timer.
    void startUpdate();

    bool isTimerRunning() const;
    // Whole days from the offered version's date to now (negative for a date ahead); 0 without a date.
    static int daysSinceConfigDate();
    bool isUpdateInProgress() const { return m_updateInProgress; }
    int updateRequests() const { return m_updateRequests; }

private:
    std::shared_ptr<platform::Timer> m_timer;
    bool m_updateInProgress = false;
    int m_updateRequests = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
