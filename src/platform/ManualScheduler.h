#pragma once

#include "platform/Scheduler.h"

#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Virtual time for tests. Every queue's tasks run on the thread that calls advance() or runUntilIdle();
// tasks due at the same time run in the order posted, and a task posted from a task runs after it.
class ManualScheduler : public Scheduler {
public:
    ManualScheduler();

    void post(const DispatchQueue& queue, Task task, std::chrono::nanoseconds delay) override;
    Clock::time_point now() const override;
    QDateTime currentDate() const override;
    bool isMainThread() const override;

    // Moves virtual time forward, running each task as its time comes, in due order.
    void advance(double seconds);
    // Runs every task that is due now, including those that they post for now.
    void runUntilIdle();
    // Sets the wall clock (it then moves with virtual time); the monotonic clock is untouched.
    void setCurrentDate(const QDateTime& date);

    std::size_t pendingCount() const;
    // Seconds of virtual time since the scheduler was made.
    double elapsedSeconds() const;

private:
    struct Entry {
        Clock::time_point due;
        std::uint64_t sequence;
        Task task;
    };
    bool runNextDue(Clock::time_point limit);

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::uint64_t m_sequence = 0;
    Clock::time_point m_start;
    Clock::time_point m_now;
    QDateTime m_dateAtStart;
    std::thread::id m_owner;
};

} // namespace platform
