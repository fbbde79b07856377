#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace platform {

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

    // Biggest forwarded message, and how long a forwarding peer may take to send it.
    static constexpr qint64 maxMessageBytes = 64 * 1024;
    static constexpr double peerTimeoutSeconds = 5.0;
    // How long a later launch keeps trying to reach a lock holder whose server may not be up yet; a copy
    // that lost the race for the lock has handed over or left by then.
    static constexpr double claimPatienceSeconds = 3.0;

    // Named after the bundle identifier, in the user's runtime folder.
    static UrlEvents& shared();

    UrlEvents(QString identifier, QString directory, QObject* parent = nullptr);
    ~UrlEvents() override;

    // `arguments` as QCoreApplication::arguments() gives them (the first, the program, is skipped). The
    // primary copy delivers its own URLs; a secondary one forwards everything and is told to exit.
    LaunchDecision claim(const QStringList& arguments);
    bool isPrimary() const;
    // Stops listening and gives up the lock.
    void release();

    // URLs that arrive before a handler is set are kept and handed to it when it is.
    void setUrlHandler(std::function<void(const QUrl&)> handler);
    // A forwarded launch without any URL.
    void setReopenHandler(std::function<void()> handler);
    // Hands a URL to the URL handler on the main queue; callable from any thread.
    void deliver(const QUrl& url);

    // Arguments that are not options and parse as URLs with a scheme.
    static QList<QUrl> urlsIn(const QStringList& arguments);

    QString lockPath() const;
    QString serverName() const;

private:
    bool listen();
    LaunchDecision forward(const QStringList& arguments, bool* sent);
    void onNewConnection();
    void onPeerData(QLocalSocket* peer);
    void handleForwarded(const QStringList& arguments);
    void deliverOnMain(const QUrl& url);

    QString m_identifier;
    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::function<void(const QUrl&)> m_urlHandler;
    std::function<void()> m_reopenHandler;
    QList<QUrl> m_pending;
};

} // namespace platform
