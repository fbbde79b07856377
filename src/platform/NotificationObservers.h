#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace platform {

class DispatchQueue;

// A named notification. `object` is the sender, compared by address only (never dereferenced).
struct Notification {
    QString name;
    const void* object = nullptr;
    QVariantMap userInfo;
};

using NotificationBlock = std::function<void(const Notification&)>;

namespace detail {
class ObserverEntry;
class ObserverList;
struct ObserverListState;
} // namespace detail

// Keeps an observation alive: destroying or resetting the token removes the observer. Once that returns,
// the observer's block is not running on another thread and is never called again.
class ObserverToken {
public:
    ObserverToken() = default;
    ~ObserverToken();
    ObserverToken(ObserverToken&& other) noexcept;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;

    // Removes the observer now; an empty token stays empty.
    void reset();
    bool isActive() const { return m_entry != nullptr; }

private:
    friend class detail::ObserverList;
    ObserverToken(std::shared_ptr<detail::ObserverEntry> entry,
                  std::weak_ptr<detail::ObserverListState> list);

    std::shared_ptr<detail::ObserverEntry> m_entry;
    std::weak_ptr<detail::ObserverListState> m_list;
};

namespace detail {

// The observers of one notification centre: matching by name and sender, synchronous or queued delivery,
// and removal that is safe during a post and against posts on other threads. Both centres use it.
class ObserverList {
public:
    ObserverList();
    ~ObserverList();
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    // `sender` null matches any sender; `queue` null delivers on the posting thread.
    ObserverToken add(const QString& name, const void* sender, NotificationBlock block,
                      const DispatchQueue* queue);
    // Calls the matching observers in the order they were added. Observers added during the post are not
    // called by it; observers removed during it are not called after their removal.
    void post(const Notification& notification) const;
    std::size_t count() const;

private:
    std::shared_ptr<ObserverListState> m_state;
};

} // namespace detail

} // namespace platform
