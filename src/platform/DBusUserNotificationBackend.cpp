#include "platform/DBusUserNotificationBackend.h"

#include "platform/Application.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcDBusNotifications, "veltrix.platform.notifications")

constexpr const char* interfaceName = "org.freedesktop.Notifications";

UserNotificationCloseReason closeReasonFrom(uint code) {
    switch (code) {
    case 1:
        return UserNotificationCloseReason::expired;
    case 2:
        return UserNotificationCloseReason::dismissed;
    case 3:
        return UserNotificationCloseReason::removed;
    default:
        return UserNotificationCloseReason::undefined;
    }
}

QString bundleName() {
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        if (auto name = Bundle::main().infoString(QString::fromLatin1(key)); name && !name->isEmpty()) {
            return *name;
        }
    }
    return QCoreApplication::applicationName();
}

} // namespace

DBusUserNotificationBackend::DBusUserNotificationBackend(const QDBusConnection& bus, int timeoutMs,
                                                         QString appName, QString desktopEntry,
                                                         QObject* parent)
    : QObject(parent), m_bus(bus), m_timeoutMs(timeoutMs),
      m_appName(appName.isEmpty() ? bundleName() : std::move(appName)),
      m_desktopEntry(desktopEntry.isEmpty() ? Bundle::main().bundleIdentifier() : std::move(desktopEntry)) {
    if (!m_bus.isConnected()) {
        qCInfo(lcDBusNotifications) << "No session bus; user notifications are off";
        return;
    }
    // The bus delivers these only from the name's current owner, so no other peer can forge them.
    m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interfaceName),
                  QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interfaceName),
                  QStringLiteral("NotificationClosed"), this, SLOT(onNotificationClosed(uint, uint)));
    m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interfaceName),
                  QStringLiteral("ActivationToken"), this, SLOT(onActivationToken(uint, QString)));
    // A new server knows nothing of the old one's ids and may offer other capabilities.
    m_watcher = new QDBusServiceWatcher(QString::fromLatin1(service), m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
        m_capabilities.reset();
        forgetAllShown();
    });
}

DBusUserNotificationBackend::~DBusUserNotificationBackend() = default;

UserNotificationError DBusUserNotificationBackend::errorFrom(const QDBusError& error) const {
    switch (error.type()) {
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return {UserNotificationError::Code::timedOut,
                QStringLiteral("The notification server did not answer within %1 ms").arg(m_timeoutMs)};
    case QDBusError::ServiceUnknown:
    case QDBusError::Disconnected:
        return {UserNotificationError::Code::noServer, QStringLiteral("No notification server is running")};
    default:
        return {UserNotificationError::Code::failed,
                QStringLiteral("The notification server failed: %1").arg(error.name())};
    }
}

void DBusUserNotificationBackend::capabilities(CapabilitiesCompletion completion) {
    if (!m_bus.isConnected()) {
        // Still asynchronous, as an answer from a server would be.
        QMetaObject::invokeMethod(
            this,
            [completion] {
                completion(
                    {}, UserNotificationError{UserNotificationError::Code::noServer,
                                              QStringLiteral("There is no session bus for notifications")});
            },
            Qt::QueuedConnection);
        return;
    }
    if (m_capabilities) {
        completion(*m_capabilities, {});
        return;
    }
    m_capabilityWaiters.push_back(std::move(completion));
    if (m_capabilityWaiters.size() > 1) {
        return;
    }
    const auto message =
        QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                       QString::fromLatin1(interfaceName), QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QStringList> reply = *call;
        UserNotificationResult error;
        QStringList capabilities;
        if (reply.isError()) {
            error = errorFrom(reply.error());
        } else {
            capabilities = reply.value();
            m_capabilities = capabilities;
        }
        for (const auto& waiter : std::exchange(m_capabilityWaiters, {})) {
            waiter(capabilities, error);
        }
    });
}

void DBusUserNotificationBackend::requestAuthorization(AuthorizationCompletion completion) {
    capabilities(
        [completion](const QStringList&, UserNotificationResult error) { completion(!error, error); });
}

void DBusUserNotificationBackend::deliver(const Delivery& delivery, Completion completion) {
    capabilities([this, delivery, completion](const QStringList& capabilities, UserNotificationResult error) {
        if (error) {
            completion(error);
            return;
        }
        send(delivery, capabilities, completion);
    });
}

