#pragma once

#include "platform/UserNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QHash>
#include <QObject>

#include <optional>
#include <vector>

class QDBusServiceWatcher;

namespace platform {

// User notifications over org.freedesktop.Notifications. Every call is asynchronous with a time limit; the
// server's ids and action keys are mapped back only when they are ones this backend issued.
class DBusUserNotificationBackend : public QObject, public UserNotificationBackend {
    Q_OBJECT

public:
    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr int defaultTimeoutMs = 5000;

    // `appName` and `desktopEntry` default to the bundle's display name and identifier.
    explicit DBusUserNotificationBackend(const QDBusConnection& bus, int timeoutMs = defaultTimeoutMs,
                                         QString appName = {}, QString desktopEntry = {},
                                         QObject* parent = nullptr);
    ~DBusUserNotificationBackend() override;

    // Granted when a server answers; there is nothing else to ask on this desktop.
    void requestAuthorization(AuthorizationCompletion completion) override;
    void deliver(const Delivery& delivery, Completion completion) override;
    void withdraw(const QString& identifier) override;

private slots:
    void onActionInvoked(uint serverId, const QString& actionKey);
    void onNotificationClosed(uint serverId, uint reason);
    void onActivationToken(uint serverId, const QString& token);

private:
    using CapabilitiesCompletion =
        std::function<void(const QStringList& capabilities, UserNotificationResult error)>;
    struct Shown {
        QString identifier;
        QHash<QString, QString> actionsByKey; // the keys we sent, to our action identifiers
    };

    void capabilities(CapabilitiesCompletion completion);
    void send(const Delivery& delivery, const QStringList& capabilities, Completion completion);
    void forgetAllShown();
    std::optional<uint> serverIdOf(const QString& identifier) const;
    UserNotificationError errorFrom(const QDBusError& error) const;

    QDBusConnection m_bus;
    int m_timeoutMs;
    QString m_appName;
    QString m_desktopEntry;
    QDBusServiceWatcher* m_watcher = nullptr;
    std::optional<QStringList> m_capabilities;
    std::vector<CapabilitiesCompletion> m_capabilityWaiters;
    QHash<uint, Shown> m_shown;
};

} // namespace platform
