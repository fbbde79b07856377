#include "core/AUUpdater.h"

#include "core/Log.h"
#include "core/UpdateResponse.h"
#include "platform/AtomicFile.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Shell.h"
#include "platform/Timer.h"
#include "platform/TlsTrust.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <QCoreApplication>
#include <QEvent>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

void AUUpdaterDelegate::updaterDidChangeState(AUUpdater&, int) {}
void AUUpdaterDelegate::updaterDidChangeProgress(AUUpdater&, double) {}

namespace {

using Clock = platform::Scheduler::Clock;

// Bytes Qt may hold for the reply before we read them: a slow disk never makes the download pile up in
// memory.
constexpr qint64 kReplyBuffer = 1024 * 1024;
constexpr qint64 kReadChunk = 256 * 1024;
// A stream slower than half a buffer per interval is held: Qt passes on a byte and keeps the rest in its
// network thread, so this thread wakes a few times an interval instead of once a piece. A faster one is read
// as it comes.
constexpr qint64 kHeldBuffer = 1;
// What Qt's network thread takes to pass a released backlog on. It does so piece by piece as it decrypts: a
// thread waiting in its event loop would wake for each, one that sleeps this long finds them all queued.
constexpr unsigned long kBacklogMicroseconds = 2000;
constexpr auto kHoldInterval = std::chrono::milliseconds(100);
constexpr qint64 kHeldRate = kReplyBuffer / 2; // bytes per interval
constexpr int kMaximumRedirects = 5;
// Progress reaches the main thread at most this often: the sheet's bar moves a pixel per megabyte or so.
constexpr double kProgressInterval = 0.1;

Clock::rep ticksNow() {
    return platform::Scheduler::shared().now().time_since_epoch().count();
}

// Updaters whose transfer thread runs; main thread only.
std::vector<AUUpdater*>& updatersWithThreads() {
    static std::vector<AUUpdater*> updaters;
    return updaters;
}
bool stopsWithTheApplication = false;

} // namespace

// What the transfer thread and the main thread share. The updater's state changes on the main thread only;
// the atomics let any thread read it, and carry the transfer's running count and last activity across.
struct AUUpdater::Shared {
    AUUpdater* owner = nullptr; // main thread only; null once the updater is gone
    std::atomic<int> state{idle};
    std::atomic<bool> critical{false};
    std::atomic<qint64> totalBytes{0};
    std::atomic<qint64> downloadedBytes{0};
    std::atomic<qint64> attempts{0};
    // The number of the current attempt; reports of any other are stale and dropped.
    std::atomic<std::uint64_t> generation{0};
    // Written by the transfer thread as data arrives.
    std::atomic<qint64> received{0};
    std::atomic<Clock::rep> lastActivity{0};
    std::atomic<bool> progressPosted{false};
    std::atomic<qint64> sizeLimit{AUUpdater::maximumPackageBytes};
    // Held while the package is put in place and while an attempt is dropped, so a cancel either comes
    // first and nothing is put in place, or comes second and knows the package is there.
    std::mutex commitMutex;
    std::uint64_t committedGeneration = 0; // under commitMutex

    // Runs `step` on the main queue while the updater exists.
    static void onMain(const std::shared_ptr<Shared>& shared, std::function<void(AUUpdater&)> step) {
        platform::DispatchQueue::main().async([shared, step = std::move(step)] {
            if (AUUpdater* owner = shared->owner) {
                step(*owner);
            }
        });
    }
};

