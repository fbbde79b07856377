#include "remotelog/RLStorageItem.h"

#include "remotelog/RLIssueManager.h"
#include "remotelog/RLRecords.h"

#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "platform/Scheduler.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QLoggingCategory>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace remotelog {

namespace {

Q_LOGGING_CATEGORY(lcStore, "veltrix.remotelog.store")

constexpr qint64 jsonFileLimit = 256 * 1024;

enum class JsonFile { absent, unreadable, read };

JsonFile readJsonObject(const QString& path, QJsonObject& object) {
    const platform::RegularFileRead file =
        platform::readRegularFile(path, jsonFileLimit, platform::Links::refuse);
    if (file.outcome == platform::RegularFileRead::Outcome::missing) {
        return JsonFile::absent;
    }
    if (!file.ok()) {
        return JsonFile::unreadable;
    }
    const auto parsed = rlJsonObject(file.bytes, jsonFileLimit);
    if (!parsed) {
        return JsonFile::unreadable;
    }
    object = *parsed;
    return JsonFile::read;
}

platform::AtomicWriteResult writeJsonObject(const QString& path, const QJsonObject& object) {
    return platform::writeFileAtomically(path, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

// The local session id a folder's name carries ("session-<id>").
std::optional<quint64> idFromFolderName(const QString& name) {
    if (!name.startsWith(QLatin1String("session-"))) {
        return std::nullopt;
    }
    bool ok = false;
    const quint64 id = name.mid(8).toULongLong(&ok);
    return ok ? std::optional(id) : std::nullopt;
}

quint64 monotonicReading() {
    return quint64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                       platform::Scheduler::shared().now().time_since_epoch())
                       .count());
}

} // namespace

void RLSession::refreshSessionStatus(const QDateTime& now) {
    ramState = RLSystemUtils::ramState();
    orientation = RLSystemUtils::screenOrientation();
    batteryLevel = RLSystemUtils::batteryPercent();
    const QStringList languages = QLocale::system().uiLanguages();
    language = languages.isEmpty() ? QLocale::system().name() : languages.first();
    timezone = now.toLocalTime().timeZoneAbbreviation();
    date = now;
}

std::shared_ptr<RLStorageItem> RLStorageItem::open(const QString& folder, const RLStoreServices& services) {
    return std::shared_ptr<RLStorageItem>(new RLStorageItem(folder, services));
}

RLStorageItem::RLStorageItem(QString folder, const RLStoreServices& services)
    : m_path(QDir::cleanPath(std::move(folder))), m_logsPath(m_path + QStringLiteral("/logs")),
      m_logsTempFilePath(m_path + QStringLiteral("/logs.tmp")),
      m_configurationFilePath(m_path + QStringLiteral("/config.json")),
      m_sessionFilePath(m_path + QStringLiteral("/session.json")), m_services(services) {
    m_usable = QDir().mkpath(m_logsPath);
    if (!m_usable) {
        m_services.writeFailed(QStringLiteral("cannot make the folder ") + m_logsPath);
    }
    if (readJsonObject(m_configurationFilePath, m_configuration) == JsonFile::unreadable) {
        // The ids are the folder's own: the session goes out again and gets a new server id.
        m_configuration = {};
        if (const auto id = idFromFolderName(folderName())) {
            qCWarning(lcStore) << "Rebuilt the damaged configuration of" << folderName();
            m_configuration = {{"session_id", QJsonValue::Null}, {"local_session_id", qint64(*id)}};
            rl_writeConfigurationData();
        }
    }
    if (readJsonObject(m_sessionFilePath, m_session) == JsonFile::unreadable) {
        qCWarning(lcStore) << "The session record of" << folderName() << "cannot be read";
        m_session = {};
    }
    nextLogFile();
}

RLStorageItem::~RLStorageItem() {
    flushLines();
}

std::optional<quint64> RLStorageItem::localSessionIdOfFolder(const QString& folderName) {
    return idFromFolderName(folderName);
}

