#pragma once

#include <QDateTime>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

using Task = std::function<void()>;

// Quality of service of a global queue; it only names the queue, every global queue shares one pool.
enum class QoS { userInteractive, userInitiated, defaultQoS, utility, background };

class DispatchQueue;

// The one place where client time passes. Production runs tasks on Qt's event loop and thread pool;
// tests install a ManualScheduler and move virtual time by hand.
class Scheduler {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~Scheduler() = default;

    // Runs `task` on `queue` once `delay` has passed (a delay below zero counts as zero).
    virtual void post(const DispatchQueue& queue, Task task, std::chrono::nanoseconds delay) = 0;
    // Monotonic time: for intervals and throttles; never goes back.
    virtual Clock::time_point now() const = 0;
    // Wall-clock time: for dates shown or logged.
    virtual QDateTime currentDate() const = 0;
    // The same instant in milliseconds since the epoch, without the local time zone's cost (hot paths).
    virtual qint64 currentMSecsSinceEpoch() const { return currentDate().toMSecsSinceEpoch(); }
    virtual bool isMainThread() const = 0;

    static Scheduler& shared();
    // Installs another scheduler for the whole process; nullptr brings back the Qt one.
    static void setShared(Scheduler* scheduler);
};

// Installs a scheduler for the life of the guard (tests).
class ScopedScheduler {
public:
    explicit ScopedScheduler(Scheduler& scheduler) { Scheduler::setShared(&scheduler); }
    ~ScopedScheduler() { Scheduler::setShared(nullptr); }
    ScopedScheduler(const ScopedScheduler&) = delete;
    ScopedScheduler& operator=(const ScopedScheduler&) = delete;
};

// Seconds as the client writes them (0.5, 4.0) to the scheduler's unit; NaN and negatives become 0.
std::chrono::nanoseconds delayFromSeconds(double seconds);

namespace detail {
class QueueThread;
}

// A queue of work: the main (GUI) queue, a global concurrent queue, or a serial queue of the client's own.
class DispatchQueue {
public:
    enum class Kind { main, global, serial };

    static const DispatchQueue& main();
    static const DispatchQueue& global(QoS qos = QoS::defaultQoS);

    // A serial queue: its tasks run one after another, in order, never on the GUI thread.
    explicit DispatchQueue(QString label);
    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    void async(Task task) const;
    void asyncAfter(double seconds, Task task) const;

    Kind kind() const { return m_kind; }
    QoS qos() const { return m_qos; }
    const QString& label() const { return m_label; }

    // The thread that runs a serial queue in production; made on first use.
    std::shared_ptr<detail::QueueThread> thread() const;

private:
    DispatchQueue(Kind kind, QoS qos, QString label);

    Kind m_kind;
    QoS m_qos;
    QString m_label;
    mutable std::shared_ptr<detail::QueueThread> m_thread;
    mutable std::once_flag m_threadOnce;
};

} // namespace platform