// The transfer itself, on the updater's thread: one reply at a time, streamed into an AtomicFile.
class AUUpdater::Transfer : public QObject {
public:
    explicit Transfer(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {
        m_release.setSingleShot(true);
        m_release.setInterval(kHoldInterval);
        connect(&m_release, &QTimer::timeout, this, [this] { release(); });
    }
    ~Transfer() override {
        stop();
        std::lock_guard lock(m_inboxMutex); // what the last posts left, dropped under the lock they used
        m_inbox.clear();
    }

    // Runs `task` on the transfer's thread. The task travels through a queue of our own and Qt's event only
    // wakes the thread, so what the task carries is handed over under a lock that thread checkers see.
    void post(std::function<void(Transfer&)> task) {
        {
            std::lock_guard lock(m_inboxMutex);
            m_inbox.push_back(std::move(task));
        }
        QCoreApplication::postEvent(this, new QEvent(inboxEvent()));
    }

    void start(std::uint64_t generation, const QString& host, const QString& destination) {
        stop();
        m_generation = generation;
        m_responded = false;
        m_refusedStatus = 0;
        m_total = 0;
        m_received = 0;
        m_shared->received = 0;
        const auto url = updates::packageUrl(host);
        if (!url) {
            fail(QStringLiteral("the package address is not an https or file URL"));
            return;
        }
        const QFileInfo target(destination);
        if (destination.isEmpty() || !QDir().mkpath(target.absolutePath())) {
            fail(QStringLiteral("the package folder cannot be made"));
            return;
        }
        m_file = std::make_unique<platform::AtomicFile>(target.absoluteFilePath());
        if (!m_file->open()) {
            fail(QStringLiteral("the package cannot be written: ") + m_file->errorString());
            return;
        }
        m_redirects = 0;
        request(*url);
    }
    // Drops the current transfer and its temporary file without a report.
    void stop() {
        if (m_reply) {
            dropReply();
        }
        if (m_file) {
            m_file->cancel();
            m_file.reset(); // removes the temporary file
        }
    }

    void stop(std::uint64_t generation) {
        if (generation == m_generation) {
            stop();
        }
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() != inboxEvent()) {
            return QObject::event(event);
        }
        std::deque<std::function<void(Transfer&)>> tasks;
        {
            std::lock_guard lock(m_inboxMutex);
            tasks.swap(m_inbox);
        }
        for (auto& task : tasks) {
            task(*this);
        }
        return true;
    }

private:
    // Redirects are followed here, each with a reply of its own: Qt, following them itself, could leave the
    // redirect's headers (its length among them) on the final answer.
    void request(const QUrl& url) {
        if (!m_manager) {
            m_manager = new QNetworkAccessManager(this);
        }
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        // Asked for as stored and kept as received: Qt decodes nothing when the header is ours.
        request.setRawHeader("Accept-Encoding", "identity");
        if (url.scheme() == QLatin1String("https")) {
            request.setSslConfiguration(platform::tlsConfiguration());
        }
        m_current = url;
        m_reply = m_manager->get(request);
        m_reply->setReadBufferSize(kReplyBuffer);
        m_holding = false;
        m_releasing = false;
        startWindow();
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { onResponse(); });
        connect(m_reply, &QNetworkReply::readyRead, this, [this] { onData(); });
        connect(m_reply, &QNetworkReply::finished, this, [this] { onFinished(); });
    }

    void dropReply() {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        m_release.stop();
        disconnect(reply, nullptr, this, nullptr);
        if (reply->isRunning() && reply->error() == QNetworkReply::NoError) {
            reply->abort();
        }
        reply->deleteLater();
    }

    // Sends the next request to the redirect's target, or fails; false either way for the current reply.
    bool followRedirect(int status) {
        const QUrl location = m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (location.isEmpty()) {
            m_refusedStatus = status; // a 3xx without a target (304 and the like) is no package
            return false;
        }
        if (++m_redirects > kMaximumRedirects) {
            fail(QStringLiteral("more than %1 redirects").arg(kMaximumRedirects));
            return false;
        }
        const QUrl target = m_current.resolved(location);
        if (!updates::isAllowedRedirect(m_current, target)) {
            fail(QStringLiteral("a redirect to another scheme or host kind was refused"));
            return false;
        }
        dropReply();
        request(target);
        return false;
    }

    static QEvent::Type inboxEvent() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    bool isHttp() const { return m_current.scheme().startsWith(QLatin1String("http")); }

    void fail(const QString& reason) {
        vlog::warning(QStringLiteral("Update download failed: ") + reason);
        stop();
        const std::uint64_t generation = m_generation;
        Shared::onMain(m_shared, [generation](AUUpdater& updater) { updater.onTransferFailed(generation); });
    }

    // The final answer's status and headers; true while the transfer goes on.
    bool onResponse() {
        if (m_refusedStatus || !m_reply) {
            return false;
        }
        if (m_responded) {
            return true;
        }
        bool critical = false;
        if (isHttp()) {
            const QVariant statusValue = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!statusValue.isValid()) {
                return true;
            }
            const int status = statusValue.toInt();
            if (status >= 300 && status < 400) {
                return followRedirect(status);
            }
            if (status < 200 || status >= 300) {
                // Qt ends such a reply with its own error; aborting it as well only makes Qt warn.
                m_refusedStatus = status;
                return false;
            }
            critical = updates::isCriticalDisposition(m_reply->rawHeader("Content-Disposition"));
            m_total = updates::contentLength(m_reply->rawHeader("Content-Length"));
            if (m_total > m_shared->sizeLimit) {
                fail(QStringLiteral("the package announces %1 bytes, over the limit of %2")
                         .arg(m_total)
                         .arg(m_shared->sizeLimit.load()));
                return false;
            }
        }
        m_responded = true;
        const std::uint64_t generation = m_generation;
        const qint64 total = m_total;
        Shared::onMain(m_shared, [generation, critical, total](AUUpdater& updater) {
            if (updater.m_shared->generation != generation || updater.state() != downloading) {
                return;
            }
            updater.m_shared->critical = critical;
            updater.m_shared->totalBytes = total;
            updater.m_shared->downloadedBytes = 0;
            updater.post([](AUUpdater& self, AUUpdaterDelegate* delegate) {
                if (delegate) {
                    delegate->updaterDidChangeProgress(self, self.progress());
                }
            });
        });
        return true;
    }

    // A stream read as it comes is read in bites of `kReadChunk` (and whatever is left at the end): each read
    // wakes Qt's network thread to say the buffer has room again. What arrived counts for the progress and
    // the time limits at once.
    void onData(bool everything = false) {
        if (!onResponse() || !m_responded) {
            return;
        }
        const qint64 limit = m_total > 0 ? m_total : m_shared->sizeLimit.load();
        if (m_received + m_reply->bytesAvailable() > limit) {
            fail(QStringLiteral("the server sent more than %1 bytes").arg(limit));
            return;
        }
        if (everything) {
            m_release.stop();
            if (!drain(1)) {
                return;
            }
        } else if (m_releasing) {
            // What Qt kept while the stream was held, let out by the release.
            m_releasing = false;
            const qint64 backlog = m_reply->bytesAvailable();
            if (!drain(1)) {
                return;
            }
            if (backlog < kHeldRate) {
                hold();
            } else {
                startWindow();
            }
        } else if (!m_holding) {
            if (!drain(kReadChunk)) {
                return;
            }
            paceWindow();
        }
        noteArrival();
    }

    void startWindow() {
        m_windowStart = std::chrono::steady_clock::now();
        m_windowSeen = m_received + m_reply->bytesAvailable();
    }

    // A window of at least an interval that saw less than the held rate holds the stream.
    void paceWindow() {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_windowStart);
        if (elapsed < kHoldInterval) {
            return;
        }
        const bool slow = (m_received + m_reply->bytesAvailable() - m_windowSeen) * kHoldInterval.count() <
                          kHeldRate * elapsed.count();
        startWindow();
        if (slow) {
            hold();
        }
    }

    void hold() {
        m_holding = true;
        m_reply->setReadBufferSize(kHeldBuffer);
        m_release.start();
    }

    // Opens the buffer again and reads what waits; Qt's backlog follows.
    void release() {
        if (!m_reply) {
            return;
        }
        m_holding = false;
        m_releasing = true;
        m_reply->setReadBufferSize(kReplyBuffer);
        if (drain(1)) {
            noteArrival();
            QThread::usleep(kBacklogMicroseconds);
        }
    }

    bool drain(qint64 atLeast) {
        while (m_reply->bytesAvailable() >= atLeast) {
            const QByteArray chunk = m_reply->read(kReadChunk);
            if (chunk.isEmpty()) {
                break;
            }
            if (!m_file->write(chunk)) {
                fail(QStringLiteral("the package cannot be written: ") + m_file->errorString());
                return false;
            }
            m_received += chunk.size();
        }
        return true;
    }

    void noteArrival() {
        m_shared->received = m_received + m_reply->bytesAvailable();
        m_shared->lastActivity = ticksNow();
        if (!m_shared->progressPosted.exchange(true)) {
            const std::uint64_t generation = m_generation;
            Shared::onMain(m_shared,
                           [generation](AUUpdater& updater) { updater.onTransferProgress(generation); });
        }
    }

    void onFinished() {
        QNetworkReply* const finishing = m_reply;
        if (!finishing) {
            return;
        }
        if (m_refusedStatus) {
            fail(QStringLiteral("the server answered %1").arg(m_refusedStatus));
            return;
        }
        if (m_reply->error() != QNetworkReply::NoError) {
            fail(m_reply->errorString());
            return;
        }
        onData(true);
        if (m_reply != finishing) {
            return; // failed, or gone on to a redirect's target
        }
        if (!m_responded) {
            fail(QStringLiteral("the server sent no answer"));
            return;
        }
        // Qt can end a reply that a close or reset cut short without an error.
        if (m_total > 0 && m_received != m_total) {
            fail(QStringLiteral("%1 of %2 bytes arrived").arg(m_received).arg(m_total));
            return;
        }
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        reply->deleteLater();
        std::unique_lock commitLock(m_shared->commitMutex);
        if (m_shared->generation != m_generation) {
            commitLock.unlock();
            stop(); // cancelled as the last bytes came
            return;
        }
        const bool committed = m_file->commit();
        if (committed) {
            m_shared->committedGeneration = m_generation;
        }
        commitLock.unlock();
        const QString error = m_file->errorString();
        m_file.reset();
        if (!committed) {
            fail(QStringLiteral("the package could not be put in place: ") + error);
            return;
        }
        const std::uint64_t generation = m_generation;
        Shared::onMain(m_shared,
                       [generation](AUUpdater& updater) { updater.onTransferFinished(generation); });
    }

    std::shared_ptr<Shared> m_shared;
    std::mutex m_inboxMutex;
    std::deque<std::function<void(Transfer&)>> m_inbox;
    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<platform::AtomicFile> m_file;
    QUrl m_current;
    std::uint64_t m_generation = 0;
    bool m_responded = false;
    int m_refusedStatus = 0;
    int m_redirects = 0;
    qint64 m_total = 0;
    qint64 m_received = 0;
    QTimer m_release{this}; // moves to the transfer's thread with it
    bool m_holding = false;
    bool m_releasing = false;
    std::chrono::steady_clock::time_point m_windowStart;
    qint64 m_windowSeen = 0; // received and available when the window began
};

