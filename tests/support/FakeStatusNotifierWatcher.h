#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <optional>

// The desktop's StatusNotifierWatcher, as much as items and Qt's tray ask of it, on a bus the test owns:
// items register with it, and it says whether a host (a panel showing items) is there.
class FakeStatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    static constexpr const char* service = "org.kde.StatusNotifierWatcher";
    static constexpr const char* path = "/StatusNotifierWatcher";

    explicit FakeStatusNotifierWatcher(bool hostRegistered) : m_hostRegistered(hostRegistered) {}

    bool start(QDBusConnection bus) {
        m_bus = bus;
        return m_bus.registerObject(QString::fromLatin1(path), this, QDBusConnection::ExportAllContents) &&
               m_bus.registerService(QString::fromLatin1(service));
    }
    void stop() {
        m_bus.unregisterService(QString::fromLatin1(service));
        m_bus.unregisterObject(QString::fromLatin1(path));
    }

    QStringList registeredItems() const {
        return item.isEmpty() ? QStringList{} : QStringList{item + itemPath};
    }
    bool isHostRegistered() const { return m_hostRegistered; }
    int protocolVersion() const { return 0; }

    // A panel starts or stops showing items.
    void setHostRegistered(bool registered) {
        if (registered == m_hostRegistered) {
            return;
        }
        m_hostRegistered = registered;
        if (registered) {
            emit StatusNotifierHostRegistered();
        } else {
            emit StatusNotifierHostUnregistered();
        }
    }

    QString item;     // bus name of the registered item
    QString itemPath; // its object path
    std::optional<std::chrono::steady_clock::time_point> registeredAt;

public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath) {
        registeredAt = std::chrono::steady_clock::now();
        // Items send their bus name, or only their path (then the sender is the service).
        if (serviceOrPath.startsWith(QLatin1Char('/'))) {
            item = message().service();
            itemPath = serviceOrPath;
        } else {
            item = serviceOrPath;
            itemPath = QStringLiteral("/StatusNotifierItem");
        }
        emit StatusNotifierItemRegistered(item + itemPath);
    }
    void RegisterStatusNotifierHost(const QString&) { setHostRegistered(true); }

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    QDBusConnection m_bus{QStringLiteral("fake-status-notifier-watcher-unset")};
    bool m_hostRegistered;
};
