#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <cmath>

namespace platform {

namespace detail {

// A thread with its own event loop and a context object living on it, so that queued calls and timers
// run there in the order they were posted.
class QueueThread {
public:
    explicit QueueThread(const QString& name) : m_thread(new QThread), m_context(new QObject) {
        m_thread->setObjectName(name);
        m_context->moveToThread(m_thread);
        m_thread->start();
    }
    ~QueueThread() {
        m_thread->quit();
        if (QThread::currentThread() == m_thread) {
            // The queue was released by one of its own tasks: the thread cannot wait for itself.
            QObject::connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
            QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
            return;
        }
        m_thread->wait();
        delete m_context;
        delete m_thread;
    }
    QueueThread(const QueueThread&) = delete;
    QueueThread& operator=(const QueueThread&) = delete;

    QObject* context() const { return m_context; }

private:
    QThread* m_thread;
    QObject* m_context;
};

} // namespace detail

namespace {

int toTimerMilliseconds(std::chrono::nanoseconds delay) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(delay).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, std::numeric_limits<int>::max()));
}

// Runs `task` on the thread of `context` after `delay`. Timers are started on that thread, never on the
// posting one, which may have no event loop; posted from that thread (a repeating timer's next step), the
// timer starts at once, without a round through the event queue.
void postToContext(QObject* context, Task task, std::chrono::nanoseconds delay) {
    const int ms = toTimerMilliseconds(delay);
    if (ms == 0) {
        QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
        return;
    }
    if (QThread::currentThread() == context->thread()) {
        QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(task));
        return;
    }
    QMetaObject::invokeMethod(
        context,
        [context, ms, task = std::move(task)]() mutable {
            QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(task));
        },
        Qt::QueuedConnection);
}

class QtScheduler final : public Scheduler {
public:
    void post(const DispatchQueue& queue, Task task, std::chrono::nanoseconds delay) override {
        switch (queue.kind()) {
        case DispatchQueue::Kind::main:
            if (auto* app = QCoreApplication::instance()) {
                postToContext(app, std::move(task), delay);
            }
            return;
        case DispatchQueue::Kind::serial:
            postToContext(queue.thread()->context(), std::move(task), delay);
            return;
        case DispatchQueue::Kind::global:
            if (toTimerMilliseconds(delay) == 0) {
                QThreadPool::globalInstance()->start(std::move(task));
                return;
            }
            postToContext(
                timers().context(),
                [task = std::move(task)]() mutable { QThreadPool::globalInstance()->start(std::move(task)); },
                delay);
            return;
        }
    }

    Clock::time_point now() const override { return Clock::now(); }
    QDateTime currentDate() const override { return QDateTime::currentDateTime(); }
    qint64 currentMSecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
    bool isMainThread() const override {
        auto* app = QCoreApplication::instance();
        return app && QThread::currentThread() == app->thread();
    }

private:
    // Delayed global work waits here, so a busy GUI thread does not hold it back.
    static detail::QueueThread& timers() {
        static detail::QueueThread thread(QStringLiteral("platform.timers"));
        return thread;
    }
};

QtScheduler& qtScheduler() {
    static QtScheduler scheduler;
    return scheduler;
}

std::atomic<Scheduler*> installedScheduler{nullptr};

} // namespace

Scheduler& Scheduler::shared() {
    if (auto* scheduler = installedScheduler.load(std::memory_order_acquire)) {
        return *scheduler;
    }
    return qtScheduler();
}

void Scheduler::setShared(Scheduler* scheduler) {
    installedScheduler.store(scheduler, std::memory_order_release);
}

std::chrono::nanoseconds delayFromSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) {
        return std::chrono::nanoseconds::zero();
    }
    constexpr double longest = 10.0 * 365 * 24 * 3600; // beyond any delay the client asks for
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(std::min(seconds, longest)));
}

DispatchQueue::DispatchQueue(Kind kind, QoS qos, QString label)
    : m_kind(kind), m_qos(qos), m_label(std::move(label)) {}

DispatchQueue::DispatchQueue(QString label)
    : DispatchQueue(Kind::serial, QoS::defaultQoS, std::move(label)) {}

DispatchQueue::~DispatchQueue() = default;

const DispatchQueue& DispatchQueue::main() {
    static const DispatchQueue queue(Kind::main, QoS::userInteractive, QStringLiteral("main"));
    return queue;
}

const DispatchQueue& DispatchQueue::global(QoS qos) {
    static const DispatchQueue queues[] = {
        {Kind::global, QoS::userInteractive, QStringLiteral("global.userInteractive")},
        {Kind::global, QoS::userInitiated, QStringLiteral("global.userInitiated")},
        {Kind::global, QoS::defaultQoS, QStringLiteral("global.default")},
        {Kind::global, QoS::utility, QStringLiteral("global.utility")},
        {Kind::global, QoS::background, QStringLiteral("global.background")},
    };
    return queues[static_cast<int>(qos)];
}

void DispatchQueue::async(Task task) const {
    Scheduler::shared().post(*this, std::move(task), {});
}

void DispatchQueue::asyncAfter(double seconds, Task task) const {
    Scheduler::shared().post(*this, std::move(task), delayFromSeconds(seconds));
}

std::shared_ptr<detail::QueueThread> DispatchQueue::thread() const {
    std::call_once(m_threadOnce, [this] { m_thread = std::make_shared<detail::QueueThread>(m_label); });
    return m_thread;
}

} // namespace platform