std::unique_ptr<AUUpdater> AUUpdater::updaterWithBundle(const platform::Bundle& bundle, const QString& host,
                                                        const QString& destination, const QString& channel,
                                                        qint64 percentile) {
    return std::make_unique<AUUpdater>(bundle, host, destination, channel, percentile);
}

AUUpdater::AUUpdater(const platform::Bundle& bundle, QString host, QString destination, QString channel,
                     qint64 percentile)
    : m_bundlePath(bundle.bundlePath()),
      m_scriptsPath(QDir(bundle.resourcePath()).filePath(QStringLiteral("scripts"))), m_host(std::move(host)),
      m_destination(std::move(destination)), m_channel(std::move(channel)), m_percentile(percentile),
      m_shared(std::make_shared<Shared>()) {
    m_shared->owner = this;
}

AUUpdater::~AUUpdater() {
    m_shared->owner = nullptr;
    if (m_retryTimer) {
        m_retryTimer->invalidate();
    }
    if (m_inactivityTimer) {
        m_inactivityTimer->invalidate();
    }
    if (m_progressTimer) {
        m_progressTimer->invalidate();
    }
    stopThread();
}

void AUUpdater::stopThread() {
    if (!m_thread) {
        return;
    }
    std::erase(updatersWithThreads(), this);
    m_transfer->post([](Transfer& transfer) { transfer.stop(); });
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_transfer = nullptr; // deleted on its thread as that finished
}

