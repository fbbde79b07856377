#include "platform/ManualScheduler.h"

#include <algorithm>

namespace platform {

ManualScheduler::ManualScheduler()
    : m_start(Clock::now()), m_now(m_start), m_dateAtStart(QDateTime::currentDateTime()),
      m_owner(std::this_thread::get_id()) {}

void ManualScheduler::post(const DispatchQueue&, Task task, std::chrono::nanoseconds delay) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(
        {m_now + std::max(delay, std::chrono::nanoseconds::zero()), ++m_sequence, std::move(task)});
}

Scheduler::Clock::time_point ManualScheduler::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

QDateTime ManualScheduler::currentDate() const {
    std::lock_guard lock(m_mutex);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_start).count();
    return m_dateAtStart.addMSecs(elapsed);
}

bool ManualScheduler::isMainThread() const {
    return std::this_thread::get_id() == m_owner;
}

bool ManualScheduler::runNextDue(Clock::time_point limit) {
    Task task;
    {
        std::lock_guard lock(m_mutex);
        auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
            return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
        });
        if (next == m_entries.end() || next->due > limit) {
            return false;
        }
        m_now = std::max(m_now, next->due);
        task = std::move(next->task);
        m_entries.erase(next);
    }
    if (task) {
        task();
    }
    return true;
}

void ManualScheduler::advance(double seconds) {
    const auto limit = now() + delayFromSeconds(seconds);
    while (runNextDue(limit)) {
    }
    std::lock_guard lock(m_mutex);
    m_now = std::max(m_now, limit);
}

void ManualScheduler::runUntilIdle() {
    while (runNextDue(now())) {
    }
}

void ManualScheduler::setCurrentDate(const QDateTime& date) {
    std::lock_guard lock(m_mutex);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_start).count();
    m_dateAtStart = date.addMSecs(-elapsed);
}

std::size_t ManualScheduler::pendingCount() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

double ManualScheduler::elapsedSeconds() const {
    std::lock_guard lock(m_mutex);
    return std::chrono::duration<double>(m_now - m_start).count();
}

} // namespace platform
