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
    // "%1" the customer token, "%2" the tag, under the collector's base: CRASH_COLLECTOR_ENDPOINT, else the
    // build's (by default a host that never resolves).
    static QString defaultEndpoint();
    // At most this many reports wait on disk; older ones give way.
    static constexpr int maximumPendingReports = 20;
    // Older ones are dropped unsent.
    static constexpr int maximumReportAgeDays = 30;

    explicit BulkLogHelper(QString endpoint = defaultEndpoint(),
                           QString pendingFolder = defaultPendingFolder());
    ~BulkLogHelper();
    BulkLogHelper(const BulkLogHelper&) = delete;
    BulkLogHelper& operator=(const BulkLogHelper&) = delete;

    // <XDG cache folder>/<bundle identifier>/crash-reports
    static QString defaultPendingFolder();

    // Adds "version" and "application_type" to `report`, writes it to disk and, unless the process is ending,
    // posts it; returns at once.
    void sendLogs(const QVariantMap& report);
    // Posts the reports left on disk by an earlier run, one after another: the newest 20, none older than
    // 30 days (the rest are dropped).
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
    // Keeps the newest reports within the bounds above.
    void dropStaleReports();
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
