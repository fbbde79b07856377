#include "remotelog/RLLoggerManager.h"

#include "remotelog/RLIssueManager.h"
#include "remotelog/RLPersistedDataQueue.h"

#include "platform/FileAccess.h"
#include "platform/Timer.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QLoggingCategory>
#include <QThread>

#include <malloc.h>

#include <algorithm>
#include <deque>
#include <set>
#include <source_location>
#include <variant>

namespace remotelog {

namespace {

Q_LOGGING_CATEGORY(lcLogger, "veltrix.remotelog")

quint64 monotonicNanoseconds() {
    return quint64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                       platform::Scheduler::shared().now().time_since_epoch())
                       .count());
}

QString sessionFolderName(quint64 localSessionId) {
    return QStringLiteral("session-%1").arg(localSessionId);
}

// Whole days from `then` to `now`.
qint64 daysBetween(const QDateTime& then, const QDateTime& now) {
    return then.msecsTo(now) / (24LL * 3600 * 1000);
}

std::optional<QDateTime> sessionTime(const QJsonObject& session) {
    return rlDateFromString(session.value(QStringLiteral("time")).toString());
}

} // namespace

// What lives on the library's queue only.
struct RLLoggerManager::Library {
    Library(RLLoggerManager& manager, const RLLoggerConfiguration& configuration)
        : http(configuration.requestTimeout), api(configuration.host, http), diskSize(manager.m_diskSize),
          issues(manager.m_storageRoot, api), devices(manager.m_storageRoot, manager.m_appToken,
                                                      manager.m_deviceIdentifier, manager.m_defaults, api),
          services{diskSize, api, issues,
                   [this](const QString& what) {
                       if (!writeFailureReported) {
                           writeFailureReported = true;
                           qCWarning(lcLogger).noquote() << "The remote-logging store" << what
                                                         << "- lines are dropped until it can write";
                       }
                   },
                   [&manager] { return manager.isSendingAllowed(); }} {
        api.setAppToken(manager.m_appToken);
    }

    RLHttpClient http;
    RLApiClient api;
    RLDiskSize& diskSize;
    RLIssueManager issues;
    RLDeviceDetailManager devices;
    RLStoreServices services;
    bool writeFailureReported = false;

    std::shared_ptr<RLStorageItem> storageItem;
    quint64 droppedNoted = 0;
    std::size_t burstLines = 0;
    quint64 logCounter = 0;
    quint64 checkLocalStorageSizeCounter = 0;
    bool newerVersionNoticed = false;

    // Earlier runs' folders, one at a time, and the completions of the passes that queued them.
    std::deque<std::variant<QString, std::function<void()>>> sessionsQueue;
    std::set<QString> queuedFolders;
    bool sessionTaskRunning = false;
};

std::shared_ptr<RLLoggerManager> RLLoggerManager::initWithAppToken(const QString& appToken,
                                                                   const QString& deviceIdentifier,
                                                                   RLLoggerConfiguration configuration) {
    std::shared_ptr<RLLoggerManager> manager(
        new RLLoggerManager(appToken, deviceIdentifier, std::move(configuration)));
    manager->start();
    return manager;
}

RLLoggerManager::RLLoggerManager(QString appToken, QString deviceIdentifier,
                                 RLLoggerConfiguration configuration)
    : m_appToken(std::move(appToken)), m_deviceIdentifier(std::move(deviceIdentifier)),
      m_storageRoot(configuration.storageRoot.isEmpty() ? rlDefaultStorageRootPath()
                                                        : configuration.storageRoot),
      m_configuration([&] {
          if (configuration.host.isEmpty()) {
              configuration.host = RLApiClient::defaultHost();
          }
          return configuration;
      }()),
      m_defaults(configuration.defaults ? *configuration.defaults : platform::UserDefaults::standard()),
      m_localSessionId(monotonicNanoseconds()), m_diskSize(m_storageRoot),
      m_queue(libraryIdentifier + QStringLiteral(".logger")) {
    m_defaults.registerDefaults({{defaultsKey("RLLoggerActiveKey"), false},
                                 {defaultsKey("RLLoggerForceEnabledKey"), false},
                                 {defaultsKey("RLLoggerForceSendOnceKey"), false}});
    m_isLoggerEnabled = m_defaults.boolForKey(defaultsKey("RLLoggerActiveKey"));
    m_forceEnabled = m_defaults.boolForKey(defaultsKey("RLLoggerForceEnabledKey"));
    m_forceSendStillPending = m_defaults.boolForKey(defaultsKey("RLLoggerForceSendOnceKey"));
    platform::primaryScreenSize(); // read on the thread that activates the library, the GUI's, for the
                                   // session
}

