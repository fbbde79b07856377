#include "platform/UrlEvents.h"

#include "platform/AsciiChars.h"
#include "platform/Bundle.h"
#include "platform/FileAccess.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSysInfo>
#include <QtEndian>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcUrlEvents, "veltrix.platform.urlevents")

constexpr qint64 headerBytes = 4;
constexpr char acceptedByte = 'K';
constexpr int claimPatienceMs = static_cast<int>(UrlEvents::claimPatienceSeconds * 1000);
constexpr std::chrono::milliseconds lockWait(100);
constexpr int connectTimeoutMs = 500;
constexpr int replyTimeoutMs = 2000;
// Callers waiting to be accepted; more are refused by the kernel until the queue drains.
constexpr int listenBacklog = 128;
// A flood of refusals is logged once a second at most.
constexpr std::chrono::seconds refusalLogInterval(1);

constexpr Scheduler::Clock::duration clockSeconds(double seconds) {
    return std::chrono::duration_cast<Scheduler::Clock::duration>(std::chrono::duration<double>(seconds));
}
constexpr auto peerTimeout = clockSeconds(UrlEvents::peerTimeoutSeconds);
constexpr auto peerSilence = clockSeconds(UrlEvents::peerSilenceSeconds);

// The characters a browser percent-encodes wherever they stand, and a "%" that starts no escape. Nothing
// else changes: a link valid as it was stays the same link.
QString encodedAsABrowserWould(const QString& link) {
    static const QString alwaysEncoded = QStringLiteral(" \"<>`{}|\\^");
    QString encoded;
    encoded.reserve(link.size());
    for (qsizetype i = 0; i < link.size(); ++i) {
        const QChar c = link[i];
        const bool startsEscape = i + 2 < link.size() && isHexDigit(link[i + 1]) && isHexDigit(link[i + 2]);
        if (c < u' ' || c == u'\x7F' || alwaysEncoded.contains(c) || (c == u'%' && !startsEscape)) {
            encoded += QString::asprintf("%%%02X", c.unicode());
        } else {
            encoded += c;
        }
    }
    return encoded;
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

UrlEvents::LaunchDecision UrlEvents::claim(const QStringList& arguments, const QString& activationToken) {
    if (isPrimary()) {
        return LaunchDecision::primary;
    }
    const QStringList ownArguments = arguments.mid(1);
    QStringList forwarded = ownArguments;
    if (!activationToken.isEmpty()) {
        forwarded.prepend(QLatin1String(activationTokenOption) + activationToken);
    }
    QDir().mkpath(m_directory);
    // The kernel holds the lock on an open file and drops it when its holder dies, however it dies: a file
    // left behind, empty or not, holds nobody back.
    m_lock = std::make_unique<FileLock>(lockPath());
    bool unusableFileRemoved = false;

    QDeadlineTimer patience(claimPatienceMs);
    for (int attempt = 0;; ++attempt) {
        // After the first attempt the lock wait doubles as the pause between tries.
        const FileLock::Result taken =
            m_lock->tryLock(attempt == 0 ? std::chrono::milliseconds(0) : lockWait);
        if (taken == FileLock::Result::locked) {
            // Named as QLockFile names a holder, which tools read: pid, application, host.
            m_lock->describeHolder(QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                   QCoreApplication::applicationName().toUtf8() + '\n' +
                                   QSysInfo::machineHostName().toUtf8() + '\n');
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
        bool sent = false;
        if (forward(forwarded, &sent) == LaunchDecision::secondaryForwarded) {
            m_lock.reset();
            return LaunchDecision::secondaryForwarded;
        }
        if (taken == FileLock::Result::failed) {
            // A lock file that cannot be opened (no permissions, another owner) locks nothing: with nobody
            // answering on the socket, it is stale.
            if (!unusableFileRemoved && QFile::remove(lockPath())) {
                qCWarning(lcUrlEvents).noquote()
                    << "Removed a lock file that could not be opened:" << m_lock->errorString();
                unusableFileRemoved = true;
                continue;
            }
            // Without a usable lock folder nobody can tell who runs; starting beats refusing to start.
            qCWarning(lcUrlEvents).noquote()
                << "Cannot take the single-instance lock (" + m_lock->errorString() + "); running anyway";
            m_lock.reset();
            return LaunchDecision::primary;
        }
        if (sent || patience.hasExpired()) {
            qCWarning(lcUrlEvents) << "The running copy did not take the launch";
            m_lock.reset();
            return LaunchDecision::secondaryFailed;
        }
    }
}

void UrlEvents::release() {
    stopListening();
    if (m_lock) {
        m_lock->unlock(/*removeFile=*/true);
        m_lock.reset();
    }
}

bool UrlEvents::listen() {
    const QByteArray path = QFile::encodeName(serverName());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof(address.sun_path))) {
        qCWarning(lcUrlEvents).noquote()
            << "Cannot listen for later launches: the path" << serverName() << "is too long for a socket";
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // We hold the lock, so a socket file left behind belongs to a copy that crashed.
    ::unlink(path.constData());
    if (listener < 0 || ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(listener, listenBacklog) != 0) {
        qCWarning(lcUrlEvents).noquote() << "Cannot listen for later launches:" << std::strerror(errno);
        if (listener >= 0) {
            ::close(listener);
        }
        return false;
    }
    m_listener = listener;
    m_spare = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    m_listenerNotifier = new QSocketNotifier(qintptr(listener), QSocketNotifier::Read, this);
    connect(m_listenerNotifier, &QSocketNotifier::activated, this, &UrlEvents::onConnectionsWaiting);
    return true;
}

void UrlEvents::stopListening() {
    if (m_listener < 0) {
        return;
    }
    delete m_listenerNotifier;
    m_listenerNotifier = nullptr;
    ::close(m_listener);
    m_listener = -1;
    if (m_spare >= 0) {
        ::close(m_spare);
        m_spare = -1;
    }
    for (const Peer& peer : std::exchange(m_peers, {})) {
        delete peer.socket;
    }
    ::unlink(QFile::encodeName(serverName()).constData());
}

void UrlEvents::onConnectionsWaiting() {
    for (;;) {
        const int peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer >= 0) {
            if (qsizetype(m_peers.size()) >= maxPeers && !dropSilentestPeer()) {
                ::close(peer);
                noteRefused("too many launches at once");
            } else {
                acceptPeer(peer);
            }
            continue;
        }
        const int error = errno;
        if (error == EINTR || error == ECONNABORTED) {
            continue;
        }
        if (error == EAGAIN || error == EWOULDBLOCK) {
            return;
        }
        if ((error == EMFILE || error == ENFILE) && m_spare >= 0) {
            // Out of descriptors: the spare one makes room to take the caller off the queue and hang up.
            ::close(m_spare);
            const int refused = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            m_spare = refused >= 0 ? refused : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (refused < 0) {
                return; // nobody was waiting
            }
            ::shutdown(refused, SHUT_RDWR); // hung up on; the descriptor stays the spare
            noteRefused("out of file descriptors");
            continue;
        }
        // Nothing to do about it now: listen again shortly instead of spinning on the same error.
        qCWarning(lcUrlEvents) << "Cannot take a later launch:" << std::strerror(error);
        m_listenerNotifier->setEnabled(false);
        DispatchQueue::main().asyncAfter(0.1, [self = QPointer<UrlEvents>(this)] {
            if (self && self->m_listenerNotifier) {
                self->m_listenerNotifier->setEnabled(true);
            }
        });
        return;
    }
}

