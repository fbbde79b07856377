#pragma once

#include "platform/Scheduler.h"

#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// A one-shot or repeating timer that fires on a dispatch queue, driven by Scheduler::shared().
// A scheduled timer keeps itself alive while it is valid, so dropping the returned handle does not stop it;
// invalidate() does. The queue must outlive the timer (main and global queues always do).
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Block = std::function<void(Timer&)>;

    // The shortest interval a timer runs with; zero, negative and NaN intervals are raised to it, so a
    // repeating timer can never spin.
    static constexpr double minimumInterval = 0.001;

    // Fires `block` on `queue` after `interval` seconds and, when `repeats`, every `interval` after that.
    // Repeating fires keep to the original schedule (no drift); fires missed while the queue was busy are
    // skipped, not run in a burst.
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Block block,
                                                 const DispatchQueue& queue = DispatchQueue::main());

    // Stops the timer for good and releases its block. Safe from the block itself and from any thread;
    // called on the timer's queue, no fire happens after it returns.
    void invalidate();
    bool isValid() const;
    // Runs the block now on the calling thread. A repeating timer keeps its schedule; a one-shot timer is
    // invalidated afterwards. Does nothing on an invalid timer.
    void fire();

    double timeInterval() const { return m_interval; }
    bool repeats() const { return m_repeats; }

private:
    struct Private {};

public:
    Timer(Private, double interval, bool repeats, Block block, const DispatchQueue& queue);

private:
    void scheduleNext(Scheduler::Clock::time_point due);
    void onDue(Scheduler::Clock::time_point due);
    void runBlock();

    const double m_interval;
    const std::chrono::nanoseconds m_period;
    const bool m_repeats;
    const DispatchQueue& m_queue;
    mutable std::mutex m_mutex;
    bool m_valid = true;
    std::shared_ptr<const Block> m_block;
};

} // namespace platform
