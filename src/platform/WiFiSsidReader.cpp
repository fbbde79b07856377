#include "platform/WiFiSsidReader.h"

#include "platform/AsciiChars.h"

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

// The length of the UTF-8 sequence of a character that is not a control character at the start of
// `bytes`; 0 when there is none (an invalid or cut sequence, or a control character).
qsizetype plainCharacterLength(QByteArrayView bytes) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return lead < 0x20 || lead == 0x7F ? 0 : 1;
    }
    const qsizetype length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
    if (length == 0 || bytes.size() < length) {
        return 0;
    }
    char32_t value = lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    const bool valid = value >= least && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    return valid && (value < 0x80 || value > 0x9F) ? length : 0; // U+0080..U+009F are controls too
}

bool startsWithEscape(QByteArrayView bytes) {
    return bytes.size() >= 4 && bytes.startsWith("\\x") && isHexDigit(QLatin1Char(bytes[2])) &&
           isHexDigit(QLatin1Char(bytes[3]));
}

// A leading byte-order mark stays a character: dropping it would give two names one text.
QString decodedKeepingAnyBom(QByteArrayView bytes) {
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(bytes);
}

} // namespace

QString ssidText(const QByteArray& ssid) {
    QString text = decodedKeepingAnyBom(ssid);
    for (QChar& character : text) {
        if (character.category() == QChar::Other_Control) {
            character = QChar::ReplacementCharacter;
        }
    }
    return text;
}

QString ssidKey(const QByteArray& ssid) {
    QByteArray key;
    const QByteArrayView bytes(ssid);
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length =
            startsWithEscape(bytes.sliced(i)) ? 0 : plainCharacterLength(bytes.sliced(i));
        if (length == 0) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            key += "\\x" + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
            ++i;
            continue;
        }
        key += bytes.sliced(i, length);
        i += length;
    }
    return decodedKeepingAnyBom(key);
}

std::optional<QString> WiFiSsidReader::currentSsid() const {
    return m_ssid ? std::optional(ssidKey(*m_ssid)) : std::nullopt;
}

std::optional<QString> WiFiSsidReader::currentSsidText() const {
    return m_ssid ? std::optional(ssidText(*m_ssid)) : std::nullopt;
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
    std::optional<QByteArray> ssid;
    for (const QString& device : std::as_const(m_devices)) {
        if (const auto found = m_heard.constFind(device); found != m_heard.constEnd()) {
            ssid = *found;
            break;
        }
    }
    commit(ssid);
    if (m_refreshAgain) {
        m_refreshAgain = false;
        refresh();
    }
}

void WiFiSsidReader::commit(const std::optional<QByteArray>& ssid) {
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
