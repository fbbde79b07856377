#pragma once

// The remote-logging service as the tests play it: the loopback server answering the five requests under
// "/api/", and a bounded wait that runs Qt's events (the replies) and, with a ManualScheduler, its due work.

#include "platform/ManualScheduler.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <atomic>
#include <functional>

namespace remotelogtest {

// Runs events and due tasks until `done` holds or `timeoutMs` passes.
inline bool waitFor(platform::ManualScheduler* scheduler, const std::function<bool()>& done,
                    int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        if (scheduler) {
            scheduler->runUntilIdle();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

// Lets whatever is under way finish: `ms` of events and due tasks.
inline void settle(platform::ManualScheduler* scheduler, int ms = 150) {
    waitFor(
        scheduler, [] { return false; }, ms);
}

class Service {
public:
    explicit Service(
        testsupport::LoopbackHttpServer::Scheme scheme = testsupport::LoopbackHttpServer::Scheme::http)
        : server(scheme) {
        answerJson("app/device-status", R"({"logger_enabled":true,"latest_sdk_version":{"linux":37}})");
        server.route("", "/api/session", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                QByteArray("{\"id\":" + QByteArray::number(++sessionIds) + "}").toStdString(),
                "application/json");
        });
        answerJson("log/batch", "{}");
        answerJson("issue", "{}");
        answerJson("device/keyvalue", "{}");
    }

    QUrl base() const { return server.url(QStringLiteral("/api/")); }
    void answerJson(const QByteArray& path, const QByteArray& json) {
        server.serveBody("/api/" + path, json);
    }
    void answerStatus(const QByteArray& path, int status) { server.serveStatus("/api/" + path, status); }

    // The requests received, oldest first, to "/api/<path>" or, without a path, to any.
    QList<testsupport::RecordedRequest> received(const QByteArray& path = {}) const {
        QList<testsupport::RecordedRequest> found;
        for (const auto& request : server.requests()) {
            if (path.isEmpty() || request.path == "/api/" + path) {
                found.append(request);
            }
        }
        return found;
    }
    int count(const QByteArray& path) const { return int(received(path).size()); }
    // Waits until no request arrived for `quietMs` (at most `timeoutMs`): what was under way is over.
    bool waitUntilQuiet(platform::ManualScheduler* scheduler, int quietMs = 300, int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        qsizetype seen = -1;
        while (!deadline.hasExpired()) {
            seen = server.requests().size();
            settle(scheduler, quietMs);
            if (server.requests().size() == seen) {
                return true;
            }
        }
        return false;
    }
    // The paths in order of arrival, without "/api/".
    QByteArrayList order() const {
        QByteArrayList paths;
        for (const auto& request : server.requests()) {
            paths.append(request.path.mid(5));
        }
        return paths;
    }
    static QJsonObject body(const testsupport::RecordedRequest& request) {
        return QJsonDocument::fromJson(request.body).object();
    }
    // The texts ("t") of every log line the batches carried.
    QStringList loggedTexts() const {
        QStringList texts;
        for (const auto& batch : received("log/batch")) {
            for (const QJsonValue& line : body(batch).value(QStringLiteral("logs")).toArray()) {
                texts.append(line.toObject().value(QStringLiteral("t")).toString());
            }
        }
        return texts;
    }

    testsupport::LoopbackHttpServer server;
    std::atomic<int> sessionIds{0};
};

} // namespace remotelogtest