void RLLoggerManager::start() {
    // The session folder is the queue's first work; everything after it may rely on it.
    async([this](Library& library) { rl_createSession(library); });
    const bool startedEnabled = isLoggerEnabled();
    async([this, startedEnabled](Library& library) {
        rl_updateLoggerStateWithCompletionBlock(library, [weak = weak_from_this(), startedEnabled](bool) {
            if (auto self = weak.lock(); self && self->m_library) {
                self->rl_startUpCompleted(*self->m_library, startedEnabled);
            }
        });
    });
    // The timers fire on the main queue, which outlives any manager, and hand their work over.
    m_logRotationTimer = platform::Timer::scheduledTimer(
        synchronisationInterval, true, [weak = weak_from_this()](platform::Timer&) {
            if (auto self = weak.lock()) {
                self->async([self = self.get()](Library& library) { self->rl_fullSync(library); });
            }
        });
    m_diskMeasureTimer = platform::Timer::scheduledTimer(
        diskMeasureInterval, true, [weak = weak_from_this()](platform::Timer&) {
            if (auto self = weak.lock()) {
                self->async([](Library& library) {
                    if (library.diskSize.changedSinceRefresh()) {
                        library.diskSize.rl_refreshRealDiskSize();
                    }
                });
            }
        });
}

RLLoggerManager::~RLLoggerManager() {
    for (const auto& timer : {m_logRotationTimer, m_diskMeasureTimer, m_previousSessionsTimer}) {
        if (timer) {
            timer->invalidate();
        }
    }
    void* libraryThread = m_libraryThread.load();
    if (!libraryThread || libraryThread == QThread::currentThread()) {
        m_library.reset();
        return;
    }
    // Released on its own thread, or once that thread has ended when the queue goes right after.
    m_queue.async([library = std::move(m_library)]() mutable { library.reset(); });
}

void RLLoggerManager::async(std::function<void(Library&)> step) {
    m_queue.async([weak = weak_from_this(), step = std::move(step)] {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        self->m_libraryThread.store(QThread::currentThread());
        if (!self->m_library) {
            self->m_library = std::make_shared<Library>(*self, self->m_configuration);
        }
        step(*self->m_library);
    });
}

void RLLoggerManager::performOnLibraryQueue(std::function<void()> task) {
    async([task = std::move(task)](Library&) { task(); });
}

QString RLLoggerManager::currentSessionPath() const {
    return QDir(m_storageRoot).filePath(sessionFolderName(localSessionId()));
}

RLSession RLLoggerManager::currentSession() const {
    std::lock_guard lock(m_sessionMutex);
    return m_session;
}

void RLLoggerManager::setFlag(std::atomic<bool>& flag, const char* key, bool value) {
    // One write at a time, so the file always ends with the value the flag holds.
    std::lock_guard lock(m_defaultsMutex);
    flag.store(value);
    m_defaults.set(defaultsKey(key), value);
    m_defaults.synchronize();
}

void RLLoggerManager::setForceEnabled(bool enabled) {
    setFlag(m_forceEnabled, "RLLoggerForceEnabledKey", enabled);
    if (enabled) {
        async([this](Library& library) { rl_fullSync(library); });
    }
}

void RLLoggerManager::setForceSendStillPending(bool pending) {
    setFlag(m_forceSendStillPending, "RLLoggerForceSendOnceKey", pending);
}

void RLLoggerManager::forceSendOnce() {
    setForceSendStillPending(true);
    async([this](Library& library) { rl_fullSync(library); });
}

// MARK: the session folder and the lines

