#pragma once

// Downloads the package of a newer client version from its full URL into a local file and reports how it
// goes. It neither checks nor installs the package: both update paths hand it to the SDK for that.
//
// The transfer runs on a thread of the updater's own (Qt Network needs an event loop) and streams into a
// temporary file beside the destination that is renamed into place only when the package is complete, so a
// failed or cancelled download leaves no partial package and two updaters never write one file together.
// The 15-second inactivity time-out, the slowest acceptable rate, the progress throttle and the retry wait
// are scheduler timers. A package over its size limit is refused as it streams. Every report reaches the
// delegate on the main queue, in the order the changes happened, and only while both still exist.

#include "platform/Scheduler.h"

#include <QString>

#include <memory>

namespace platform {
class Bundle;
class Timer;
} // namespace platform

class AUUpdater;
class QThread;

// Receives an updater's reports on the main queue. The updater holds it weakly: a delegate that is
// destroyed first receives nothing more.
class AUUpdaterDelegate {
public:
    AUUpdaterDelegate() = default;
    AUUpdaterDelegate(const AUUpdaterDelegate&) : AUUpdaterDelegate() {}
    AUUpdaterDelegate& operator=(const AUUpdaterDelegate&) { return *this; }
    virtual ~AUUpdaterDelegate() { *m_self = nullptr; }

    // The package is complete at the destination.
    virtual void updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater& updater, bool critical) = 0;
    virtual void updaterDidChangeState(AUUpdater& updater, int state);
    virtual void updaterDidChangeProgress(AUUpdater& updater, double progress);

private:
    friend class AUUpdater;
    std::shared_ptr<AUUpdaterDelegate*> m_self = std::make_shared<AUUpdaterDelegate*>(this);
};

class AUUpdater {
public:
    // Stored states; `failed` is only ever reported, after the retry failed too.
    enum State : int { idle = 0, downloading = 1, downloaded = 2, installing = 3, failed = 4 };

    static constexpr double inactivityTimeout = 15.0;
    // However slow the line, a download must bring this many bytes a second on average once the grace
    // has passed: a package of any size then finishes within a time of its size, or fails.
    static constexpr double slowestRate = 32.0 * 1024;
    static constexpr double slowDownloadGrace = 60.0;
    // The most a package may be when the server announces no length; an announced length is a limit too.
    static constexpr qint64 maximumPackageBytes = 512LL * 1024 * 1024;
    static constexpr double defaultRetryInterval = 5.0;
    static constexpr double installTimeLimit = 600.0;

    static std::unique_ptr<AUUpdater> updaterWithBundle(const platform::Bundle& bundle, const QString& host,
                                                        const QString& destination, const QString& channel,
                                                        qint64 percentile);
    AUUpdater(const platform::Bundle& bundle, QString host, QString destination, QString channel,
              qint64 percentile);
    // Cancels what runs and waits for the transfer thread; call it on the main thread. The thread also ends
    // when the application is destroyed, should the updater outlive it.
    ~AUUpdater();
    AUUpdater(const AUUpdater&) = delete;
    AUUpdater& operator=(const AUUpdater&) = delete;

    AUUpdaterDelegate* delegate() const;
    void setDelegate(AUUpdaterDelegate* delegate);

    const QString& host() const { return m_host; }
    const QString& destination() const { return m_destination; }
    const QString& channel() const { return m_channel; }
    qint64 percentile() const { return m_percentile; }
    double interval() const { return m_interval; }
    void setInterval(double seconds) { m_interval = seconds; }
    // Lowers (or raises) `maximumPackageBytes` for this updater.
    void setSizeLimit(qint64 bytes);

    int state() const;
    bool isCritical() const;
    // 0 while the server has not said how long the package is.
    qint64 totalBytes() const;
    qint64 downloadedBytes() const;
    qint64 attemptsIfDownloadFailed() const;
    double progress() const;

    // Downloads afresh, also after a finished or failed download: back to idle, a pending retry and its
    // count dropped, then checkForUpdates(). A transfer already running goes on instead.
    void downloadUpdate();
    // Starts a download when idle; otherwise changes nothing.
    void checkForUpdates();
    // Stops the transfer or the wait for its retry, and wins over a transfer that ends meanwhile: a package
    // whose wish to install has not been delivered is removed and never offered. Not a failure: nothing is
    // retried, and only the return to idle is reported (when a transfer was running or ending).
    void cancelUpdateDownload();
    // Removes the package at the destination; a missing file or a failed removal is ignored.
    void deleteDownloadedUpdate();
    // Runs the bundle's "install-update" script with the package and the bundle's path, on a global queue,
    // not awaited. Only a downloaded updater installs.
    void installUpdate(const QString& path);

private:
    struct Shared;
    class Transfer;

    void post(std::function<void(AUUpdater&, AUUpdaterDelegate*)> report) const;
    void reportState(int state) const;
    void ensureThread();
    // Ends the transfer thread, dropping what runs, and waits for it.
    void stopThread();
    // Run as the application is destroyed.
    static void stopThreadsBeforeTheApplicationEnds();
    void armInactivityTimer(std::uint64_t generation, double seconds);
    void onInactivityTimer(std::uint64_t generation);
    void onTransferFailed(std::uint64_t generation);
    void onTransferFinished(std::uint64_t generation);
    void onTransferProgress(std::uint64_t generation);
    void reportProgress();
    // Makes every report of the current attempt stale; removes a package it put in place that was never
    // handed over.
    void dropAttempt();

    QString m_bundlePath;
    QString m_scriptsPath;
    QString m_host;
    QString m_destination;
    QString m_channel;
    qint64 m_percentile = 0;
    double m_interval = defaultRetryInterval;

    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<AUUpdaterDelegate*> m_delegate;
    QThread* m_thread = nullptr;
    Transfer* m_transfer = nullptr;
    std::shared_ptr<platform::Timer> m_retryTimer;
    std::shared_ptr<platform::Timer> m_inactivityTimer;
    std::shared_ptr<platform::Timer> m_progressTimer;
    platform::Scheduler::Clock::time_point m_startedAt;
    // Downloaded, with the wish to install still on the main queue.
    bool m_wishPending = false;
};
