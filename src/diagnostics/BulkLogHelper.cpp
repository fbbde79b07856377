#include "diagnostics/BulkLogHelper.h"

#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/AtomicFile.h"
#include "platform/Bundle.h"
#include "platform/ExceptionHandling.h"
#include "platform/FileAccess.h"
#include "remotelog/RLHttpClient.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <set>

namespace {

// The log collector's customer token of this client.
const QString customerToken = QStringLiteral("3f6c2a9e-8b41-4d07-9c5e-1a7b2d4e6f80");
constexpr qint64 reportSizeLimit = 1024 * 1024;

QStringList reportFiles(const QString& folder) {
    return platform::ownFolderEntries(folder, QDir::Files, {QStringLiteral("*.json")});
}

} // namespace

// What lives on the helper's queue.
struct BulkLogHelper::Sender {
    remotelog::RLHttpClient http;
    std::set<QString> inFlight;
    std::atomic<void*> thread{nullptr};
};

QString BulkLogHelper::defaultEndpoint() {
    QString base = qEnvironmentVariable("CRASH_COLLECTOR_ENDPOINT");
    if (base.isEmpty()) {
        base = QStringLiteral(VELTRIX_CRASH_COLLECTOR_ENDPOINT);
    }
    if (!base.endsWith(QLatin1Char('/'))) {
        base += QLatin1Char('/');
    }
    return base + QStringLiteral("bulk/%1/tag/%2/");
}

BulkLogHelper::BulkLogHelper(QString endpoint, QString pendingFolder)
    : m_endpoint(std::move(endpoint)), m_key(customerToken),
      m_applicationType(GlobalConstants::isSMBApplication ? QStringLiteral("smb")
                                                          : QStringLiteral("personal")),
      m_pendingFolder(std::move(pendingFolder)), m_queue(QStringLiteral("bulklog")),
      m_sender(std::make_shared<Sender>()) {}

BulkLogHelper::~BulkLogHelper() {
    void* thread = m_sender->thread.load();
    if (thread && thread != QThread::currentThread()) {
        // Released on its own thread, or once that thread has ended as the queue goes.
        m_queue.async([sender = std::move(m_sender)]() mutable { sender.reset(); });
    }
}

QString BulkLogHelper::defaultPendingFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(platform::Bundle::main().bundleIdentifier() + QStringLiteral("/crash-reports"));
}

QUrl BulkLogHelper::endpointUrl() const {
    const QUrl url(m_endpoint.arg(m_key, m_tags), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

int BulkLogHelper::pendingReportCount() const {
    return int(reportFiles(m_pendingFolder).size());
}

void BulkLogHelper::sendLogs(const QVariantMap& report) {
    QJsonObject body = QJsonObject::fromVariantMap(report);
    body.insert(QStringLiteral("version"), QStringLiteral("v") + GlobalConstants::bundleShortVersion() +
                                               QLatin1Char('.') + GlobalConstants::bundleVersion());
    body.insert(QStringLiteral("application_type"), m_applicationType);
    const QString file = writeReport(QJsonDocument(body).toJson(QJsonDocument::Compact));
    if (file.isEmpty() || platform::ExceptionHandling::isTerminating()) {
        return; // nothing networks while the process ends: the report goes out at the next start
    }
    post(file);
}

QString BulkLogHelper::writeReport(const QByteArray& body) {
    if (!QDir().mkpath(m_pendingFolder)) {
        return {};
    }
    const QString name =
        QStringLiteral("%1-%2.json")
            .arg(platform::Scheduler::shared().currentDate().toMSecsSinceEpoch(), 13, 10, QLatin1Char('0'))
            .arg(m_sequence.fetch_add(1), 4, 10, QLatin1Char('0'));
    const QString path = QDir(m_pendingFolder).filePath(name);
    if (const platform::AtomicWriteResult written = platform::writeFileAtomically(path, body); !written) {
        vlog::warning(QStringLiteral("Could not keep a crash report: ") + written.errorString);
        return {};
    }
    QStringList waiting = reportFiles(m_pendingFolder);
    while (waiting.size() > maximumPendingReports) {
        QFile::remove(QDir(m_pendingFolder).filePath(waiting.takeFirst()));
    }
    return path;
}

void BulkLogHelper::dropStaleReports() {
    const QDir folder(m_pendingFolder);
    const QDateTime oldest = platform::Scheduler::shared().currentDate().addDays(-maximumReportAgeDays);
    QFileInfoList reports;
    for (const QString& name : reportFiles(m_pendingFolder)) {
        reports.append(QFileInfo(folder.filePath(name)));
    }
    std::sort(reports.begin(), reports.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.lastModified() > b.lastModified(); });
    for (qsizetype i = 0; i < reports.size(); ++i) {
        if (i >= maximumPendingReports || reports[i].lastModified() < oldest) {
            QFile::remove(reports[i].filePath());
        }
    }
}

void BulkLogHelper::sendPendingReports() {
    dropStaleReports();
    for (const QString& name : reportFiles(m_pendingFolder)) {
        post(QDir(m_pendingFolder).filePath(name));
    }
}

void BulkLogHelper::discardPendingReports() {
    for (const QString& name : reportFiles(m_pendingFolder)) {
        QFile::remove(QDir(m_pendingFolder).filePath(name));
    }
}

void BulkLogHelper::post(const QString& file) {
    const QUrl url = endpointUrl();
    if (url.isEmpty()) {
        return;
    }
    m_queue.async([weak = std::weak_ptr<Sender>(m_sender), url, file] {
        auto sender = weak.lock();
        if (!sender || !sender->inFlight.insert(file).second) {
            return;
        }
        sender->thread.store(QThread::currentThread());
        const platform::RegularFileRead reading =
            platform::readRegularFile(file, reportSizeLimit, platform::Links::refuse);
        if (!reading.ok()) {
            using Outcome = platform::RegularFileRead::Outcome;
            if (reading.outcome == Outcome::notRegular || reading.outcome == Outcome::tooLarge) {
                QFile::remove(file); // never one the client wrote: it would never be sent
            }
            sender->inFlight.erase(file);
            return;
        }
        const QByteArray& body = reading.bytes;
        sender->http.post(
            url, {{"Content-Type", "application/json"}}, body,
            [weak, file](const remotelog::RLHttpResponse& response) {
                vlog::info(QStringLiteral("sendLogs to the log collector finished."));
                const bool refused = response.status >= 400 && response.status <= 499 &&
                                     response.status != 408 && response.status != 429;
                if (!response.succeeded()) {
                    vlog::error(QStringLiteral("sendLogs to the log collector finished, but with Error"));
                }
                if (response.succeeded() || refused) {
                    QFile::remove(file);
                }
                if (auto sender = weak.lock()) {
                    sender->inFlight.erase(file);
                }
            });
    });
}