void RLLoggerManager::rl_createSession(Library& library) {
    if (library.storageItem) {
        return;
    }
    const QDateTime now = platform::Scheduler::shared().currentDate();
    RLSession snapshot;
    snapshot.refreshSessionStatus(now);
    {
        std::lock_guard lock(m_sessionMutex);
        m_session = snapshot;
    }
    // A run's id is the monotonic clock; after a restart of the machine it could meet an old folder's.
    quint64 id = localSessionId();
    while (QFileInfo::exists(QDir(m_storageRoot).filePath(sessionFolderName(id)))) {
        ++id;
    }
    m_localSessionId.store(id);
    library.storageItem = RLStorageItem::open(currentSessionPath(), library.services);

    const QString host = RLSystemUtils::systemHostname();
    const auto model = RLSystemUtils::deviceModel();
    const auto version = RLSystemUtils::appShortVersion();
    const auto build = RLSystemUtils::appBuild();
    const QString osVersion = RLSystemUtils::osVersion();
    if (!model) {
        qCInfo(lcLogger) << "Couldn't obtain device type";
    }
    if (!version) {
        qCWarning(lcLogger) << "Couldn't obtain app version, a CFBundleShortVersionString should be defined";
    }
    if (!build) {
        qCWarning(lcLogger) << "Couldn't obtain build version, a CFBundleVersion should be defined";
    }
    if (osVersion.isEmpty()) {
        qCWarning(lcLogger) << "Couldn't obtain OS version";
    }
    const RLRamState ram = snapshot.ramState;
    library.storageItem->setSession({
        {"time", rlStringFromDate(now)},
        {"device", QJsonObject{{"udid", m_deviceIdentifier},
                               {"name", host},
                               {"device_type", model.value_or(QString())}}},
        {"app_version", QJsonObject{{"app", QJsonObject{{"key", m_appToken}}},
                                    {"version", version.value_or(QString())},
                                    {"build", build.value_or(QString())}}},
        {"os", RLSystemUtils::platformName()},
        {"os_version", osVersion},
        {"orientation", snapshot.orientation},
        {"battery_level", snapshot.batteryLevel},
        {"ram_total", qint64(ram.total)},
        {"ram_free", qint64(ram.free)},
        {"ram_used", qint64(ram.used)},
        {"language", snapshot.language},
        {"timezone", snapshot.timezone},
    });
    library.storageItem->setConfiguration(
        {{"session_id", QJsonValue::Null}, {"local_session_id", qint64(id)}});
    library.diskSize.rl_refreshRealDiskSize();
    rl_enforceStorageCap(library);
}

RLLoggerManager::Library& RLLoggerManager::rl_library(Library& library) {
    if (!library.storageItem) {
        rl_createSession(library);
    }
    return library;
}

std::size_t RLLoggerManager::Pending::bytes() const {
    std::size_t texts = 0;
    for (const std::optional<QString>* text : {&entry.tag, &entry.method, &entry.file, &entry.text,
                                               &entry.threadNumber, &entry.operationQueueName}) {
        texts += *text ? std::size_t((*text)->capacity()) : 0;
    }
    return sizeof(Pending) + texts * sizeof(QChar);
}

// Lines written in batches back to back, the queue never empty between them, that make a burst: once the
// writer has caught up, what the burst freed goes back to the system. Left to the allocator it stayed
// resident, in holes between what lives on, for the rest of the run.
constexpr std::size_t burstEntries = 1024;

