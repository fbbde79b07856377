#pragma once

#include "remotelog/RLApiClient.h"
#include "remotelog/RLSystemUtils.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfoList>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace remotelog {

class RLIssueManager;

inline const QString RLStorageItemErrorDomain = QStringLiteral("RLStorageItemErrorDomain");

// The device snapshot taken once per run.
struct RLSession {
    int orientation = 0;
    double batteryLevel = 1.0;
    QString language;
    QString timezone;
    QDateTime date;
    RLRamState ramState;

    // Reads memory, battery, language and time zone; `now` becomes the date.
    void refreshSessionStatus(const QDateTime& now);
};

// What a session folder needs of the library around it.
struct RLStoreServices {
    RLDiskSize& diskSize;
    RLApiClient& api;
    RLIssueManager& issues;
    // Told about each write that failed (the cache folder read-only or full); the lines are dropped.
    std::function<void(const QString& what)> writeFailed;
    // Asked before an upload that waited for another one starts: a permission to send once is spent by
    // the upload it was given for. Unset: always.
    std::function<bool()> sendingAllowed = {};
};

// One run's folder: closed log files in "logs", the open one "logs.tmp", "config.json" (ids) and
// "session.json" (the device snapshot), and the upload of all of it: the session first, then the run's
// issues, then its log lines. Used on the library's queue only.
class RLStorageItem : public std::enable_shared_from_this<RLStorageItem> {
public:
    // Opens the folder, making it when missing; lines left in "logs.tmp" by an earlier run are closed into
    // "logs". A "config.json" that cannot be read is rebuilt from the folder's name.
    static std::shared_ptr<RLStorageItem> open(const QString& folder, const RLStoreServices& services);
    ~RLStorageItem();

    // Lines larger than this (or a file of them) are never sent; such files are set aside.
    static constexpr qint64 maximumLogFileSize = 8 * 1024 * 1024;
    // A log batch carries at most this many bytes of files (at least one file); the rest follows.
    static constexpr qint64 maximumBatchSize = 4 * 1024 * 1024;
    static inline const QString damagedFolderName = QStringLiteral("logs.damaged");

    const QString& path() const { return m_path; }
    QString folderName() const;
    // The local session id a run folder's name carries ("session-<id>").
    static std::optional<quint64> localSessionIdOfFolder(const QString& folderName);
    bool isUsable() const { return m_usable; }

    const QJsonObject& configuration() const { return m_configuration; }
    void setConfiguration(const QJsonObject& configuration);
    const QJsonObject& session() const { return m_session; }
    void setSession(const QJsonObject& session);
    // The server's id, once the session went out.
    std::optional<qint64> sessionId() const;
    void setSessionId(qint64 sessionId);
    quint64 localSessionId();

    // Adds a line behind the lines held (",\n" between lines); returns the bytes it adds to the file.
    qint64 appendLine(const QByteArray& line);
    // Writes the lines held in one write and flushes them to disk once.
    bool flushLines();
    // One line at once.
    bool writeLine(const QByteArray& line);
    // Flushes the lines, then writes both JSON files (atomically).
    bool synchronize();
    // Closes the current file into "logs" (named after the monotonic clock); the next line opens a new one.
    void nextLogFile();
    // Deletes the oldest closed log file that holds something; false when there is none.
    bool deleteOldLog();
    bool hasLogs() const;
    // Bytes in "logs.tmp" with the lines held.
    qint64 currentFileSize() const { return m_fileSize + m_pendingLines.size(); }
    // The closed log files, oldest first (by modification time).
    QFileInfoList closedLogFiles() const;

    // Uploads the folder; one upload runs at a time, a later one follows it. Completes without a request when
    // the configuration is empty.
    void sendWithCompletionBlock(RLCompletion completion);

    // The part of a log file's content that can be sent: all of it, or all but a last line a crash cut;
    // nothing when it does not parse even then.
    static std::optional<QByteArray> usableLogContent(const QByteArray& content);
    // Whether `content` is log lines: JSON objects separated by commas.
    static bool parsesAsLogLines(const QByteArray& content);

private:
    RLStorageItem(QString folder, const RLStoreServices& services);

    bool rl_writeSessionData();
    bool rl_writeConfigurationData();
    void rl_startUpload();
    void rl_finishUpload(const std::optional<RLError>& error);
    void rl_sendSessionWithCompletionBlock(RLCompletion completion);
    void rl_sendLogsWithCompletionBlock(RLCompletion completion);
    void rl_sendNextBatch(QFileInfoList files, RLCompletion completion);
    void setAside(const QFileInfo& file);
    bool openCurrentFile();

    const QString m_path;
    const QString m_logsPath;
    const QString m_logsTempFilePath;
    const QString m_configurationFilePath;
    const QString m_sessionFilePath;
    RLStoreServices m_services;
    bool m_usable = false;

    QFile m_logsFile;
    qint64 m_fileSize = 0;
    QByteArray m_pendingLines;

    quint64 m_localSessionId = 0;
    QJsonObject m_configuration;
    QJsonObject m_session;

    bool m_uploading = false;
    std::vector<RLCompletion> m_uploadCompletions;
    std::vector<RLCompletion> m_waitingUploads;
};

} // namespace remotelog
