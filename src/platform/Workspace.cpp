#include "platform/Workspace.h"

#include "platform/Application.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

#include <utility>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcWorkspace, "veltrix.platform.workspace")

const QString loginPath = QStringLiteral("/org/freedesktop/login1");
const QString loginManager = QStringLiteral("org.freedesktop.login1.Manager");
// The kind of a shut-down is asked as the system goes down: a short wait, then it counts as a power-off.
constexpr int scheduledShutdownTimeoutMs = 500;
// How long the desktop's opener takes at most to say that nothing could open a URL.
constexpr qint64 openerVerdictMs = 15000;

} // namespace

Workspace& Workspace::shared() {
    static Workspace* workspace = new Workspace; // lives as long as the process
    return *workspace;
}

Workspace::Workspace(QObject* parent) : QObject(parent), m_bus(QString()) {}

Workspace::~Workspace() {
    stopObservingPower();
}

bool Workspace::openURL(const QUrl& url) {
    if (!url.isValid() || url.scheme().isEmpty()) {
        qCWarning(lcWorkspace) << "Not opening an invalid URL";
        return false;
    }
    if (m_opener) {
        if (!m_opener(url)) {
            emit urlNotOpened(url);
        }
        return true;
    }
    if (const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        !opener.isEmpty()) {
        runOpener(opener, url);
        return true;
    }
    if (!QDesktopServices::openUrl(url)) {
        qCWarning(lcWorkspace).noquote() << "No handler opened a" << url.scheme() << "URL";
        emit urlNotOpened(url);
    }
    return true;
}

// Qt's own launch of xdg-open never learns whether a browser took the URL; its exit status says so. The
// process is not a child of this object: one still running at quit (a browser it runs) is left running.
void Workspace::runOpener(const QString& opener, const QUrl& url) {
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({QString::fromUtf8(url.toEncoded())});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer started;
    started.start();
    const auto notOpened = [this, url](const char* why) {
        qCWarning(lcWorkspace).noquote() << "No program opened a" << url.scheme() << "URL:" << why;
        emit urlNotOpened(url);
    };
    connect(process, &QProcess::errorOccurred, this, [process, notOpened](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            process->deleteLater();
            notOpened("the opener did not start");
        }
    });
    connect(process, &QProcess::finished, this,
            [process, started, notOpened](int code, QProcess::ExitStatus status) {
                process->deleteLater();
                // Later, it is the end of a browser the opener ran, not its verdict.
                if ((status != QProcess::NormalExit || code != 0) && started.elapsed() < openerVerdictMs) {
                    notOpened("the opener failed");
                }
            });
    process->start();
}

bool Workspace::startObservingPower(const QDBusConnection& bus, const QString& service) {
    stopObservingPower();
    if (!bus.isConnected()) {
        qCInfo(lcWorkspace) << "No bus connection: sleep, wake and power-off events are off";
        return false;
    }
    m_bus = bus;
    m_service = service;
    m_bus.connect(m_service, loginPath, loginManager, QStringLiteral("PrepareForSleep"), this,
                  SLOT(onPrepareForSleep(bool)));
    m_bus.connect(m_service, loginPath, loginManager, QStringLiteral("PrepareForShutdown"), this,
                  SLOT(onPrepareForShutdown(bool)));
    m_bus.connect(m_service, loginPath, loginManager, QStringLiteral("PrepareForShutdownWithMetadata"), this,
                  SLOT(onPrepareForShutdownWithMetadata(bool, QVariantMap)));
    m_observing = true;
    takeSleepDelay();
    return true;
}

void Workspace::stopObservingPower() {
    if (!m_observing) {
        return;
    }
    m_bus.disconnect(m_service, loginPath, loginManager, QStringLiteral("PrepareForSleep"), this,
                     SLOT(onPrepareForSleep(bool)));
    m_bus.disconnect(m_service, loginPath, loginManager, QStringLiteral("PrepareForShutdown"), this,
                     SLOT(onPrepareForShutdown(bool)));
    m_bus.disconnect(m_service, loginPath, loginManager, QStringLiteral("PrepareForShutdownWithMetadata"),
                     this, SLOT(onPrepareForShutdownWithMetadata(bool, QVariantMap)));
    m_observing = false;
    m_shutdownAnnounced = false;
    m_sleepDelay = QDBusUnixFileDescriptor();
}