void UrlEvents::noteRefused(const char* why) {
    ++m_refused;
    const auto now = Scheduler::shared().now();
    if (m_refusalLoggedAt && now - *m_refusalLoggedAt < refusalLogInterval) {
        return;
    }
    m_refusalLoggedAt = now;
    qCWarning(lcUrlEvents) << "Hung up on" << m_refused << "later launch(es):" << why;
    m_refused = 0;
}

void UrlEvents::acceptPeer(int descriptor) {
    auto* peer = new QLocalSocket(this);
    if (!peer->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        delete peer;
        return;
    }
    const auto now = Scheduler::shared().now();
    m_peers.push_back({peer, now, now});
    peer->setReadBufferSize(maxMessageBytes);
    connect(peer, &QLocalSocket::disconnected, this, [this, peer] {
        forgetPeer(peer);
        peer->deleteLater();
    });
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] { onPeerData(peer); });
    watchPeer(peer, peerSilence);
}

UrlEvents::Peer* UrlEvents::peerState(const QLocalSocket* socket) {
    const auto found = std::find_if(m_peers.begin(), m_peers.end(),
                                    [socket](const Peer& peer) { return peer.socket == socket; });
    return found == m_peers.end() ? nullptr : &*found;
}

bool UrlEvents::dropSilentestPeer() {
    // A peer whose message waits unread is about to be heard: accepted in the same burst as the newcomers,
    // it has had no turn yet.
    const auto hasBytesWaiting = [](const QLocalSocket* socket) {
        int waiting = 0;
        return socket->bytesAvailable() > 0 ||
               (::ioctl(int(socket->socketDescriptor()), FIONREAD, &waiting) == 0 && waiting > 0);
    };
    const Peer* silentest = nullptr;
    for (const Peer& peer : m_peers) {
        if (!peer.answered && (!silentest || peer.heardAt < silentest->heardAt) &&
            !hasBytesWaiting(peer.socket)) {
            silentest = &peer;
        }
    }
    if (!silentest) {
        return false;
    }
    noteRefused("a silent one made room for a newer one");
    dropPeer(silentest->socket);
    return true;
}

