#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QUrl>
#include <QVariantMap>

#include <functional>

class QDBusPendingCallWatcher;

namespace platform {

enum class QuitReason;

// Opening URLs and the system's sleep, wake and power-off. Main-thread only.
//
// Observers connect to the signals directly (not queued): the sleep delay is released as soon as the
// will-sleep emission returns, so work queued for later may run after the system is asleep.
class Workspace : public QObject {
    Q_OBJECT
public:
    static Workspace& shared();

    explicit Workspace(QObject* parent = nullptr);
    ~Workspace() override;

    // Opens the URL with the desktop's handler for its scheme, through the desktop's opener (xdg-open), or
    // Qt's own look-up of a browser where there is none. False at once for an invalid URL. The opener is
    // watched: when it cannot run, or soon says that nothing opened the URL, urlNotOpened follows.
    bool openURL(const QUrl& url);
    // Takes the desktop's place in opening URLs (tests); `open` answers whether it opened the URL. An empty
    // function gives the place back.
    void setOpener(std::function<bool(const QUrl&)> open) { m_opener = std::move(open); }

    // Follows logind's PrepareForSleep and PrepareForShutdown on `bus` and holds a sleep delay. Without the
    // bus it stays inert and returns false; when the service turns out to be missing it stops observing.
    bool startObservingPower(const QDBusConnection& bus = QDBusConnection::systemBus(),
                             const QString& service = QStringLiteral("org.freedesktop.login1"));
    void stopObservingPower();
    bool isObservingPower() const { return m_observing; }
    bool holdsSleepDelay() const { return m_sleepDelay.isValid(); }

signals:
    // No program opened `url`: the person may still copy the address.
    void urlNotOpened(const QUrl& url);
    void willSleep();
    void didWake();
    // Emitted while Application::currentQuitReason() reads restart or shutDown, so an observer asking the
    // application to terminate is granted as a system quit.
    void willPowerOff();

private slots:
    void onPrepareForSleep(bool start);
    void onPrepareForShutdown(bool start);
    void onPrepareForShutdownWithMetadata(bool start, const QVariantMap& metadata);

private:
    void runOpener(const QString& opener, const QUrl& url);

    // Restart for logind's reboot kinds, shut-down for anything else (power-off, halt, none known).
    static QuitReason quitReasonOf(const QString& shutdownType);
    void announcePowerOff(QuitReason reason);
    void askScheduledShutdown();

    void takeSleepDelay();
    void onSleepDelayReply(QDBusPendingCallWatcher* watcher);

    QDBusConnection m_bus;
    QString m_service;
    bool m_observing = false;
    bool m_delayRequested = false;
    // logind (systemd 255 and later) sends the shut-down with its kind first, then the plain signal.
    bool m_shutdownAnnounced = false;
    QDBusUnixFileDescriptor m_sleepDelay;
    std::function<bool(const QUrl&)> m_opener;
};

} // namespace platform
