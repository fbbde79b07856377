#include "platform/UrlEvents.h"

#include "platform/Bundle.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QStandardPaths>
#include <QtEndian>

#include <optional>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcUrlEvents, "veltrix.platform.urlevents")

constexpr qint64 headerBytes = 4;
constexpr char acceptedByte = 'K';
constexpr int claimPatienceMs = static_cast<int>(UrlEvents::claimPatienceSeconds * 1000);
constexpr int lockWaitMs = 100;
constexpr int connectTimeoutMs = 500;
constexpr int replyTimeoutMs = 2000;

// Message: a 32-bit big-endian length, then a compact JSON array of the arguments.
QByteArray encode(const QStringList& arguments) {
    QStringList kept;
    qint64 size = headerBytes + 2;
    for (const QString& argument : arguments) {
        const qint64 cost = QJsonDocument(QJsonArray{argument}).toJson(QJsonDocument::Compact).size();
        if (size + cost > UrlEvents::maxMessageBytes) {
            qCWarning(lcUrlEvents) << "Arguments too long to forward; dropped"
                                   << arguments.size() - kept.size();
            break;
        }
        kept.append(argument);
        size += cost;
    }
    const QByteArray payload = QJsonDocument(QJsonArray::fromStringList(kept)).toJson(QJsonDocument::Compact);
    QByteArray message(headerBytes, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), message.data());
    return message + payload;
}

// The peer is untrusted: anything but an array of texts is refused.
std::optional<QStringList> decode(const QByteArray& payload) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QStringList arguments;
    for (const QJsonValue& value : document.array()) {
        if (!value.isString()) {
            return std::nullopt;
        }
        arguments.append(value.toString());
    }
    return arguments;
}

} // namespace

UrlEvents& UrlEvents::shared() {
    static UrlEvents* events = [] {
        QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (directory.isEmpty()) {
            directory = QDir::tempPath();
        }
        QString identifier = Bundle::main().bundleIdentifier();
        if (identifier.isEmpty()) {
            identifier = QCoreApplication::applicationName();
        }
        return new UrlEvents(identifier, directory); // lives as long as the process
    }();
    return *events;
}

UrlEvents::UrlEvents(QString identifier, QString directory, QObject* parent)
    : QObject(parent), m_identifier(std::move(identifier)), m_directory(std::move(directory)) {}

UrlEvents::~UrlEvents() {
    release();
}

QString UrlEvents::lockPath() const {
    return m_directory + QLatin1Char('/') + m_identifier + QStringLiteral(".lock");
}

QString UrlEvents::serverName() const {
    return m_directory + QLatin1Char('/') + m_identifier + QStringLiteral(".socket");
}

bool UrlEvents::isPrimary() const {
    return m_lock && m_lock->isLocked();
}

UrlEvents::LaunchDecision UrlEvents::claim(const QStringList& arguments) {
    if (isPrimary()) {
        return LaunchDecision::primary;
    }
    const QStringList ownArguments = arguments.mid(1);
    QDir().mkpath(m_directory);
    m_lock = std::make_unique<QLockFile>(lockPath());
    // A holder that runs for hours is still the holder; only a dead one leaves a stale lock.
    m_lock->setStaleLockTime(0);

    QDeadlineTimer patience(claimPatienceMs);
    for (int attempt = 0;; ++attempt) {
        // After the first attempt the lock wait doubles as the pause between tries.
        if (m_lock->tryLock(attempt == 0 ? 0 : lockWaitMs)) {
            listen();
            if (QCoreApplication* app = QCoreApplication::instance()) {
                connect(app, &QCoreApplication::aboutToQuit, this, &UrlEvents::release, Qt::UniqueConnection);
            }
            qCInfo(lcUrlEvents) << "This is the running copy";
            for (const QUrl& url : urlsIn(ownArguments)) {
                deliver(url);
            }
            return LaunchDecision::primary;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            // Without a usable lock folder nobody can tell who runs; starting beats refusing to start.
            qCWarning(lcUrlEvents) << "Cannot take the single-instance lock; running anyway";
            m_lock.reset();
            return LaunchDecision::primary;
        }
        bool sent = false;
        if (forward(ownArguments, &sent) == LaunchDecision::secondaryForwarded) {
            m_lock.reset();
            return LaunchDecision::secondaryForwarded;
        }
        if (sent || patience.hasExpired()) {
            qCWarning(lcUrlEvents) << "The running copy did not take the launch";
            m_lock.reset();
            return LaunchDecision::secondaryFailed;
        }
    }
}

void UrlEvents::release() {
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lock) {
        m_lock->unlock();
        m_lock.reset();
    }
}

