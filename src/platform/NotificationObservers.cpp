#include "platform/NotificationObservers.h"

#include "platform/Scheduler.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace platform::detail {

class ObserverEntry;

namespace {
// The observers whose blocks this thread is inside, so that an observer removing itself does not wait
// for its own call to end.
thread_local std::vector<const ObserverEntry*> callsOnThisThread;
} // namespace

class ObserverEntry {
public:
    ObserverEntry(const QString& name, const void* sender, NotificationBlock block,
                  const DispatchQueue* queue)
        : m_name(name), m_sender(sender), m_queue(queue), m_block(std::move(block)) {}

    bool matches(const Notification& notification) const {
        return notification.name == m_name && (!m_sender || m_sender == notification.object);
    }
    const DispatchQueue* queue() const { return m_queue; }

    void deliver(const Notification& notification) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_alive) {
                return;
            }
            ++m_inFlight;
        }
        callsOnThisThread.push_back(this);
        struct CallEnded {
            ObserverEntry* entry;
            ~CallEnded() {
                callsOnThisThread.pop_back();
                std::lock_guard lock(entry->m_mutex);
                --entry->m_inFlight;
                entry->m_idle.notify_all();
            }
        } ended{this};
        m_block(notification);
    }

    // Stops delivery. Waits for calls running on other threads; a call of this thread (the observer removing
    // itself from its block) goes on to its end.
    void retire() {
        const auto ownCalls = std::count(callsOnThisThread.begin(), callsOnThisThread.end(), this);
        NotificationBlock released;
        {
            std::unique_lock lock(m_mutex);
            m_alive = false;
            m_idle.wait(lock, [&] { return m_inFlight <= ownCalls; });
            if (m_inFlight == 0) {
                released = std::move(m_block); // nobody runs it: let its captures go now
            }
        }
    }

private:
    const QString m_name;
    const void* const m_sender;
    const DispatchQueue* const m_queue;
    NotificationBlock m_block;
    std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_alive = true;
    long m_inFlight = 0;
};

struct ObserverListState {
    mutable std::mutex mutex;
    std::vector<std::shared_ptr<ObserverEntry>> entries;
};

ObserverList::ObserverList() : m_state(std::make_shared<ObserverListState>()) {}

ObserverList::~ObserverList() {
    std::vector<std::shared_ptr<ObserverEntry>> entries;
    {
        std::lock_guard lock(m_state->mutex);
        entries.swap(m_state->entries);
    }
    // Deliveries still queued for a centre that is gone are dropped.
    for (const auto& entry : entries) {
        entry->retire();
    }
}

ObserverToken ObserverList::add(const QString& name, const void* sender, NotificationBlock block,
                                const DispatchQueue* queue) {
    auto entry = std::make_shared<ObserverEntry>(name, sender, std::move(block), queue);
    {
        std::lock_guard lock(m_state->mutex);
        m_state->entries.push_back(entry);
    }
    return ObserverToken(std::move(entry), m_state);
}

void ObserverList::post(const Notification& notification) const {
    std::vector<std::shared_ptr<ObserverEntry>> matching;
    {
        std::lock_guard lock(m_state->mutex);
        for (const auto& entry : m_state->entries) {
            if (entry->matches(notification)) {
                matching.push_back(entry);
            }
        }
    }
    // No lock is held while blocks run: they may post, add and remove observers.
    for (const auto& entry : matching) {
        if (const DispatchQueue* queue = entry->queue()) {
            queue->async([entry, notification] { entry->deliver(notification); });
        } else {
            entry->deliver(notification);
        }
    }
}

std::size_t ObserverList::count() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->entries.size();
}

} // namespace platform::detail

namespace platform {

ObserverToken::ObserverToken(std::shared_ptr<detail::ObserverEntry> entry,
                             std::weak_ptr<detail::ObserverListState> list)
    : m_entry(std::move(entry)), m_list(std::move(list)) {}

ObserverToken::~ObserverToken() {
    reset();
}

ObserverToken::ObserverToken(ObserverToken&& other) noexcept
    : m_entry(std::move(other.m_entry)), m_list(std::move(other.m_list)) {}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        m_entry = std::move(other.m_entry);
        m_list = std::move(other.m_list);
    }
    return *this;
}

void ObserverToken::reset() {
    const auto entry = std::move(m_entry);
    m_entry.reset();
    if (!entry) {
        return;
    }
    if (const auto list = m_list.lock()) {
        std::lock_guard lock(list->mutex);
        std::erase(list->entries, entry);
    }
    m_list.reset();
    entry->retire();
}

} // namespace platform
