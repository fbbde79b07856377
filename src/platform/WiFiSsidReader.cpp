#include "platform/WiFiSsidReader.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <functional>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcWiFi, "veltrix.platform.wifi")

const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString managerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString deviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString wirelessInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString accessPointInterface = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint wifiDeviceType = 2; // NM_DEVICE_TYPE_WIFI
// NetworkManager answers at once or not at all; an answer that never comes must not keep a round open.
constexpr int callTimeoutMs = 5000;

} // namespace

QString ssidText(const QByteArray& ssid) {
    // A leading byte-order mark stays a character: dropping it would give two names one text.
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decode(ssid);
    for (QChar& character : text) {
        if (character.category() == QChar::Other_Control) {
            character = QChar::ReplacementCharacter;
        }
    }
    return text;
}

WiFiSsidReader& WiFiSsidReader::shared() {
    static auto* reader = new WiFiSsidReader; // lives as long as the process
    return *reader;
}

WiFiSsidReader::WiFiSsidReader(QObject* parent) : QObject(parent), m_bus(QString()) {}

WiFiSsidReader::~WiFiSsidReader() {
    blockSignals(true); // nobody hears of a reader going away
    stop();
}

bool WiFiSsidReader::start(const QDBusConnection& bus, const QString& service) {
    stop();
    m_started = true;
    if (!bus.isConnected()) {
        qCInfo(lcWiFi) << "No system bus: the current Wi-Fi network is not detected";
        return false;
    }
    m_bus = bus;
    m_service = service;
    m_bus.connect(m_service, QString(), propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QDBusMessage)));
    m_bus.connect(m_service, managerPath, managerInterface, QStringLiteral("DeviceAdded"), this,
                  SLOT(onDevicesChanged()));
    m_bus.connect(m_service, managerPath, managerInterface, QStringLiteral("DeviceRemoved"), this,
                  SLOT(onDevicesChanged()));
    m_watcher = new QDBusServiceWatcher(m_service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &WiFiSsidReader::onDevicesChanged);
    m_following = true;
    refresh();
    return true;
}

void WiFiSsidReader::stop() {
    if (m_following) {
        m_bus.disconnect(m_service, QString(), propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                         SLOT(onPropertiesChanged(QDBusMessage)));
        m_bus.disconnect(m_service, managerPath, managerInterface, QStringLiteral("DeviceAdded"), this,
                         SLOT(onDevicesChanged()));
        m_bus.disconnect(m_service, managerPath, managerInterface, QStringLiteral("DeviceRemoved"), this,
                         SLOT(onDevicesChanged()));
        delete m_watcher;
        m_following = false;
    }
    m_started = false;
    ++m_generation; // answers still on their way are dropped
    m_outstanding = 0;
    m_refreshAgain = false;
    m_bus = QDBusConnection(QString());
    commit(std::nullopt);
}

void WiFiSsidReader::onPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    const QString interface = arguments.at(0).toString();
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    const QStringList invalidated = arguments.size() > 2 ? arguments.at(2).toStringList() : QStringList();
    const auto touches = [&](const QString& name) {
        return changed.contains(name) || invalidated.contains(name);
    };
    // Access points report their signal strength every few seconds: only a new name counts.
    if ((interface == wirelessInterface && touches(QStringLiteral("ActiveAccessPoint"))) ||
        (interface == accessPointInterface && touches(QStringLiteral("Ssid"))) ||
        (interface == managerInterface && touches(QStringLiteral("Devices")))) {
        refresh();
    }
}

void WiFiSsidReader::onDevicesChanged() {
    refresh();
}

// One round: the devices, then each Wi-Fi device's active access point, then its SSID. Only one round runs
// at a time; a change heard meanwhile asks for another when it ends.
void WiFiSsidReader::refresh() {
    if (!m_following) {
        return;
    }
    if (m_outstanding > 0) {
        m_refreshAgain = true;
        return;
    }
    const std::uint64_t generation = ++m_generation;
    m_outstanding = 1;
    m_devices.clear();
    m_heard.clear();
    const QDBusMessage call = QDBusMessage::createMethodCall(m_service, managerPath, managerInterface,
                                                             QStringLiteral("GetDevices"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation != m_generation) {
                    return;
                }
                const QDBusPendingReply<QList<QDBusObjectPath>> reply = *w;
                if (reply.isError()) {
                    qCInfo(lcWiFi).noquote()
                        << "NetworkManager did not list its devices:" << reply.error().name();
                } else {
                    for (const QDBusObjectPath& device : reply.value()) {
                        m_devices.append(device.path());
                    }
                    for (const QString& device : std::as_const(m_devices)) {
                        askDevice(generation, device);
                    }
                }
                answered(generation);
            });
}

void WiFiSsidReader::askDevice(std::uint64_t generation, const QString& device) {
    ++m_outstanding;
    getProperty(device, deviceInterface, QStringLiteral("DeviceType"),
                [this, generation, device](const QVariant& type) {
                    if (generation != m_generation) {
                        return;
                    }
                    if (type.toUInt() == wifiDeviceType) {
                        ++m_outstanding;
                        getProperty(device, wirelessInterface, QStringLiteral("ActiveAccessPoint"),
                                    [this, generation, device](const QVariant& accessPoint) {
                                        if (generation != m_generation) {
                                            return;
                                        }
                                        const QString path = accessPoint.value<QDBusObjectPath>().path();
                                        if (!path.isEmpty() && path != QLatin1String("/")) {
                                            askAccessPoint(generation, device, path);
                                        }
                                        answered(generation);
                                    });
                    }
                    answered(generation);
                });
}

void WiFiSsidReader::askAccessPoint(std::uint64_t generation, const QString& device,
                                    const QString& accessPoint) {
    ++m_outstanding;
    getProperty(accessPoint, accessPointInterface, QStringLiteral("Ssid"),
                [this, generation, device](const QVariant& ssid) {
                    if (generation != m_generation) {
                        return;
                    }
                    const QByteArray bytes = ssid.toByteArray();
                    if (!bytes.isEmpty()) {
                        m_heard.insert(device, bytes);
                    }
                    answered(generation);
                });
}

void WiFiSsidReader::answered(std::uint64_t generation) {
    if (generation != m_generation || --m_outstanding > 0) {
        return;
    }
    std::optional<QString> ssid;
    for (const QString& device : std::as_const(m_devices)) {
        if (const auto found = m_heard.constFind(device); found != m_heard.constEnd()) {
            ssid = ssidText(*found);
            break;
        }
    }
    commit(ssid);
    if (m_refreshAgain) {
        m_refreshAgain = false;
        refresh();
    }
}

void WiFiSsidReader::commit(const std::optional<QString>& ssid) {
    if (ssid == m_ssid) {
        return;
    }
    m_ssid = ssid;
    emit currentSsidChanged();
}

void WiFiSsidReader::getProperty(const QString& path, const QString& interface, const QString& name,
                                 std::function<void(const QVariant&)> done) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, path, propertiesInterface, QStringLiteral("Get"));
    call << interface << name;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *w;
                done(reply.isError() ? QVariant() : reply.value().variant());
            });
}

} // namespace platform