// An updater may outlive the application (the silent update's lives as long as the process), but its thread
// must not: Qt Network working on while the application and Qt's globals are torn down crashes the exit.
// What was under way is dropped without a report.
void AUUpdater::stopThreadsBeforeTheApplicationEnds() {
    stopsWithTheApplication = false;
    const std::vector<AUUpdater*> updaters = updatersWithThreads();
    for (AUUpdater* updater : updaters) {
        updater->dropAttempt();
        updater->m_shared->attempts = 0;
        updater->m_shared->state = idle;
        if (updater->m_retryTimer) {
            updater->m_retryTimer->invalidate();
        }
        updater->stopThread();
    }
}

AUUpdaterDelegate* AUUpdater::delegate() const {
    return m_delegate ? *m_delegate : nullptr;
}

void AUUpdater::setDelegate(AUUpdaterDelegate* delegate) {
    m_delegate = delegate ? delegate->m_self : nullptr;
}

int AUUpdater::state() const {
    return m_shared->state;
}
bool AUUpdater::isCritical() const {
    return m_shared->critical;
}
qint64 AUUpdater::totalBytes() const {
    return m_shared->totalBytes;
}
qint64 AUUpdater::downloadedBytes() const {
    return m_shared->downloadedBytes;
}
qint64 AUUpdater::attemptsIfDownloadFailed() const {
    return m_shared->attempts;
}
double AUUpdater::progress() const {
    return updates::progressFraction(downloadedBytes(), totalBytes());
}