QString RLStorageItem::folderName() const {
    return QFileInfo(m_path).fileName();
}

void RLStorageItem::setConfiguration(const QJsonObject& configuration) {
    m_configuration = configuration;
    rl_writeConfigurationData();
}

void RLStorageItem::setSession(const QJsonObject& session) {
    m_session = session;
    rl_writeSessionData();
}

std::optional<qint64> RLStorageItem::sessionId() const {
    const QJsonValue id = m_configuration.value(QStringLiteral("session_id"));
    if (!id.isDouble()) {
        return std::nullopt;
    }
    const qint64 value = id.toInteger(-1);
    return value < 0 ? std::nullopt : std::optional(value);
}

void RLStorageItem::setSessionId(qint64 sessionId) {
    QJsonObject configuration = m_configuration;
    configuration.insert(QStringLiteral("session_id"), sessionId);
    setConfiguration(configuration);
}

quint64 RLStorageItem::localSessionId() {
    if (m_localSessionId == 0) {
        const qint64 stored = m_configuration.value(QStringLiteral("local_session_id")).toInteger(-1);
        m_localSessionId = stored > 0 ? quint64(stored) : idFromFolderName(folderName()).value_or(0);
    }
    return m_localSessionId;
}

bool RLStorageItem::rl_writeConfigurationData() {
    if (const auto written = writeJsonObject(m_configurationFilePath, m_configuration); !written) {
        m_services.writeFailed(written.errorString);
        return false;
    }
    return true;
}

bool RLStorageItem::rl_writeSessionData() {
    if (const auto written = writeJsonObject(m_sessionFilePath, m_session); !written) {
        m_services.writeFailed(written.errorString);
        return false;
    }
    return true;
}

qint64 RLStorageItem::appendLine(const QByteArray& line) {
    const qint64 before = m_pendingLines.size();
    if (currentFileSize() > 0) {
        m_pendingLines += ",\n";
    }
    m_pendingLines += line;
    return m_pendingLines.size() - before;
}

bool RLStorageItem::openCurrentFile() {
    if (m_logsFile.isOpen()) {
        return true;
    }
    m_logsFile.setFileName(m_logsTempFilePath);
    // Never through a link planted in its place; unbuffered, so a full disk shows at the write.
    const int fd = ::open(QFile::encodeName(m_logsTempFilePath).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return false;
    }
    if (!m_logsFile.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                         QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    m_fileSize = m_logsFile.size();
    return true;
}

bool RLStorageItem::flushLines() {
    if (m_pendingLines.isEmpty()) {
        return true;
    }
    const QByteArray lines = std::exchange(m_pendingLines, {});
    if (!openCurrentFile()) {
        m_services.writeFailed(QStringLiteral("cannot open ") + m_logsTempFilePath);
        m_services.diskSize.reduceLength(quint64(lines.size()));
        return false;
    }
    const qint64 written = m_logsFile.write(lines);
    const bool flushed = m_logsFile.flush() && ::fdatasync(m_logsFile.handle()) == 0;
    m_fileSize = m_logsFile.size();
    if (written != lines.size() || !flushed) {
        m_services.writeFailed(QStringLiteral("cannot write ") + m_logsTempFilePath);
        // What did reach the file may end in a cut line; the upload trims it.
        m_services.diskSize.reduceLength(quint64(lines.size() - std::max<qint64>(0, written)));
        return false;
    }
    return true;
}

bool RLStorageItem::writeLine(const QByteArray& line) {
    m_services.diskSize.addLength(quint64(appendLine(line)));
    return flushLines();
}

bool RLStorageItem::synchronize() {
    const bool lines = flushLines();
    const bool configuration = rl_writeConfigurationData();
    return rl_writeSessionData() && configuration && lines;
}

void RLStorageItem::nextLogFile() {
    flushLines();
    m_logsFile.close();
    m_fileSize = 0;
    const QFileInfo current(m_logsTempFilePath);
    if (current.isSymLink()) {
        QFile::remove(m_logsTempFilePath);
    }
    if (current.isSymLink() || !current.exists() || current.size() == 0) {
        openCurrentFile(); // present, empty, while the item is open
        return;
    }
    quint64 name = monotonicReading();
    QDir logs(m_logsPath);
    while (logs.exists(QStringLiteral("%1.txt").arg(name))) {
        ++name;
    }
    if (!QFile::rename(m_logsTempFilePath, logs.filePath(QStringLiteral("%1.txt").arg(name)))) {
        m_services.writeFailed(QStringLiteral("cannot close ") + m_logsTempFilePath);
    }
    openCurrentFile();
}

QFileInfoList RLStorageItem::closedLogFiles() const {
    const QDir logs(m_logsPath);
    QFileInfoList files;
    for (const QString& name : platform::ownFolderEntries(m_logsPath, QDir::Files)) {
        files.append(QFileInfo(logs.filePath(name)));
    }
    std::stable_sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() < b.lastModified();
    });
    return files;
}