void RLLoggerManager::processLog(RLLogEntry entry, bool printToConsole) {
    entry.threadNumber = RLThreadAdditions::currentThreadNumberText();
    entry.operationQueueName = RLThreadAdditions::currentQueueLabel();
    bool first = false;
    {
        std::lock_guard lock(m_pendingMutex);
        first = m_pending.empty();
        m_pending.push_back({std::move(entry), printToConsole});
        m_pendingBytes += m_pending.back().bytes();
        while (m_pending.size() > maximumPendingEntries ||
               (m_pendingBytes > maximumPendingBytes && m_pending.size() > 1)) {
            m_pendingBytes -= m_pending.front().bytes();
            m_pending.pop_front();
            m_droppedEntries.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (first) {
        async([this](Library& library) { rl_writePending(library); });
    }
}

void RLLoggerManager::rl_writePending(Library& library) {
    std::deque<Pending> batch;
    {
        std::lock_guard lock(m_pendingMutex);
        batch.swap(m_pending);
        m_pendingBytes = 0;
    }
    rl_library(library);
    // A gap in the lines says so where it is.
    const quint64 dropped = m_droppedEntries.load();
    if (dropped != library.droppedNoted) {
        RLLogEntry gap;
        gap.absoluteTime = monotonicNanoseconds();
        gap.date = platform::Scheduler::shared().currentMSecsSinceEpoch();
        gap.level = 1;
        gap.line = 0;
        gap.tag = QStringLiteral("RemoteLog");
        gap.text =
            QStringLiteral("%1 earlier lines were dropped: they came faster than they could be written")
                .arg(dropped - library.droppedNoted);
        gap.threadNumber = RLThreadAdditions::currentThreadNumberText();
        gap.operationQueueName = RLThreadAdditions::currentQueueLabel();
        library.droppedNoted = dropped;
        rl_processLog(library, gap);
    }
    QByteArray console;
    for (const Pending& pending : batch) {
        rl_processLog(library, pending.entry);
        if (pending.printToConsole) {
            console += RLConsolePrinter::consoleLine(
                pending.entry.date.value_or(0), pending.entry.threadNumber.value_or(QString()).toLongLong(),
                pending.entry.text.value_or(QString()));
        }
    }
    library.storageItem->flushLines();
    RLConsolePrinter::print(console);
    library.burstLines += batch.size();
    batch.clear();
    bool caughtUp = false;
    {
        std::lock_guard lock(m_pendingMutex);
        caughtUp = m_pending.empty();
    }
    if (caughtUp) {
        if (library.burstLines >= burstEntries) {
            malloc_trim(0);
        }
        library.burstLines = 0;
    }
}

void RLLoggerManager::rl_processLog(Library& library, const RLLogEntry& entry) {
    const auto cap = quint64(maximumLocalStorageSize());
    if (library.checkLocalStorageSizeCounter >= sizeCheckInterval && library.diskSize.length() >= cap) {
        rl_deleteOlderLog(library);
        library.checkLocalStorageSizeCounter = 0;
    }
    ++library.checkLocalStorageSizeCounter;
    ++library.logCounter;
    library.diskSize.addLength(quint64(library.storageItem->appendLine(entry.jsonLine())));
    // Files of a tenth of the cap each: trimming drops the oldest tenth, not everything.
    if (library.storageItem->currentFileSize() >= qint64(cap / 10)) {
        library.storageItem->nextLogFile();
    }
}

QStringList RLLoggerManager::rl_otherSessionFolders() const {
    const QDir root(m_storageRoot);
    const QString current = sessionFolderName(localSessionId());
    QStringList folders;
    // Matched by hand: a name filter is a regular expression, and this runs in every start.
    for (const QString& name : platform::ownFolderEntries(m_storageRoot, QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name.startsWith(QLatin1String("session-")) && name != current) {
            folders.append(root.filePath(name));
        }
    }
    return folders;
}

QStringList RLLoggerManager::rl_otherSessionFoldersOldestFirst() const {
    std::vector<std::pair<QDateTime, QString>> runs;
    for (const QString& folder : rl_otherSessionFolders()) {
        QJsonObject session;
        const platform::RegularFileRead file = platform::readRegularFile(
            QDir(folder).filePath(QStringLiteral("session.json")), 64 * 1024, platform::Links::refuse);
        if (file.ok()) {
            session = rlJsonObject(file.bytes).value_or(QJsonObject());
        }
        runs.emplace_back(sessionTime(session).value_or(QDateTime::fromMSecsSinceEpoch(0, Qt::UTC)), folder);
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList folders;
    for (const auto& run : runs) {
        folders.append(run.second);
    }
    return folders;
}

bool RLLoggerManager::rl_issuesWait(const QString& folder) const {
    const auto id = RLStorageItem::localSessionIdOfFolder(QFileInfo(folder).fileName());
    return id && !platform::ownFolderEntries(
                      QDir(m_storageRoot)
                          .filePath(RLPersistedDataQueue::folderName + QStringLiteral("/issues-%1").arg(*id)),
                      QDir::Files)
                      .isEmpty();
}

void RLLoggerManager::rl_enforceStorageCap(Library& library) {
    const auto cap = quint64(maximumLocalStorageSize());
    if (library.diskSize.length() < cap) {
        return;
    }
    for (const QString& folder : rl_otherSessionFoldersOldestFirst()) {
        if (rl_issuesWait(folder)) {
            const auto item = RLStorageItem::open(folder, library.services);
            while (library.diskSize.length() >= cap && item->deleteOldLog()) {
            }
        } else {
            rl_removeFolder(library, folder);
        }
        if (library.diskSize.length() < cap) {
            break;
        }
    }
    while (library.diskSize.length() >= cap && library.storageItem->deleteOldLog()) {
    }
    // The count drifts from the blocks the files take; after a trim the store's real size decides.
    library.diskSize.rl_refreshRealDiskSize();
}

void RLLoggerManager::rl_deleteOlderLog(Library& library) {
    // At the cap the current file closes whether or not it can be sent, so it can be trimmed too.
    library.storageItem->nextLogFile();
    for (const QString& folder : rl_otherSessionFoldersOldestFirst()) {
        const auto other = RLStorageItem::open(folder, library.services);
        if (other->hasLogs()) {
            other->deleteOldLog();
        } else if (rl_issuesWait(folder)) {
            continue; // kept for its issues, which a batch of it will carry
        } else {
            rl_removeFolder(library, folder);
        }
        library.diskSize.rl_refreshRealDiskSize();
        return;
    }
    const auto cap = quint64(maximumLocalStorageSize());
    library.diskSize.rl_refreshRealDiskSize();
    while (library.diskSize.length() >= cap && library.storageItem->deleteOldLog()) {
        library.diskSize.rl_refreshRealDiskSize();
    }
}

// MARK: synchronisation

void RLLoggerManager::rl_fullSync(Library& library) {
    rl_library(library);
    // Key-values first: the rest of the sync follows their answers (at once when none wait).
    library.devices.flush([weak = weak_from_this()] {
        auto self = weak.lock();
        if (!self || !self->m_library) {
            return;
        }
        self->rl_enforceStorageCap(*self->m_library);
        if (self->m_library->logCounter == 0) {
            return;
        }
        self->rl_sendPreviousSessionsIfNeeded(*self->m_library, [weak] {
            if (auto self = weak.lock(); self && self->m_library) {
                self->rl_nextStorageItemFile(*self->m_library);
            }
        });
    });
}

void RLLoggerManager::rl_nextStorageItemFile(Library& library) {
    library.logCounter = 0;
    library.storageItem->nextLogFile();
    if (!isSendingAllowed()) {
        return;
    }
    library.storageItem->sendWithCompletionBlock([weak = weak_from_this()](const std::optional<RLError>&) {
        if (auto self = weak.lock(); self && self->forceSendStillPending()) {
            self->setForceSendStillPending(false);
        }
    });
}

void RLLoggerManager::rl_sendPreviousSessionsIfNeeded(Library& library, std::function<void()> completion) {
    if (!isSendingAllowed()) {
        return;
    }
    rl_sendPreviousSessions(library, std::move(completion));
}

void RLLoggerManager::rl_sendPreviousSessions(Library& library, std::function<void()> completion) {
    for (const QString& folder : rl_otherSessionFolders()) {
        if (library.queuedFolders.insert(folder).second) {
            library.sessionsQueue.emplace_back(folder);
        }
    }
    if (completion) {
        library.sessionsQueue.emplace_back(std::move(completion));
    }
    rl_runNextSessionsTask(library);
}

void RLLoggerManager::rl_runNextSessionsTask(Library& library) {
    while (!library.sessionTaskRunning && !library.sessionsQueue.empty()) {
        auto next = std::move(library.sessionsQueue.front());
        library.sessionsQueue.pop_front();
        if (auto* completion = std::get_if<std::function<void()>>(&next)) {
            (*completion)();
            continue;
        }
        const QString folder = std::get<QString>(next);
        library.sessionTaskRunning = true;
        rl_sendOldSession(library, folder, [weak = weak_from_this(), folder] {
            if (auto self = weak.lock(); self && self->m_library) {
                Library& library = *self->m_library;
                library.queuedFolders.erase(folder);
                library.sessionTaskRunning = false;
                self->rl_runNextSessionsTask(library);
            }
        });
    }
}

void RLLoggerManager::rl_sendOldSession(Library& library, const QString& folder, std::function<void()> done) {
    if (!QFileInfo(folder).isDir()) {
        done();
        return;
    }
    const auto item = RLStorageItem::open(folder, library.services);
    const auto time = sessionTime(item->session());
    if (!time || daysBetween(*time, platform::Scheduler::shared().currentDate()) >= oldSessionDays) {
        rl_removeFolder(library, folder);
        done();
        return;
    }
    item->sendWithCompletionBlock(
        [weak = weak_from_this(), folder, done](const std::optional<RLError>& error) {
            if (auto self = weak.lock(); self && self->m_library && !error) {
                self->rl_removeFolder(*self->m_library, folder);
            }
            done();
        });
}

void RLLoggerManager::rl_removeFolder(Library& library, const QString& folder) {
    const quint64 size = rlDirectorySize(folder);
    if (platform::removeWithoutFollowingLinks(folder)) {
        library.diskSize.reduceLength(size);
    } else {
        library.services.writeFailed(QStringLiteral("cannot remove ") + folder);
    }
}

void RLLoggerManager::rl_updateLoggerStateWithCompletionBlock(Library& library,
                                                              std::function<void(bool)> completion) {
    const RLSession snapshot = currentSession();
    const QJsonObject device{
        {"udid", m_deviceIdentifier},
        {"name", RLSystemUtils::systemHostname()},
        {"device_type", RLSystemUtils::deviceModel().value_or(QString())},
        {"os", RLSystemUtils::platformName()},
        {"os_version", RLSystemUtils::osVersion()},
        {"version", RLSystemUtils::appShortVersion().value_or(QString())},
        {"build", RLSystemUtils::appBuild().value_or(QString())},
        {"sdk_version", QString::number(libraryVersion)},
        {"timezone", snapshot.timezone},
        {"language", snapshot.language},
    };
    library.api.sendAppToken(m_appToken, device,
                             [weak = weak_from_this(),
                              completion](bool enabled, const std::optional<RLError>& error, double latest) {
                                 auto self = weak.lock();
                                 if (!self || !self->m_library) {
                                     return;
                                 }
                                 if (error) {
                                     completion(false);
                                     return;
                                 }
                                 if (latest > libraryVersion && !self->m_library->newerVersionNoticed) {
                                     self->m_library->newerVersionNoticed = true;
                                     qCInfo(lcLogger) << "A newer remote-logging library exists:" << latest;
                                 }
                                 self->setFlag(self->m_isLoggerEnabled, "RLLoggerActiveKey", enabled);
                                 completion(true);
                             });
}

void RLLoggerManager::rl_startUpCompleted(Library& library, bool startedEnabled) {
    rl_library(library);
    if (isSendingAllowed()) {
        library.storageItem->sendWithCompletionBlock(nullptr);
    }
    if (isSendingAllowed() || startedEnabled) {
        m_previousSessionsTimer = platform::Timer::scheduledTimer(
            previousSessionsDelay, false, [weak = weak_from_this()](platform::Timer&) {
                if (auto self = weak.lock()) {
                    self->async([self = self.get()](Library& library) {
                        self->rl_sendPreviousSessions(library, nullptr);
                    });
                }
            });
    }
}

// MARK: issues and device key-values

void RLLoggerManager::sendIssueWithTitle(const QString& title, const QString& text) {
    async([this, title, text](Library& library) {
        RLIssue issue;
        issue.title = title;
        issue.text = text;
        issue.localSessionId = rl_library(library).storageItem->localSessionId();
        issue.appToken = m_appToken;
        library.issues.storeIssue(issue);
        const auto where = std::source_location::current();
        RLLogEntry entry;
        entry.line = where.line();
        entry.method = QString::fromUtf8(where.function_name());
        entry.file = QFileInfo(QString::fromUtf8(where.file_name())).fileName();
        entry.level = 0;
        entry.tag = QStringLiteral("Issues");
        entry.text = QStringLiteral("An issue has been stored.");
        entry.date = platform::Scheduler::shared().currentMSecsSinceEpoch();
        entry.absoluteTime = monotonicNanoseconds();
        processLog(std::move(entry), m_printToConsole.load());
        forceSendOnce();
    });
}

void RLLoggerManager::setDeviceKeyValuePair(const RLKeyValuePair& pair) {
    async([this, pair](Library& library) {
        library.devices.setDeviceKeyValuePair(pair);
        RLLogEntry entry;
        entry.absoluteTime = monotonicNanoseconds();
        entry.date = platform::Scheduler::shared().currentMSecsSinceEpoch();
        entry.text = QStringLiteral("Set device data \"%1\"=\"%2\"").arg(pair.key, pair.valueText());
        entry.method = QString();
        entry.file = QString();
        entry.line = 0;
        entry.tag = QStringLiteral("rl_key_value");
        entry.level = 0;
        processLog(std::move(entry));
    });
}

} // namespace remotelog