void AUUpdater::post(std::function<void(AUUpdater&, AUUpdaterDelegate*)> report) const {
    Shared::onMain(m_shared,
                   [report = std::move(report)](AUUpdater& updater) { report(updater, updater.delegate()); });
}

void AUUpdater::reportState(int state) const {
    post([state](AUUpdater& updater, AUUpdaterDelegate* delegate) {
        if (delegate) {
            delegate->updaterDidChangeState(updater, state);
        }
    });
}

void AUUpdater::ensureThread() {
    if (m_thread) {
        return;
    }
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("AutoUpdate.UpdateQueue"));
    m_transfer = new Transfer(m_shared);
    m_transfer->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_transfer, &QObject::deleteLater);
    m_thread->start();
    updatersWithThreads().push_back(this);
    if (!stopsWithTheApplication) {
        qAddPostRoutine(&AUUpdater::stopThreadsBeforeTheApplicationEnds);
        stopsWithTheApplication = true;
    }
}

void AUUpdater::downloadUpdate() {
    if (state() == downloading) {
        return; // one transfer at a time; the time limits end one that hangs
    }
    if (m_retryTimer) {
        m_retryTimer->invalidate();
    }
    m_shared->attempts = 0;
    m_shared->state = idle;
    checkForUpdates();
}

void AUUpdater::checkForUpdates() {
    if (state() != idle) {
        return;
    }
    m_shared->state = downloading;
    m_shared->critical = false;
    m_shared->totalBytes = 0;
    m_shared->downloadedBytes = 0;
    m_shared->received = 0;
    m_shared->progressPosted = false;
    m_startedAt = platform::Scheduler::shared().now();
    m_shared->lastActivity = m_startedAt.time_since_epoch().count();
    const std::uint64_t generation = ++m_shared->generation;
    m_wishPending = false;
    // The address without what may be private in it.
    vlog::info(
        QStringLiteral("Update download started: ") +
        QUrl(m_host).adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString());
    reportState(downloading);
    ensureThread();
    m_transfer->post([generation, host = m_host, destination = m_destination](Transfer& transfer) {
        transfer.start(generation, host, destination);
    });
    armInactivityTimer(generation, inactivityTimeout);
}

void AUUpdater::setSizeLimit(qint64 bytes) {
    m_shared->sizeLimit = bytes;
}