bool RLStorageItem::deleteOldLog() {
    for (const QFileInfo& file : closedLogFiles()) {
        if (file.size() == 0) {
            continue;
        }
        if (QFile::remove(file.filePath())) {
            m_services.diskSize.reduceLength(quint64(file.size()));
            return true;
        }
    }
    return false;
}

bool RLStorageItem::hasLogs() const {
    if (currentFileSize() > 0 || QFileInfo(m_logsTempFilePath).size() > 0) {
        return true;
    }
    const QFileInfoList files = closedLogFiles();
    return std::any_of(files.begin(), files.end(), [](const QFileInfo& file) { return file.size() > 0; });
}

std::optional<QByteArray> RLStorageItem::usableLogContent(const QByteArray& content) {
    if (parsesAsLogLines(content)) {
        return content;
    }
    // A crash may have cut the last line, or the separator before it.
    QByteArray trimmed = content;
    while (!trimmed.isEmpty() && QByteArrayView(",\n\r\t ").contains(trimmed.back())) {
        trimmed.chop(1);
    }
    if (parsesAsLogLines(trimmed)) {
        return trimmed;
    }
    // Only what starts as one of our lines counts as a line cut short; anything else is damage.
    const qsizetype lastSeparator = trimmed.lastIndexOf(",\n");
    const QByteArray tail = lastSeparator < 0 ? trimmed : trimmed.mid(lastSeparator + 2);
    if (!tail.startsWith('{')) {
        return std::nullopt;
    }
    trimmed = lastSeparator < 0 ? QByteArray() : trimmed.left(lastSeparator);
    if (parsesAsLogLines(trimmed)) {
        return trimmed;
    }
    return std::nullopt;
}

bool RLStorageItem::parsesAsLogLines(const QByteArray& content) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson('[' + content + ']', &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return false;
    }
    const QJsonArray lines = document.array();
    return std::all_of(lines.begin(), lines.end(), [](const QJsonValue& line) { return line.isObject(); });
}

void RLStorageItem::setAside(const QFileInfo& file) {
    const QDir folder(m_path);
    folder.mkpath(damagedFolderName);
    const QString target = folder.filePath(damagedFolderName + QLatin1Char('/') + file.fileName());
    qCWarning(lcStore) << "Set aside the damaged log file" << file.fileName() << "of" << folderName();
    if (!QFile::rename(file.filePath(), target)) {
        m_services.writeFailed(QStringLiteral("cannot set aside ") + file.filePath());
    }
}

void RLStorageItem::sendWithCompletionBlock(RLCompletion completion) {
    if (m_configuration.isEmpty()) {
        if (completion) {
            completion(std::nullopt);
        }
        return;
    }
    if (m_uploading) {
        m_waitingUploads.push_back(std::move(completion));
        return;
    }
    m_uploadCompletions.push_back(std::move(completion));
    rl_startUpload();
}

