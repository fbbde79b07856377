#include "platform/Timer.h"

#include <cmath>
#include <limits>

namespace platform {

namespace {

double normalizedInterval(double seconds) {
    return std::isnan(seconds) || seconds < Timer::minimumInterval ? Timer::minimumInterval : seconds;
}

} // namespace

Timer::Timer(Private, double interval, bool repeats, Block block, const DispatchQueue& queue)
    : m_interval(normalizedInterval(interval)),
      m_period(delayFromSeconds(std::min(m_interval, std::numeric_limits<double>::max()))),
      m_repeats(repeats), m_queue(queue), m_block(std::make_shared<const Block>(std::move(block))) {}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Block block,
                                             const DispatchQueue& queue) {
    auto timer = std::make_shared<Timer>(Private{}, interval, repeats, std::move(block), queue);
    timer->scheduleNext(Scheduler::shared().now() + timer->m_period);
    return timer;
}

void Timer::scheduleNext(Scheduler::Clock::time_point due) {
    Scheduler& scheduler = Scheduler::shared();
    // The pending task owns the timer: this is what keeps a scheduled timer alive without its handle.
    scheduler.post(
        m_queue, [self = shared_from_this(), due] { self->onDue(due); }, due - scheduler.now());
}

void Timer::onDue(Scheduler::Clock::time_point due) {
    if (!isValid()) {
        return;
    }
    runBlock();
    if (!m_repeats) {
        invalidate();
        return;
    }
    std::lock_guard lock(m_mutex);
    if (!m_valid) {
        return;
    }
    // Keep to the grid of the first fire date; skip the slots the block or a busy queue overran.
    const auto now = Scheduler::shared().now();
    auto next = due + m_period;
    if (next <= now) {
        next += m_period * ((now - next) / m_period + 1);
    }
    scheduleNext(next);
}

void Timer::runBlock() {
    std::shared_ptr<const Block> block;
    {
        std::lock_guard lock(m_mutex);
        if (!m_valid) {
            return;
        }
        block = m_block; // a copy, so invalidate() from inside the block does not destroy it mid-call
    }
    if (block && *block) {
        (*block)(*this);
    }
}

void Timer::invalidate() {
    std::shared_ptr<const Block> released;
    {
        std::lock_guard lock(m_mutex);
        m_valid = false;
        released = std::move(m_block);
    }
    // `released` dies here, outside the lock, so the block's captures may touch this timer.
}

bool Timer::isValid() const {
    std::lock_guard lock(m_mutex);
    return m_valid;
}

void Timer::fire() {
    runBlock();
    if (!m_repeats) {
        invalidate();
    }
}

} // namespace platform