void AUUpdater::dropAttempt() {
    bool committed = false;
    {
        std::lock_guard lock(m_shared->commitMutex);
        committed = m_shared->committedGeneration == m_shared->generation;
        ++m_shared->generation;
    }
    if (m_progressTimer) {
        m_progressTimer->invalidate();
    }
    if (m_inactivityTimer) {
        m_inactivityTimer->invalidate();
    }
    m_wishPending = false;
    if (committed) {
        QFile::remove(m_destination); // complete, but nobody will be told of it
    }
}

void AUUpdater::armInactivityTimer(std::uint64_t generation, double seconds) {
    if (m_inactivityTimer) {
        m_inactivityTimer->invalidate();
    }
    std::weak_ptr<Shared> weak = m_shared;
    m_inactivityTimer = platform::Timer::scheduledTimer(seconds, false, [weak, generation](platform::Timer&) {
        if (const auto shared = weak.lock(); shared && shared->owner) {
            shared->owner->onInactivityTimer(generation);
        }
    });
}

// One timer for both limits: fifteen seconds without data, and fewer bytes than the slowest acceptable
// rate brings once the grace has passed, so a package of any size finishes within a time of its size or
// fails. When it fires early it waits out the nearer of the two from what has arrived since.
void AUUpdater::onInactivityTimer(std::uint64_t generation) {
    if (m_shared->generation != generation || state() != downloading) {
        return;
    }
    const auto now = platform::Scheduler::shared().now();
    const auto quiet = now - Clock::time_point(Clock::duration(m_shared->lastActivity));
    const double quietSeconds = std::chrono::duration<double>(quiet).count();
    const double elapsed = std::chrono::duration<double>(now - m_startedAt).count();
    const double allowed = slowDownloadGrace + static_cast<double>(m_shared->received) / slowestRate;
    QString reason;
    if (quietSeconds >= inactivityTimeout) {
        reason = QStringLiteral("nothing arrived for %1 seconds").arg(inactivityTimeout);
    } else if (elapsed >= allowed) {
        reason = QStringLiteral("%1 bytes in %2 seconds is slower than the slowest acceptable rate")
                     .arg(m_shared->received.load())
                     .arg(elapsed, 0, 'f', 0);
    } else {
        armInactivityTimer(generation, std::min(inactivityTimeout - quietSeconds, allowed - elapsed));
        return;
    }
    vlog::warning(QStringLiteral("Update download failed: ") + reason);
    m_transfer->post([generation](Transfer& transfer) { transfer.stop(generation); });
    onTransferFailed(generation);
}

// The transfer posts once until this has run; reports then follow at most every `kProgressInterval`
// while data keeps coming, so the main thread wakes for progress no more than ten times a second.
void AUUpdater::onTransferProgress(std::uint64_t generation) {
    if (m_shared->generation != generation || state() != downloading) {
        m_shared->progressPosted = false;
        return;
    }
    reportProgress();
    std::weak_ptr<Shared> weak = m_shared;
    m_progressTimer =
        platform::Timer::scheduledTimer(kProgressInterval, false, [weak, generation](platform::Timer&) {
            const auto shared = weak.lock();
            if (!shared || !shared->owner) {
                return;
            }
            shared->progressPosted = false;
            if (shared->received != shared->downloadedBytes && !shared->progressPosted.exchange(true)) {
                shared->owner->onTransferProgress(generation);
            }
        });
}

void AUUpdater::reportProgress() {
    const qint64 received = m_shared->received;
    if (received == m_shared->downloadedBytes) {
        return;
    }
    m_shared->downloadedBytes = received;
    post([](AUUpdater& updater, AUUpdaterDelegate* delegate) {
        if (delegate) {
            delegate->updaterDidChangeProgress(updater, updater.progress());
        }
    });
}