bool UrlEvents::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &UrlEvents::onNewConnection);
    if (!m_server->listen(serverName())) {
        // We hold the lock, so a socket file left behind belongs to a copy that crashed.
        QLocalServer::removeServer(serverName());
        if (!m_server->listen(serverName())) {
            qCWarning(lcUrlEvents).noquote()
                << "Cannot listen for later launches:" << m_server->errorString();
            return false;
        }
    }
    return true;
}

UrlEvents::LaunchDecision UrlEvents::forward(const QStringList& arguments, bool* sent) {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return LaunchDecision::secondaryFailed;
    }
    socket.write(encode(arguments));
    *sent = socket.waitForBytesWritten(replyTimeoutMs);
    if (!*sent) {
        return LaunchDecision::secondaryFailed;
    }
    while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(replyTimeoutMs)) {
    }
    if (socket.read(1) != QByteArray(1, acceptedByte)) {
        return LaunchDecision::secondaryFailed;
    }
    qCInfo(lcUrlEvents) << "Launch handed to the running copy";
    return LaunchDecision::secondaryForwarded;
}

void UrlEvents::onNewConnection() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        peer->setReadBufferSize(maxMessageBytes);
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { onPeerData(peer); });
        DispatchQueue::main().asyncAfter(peerTimeoutSeconds, [peer = QPointer<QLocalSocket>(peer)] {
            if (peer && peer->state() == QLocalSocket::ConnectedState) {
                qCWarning(lcUrlEvents) << "A later launch took too long to talk; dropped";
                peer->abort();
            }
        });
    }
}

void UrlEvents::onPeerData(QLocalSocket* peer) {
    if (peer->property("answered").toBool()) {
        peer->readAll();
        return;
    }
    if (peer->bytesAvailable() < headerBytes) {
        return;
    }
    const QByteArray header = peer->peek(headerBytes);
    const quint32 length = qFromBigEndian<quint32>(header.constData());
    if (length > maxMessageBytes - headerBytes) {
        qCWarning(lcUrlEvents) << "Refused an oversized message from a later launch";
        peer->abort();
        return;
    }
    if (peer->bytesAvailable() < headerBytes + length) {
        return;
    }
    peer->read(headerBytes);
    const std::optional<QStringList> arguments = decode(peer->read(length));
    if (!arguments) {
        qCWarning(lcUrlEvents) << "Refused a malformed message from a later launch";
        peer->abort();
        return;
    }
    peer->setProperty("answered", true);
    peer->write(QByteArray(1, acceptedByte));
    peer->flush();
    peer->disconnectFromServer();
    handleForwarded(*arguments);
}

void UrlEvents::handleForwarded(const QStringList& arguments) {
    const QList<QUrl> urls = urlsIn(arguments);
    qCInfo(lcUrlEvents) << "A later launch forwarded" << urls.size() << "URL(s)";
    if (!urls.isEmpty()) {
        for (const QUrl& url : urls) {
            deliver(url);
        }
        return;
    }
    DispatchQueue::main().async([self = QPointer<UrlEvents>(this)] {
        if (self && self->m_reopenHandler) {
            self->m_reopenHandler();
        }
    });
}

void UrlEvents::setUrlHandler(std::function<void(const QUrl&)> handler) {
    m_urlHandler = std::move(handler);
    if (!m_urlHandler || m_pending.isEmpty()) {
        return;
    }
    DispatchQueue::main().async([self = QPointer<UrlEvents>(this), waiting = std::exchange(m_pending, {})] {
        for (const QUrl& url : waiting) {
            if (self) {
                self->deliverOnMain(url);
            }
        }
    });
}

void UrlEvents::setReopenHandler(std::function<void()> handler) {
    m_reopenHandler = std::move(handler);
}

void UrlEvents::deliver(const QUrl& url) {
    DispatchQueue::main().async([self = QPointer<UrlEvents>(this), url] {
        if (self) {
            self->deliverOnMain(url);
        }
    });
}

void UrlEvents::deliverOnMain(const QUrl& url) {
    // The URL carries tokens: only its scheme is ever logged.
    if (!m_urlHandler) {
        qCInfo(lcUrlEvents).noquote() << "Keeping a" << url.scheme() << "URL until a handler is set";
        m_pending.append(url);
        return;
    }
    qCInfo(lcUrlEvents).noquote() << "Delivering a" << url.scheme() << "URL";
    m_urlHandler(url);
}

QList<QUrl> UrlEvents::urlsIn(const QStringList& arguments) {
    QList<QUrl> urls;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-'))) {
            continue;
        }
        const QUrl url(argument, QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty()) {
            urls.append(url);
        }
    }
    return urls;
}

} // namespace platform
