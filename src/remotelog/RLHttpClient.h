#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QPair>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

class QObject;

namespace remotelog {

// What came back for one request.
struct RLHttpResponse {
    // The HTTP status; 0 when no complete answer arrived (refused, reset, timed out, too large).
    int status = 0;
    QByteArray body;
    // Set when no complete answer arrived: what went wrong.
    QString transportError;

    bool completed() const { return status != 0; }
    bool succeeded() const { return status >= 200 && status <= 299; }
};

// POSTs over one QNetworkAccessManager, made for the first request sent, on the thread of the queue
// that owns this client, which must make every call. Each request ends in `done` exactly once on that thread,
// after at most the time-out (an https name is looked up first, within the resolver's own time-outs); an
// answer longer than the limit is cut off as a failure. Requests still out when the client goes are dropped
// without their `done`.
class RLHttpClient {
public:
    using Done = std::function<void(const RLHttpResponse&)>;
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit RLHttpClient(std::chrono::milliseconds timeout = std::chrono::seconds(60),
                          qint64 answerLimit = 1024 * 1024);
    ~RLHttpClient();
    RLHttpClient(const RLHttpClient&) = delete;
    RLHttpClient& operator=(const RLHttpClient&) = delete;

    void post(const QUrl& url, const Headers& headers, const QByteArray& body, Done done);

    std::chrono::milliseconds timeout() const { return m_timeout; }

private:
    QObject* requests();

    const std::chrono::milliseconds m_timeout;
    const qint64 m_answerLimit;
    QObject* m_requests = nullptr; // made on the first request's thread; owns the manager
};

} // namespace remotelog
