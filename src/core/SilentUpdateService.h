#pragma once

#include "core/AUUpdater.h"
#include "core/AutoUpdateStates.h"
#include "sdk/PDTypes.h"

#include <memory>

namespace platform {
class Timer;
}

// Installs a newer version without asking: five minutes after the user disconnected, when the SDK offers a
// silent update, it downloads the package and hands it to the SDK to verify and install. It shows nothing;
// an installation it started leaves "showSilentSuccessMessage" for the home tab.
class SilentUpdateService : public AUUpdaterDelegate {
public:
    static constexpr double timerInterval = 300.0;
    // Between the decision and the download.
    static constexpr double startDelay = 3.0;

    SilentUpdateService();
    ~SilentUpdateService() override;
    SilentUpdateService(const SilentUpdateService&) = delete;
    SilentUpdateService& operator=(const SilentUpdateService&) = delete;

    // False until the first data load of the process.
    bool isAppLoaded = false;

    static bool isSilentUpdateAvailable();
    // Whole days from the offered version's date to now (negative for a date ahead); 0 without a date.
    static int daysSinceConfigDate();

    // Starts the one-shot timer after which the update starts; a timer already held (running, or fired
    // and not yet reset) goes on unchanged.
    void startTimer();
    // Stops and forgets the timer, and a step the timer started that has not begun the download.
    void resetTimer();
    // An update the user asked for (the banner's Update Now): it starts 3 s later, whether or not the
    // client connected meanwhile. While one is under way it only resets the timer.
    void startUpdate();
    // The same for an update nobody asked for (the first data load, the machine about to sleep): it runs
    // only while Automatic Updates is on when its step comes, as one the timer started does.
    void startUnaskedUpdate();
    // The General page's Automatic Updates, as the user set it or the workspace enforces it.
    static bool isAutomaticUpdatesOn();
    bool isTimerRunning() const;

    AutoUpdateStates currentState() const { return m_currentState; }
    AUUpdater* autoUpdater() const { return m_autoUpdater.get(); }

    // While the update sheet is open it downloads with an updater of its own: the timer is reset, and a
    // pending step starts no download.
    void setUpdateSheetShown(bool shown);

    void applyState(AutoUpdateStates state);

    void updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater& updater, bool critical) override;
    void updaterDidChangeState(AUUpdater& updater, int state) override;

private:
    enum class Trigger { timer, unasked, asked };

    void startUpdate(Trigger trigger);
    void runStep(Trigger trigger);
    // An updater for the configuration's package; made again when the offered package changed.
    void makeUpdater();
    void onInstallAnswer(const SDUpdateInstallResult& result);

    std::shared_ptr<platform::Timer> m_timer;
    std::shared_ptr<platform::Timer> m_step;
    Trigger m_stepTrigger = Trigger::timer;
    std::unique_ptr<AUUpdater> m_autoUpdater;
    AutoUpdateStates m_currentState = AutoUpdateStates::confirmUpdate;
    bool m_sheetShown = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
