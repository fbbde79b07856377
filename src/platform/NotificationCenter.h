#pragma once

#include "platform/NotificationObservers.h"

namespace platform {

// In-process named notifications. A post calls the matching observers synchronously on the posting thread,
// or queues the call on the observer's queue when it gave one. Usable from any thread.
class NotificationCenter {
public:
    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Observes `name` from `sender` (null: from any sender). The observation lasts as long as the token.
    [[nodiscard]] ObserverToken addObserver(const QString& name, const void* sender, NotificationBlock block,
                                            const DispatchQueue* queue = nullptr);
    void post(const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

    std::size_t observerCount() const { return m_observers.count(); }

private:
    detail::ObserverList m_observers;
};

} // namespace platform