void RLStorageItem::rl_startUpload() {
    m_uploading = true;
    auto finish = [self = shared_from_this()](const std::optional<RLError>& error) {
        self->rl_finishUpload(error);
    };
    if (sessionId()) {
        rl_sendLogsWithCompletionBlock(finish);
        return;
    }
    rl_sendSessionWithCompletionBlock(
        [self = shared_from_this(), finish](const std::optional<RLError>& error) {
            if (error) {
                finish(error);
                return;
            }
            self->synchronize();
            self->rl_sendLogsWithCompletionBlock(finish);
        });
}

void RLStorageItem::rl_finishUpload(const std::optional<RLError>& error) {
    auto completions = std::exchange(m_uploadCompletions, {});
    m_uploading = false;
    // The finished upload's callers first: what they decide (a spent permission) holds for the next one.
    for (auto& completion : completions) {
        if (completion) {
            completion(error);
        }
    }
    if (m_uploading || m_waitingUploads.empty()) {
        return;
    }
    auto waiting = std::exchange(m_waitingUploads, {});
    if (m_services.sendingAllowed && !m_services.sendingAllowed()) {
        for (auto& completion : waiting) {
            if (completion) {
                completion(std::nullopt);
            }
        }
        return;
    }
    m_uploadCompletions = std::move(waiting);
    rl_startUpload();
}

void RLStorageItem::rl_sendSessionWithCompletionBlock(RLCompletion completion) {
    m_services.api.sendSession(m_session, [self = shared_from_this(),
                                           completion](const std::optional<RLError>& error, qint64 serverId) {
        if (!error) {
            self->setSessionId(serverId);
        }
        completion(error);
    });
}

void RLStorageItem::rl_sendLogsWithCompletionBlock(RLCompletion completion) {
    const auto serverId = sessionId();
    if (!serverId) {
        completion(RLError{RLStorageItemErrorDomain, 409, QStringLiteral("The session has no server id")});
        return;
    }
    // The run's issues go before its lines.
    m_services.issues.sendIssuesWithSessionIdentifier(
        RLObjectIdentifier::objectIdentifierWithLocalId(localSessionId(), quint64(*serverId)),
        [self = shared_from_this(), completion] {
            self->rl_sendNextBatch(self->closedLogFiles(), completion);
        });
}

void RLStorageItem::rl_sendNextBatch(QFileInfoList files, RLCompletion completion) {
    QFileInfoList batch;
    QByteArray joined;
    while (!files.isEmpty()) {
        const QFileInfo file = files.first();
        if (file.size() > maximumLogFileSize) {
            files.removeFirst();
            setAside(file);
            continue;
        }
        if (!batch.isEmpty() && joined.size() + file.size() > maximumBatchSize) {
            break;
        }
        files.removeFirst();
        const platform::RegularFileRead reading =
            platform::readRegularFile(file.filePath(), maximumLogFileSize, platform::Links::refuse);
        if (!reading.ok()) {
            continue; // gone meanwhile (trimmed), or unreadable now: tried again next time
        }
        const auto content = usableLogContent(reading.bytes);
        if (!content) {
            setAside(file);
            continue;
        }
        batch.append(file);
        if (!content->isEmpty()) {
            if (!joined.isEmpty()) {
                joined += ',';
            }
            joined += *content;
        }
    }
    if (joined.isEmpty()) {
        // Empty files stay until a batch with lines takes them along.
        completion(std::nullopt);
        return;
    }
    const qint64 serverId = sessionId().value_or(0);
    RLLogBatch body{serverId,
                    "{\"session_id\":" + QByteArray::number(serverId) + ",\"logs\":[" + joined + "]}"};
    m_services.api.sendLogs(body, [self = shared_from_this(), batch, files = std::move(files),
                                   completion](const std::optional<RLError>& error) {
        if (error && !error->isFinalRejection()) {
            completion(error);
            return;
        }
        for (const QFileInfo& file : batch) {
            if (QFile::remove(file.filePath())) {
                self->m_services.diskSize.reduceLength(quint64(std::max<qint64>(0, file.size())));
            }
        }
        self->rl_sendNextBatch(files, completion);
    });
}

} // namespace remotelog