// Asks logind, without waiting, to hold sleep until we close the returned descriptor.
void Workspace::takeSleepDelay() {
    if (!m_observing || m_delayRequested || m_sleepDelay.isValid()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, loginPath, loginManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QCoreApplication::applicationName()
         << QStringLiteral("Finishing work before sleep") << QStringLiteral("delay");
    m_delayRequested = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &Workspace::onSleepDelayReply);
}

void Workspace::onSleepDelayReply(QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    m_delayRequested = false;
    if (!m_observing) {
        return;
    }
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isError()) {
        const QDBusError error = reply.error();
        if (error.type() == QDBusError::ServiceUnknown ||
            error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
            qCInfo(lcWorkspace) << "No logind: sleep, wake and power-off events are off";
            stopObservingPower();
        } else {
            qCWarning(lcWorkspace).noquote() << "Sleep delay refused:" << reply.error().name();
        }
        return;
    }
    m_sleepDelay = reply.value();
}

void Workspace::onPrepareForSleep(bool start) {
    if (!start) {
        qCInfo(lcWorkspace) << "Did wake";
        emit didWake();
        takeSleepDelay();
        return;
    }
    qCInfo(lcWorkspace) << "Will sleep";
    emit willSleep();
    // The observers are done: let the system go to sleep.
    m_sleepDelay = QDBusUnixFileDescriptor();
}

void Workspace::onPrepareForShutdownWithMetadata(bool start, const QVariantMap& metadata) {
    if (!start) {
        return;
    }
    m_shutdownAnnounced = true; // the plain signal that follows is the same shut-down
    announcePowerOff(quitReasonOf(metadata.value(QStringLiteral("type")).toString()));
}

void Workspace::onPrepareForShutdown(bool start) {
    if (!start) {
        m_shutdownAnnounced = false;
        return; // a shut-down that was called off
    }
    if (std::exchange(m_shutdownAnnounced, false)) {
        return;
    }
    if (!m_bus.isConnected()) {
        announcePowerOff(QuitReason::shutDown); // no logind to ask
        return;
    }
    // An older logind says only that the system goes down; a scheduled shut-down still says its kind.
    askScheduledShutdown();
}

void Workspace::askScheduledShutdown() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_service, loginPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << loginManager << QStringLiteral("ScheduledShutdown");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, scheduledShutdownTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        QString type;
        const QDBusPendingReply<QDBusVariant> answer = *reply;
        if (!answer.isError()) {
            // (st): the kind and when; an empty kind when nothing is scheduled.
            const QDBusArgument scheduled = answer.value().variant().value<QDBusArgument>();
            if (scheduled.currentSignature() == QLatin1String("(st)")) {
                quint64 usec = 0;
                scheduled.beginStructure();
                scheduled >> type >> usec;
                scheduled.endStructure();
            }
        }
        announcePowerOff(quitReasonOf(type));
    });
}

QuitReason Workspace::quitReasonOf(const QString& shutdownType) {
    QString type = shutdownType;
    if (type.startsWith(QLatin1String("dry-"))) {
        type = type.mid(4);
    }
    static const QStringList restarts = {QStringLiteral("reboot"), QStringLiteral("soft-reboot"),
                                         QStringLiteral("kexec")};
    return restarts.contains(type) ? QuitReason::restart : QuitReason::shutDown;
}

void Workspace::announcePowerOff(QuitReason reason) {
    qCInfo(lcWorkspace) << (reason == QuitReason::restart ? "Will restart" : "Will power off");
    Application::QuitReasonScope scope(reason);
    emit willPowerOff();
}

} // namespace platform
