#pragma once

#include "remotelog/RLLogEntry.h"
#include "remotelog/RLRecords.h"
#include "remotelog/RLStorageItem.h"

#include "platform/Scheduler.h"

#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
class Timer;
class UserDefaults;
} // namespace platform

namespace remotelog {

// Where the library keeps its files, which service it talks to and how long it waits; the defaults are the
// application's.
struct RLLoggerConfiguration {
    QString storageRoot;                        // empty: <XDG cache folder>/<library identifier>
    QUrl host;                                  // empty: REMOTELOG_API_ENDPOINT, else the built-in base
    platform::UserDefaults* defaults = nullptr; // null: the application's
    std::chrono::milliseconds requestTimeout = std::chrono::seconds(60);
};

// The library's core: this run's session folder, the log lines written to it, the trimming of the store at
// its cap, and the synchronisation with the service (every 15 seconds, at start-up and on demand).
//
// Callers on any thread only stamp and queue: everything else runs on the library's own serial queue (a
// thread with its own event loop and network access manager; under a ManualScheduler, the test's thread).
// Lines queued together are written and flushed once.
class RLLoggerManager : public std::enable_shared_from_this<RLLoggerManager> {
public:
    static constexpr qint64 defaultMaximumLocalStorageSize = 5242880;
    static constexpr qint64 largestMaximumLocalStorageSize = 52428800;
    static constexpr double synchronisationInterval = 15.0;
    static constexpr double previousSessionsDelay = 5.0;
    static constexpr double diskMeasureInterval = 60.0;
    static constexpr int oldSessionDays = 30;
    // Entries between two checks of the store's size, as long as it stays under the cap.
    static constexpr int sizeCheckInterval = 20;
    // Lines waiting for the writer, and their bytes. Beyond either a burst is not held in memory: its oldest
    // waiting lines give way to the newest, as the store's cap would have them (counted, and noted in the
    // store). The newest line always waits, whatever its size.
    static constexpr std::size_t maximumPendingEntries = 16384;
    static constexpr std::size_t maximumPendingBytes = 8 * 1024 * 1024;

    // Makes the manager and starts it: the session folder, the logger-state request and the timers.
    static std::shared_ptr<RLLoggerManager> initWithAppToken(const QString& appToken,
                                                             const QString& deviceIdentifier,
                                                             RLLoggerConfiguration configuration = {});
    ~RLLoggerManager();
    RLLoggerManager(const RLLoggerManager&) = delete;
    RLLoggerManager& operator=(const RLLoggerManager&) = delete;

    // The device snapshot of this run (empty until the session folder exists).
    RLSession currentSession() const;
    // Stamps the entry with the caller's thread and queues it; never waits.
    void processLog(RLLogEntry entry, bool printToConsole = false);
    void forceSendOnce();
    void setForceEnabled(bool enabled);
    void setForceSendStillPending(bool pending);
    void sendIssueWithTitle(const QString& title, const QString& text);
    void setDeviceKeyValuePair(const RLKeyValuePair& pair);

    const QString& appToken() const { return m_appToken; }
    const QString& deviceIdentifier() const { return m_deviceIdentifier; }
    qint64 maximumLocalStorageSize() const { return m_maximumLocalStorageSize.load(); }
    void setMaximumLocalStorageSize(qint64 bytes) { m_maximumLocalStorageSize.store(bytes); }
    bool isLoggerEnabled() const { return m_isLoggerEnabled.load(); }
    bool forceEnabled() const { return m_forceEnabled.load(); }
    bool forceSendStillPending() const { return m_forceSendStillPending.load(); }
    bool isSendingAllowed() const { return isLoggerEnabled() || forceEnabled() || forceSendStillPending(); }
    void setPrintToConsole(bool print) { m_printToConsole.store(print); }

    const QString& storageRoot() const { return m_storageRoot; }
    // "<storage root>/session-<local session id>".
    QString currentSessionPath() const;
    quint64 localSessionId() const { return m_localSessionId.load(); }
    // Entries dropped because the writer fell that far behind.
    quint64 droppedEntries() const { return m_droppedEntries.load(); }
    // The store's size as the library counts it.
    quint64 storageLength() const { return m_diskSize.length(); }
    // Runs `task` on the library's queue after what was queued before it.
    void performOnLibraryQueue(std::function<void()> task);

    static QString defaultsKey(const char* name) {
        return libraryIdentifier + QLatin1Char('.') + QLatin1String(name);
    }

private:
    struct Library;
    struct Pending {
        RLLogEntry entry;
        bool printToConsole = false;
        // What the line holds in memory while it waits.
        std::size_t bytes() const;
    };

    RLLoggerManager(QString appToken, QString deviceIdentifier, RLLoggerConfiguration configuration);
    void start();

    // Runs `step` on the library's queue while the manager lives.
    void async(std::function<void(Library&)> step);
    void setFlag(std::atomic<bool>& flag, const char* key, bool value);

    void rl_createSession(Library& library);
    Library& rl_library(Library& library);
    void rl_writePending(Library& library);
    void rl_processLog(Library& library, const RLLogEntry& entry);
    void rl_deleteOlderLog(Library& library);
    // Brings the store under the cap: earlier runs go whole, oldest first (of a run whose issues wait only
    // its log files go), then this run's oldest closed files.
    void rl_enforceStorageCap(Library& library);
    bool rl_issuesWait(const QString& folder) const;
    // Earlier runs, oldest first; one without a readable time counts as the oldest: it would never be sent.
    QStringList rl_otherSessionFoldersOldestFirst() const;
    void rl_fullSync(Library& library);
    void rl_nextStorageItemFile(Library& library);
    void rl_sendPreviousSessionsIfNeeded(Library& library, std::function<void()> completion);
    void rl_sendPreviousSessions(Library& library, std::function<void()> completion);
    void rl_runNextSessionsTask(Library& library);
    void rl_sendOldSession(Library& library, const QString& folder, std::function<void()> done);
    void rl_removeFolder(Library& library, const QString& folder);
    void rl_updateLoggerStateWithCompletionBlock(Library& library, std::function<void(bool)> completion);
    void rl_startUpCompleted(Library& library, bool startedEnabled);
    QStringList rl_otherSessionFolders() const;

    const QString m_appToken;
    const QString m_deviceIdentifier;
    const QString m_storageRoot;
    const RLLoggerConfiguration m_configuration;
    platform::UserDefaults& m_defaults;
    std::atomic<quint64> m_localSessionId;

    std::atomic<bool> m_isLoggerEnabled{false};
    std::atomic<bool> m_forceEnabled{false};
    std::atomic<bool> m_forceSendStillPending{false};
    std::atomic<bool> m_printToConsole{false};
    std::atomic<qint64> m_maximumLocalStorageSize{defaultMaximumLocalStorageSize};
    std::mutex m_defaultsMutex;

    mutable std::mutex m_pendingMutex;
    std::deque<Pending> m_pending;
    std::size_t m_pendingBytes = 0;
    std::atomic<quint64> m_droppedEntries{0};

    // Counted from the library's queue, read from anywhere.
    RLDiskSize m_diskSize;

    mutable std::mutex m_sessionMutex;
    RLSession m_session;

    std::shared_ptr<platform::Timer> m_logRotationTimer;
    std::shared_ptr<platform::Timer> m_diskMeasureTimer;
    std::shared_ptr<platform::Timer> m_previousSessionsTimer;

    // Declared last of the library's parts: it goes first, its thread joined after the rest is released.
    platform::DispatchQueue m_queue;
    std::shared_ptr<Library> m_library;
    std::atomic<void*> m_libraryThread{nullptr};
};

} // namespace remotelog
