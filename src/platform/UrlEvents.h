#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLocalSocket;
class QSocketNotifier;

namespace platform {

class FileLock;

// URLs handed to the client (the sign-in callback) and the single-running-copy rule. The URL comes as a
// command-line argument; a later launch forwards its arguments to the running copy over a local socket and
// exits. Handlers run on the main queue.
class UrlEvents : public QObject {
    Q_OBJECT
public:
    enum class LaunchDecision {
        primary,            // this is the running copy: go on starting
        secondaryForwarded, // the running copy has the arguments: exit
        secondaryFailed,    // another copy holds the lock but did not take the arguments
    };

    // Biggest forwarded message, how long a forwarding peer may take to send it, and how long it may stay
    // silent meanwhile (a launch sends its message at once).
    static constexpr qint64 maxMessageBytes = 64 * 1024;
    static constexpr double peerTimeoutSeconds = 5.0;
    static constexpr double peerSilenceSeconds = 1.0;
    // Later launches talked to at once, so that no flood of connections runs the running copy out of file
    // descriptors. With every place taken, a new one takes the place of the peer silent the longest.
    static constexpr int maxPeers = 64;
    // How long a later launch keeps trying to reach a lock holder whose server may not be up yet; a copy
    // that lost the race for the lock has handed over or left by then.
    static constexpr double claimPatienceSeconds = 3.0;

    // Named after the bundle identifier, in the user's runtime folder.
    static UrlEvents& shared();

    UrlEvents(QString identifier, QString directory, QObject* parent = nullptr);
    ~UrlEvents() override;

    // `arguments` as QCoreApplication::arguments() gives them (the first, the program, is skipped). The
    // primary copy delivers its own URLs; a secondary one forwards everything, with the activation token
    // the desktop gave its launch, and is told to exit.
    LaunchDecision claim(const QStringList& arguments, const QString& activationToken = {});
    bool isPrimary() const;
    // Stops listening and gives up the lock, removing both files.
    void release();

    // URLs that arrive before a handler is set are kept and handed to it when it is.
    void setUrlHandler(std::function<void(const QUrl&)> handler);
    // A forwarded launch without any URL.
    void setReopenHandler(std::function<void()> handler);
    // A forwarded launch's activation token, handed over before its URLs or its reopen.
    void setActivationTokenHandler(std::function<void(const QString&)> handler);
    // How the token travels: an option among the forwarded arguments, which a running copy that does not
    // know it skips as it skips every option.
    static constexpr const char* activationTokenOption = "--activation-token=";
    // Hands a URL to the URL handler on the main queue; callable from any thread.
    void deliver(const QUrl& url);

    // The forwarded message: a 32-bit big-endian length, then a compact JSON array of the arguments.
    // Arguments that would make it longer than maxMessageBytes are dropped from the end.
    static QByteArray encodeMessage(const QStringList& arguments);
    // The JSON after the length. The peer is untrusted: anything but an array of texts is refused.
    static std::optional<QStringList> decodeArguments(const QByteArray& payload);

    // Arguments that are not options and start with a scheme, parsed as links: characters a browser would
    // encode are encoded first. A link that is not valid even so is an invalid URL in the list.
    static QList<QUrl> urlsIn(const QStringList& arguments);

    QString lockPath() const;
    QString serverName() const;

private:
    bool listen();
    void stopListening();
    LaunchDecision forward(const QStringList& arguments, bool* sent);
    void onConnectionsWaiting();
    struct Peer {
        QLocalSocket* socket;
        std::chrono::steady_clock::time_point acceptedAt;
        std::chrono::steady_clock::time_point heardAt;
        bool answered = false;
    };
    void acceptPeer(int descriptor);
    Peer* peerState(const QLocalSocket* socket);
    bool dropSilentestPeer();
    void dropPeer(QLocalSocket* socket);
    void forgetPeer(const QLocalSocket* socket);
    void watchPeer(QLocalSocket* socket, std::chrono::steady_clock::duration delay);
    void checkPeer(QLocalSocket* socket);
    void onPeerData(QLocalSocket* peer);
    void handleForwarded(const QStringList& arguments);
    void deliverOnMain(const QUrl& url);
    void noteRefused(const char* why);

    QString m_identifier;
    QString m_directory;
    std::unique_ptr<FileLock> m_lock;
    // The listening socket is ours, not a QLocalServer: Qt's closes itself for good when accept() fails
    // once, out of descriptors say, and every later launch would then fail.
    int m_listener = -1;
    int m_spare = -1; // held for the moment descriptors run out: closed, it lets one caller be hung up on
    QSocketNotifier* m_listenerNotifier = nullptr;
    std::vector<Peer> m_peers; // in the order they came
    int m_refused = 0;
    std::optional<std::chrono::steady_clock::time_point> m_refusalLoggedAt;
    std::function<void(const QUrl&)> m_urlHandler;
    std::function<void()> m_reopenHandler;
    std::function<void(const QString&)> m_activationTokenHandler;
    QList<QUrl> m_pending;
};

} // namespace platform
