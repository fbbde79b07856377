#include "platform/NotificationCenter.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

ObserverToken NotificationCenter::addObserver(const QString& name, const void* sender,
                                              NotificationBlock block, const DispatchQueue* queue) {
    return m_observers.add(name, sender, std::move(block), queue);
}

void NotificationCenter::post(const QString& name, const void* sender, const QVariantMap& userInfo) {
    post(Notification{name, sender, userInfo});
}

void NotificationCenter::post(const Notification& notification) {
    m_observers.post(notification);
}

} // namespace platform
