#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

// A D-Bus daemon of the test's own: fake services on it meet neither the desktop's nor those of tests
// running in parallel, and nothing is started on demand from service files.
class PrivateBus {
public:
    PrivateBus() {
        if (!m_dir.isValid()) {
            return;
        }
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            return;
        }
        file.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                           "</policy></busconfig>")
                .arg(m_dir.path())
                .toUtf8());
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000)) {
            return;
        }
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }

    ~PrivateBus() {
        for (const QString& name : m_connections) {
            QDBusConnection::disconnectFromBus(name);
        }
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isValid() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

    // A new connection of its own to the bus (one per peer, as separate processes would have).
    QDBusConnection connect() {
        const QString name = QStringLiteral("private-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_connections << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
