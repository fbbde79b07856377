#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QDBusMessage;
class QDBusServiceWatcher;

namespace platform {

// The text an SSID's bytes are shown as: UTF-8 where the bytes are UTF-8, U+FFFD for each invalid sequence
// and for every control character, so it is always one line of plain text and the same bytes always give
// the same text.
QString ssidText(const QByteArray& ssid);
// The text an SSID is trusted, stored and compared under: a name that is plain text (UTF-8 without control
// characters) as it is; every other byte written as "\xHH", as is a backslash that would read as such an
// escape. Different bytes never give the same key.
QString ssidKey(const QByteArray& ssid);

// The name of the Wi-Fi network the machine is on: the SSID of the active access point of NetworkManager's
// Wi-Fi device. It asks once when started and again whenever NetworkManager reports a change, and keeps
// the last answer; every call on the bus is asynchronous, so the GUI thread never waits on it. Main thread
// only.
class WiFiSsidReader : public QObject {
    Q_OBJECT
public:
    static WiFiSsidReader& shared();

    explicit WiFiSsidReader(QObject* parent = nullptr);
    ~WiFiSsidReader() override;

    // Follows NetworkManager as `service` on `bus`, dropping what it followed before. Without a connected
    // bus it knows no network and returns false; it counts as started either way, until stop().
    bool start(const QDBusConnection& bus,
               const QString& service = QStringLiteral("org.freedesktop.NetworkManager"));
    void stop();
    bool isStarted() const { return m_started; }

    // The SSID's key (ssidKey) and its text (ssidText); none without NetworkManager, a Wi-Fi device or an
    // active access point.
    std::optional<QString> currentSsid() const;
    std::optional<QString> currentSsidText() const;

signals:
    void currentSsidChanged();

private slots:
    void onPropertiesChanged(const QDBusMessage& message);
    void onDevicesChanged();

private:
    void refresh();
    void askDevice(std::uint64_t generation, const QString& device);
    void askAccessPoint(std::uint64_t generation, const QString& device, const QString& accessPoint);
    // One answer of the round `generation` came in (or a question was dropped).
    void answered(std::uint64_t generation);
    void commit(const std::optional<QByteArray>& ssid);
    void getProperty(const QString& path, const QString& interface, const QString& name,
                     std::function<void(const QVariant& value)> done);

    QDBusConnection m_bus;
    QString m_service;
    bool m_started = false;
    bool m_following = false;
    QPointer<QDBusServiceWatcher> m_watcher;
    std::optional<QByteArray> m_ssid;

    // The round of questions under way: devices in NetworkManager's order, the SSIDs heard so far.
    std::uint64_t m_generation = 0;
    int m_outstanding = 0;
    bool m_refreshAgain = false;
    QStringList m_devices;
    QMap<QString, QByteArray> m_heard;
};

} // namespace platform
