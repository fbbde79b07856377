#pragma once

// An HTTP or HTTPS server on 127.0.0.1 for tests and benchmarks: it listens on a free port from construction,
// serves on threads of its own, and records every request it receives. Routes match the path exactly (query
// left out); a request no route matches is answered 404 and recorded all the same. Over https it shows a
// certificate for 127.0.0.1 of its own, which a client trusts from certificateFile().
//
//   testsupport::LoopbackHttpServer server;
//   server.serveBody("/package.zip", bytes);
//   server.serveStatus("/log/batch", 500);
//   server.route("POST", "/session", [](const httplib::Request& req, httplib::Response& res) { ... });
//   manager.get(QNetworkRequest(server.url("/package.zip")));
//   server.requests().first().header("x-app-token");

#include <httplib.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace testsupport {

struct RecordedRequest {
    QByteArray method;
    QByteArray path;
    QByteArray query;                     // the target's part after '?', undecoded
    QMap<QByteArray, QByteArray> headers; // names in lower case; a repeated header keeps its last value
    QByteArray body;

    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
};

class LoopbackHttpServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    enum class Scheme { http, https };

    explicit LoopbackHttpServer(Scheme scheme = Scheme::http);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool isListening() const;
    int port() const { return port_; }
    // http://127.0.0.1:<port><path>, or https://
    QUrl url(const QString& path) const;
    // The https server's certificate (PEM), self-signed: what a client's trust needs.
    static QString certificateFile();
    // Ends every stall, stops listening and waits for the server's threads. The destructor calls it.
    void stop();

    // `method` empty answers every method. A later route for the same method and path replaces the earlier.
    void route(const QByteArray& method, const QByteArray& path, Handler handler);

    // Canned answers, for every method.
    void serveBody(const QByteArray& path, const QByteArray& body,
                   const QMap<QByteArray, QByteArray>& headers = {}, int status = 200);
    // Streamed from disk in chunks, so a large file costs the server no memory.
    void serveFile(const QByteArray& path, const QString& filePath);
    void serveStatus(const QByteArray& path, int status, const QByteArray& body = {});
    void serveRedirect(const QByteArray& path, const QByteArray& location, int status = 302);
    // Announces `declaredLength` bytes, sends `body` and closes the connection.
    void serveShortBody(const QByteArray& path, const QByteArray& body, qint64 declaredLength);
    // Announces `declaredLength` bytes, sends `firstPart` and then nothing until releaseStalls() or stop().
    void serveStall(const QByteArray& path, const QByteArray& firstPart, qint64 declaredLength);
    // Announces `declaredLength` bytes, sends `firstPart` and resets the connection (TCP RST).
    void serveReset(const QByteArray& path, const QByteArray& firstPart, qint64 declaredLength);
    // Stalled answers close their connections; later stalls stall again.
    void releaseStalls();

    QList<RecordedRequest> requests() const;
    int requestCount(const QByteArray& path) const;
    void clearRequests();

private:
    void dispatch(const httplib::Request& request, httplib::Response& response);
    void waitWhileStalled(std::uint64_t generation);

    Scheme scheme_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = -1;

    mutable std::mutex mutex_;
    std::condition_variable stallChanged_;
    std::uint64_t stallGeneration_ = 0;
    bool stopping_ = false;
    std::map<std::pair<QByteArray, QByteArray>, Handler> routes_; // (method, path); method empty for any
    QList<RecordedRequest> requests_;
};

} // namespace testsupport
