#pragma once

#include "platform/Scheduler.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <atomic>
#include <memory>

namespace remotelog {
class RLHttpClient;
}

// Ships exception reports to the log collector's bulk endpoint. Each report is first written to disk
// (atomically), then posted from a thread of its own; one the post did not deliver (offline, the process
// ending) waits on disk for the next start. The service layer makes one and keeps it.
class BulkLogHelper {
public:
    // "%1" the customer token, "%2" the tag. The host never resolves: a collector is configured per build.
    static inline const QString defaultEndpoint = QStringLiteral("https://logs.veltrix.example/bulk/%1/tag/%2/");
    // At most this many reports wait on disk; older ones give way.
    static constexpr int maximumPendingReports = 20;

    explicit BulkLogHelper(QString endpoint = defaultEndpoint, QString pendingFolder = defaultPendingFolder());
    ~BulkLogHelper();
    BulkLogHelper(const BulkLogHelper&) = delete;
    BulkLogHelper& operator=(const BulkLogHelper&) = delete;

    // <XDG cache folder>/<bundle identifier>/crash-reports
    static QString defaultPendingFolder();

    // Adds "version" and "application_type" to `report`, writes it to disk and, unless the process is ending,
    // posts it; returns at once.
    void sendLogs(const QVariantMap& report);
    // Posts the reports left on disk by an earlier run, one after another.
    void sendPendingReports();
    // Deletes them unsent (crash reports are no longer allowed).
    void discardPendingReports();
    int pendingReportCount() const;

    const QString& BULKLOG_ENPOINT() const { return m_endpoint; }
    const QString& bulkLogKey() const { return m_key; }
    const QString& bulkLogTags() const { return m_tags; }
    const QString& bulklog_applycation_type() const { return m_applicationType; }
    // The endpoint filled with the key and the tag; invalid when that is no http(s) URL.
    QUrl endpointUrl() const;

private:
    struct Sender;

    QString writeReport(const QByteArray& body);
    void post(const QString& file);

    const QString m_endpoint;
    const QString m_key;
    const QString m_tags = QStringLiteral("OSX");
    const QString m_applicationType;
    const QString m_pendingFolder;
    std::atomic<quint64> m_sequence{0};

    // The queue's thread holds the network access manager; the sender goes before the queue.
    platform::DispatchQueue m_queue;
    std::shared_ptr<Sender> m_sender;
};
