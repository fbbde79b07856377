// The loopback server's canned answers as Qt Network, the client's HTTP stack, receives them.
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <gtest/gtest.h>

#include <memory>

using testsupport::LoopbackHttpServer;

namespace {

struct Received {
    bool finished = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray header;
};

Received fetch(QNetworkAccessManager& manager, const QUrl& url, int timeoutMs = 5000) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    Received received;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] { received.body += reply->readAll(); });
    received.finished = testsupport::waitUntil([&] { return reply->isFinished(); }, timeoutMs);
    received.body += reply->readAll();
    received.error = reply->error();
    received.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    received.header = reply->rawHeader("X-Kind");
    return received;
}

TEST(LoopbackHttpServer, CannedAnswersReachTheClientAsAServerWouldSendThem) {
    LoopbackHttpServer server;
    ASSERT_TRUE(server.isListening());
    const QByteArray body(100000, 'p');
    server.serveBody("/body", body, {{"X-Kind", "package"}});
    server.serveStatus("/missing", 404);
    server.serveStatus("/broken", 500, "down");
    server.serveStatus("/slow", 408);
    server.serveStatus("/busy", 429);
    server.serveRedirect("/moved", "/body");
    server.serveShortBody("/short", "only part", 1000);
    server.serveReset("/reset", "first", 1000);

    // A cut answer is not always an error to Qt: a close or reset can end a reply "successfully", short of
    // its announced length.
    enum Outcome { Complete, HttpError, Cut };
    const struct {
        const char* path;
        Outcome outcome;
        int status;
        QByteArray body;
    } cases[] = {
        {"/body", Complete, 200, body},
        {"/moved", Complete, 200, body},
        {"/missing", HttpError, 404, {}},
        {"/nowhere", HttpError, 404, {}},
        {"/broken", HttpError, 500, "down"},
        {"/slow", HttpError, 408, {}},
        {"/busy", HttpError, 429, {}},
        {"/short", Cut, 200, "only part"},
        {"/reset", Cut, 200, {}},
    };
    QNetworkAccessManager manager;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Received received = fetch(manager, server.url(QString::fromLatin1(c.path)));
        ASSERT_TRUE(received.finished);
        EXPECT_EQ(received.status, c.status);
        if (!c.body.isEmpty()) {
            EXPECT_EQ(received.body, c.body);
        }
        switch (c.outcome) {
        case Complete:
            EXPECT_EQ(received.error, QNetworkReply::NoError);
            break;
        case HttpError:
            EXPECT_NE(received.error, QNetworkReply::NoError);
            break;
        case Cut:
            EXPECT_LT(received.body.size(), 1000); // the announced length never arrives
            break;
        }
    }
    EXPECT_EQ(fetch(manager, server.url(QStringLiteral("/body"))).header, "package");
}

TEST(LoopbackHttpServer, AStallHoldsTheAnswerUntilReleased) {
    LoopbackHttpServer server;
    server.serveStall("/stall", "abc", 100);
    QNetworkAccessManager manager;
    QNetworkRequest request(server.url(QStringLiteral("/stall")));
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QByteArray body;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] { body += reply->readAll(); });

    EXPECT_FALSE(testsupport::waitUntil([&] { return reply->isFinished(); }, 300));
    EXPECT_EQ(body, "abc");
    server.releaseStalls();
    ASSERT_TRUE(testsupport::waitUntil([&] { return reply->isFinished(); }));
    EXPECT_EQ(body + reply->readAll(), "abc"); // closed short of its length
}

TEST(LoopbackHttpServer, StopEndsStalledAnswersPromptly) {
    auto server = std::make_unique<LoopbackHttpServer>();
    server->serveStall("/stall", {}, 100);
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(server->url(QStringLiteral("/stall")))));
    ASSERT_TRUE(testsupport::waitUntil([&] { return server->requestCount("/stall") == 1; }));

    QElapsedTimer clock;
    clock.start();
    server.reset();
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(LoopbackHttpServer, RecordsEveryRequestWithItsHeadersAndBody) {
    LoopbackHttpServer server;
    server.route("POST", "/session", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content("{\"echo\":" + std::to_string(request.body.size()) + "}", "application/json");
    });
    QNetworkAccessManager manager;
    QNetworkRequest request(server.url(QStringLiteral("/session?tag=OSX")));
    request.setRawHeader("X-App-Token", "token-1");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    std::unique_ptr<QNetworkReply> post(manager.post(request, QByteArray("{\"a\":1}")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return post->isFinished(); }));
    EXPECT_EQ(post->readAll(), "{\"echo\":7}");
    // A GET to the POST route is not routed.
    EXPECT_EQ(fetch(manager, server.url(QStringLiteral("/session"))).status, 404);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/session");
    EXPECT_EQ(requests[0].query, "tag=OSX");
    EXPECT_EQ(requests[0].header("X-App-Token"), "token-1");
    EXPECT_EQ(requests[0].body, "{\"a\":1}");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(server.requestCount("/session"), 2);
    server.clearRequests();
    EXPECT_TRUE(server.requests().isEmpty());
}

} // namespace