void UrlEvents::dropPeer(QLocalSocket* socket) {
    forgetPeer(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void UrlEvents::forgetPeer(const QLocalSocket* socket) {
    std::erase_if(m_peers, [socket](const Peer& peer) { return peer.socket == socket; });
}

void UrlEvents::watchPeer(QLocalSocket* socket, Scheduler::Clock::duration delay) {
    DispatchQueue::main().asyncAfter(
        std::chrono::duration<double>(delay).count(),
        [self = QPointer<UrlEvents>(this), socket = QPointer<QLocalSocket>(socket)] {
            if (self && socket) {
                self->checkPeer(socket);
            }
        });
}

void UrlEvents::checkPeer(QLocalSocket* socket) {
    const Peer* peer = peerState(socket);
    if (!peer || peer->answered) {
        return;
    }
    const auto now = Scheduler::shared().now();
    const auto deadline = peer->acceptedAt + peerTimeout;
    const auto silentAt = peer->heardAt + peerSilence;
    if (now >= deadline || now >= silentAt) {
        noteRefused(now >= deadline ? "too slow to send its launch" : "silent too long");
        dropPeer(socket);
        return;
    }
    watchPeer(socket, std::min(deadline, silentAt) - now);
}

UrlEvents::LaunchDecision UrlEvents::forward(const QStringList& arguments, bool* sent) {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return LaunchDecision::secondaryFailed;
    }
    socket.write(encodeMessage(arguments));
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

void UrlEvents::onPeerData(QLocalSocket* peer) {
    Peer* state = peerState(peer);
    if (!state || state->answered) {
        peer->readAll();
        return;
    }
    state->heardAt = Scheduler::shared().now();
    if (peer->bytesAvailable() < headerBytes) {
        return;
    }
    const QByteArray header = peer->peek(headerBytes);
    const quint32 length = qFromBigEndian<quint32>(header.constData());
    if (length > maxMessageBytes - headerBytes) {
        qCWarning(lcUrlEvents) << "Refused an oversized message from a later launch";
        dropPeer(peer);
        return;
    }
    if (peer->bytesAvailable() < headerBytes + length) {
        return;
    }
    peer->read(headerBytes);
    const std::optional<QStringList> arguments = decodeArguments(peer->read(length));
    if (!arguments) {
        qCWarning(lcUrlEvents) << "Refused a malformed message from a later launch";
        dropPeer(peer);
        return;
    }
    state->answered = true;
    peer->write(QByteArray(1, acceptedByte));
    peer->flush();
    peer->disconnectFromServer();
    handleForwarded(*arguments);
}

void UrlEvents::handleForwarded(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String(activationTokenOption)) && m_activationTokenHandler) {
            m_activationTokenHandler(argument.mid(qsizetype(std::strlen(activationTokenOption))));
        }
    }
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

void UrlEvents::setActivationTokenHandler(std::function<void(const QString&)> handler) {
    m_activationTokenHandler = std::move(handler);
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

QByteArray UrlEvents::encodeMessage(const QStringList& arguments) {
    QStringList kept;
    qint64 size = headerBytes + 2;
    for (const QString& argument : arguments) {
        const qint64 cost = QJsonDocument(QJsonArray{argument}).toJson(QJsonDocument::Compact).size();
        if (size + cost > maxMessageBytes) {
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

std::optional<QStringList> UrlEvents::decodeArguments(const QByteArray& payload) {
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

QList<QUrl> UrlEvents::urlsIn(const QStringList& arguments) {
    // A letter, then letters, digits, '+', '.' or '-', up to a colon.
    const auto startsWithScheme = [](const QString& argument) {
        const qsizetype colon = argument.indexOf(QLatin1Char(':'));
        return colon > 0 && isAsciiLetter(argument.front()) &&
               std::all_of(argument.begin(), argument.begin() + colon, [](QChar c) {
                   return isAsciiLetterOrDigit(c) || c == u'+' || c == u'.' || c == u'-';
               });
    };
    QList<QUrl> urls;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) || !startsWithScheme(argument)) {
            continue;
        }
        // A browser or xdg-open may hand a link over with a blank or a quote left as it is: encoded as a
        // browser would encode it, it then meets the same strict rules as any other. One that still fails
        // goes on as an invalid URL, for its handler to refuse, never taken for a launch without a link.
        const QUrl url(encodedAsABrowserWould(argument), QUrl::StrictMode);
        urls.append(url.isValid() && !url.scheme().isEmpty() ? url : QUrl());
    }
    return urls;
}

} // namespace platform
