#pragma once

#include "platform/NotificationObservers.h"

#include <QDBusConnection>

#include <optional>

class QDBusMessage;

namespace platform {

namespace detail {
class DistributedReceiver;
}

// Notifications between processes of the session: a post is a D-Bus signal on the session bus, and every
// process observing the name (this one included) receives it. Received user info comes from any process on
// the bus, so it is checked and reduced to plain values (bool, numbers, text, bytes, lists and maps of them)
// before observers see it; oversized or malformed notifications are dropped. Observers run on the main
// thread. Without a bus the centre is inert: posts are dropped, observers never called.
class DistributedNotificationCenter {
public:
    static constexpr const char* objectPath = "/com/veltrix/DistributedNotification";
    static constexpr const char* interfaceName = "com.veltrix.DistributedNotification";
    static constexpr const char* signalName = "Notification"; // arguments: name (s), user info (a{sv})

    static constexpr int longestName = 256; // characters
    static constexpr qsizetype largestPayload =
        64 * 1024;                          // characters of text plus bytes of data, keys included
    static constexpr int mostValues = 1024; // values in the user info, nested ones included
    static constexpr int deepestNesting = 8;

    static DistributedNotificationCenter& defaultCenter();

    explicit DistributedNotificationCenter(const QDBusConnection& bus);
    ~DistributedNotificationCenter();
    DistributedNotificationCenter(const DistributedNotificationCenter&) = delete;
    DistributedNotificationCenter& operator=(const DistributedNotificationCenter&) = delete;

    [[nodiscard]] ObserverToken addObserver(const QString& name, NotificationBlock block);
    // Sends the notification to every observing process. Refused with a warning when the name or the user
    // info is over the limits above or holds a value D-Bus cannot carry.
    void post(const QString& name, const QVariantMap& userInfo = {});

    bool isConnected() const { return m_connected; }

    // The checks applied to every received signal; a notification only when it passes them.
    static std::optional<Notification> notificationFromMessage(const QDBusMessage& message);

private:
    QDBusConnection m_bus;
    bool m_connected = false;
    // Owns the observers; it lives on the main thread, where the bus delivers the signals.
    detail::DistributedReceiver* m_receiver;
};

} // namespace platform
