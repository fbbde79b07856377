#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

// The notification server's side of org.freedesktop.Notifications, as much as the client uses, on a bus
// the test owns.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        QString appName;
        uint replacesId;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
        uint id;
        QString icon;
    };

    explicit FakeNotificationServer(QStringList capabilities) : m_capabilities(std::move(capabilities)) {}

    bool start(QDBusConnection bus) {
        m_bus = bus;
        return m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                    QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
               m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    void stop() { m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications")); }

    // A server that takes calls and never answers them.
    void setSilent(bool silent) { m_silent = silent; }

    std::vector<Notification> notifications;
    std::vector<uint> closed;

public slots:
    QStringList GetCapabilities() {
        if (m_silent) {
            setDelayedReply(true);
        }
        return m_capabilities;
    }

    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        const uint id = replacesId != 0 ? replacesId : ++m_lastId;
        notifications.push_back({appName, replacesId, summary, body, actions, hints, timeout, id, icon});
        return id;
    }

    void CloseNotification(uint id) {
        closed.push_back(id);
        emit NotificationClosed(id, 3);
    }

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void ActivationToken(uint id, const QString& token); // sent just before ActionInvoked
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus{QString()};
    QStringList m_capabilities;
    bool m_silent = false;
    uint m_lastId = 0;
};
