#pragma once

// NetworkManager as the client's Wi-Fi reader sees it, served on a bus connection of the test's own: the
// manager's device list, each device's type and active access point, each access point's SSID, and the
// change signals NetworkManager sends.

#include <QByteArray>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <map>
#include <memory>
#include <optional>

namespace fakenm {

inline const QString service = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
constexpr uint wifi = 2;
constexpr uint ethernet = 1;

class ManagerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
public:
    explicit ManagerAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QList<QDBusObjectPath> devices;
    int deviceListings = 0;
public slots:
    QList<QDBusObjectPath> GetDevices() {
        ++deviceListings;
        return devices;
    }
};

class DeviceAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device")
    Q_PROPERTY(uint DeviceType READ deviceType)
public:
    DeviceAdaptor(QObject* parent, uint type) : QDBusAbstractAdaptor(parent), m_type(type) {}
    uint deviceType() const { return m_type; }

private:
    uint m_type;
};

class WirelessAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device.Wireless")
    Q_PROPERTY(QDBusObjectPath ActiveAccessPoint READ activeAccessPoint)
public:
    explicit WirelessAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QDBusObjectPath activeAccessPoint() const { return accessPoint; }
    QDBusObjectPath accessPoint{QStringLiteral("/")};
};

class AccessPointAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.AccessPoint")
    Q_PROPERTY(QByteArray Ssid READ ssidBytes)
    Q_PROPERTY(uchar Strength READ strength)
public:
    explicit AccessPointAdaptor(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QByteArray ssidBytes() const {
        ++ssidReads;
        return ssid;
    }
    uchar strength() const { return 70; }
    QByteArray ssid;
    mutable int ssidReads = 0;
};

// The service itself. Devices are numbered from 1 in the order they are added.
class FakeNetworkManager {
public:
    explicit FakeNetworkManager(QDBusConnection bus) : m_bus(std::move(bus)) {
        m_manager = std::make_unique<QObject>();
        m_managerAdaptor = new ManagerAdaptor(m_manager.get());
    }
    ~FakeNetworkManager() { stop(); }

    bool start() {
        return m_bus.isConnected() &&
               m_bus.registerObject(managerPath, m_manager.get(), QDBusConnection::ExportAdaptors) &&
               m_bus.registerService(service);
    }
    // NetworkManager leaves the bus.
    void stop() {
        if (m_bus.isConnected()) {
            m_bus.unregisterService(service);
        }
    }

    // A device of `type` with no active access point; its path.
    QString addDevice(uint type, bool announce = false) {
        const QString path = managerPath + QStringLiteral("/Devices/%1").arg(++m_lastDevice);
        Device& device = m_devices[path];
        device.object = std::make_unique<QObject>();
        new DeviceAdaptor(device.object.get(), type);
        device.wireless = new WirelessAdaptor(device.object.get());
        m_bus.registerObject(path, device.object.get(), QDBusConnection::ExportAdaptors);
        m_managerAdaptor->devices.append(QDBusObjectPath(path));
        if (announce) {
            sendSignal(managerPath, QStringLiteral("org.freedesktop.NetworkManager"),
                       QStringLiteral("DeviceAdded"), {QVariant::fromValue(QDBusObjectPath(path))});
        }
        return path;
    }

    void removeDevice(const QString& path) {
        m_managerAdaptor->devices.removeAll(QDBusObjectPath(path));
        m_bus.unregisterObject(path);
        m_devices.erase(path);
        sendSignal(managerPath, QStringLiteral("org.freedesktop.NetworkManager"),
                   QStringLiteral("DeviceRemoved"), {QVariant::fromValue(QDBusObjectPath(path))});
    }

    // The device joins a network named `ssid` (a new access point), or leaves its network (none).
    QString setNetwork(const QString& device, const std::optional<QByteArray>& ssid, bool announce = true) {
        Device& entry = m_devices.at(device);
        QString accessPoint = QStringLiteral("/");
        if (ssid) {
            accessPoint = managerPath + QStringLiteral("/AccessPoint/%1").arg(++m_lastAccessPoint);
            auto& ap = m_accessPoints[accessPoint];
            ap.object = std::make_unique<QObject>();
            ap.adaptor = new AccessPointAdaptor(ap.object.get());
            ap.adaptor->ssid = *ssid;
            m_bus.registerObject(accessPoint, ap.object.get(), QDBusConnection::ExportAdaptors);
        }
        entry.wireless->accessPoint = QDBusObjectPath(accessPoint);
        if (announce) {
            propertiesChanged(
                device, QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless"),
                {{QStringLiteral("ActiveAccessPoint"), QVariant::fromValue(QDBusObjectPath(accessPoint))}});
        }
        return accessPoint;
    }

    // The access point's name changes (announced as NetworkManager does).
    void renameAccessPoint(const QString& accessPoint, const QByteArray& ssid) {
        m_accessPoints.at(accessPoint).adaptor->ssid = ssid;
        propertiesChanged(accessPoint, QStringLiteral("org.freedesktop.NetworkManager.AccessPoint"),
                          {{QStringLiteral("Ssid"), ssid}});
    }
    // What access points send every few seconds.
    void announceStrength(const QString& accessPoint) {
        propertiesChanged(accessPoint, QStringLiteral("org.freedesktop.NetworkManager.AccessPoint"),
                          {{QStringLiteral("Strength"), QVariant::fromValue(uchar(60))}});
    }

    int deviceListings() const { return m_managerAdaptor->deviceListings; }
    // How often a reader asked for the name of the access point at `accessPoint`.
    int ssidReads(const QString& accessPoint) const {
        const auto found = m_accessPoints.find(accessPoint);
        return found == m_accessPoints.end() ? 0 : found->second.adaptor->ssidReads;
    }

private:
    struct Device {
        std::unique_ptr<QObject> object;
        WirelessAdaptor* wireless = nullptr;
    };
    struct AccessPoint {
        std::unique_ptr<QObject> object;
        AccessPointAdaptor* adaptor = nullptr;
    };

    void propertiesChanged(const QString& path, const QString& interface, const QVariantMap& changed) {
        sendSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                   QStringLiteral("PropertiesChanged"), {interface, changed, QStringList()});
    }
    void sendSignal(const QString& path, const QString& interface, const QString& name,
                    const QList<QVariant>& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        m_bus.send(signal);
    }

    QDBusConnection m_bus;
    std::unique_ptr<QObject> m_manager;
    ManagerAdaptor* m_managerAdaptor = nullptr;
    std::map<QString, Device> m_devices;
    std::map<QString, AccessPoint> m_accessPoints;
    int m_lastDevice = 0;
    int m_lastAccessPoint = 0;
};

} // namespace fakenm