void DBusUserNotificationBackend::send(const Delivery& delivery, const QStringList& capabilities,
                                       Completion completion) {
    const UserNotificationRequest& request = delivery.request;
    QString body = request.subtitle.isEmpty() ? request.body
                   : request.body.isEmpty()   ? request.subtitle
                                              : request.subtitle + QLatin1Char('\n') + request.body;
    if (capabilities.contains(QStringLiteral("body-markup"))) {
        body = body.toHtmlEscaped();
    }

    Shown shown{request.identifier, {}};
    QStringList actions;
    if (capabilities.contains(QStringLiteral("actions"))) {
        // Keys are ours, not the caller's identifiers, so no identifier can pose as the default action.
        const QString defaultKey = QStringLiteral("default");
        actions << defaultKey << QString();
        shown.actionsByKey.insert(defaultKey,
                                  QString::fromLatin1(UserNotificationCenter::defaultActionIdentifier));
        for (qsizetype index = 0; index < delivery.actions.size(); ++index) {
            const QString key = QStringLiteral("action-%1").arg(index);
            actions << key << delivery.actions[index].title;
            shown.actionsByKey.insert(key, delivery.actions[index].identifier);
        }
    }

    QVariantMap hints;
    if (!m_desktopEntry.isEmpty()) {
        hints.insert(QStringLiteral("desktop-entry"), m_desktopEntry);
    }
    if (!delivery.playSound) {
        hints.insert(QStringLiteral("suppress-sound"), true);
    }

    const uint replacesId = serverIdOf(request.identifier).value_or(0);
    auto message =
        QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                       QString::fromLatin1(interfaceName), QStringLiteral("Notify"));
    // The installed icon carries the desktop entry's name; servers that ignore the hint still find it.
    message << m_appName << replacesId << m_desktopEntry << request.title << body << actions << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, shown, replacesId, completion](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    completion(errorFrom(reply.error()));
                    return;
                }
                if (replacesId != 0) {
                    m_shown.remove(replacesId);
                }
                // A later request of the same identifier may have been answered first: keep one mapping.
                if (auto older = serverIdOf(shown.identifier)) {
                    m_shown.remove(*older);
                }
                m_shown.insert(reply.value(), shown);
                completion({});
            });
}

void DBusUserNotificationBackend::withdraw(const QString& identifier) {
    const auto serverId = serverIdOf(identifier);
    if (!serverId || !m_bus.isConnected()) {
        return;
    }
    m_shown.remove(*serverId);
    auto message = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                  QString::fromLatin1(interfaceName),
                                                  QStringLiteral("CloseNotification"));
    message << *serverId;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (call->isError()) {
            qCInfo(lcDBusNotifications)
                << "Closing a notification failed:" << errorFrom(call->error()).message;
        }
    });
}

void DBusUserNotificationBackend::onActionInvoked(uint serverId, const QString& actionKey) {
    const auto shown = m_shown.constFind(serverId);
    if (shown == m_shown.constEnd()) {
        return; // another application's notification
    }
    const auto action = shown->actionsByKey.constFind(actionKey);
    if (action == shown->actionsByKey.constEnd()) {
        qCWarning(lcDBusNotifications) << "Ignored an action that was not offered";
        return;
    }
    if (m_events.actionInvoked) {
        m_events.actionInvoked(shown->identifier, *action);
    }
}

// Sent just before ActionInvoked: the window the action brings forward may take the focus with it.
void DBusUserNotificationBackend::onActivationToken(uint serverId, const QString& token) {
    if (m_shown.contains(serverId)) {
        if (auto* app = Application::instance()) {
            app->setActivationToken(token);
        }
    }
}

void DBusUserNotificationBackend::onNotificationClosed(uint serverId, uint reason) {
    const auto shown = m_shown.constFind(serverId);
    if (shown == m_shown.constEnd()) {
        return;
    }
    const QString identifier = shown->identifier;
    m_shown.erase(shown);
    if (m_events.closed) {
        m_events.closed(identifier, closeReasonFrom(reason));
    }
}

void DBusUserNotificationBackend::forgetAllShown() {
    const auto shown = std::exchange(m_shown, {});
    for (const auto& entry : shown) {
        if (m_events.closed) {
            m_events.closed(entry.identifier, UserNotificationCloseReason::serverGone);
        }
    }
}

std::optional<uint> DBusUserNotificationBackend::serverIdOf(const QString& identifier) const {
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it) {
        if (it->identifier == identifier) {
            return it.key();
        }
    }
    return std::nullopt;
}

} // namespace platform