void AUUpdater::onTransferFinished(std::uint64_t generation) {
    if (m_shared->generation != generation || state() != downloading) {
        return;
    }
    if (m_inactivityTimer) {
        m_inactivityTimer->invalidate();
    }
    if (m_progressTimer) {
        m_progressTimer->invalidate();
    }
    {
        std::lock_guard lock(m_shared->commitMutex);
        m_shared->committedGeneration = 0; // handed over: a later cancel leaves it to the delegate
    }
    reportProgress();
    vlog::info(QStringLiteral("Update download finished: %1 bytes").arg(m_shared->downloadedBytes.load()));
    m_shared->attempts = 0;
    m_shared->state = downloaded;
    reportState(downloaded);
    const bool critical = isCritical();
    m_wishPending = true;
    post([critical, generation](AUUpdater& updater, AUUpdaterDelegate* delegate) {
        if (updater.m_shared->generation != generation || !std::exchange(updater.m_wishPending, false)) {
            return; // cancelled first
        }
        if (delegate) {
            delegate->updaterWantsToInstallUpdateWithCriticalStatus(updater, critical);
        }
    });
}

void AUUpdater::onTransferFailed(std::uint64_t generation) {
    if (m_shared->generation != generation || state() != downloading) {
        return;
    }
    dropAttempt(); // whatever the failed attempt still sends is stale
    m_shared->totalBytes = 0;
    m_shared->downloadedBytes = 0;
    m_shared->state = idle;
    reportState(idle);
    if (m_shared->attempts < 1) {
        ++m_shared->attempts;
        vlog::info(QStringLiteral("Update download retried in %1 seconds").arg(m_interval));
        std::weak_ptr<Shared> weak = m_shared;
        m_retryTimer = platform::Timer::scheduledTimer(m_interval, false, [weak](platform::Timer&) {
            if (const auto shared = weak.lock(); shared && shared->owner) {
                shared->owner->checkForUpdates();
            }
        });
        return;
    }
    m_shared->attempts = 0;
    reportState(failed);
}

// Wins over whatever the transfer does meanwhile: a package put in place as the cancel came, or one whose
// wish to install is still on its way, is removed and never offered.
void AUUpdater::cancelUpdateDownload() {
    const bool transferring = state() == downloading;
    const bool retryPending = m_retryTimer && m_retryTimer->isValid();
    const bool offerPending = state() == downloaded && m_wishPending;
    if (!transferring && !retryPending && !offerPending) {
        return;
    }
    if (offerPending) {
        QFile::remove(m_destination);
    }
    dropAttempt();
    m_shared->attempts = 0;
    if (m_retryTimer) {
        m_retryTimer->invalidate();
    }
    if (!transferring && !offerPending) {
        return;
    }
    if (transferring) {
        m_transfer->post([](Transfer& transfer) { transfer.stop(); });
        vlog::info(QStringLiteral("Update download cancelled"));
    }
    m_shared->totalBytes = 0;
    m_shared->downloadedBytes = 0;
    m_shared->state = idle;
    reportState(idle);
}

void AUUpdater::deleteDownloadedUpdate() {
    QFile::remove(m_destination);
}

void AUUpdater::installUpdate(const QString& path) {
    if (state() != downloaded) {
        return;
    }
    m_shared->state = installing;
    m_shared->totalBytes = 0;
    m_shared->downloadedBytes = 0;
    reportState(installing);

    const QString script = QDir(m_scriptsPath).filePath(QStringLiteral("install-update"));
    if (!QFileInfo(script).isExecutable()) {
        vlog::warning(QStringLiteral("Bundle script missing: install-update"));
        return;
    }
    const QProcessEnvironment inherited = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment environment;
    for (const char* name : {"PATH", "USER", "HOME", "SHELL"}) {
        const QString key = QString::fromLatin1(name);
        if (inherited.contains(key)) {
            environment.insert(key, inherited.value(key));
        }
    }
    platform::ShellOptions options;
    options.timeLimitSeconds = installTimeLimit;
    options.environment = environment;
    platform::Shell::run(
        script, {path, m_bundlePath}, platform::DispatchQueue::global(),
        [](const platform::ShellResult& result) {
            if (!result.succeeded()) {
                vlog::warning(QStringLiteral("install-update did not install the package (exit status %1)")
                                  .arg(result.exitCode));
            }
        },
        options);
}
