// The service's client against the loopback service: what goes out, and what each kind of answer becomes.
#include "remotelog/RLApiClient.h"

#include "support/RemoteLogService.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace remotelog;
using remotelogtest::Service;
using remotelogtest::waitFor;

namespace {

struct ApiClientTest : ::testing::Test {
    Service service;
    RLHttpClient http{std::chrono::milliseconds(700)};
    RLApiClient api{service.base(), http};

    // Sends an issue and waits for its answer.
    std::optional<RLError> sendIssue() {
        bool answered = false;
        std::optional<RLError> result;
        api.sendIssue({{"title", "t"}, {"session_id", 12}}, [&](const std::optional<RLError>& error) {
            result = error;
            answered = true;
        });
        EXPECT_TRUE(waitFor(nullptr, [&] { return answered; }));
        return result;
    }
};

} // namespace

TEST_F(ApiClientTest, EveryAnswerButAJsonTwoHundredIsAnErrorOfItsKind) {
    const auto stall = [](Service& s) { s.server.serveStall("/api/issue", "{", 100); };
    const auto reset = [](Service& s) { s.server.serveReset("/api/issue", "{\"a\"", 100); };
    const struct {
        const char* name;
        std::function<void(Service&)> answer;
        std::optional<QString> domain;
        int code;
    } cases[] = {
        {"json", [](Service& s) { s.answerJson("issue", "{}"); }, std::nullopt, 0},
        {"empty 204", [](Service& s) { s.server.serveBody("/api/issue", {}, {}, 204); }, RLJsonErrorDomain,
         1},
        {"not json", [](Service& s) { s.answerJson("issue", "ok"); }, RLJsonErrorDomain, 1},
        {"404", [](Service& s) { s.answerStatus("issue", 404); }, RLApiClientErrorDomain, 404},
        {"408", [](Service& s) { s.answerStatus("issue", 408); }, RLApiClientErrorDomain, 408},
        {"429", [](Service& s) { s.answerStatus("issue", 429); }, RLApiClientErrorDomain, 429},
        {"503", [](Service& s) { s.answerStatus("issue", 503); }, RLApiClientErrorDomain, 503},
        {"stall", stall, RLNetworkErrorDomain, 0},
        {"reset", reset, RLNetworkErrorDomain, 0},
    };
    for (const auto& c : cases) {
        c.answer(service);
        const auto error = sendIssue();
        EXPECT_EQ(error.has_value(), c.domain.has_value()) << c.name;
        if (error && c.domain) {
            EXPECT_EQ(error->domain, *c.domain) << c.name;
            EXPECT_EQ(error->code, c.code) << c.name;
        }
        service.server.releaseStalls();
    }
    EXPECT_EQ(RLError({RLApiClientErrorDomain, 404, {}}).isFinalRejection(), true);
    EXPECT_EQ(RLError({RLApiClientErrorDomain, 408, {}}).isFinalRejection(), false);
    EXPECT_EQ(RLError({RLApiClientErrorDomain, 429, {}}).isFinalRejection(), false);
}

TEST_F(ApiClientTest, RequestsCarryTheLibrarysHeadersAndTheSessionOnlyWhereTheBodyHasOne) {
    api.setAppToken(QStringLiteral("KEY"));
    api.setAppToken(std::nullopt); // an absent key keeps the one set
    bool done = false;
    api.sendSession({{"time", "now"}}, [&](const std::optional<RLError>& error, qint64 id) {
        EXPECT_FALSE(error);
        EXPECT_EQ(id, 1);
        done = true;
    });
    ASSERT_TRUE(waitFor(nullptr, [&] { return done; }));
    sendIssue();

    const auto session = service.received("session");
    const auto issue = service.received("issue");
    ASSERT_EQ(session.size(), 1);
    ASSERT_EQ(issue.size(), 1);
    for (const auto& request : {session.first(), issue.first()}) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.header("content-type"), "application/json");
        EXPECT_EQ(request.header("accept"), "application/json");
        EXPECT_EQ(request.header("x-app-token"), "KEY");
        EXPECT_TRUE(request.header("user-agent").endsWith(" remotelog-linux/37"))
            << request.header("user-agent").constData();
    }
    EXPECT_FALSE(session.first().headers.contains("x-app-session"));
    EXPECT_EQ(issue.first().header("x-app-session"), "12");
    EXPECT_EQ(Service::body(session.first()), (QJsonObject{{"time", "now"}}));
}

TEST_F(ApiClientTest, DeviceStatusAndSessionAnswersAreReadAndAMissingBatchSendsNothing) {
    service.answerJson("app/device-status",
                       R"({"logger_enabled":false,"latest_sdk_version":{"linux":38.5}})");
    bool answered = false;
    api.sendAppToken(QStringLiteral("KEY"), {{"udid", "d"}},
                     [&](bool enabled, const std::optional<RLError>& error, double latest) {
                         EXPECT_FALSE(enabled);
                         EXPECT_FALSE(error);
                         EXPECT_DOUBLE_EQ(latest, 38.5);
                         answered = true;
                     });
    ASSERT_TRUE(waitFor(nullptr, [&] { return answered; }));
    EXPECT_EQ(Service::body(service.received("app/device-status").first()),
              (QJsonObject{{"app_token", "KEY"}, {"device", QJsonObject{{"udid", "d"}}}}));

    service.answerJson("session", R"({"name":"no id"})");
    answered = false;
    api.sendSession({}, [&](const std::optional<RLError>& error, qint64) {
        EXPECT_TRUE(error) << "a session answer without an id is no success";
        answered = true;
    });
    ASSERT_TRUE(waitFor(nullptr, [&] { return answered; }));

    std::optional<RLError> missing;
    api.sendLogs(std::nullopt, [&](const std::optional<RLError>& error) { missing = error; });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->domain, RLApiClientErrorInvalidParametersDomain);
    EXPECT_EQ(missing->code, 1001);
    EXPECT_EQ(service.count("log/batch"), 0);
}

TEST(RLApiClientBase, TheEnvironmentsBaseIsTakenWithItsLastSlashAndWithoutItTheBuiltInNeverResolves) {
    const QByteArray previous = qgetenv("REMOTELOG_API_ENDPOINT");
    const struct {
        const char* set;
        const char* base;
    } cases[] = {
        {"http://127.0.0.1:9/api/", "http://127.0.0.1:9/api/session"},
        {"http://127.0.0.1:9/api", "http://127.0.0.1:9/api/session"},
    };
    for (const auto& c : cases) {
        qputenv("REMOTELOG_API_ENDPOINT", c.set);
        EXPECT_EQ(RLApiClient::defaultHost().resolved(QUrl("session")).toString(),
                  QString::fromLatin1(c.base))
            << c.set;
    }
    qunsetenv("REMOTELOG_API_ENDPOINT");
    EXPECT_TRUE(RLApiClient::defaultHost().host().endsWith(QStringLiteral(".example")));
    EXPECT_TRUE(RLApiClient::defaultHost().path().endsWith(QStringLiteral("api/")));
    qputenv("REMOTELOG_API_ENDPOINT", previous);
}

// The TLS stack stays resident once loaded: a name that never resolves (the built-in one) must not load it.
// (The test binary links libssl for its loopback servers; the client does not: Qt's backend tells.)
TEST(RLHttpClientTls, AnEncryptedPostToANameThatDoesNotResolveFailsWithoutLoadingTheTlsStack) {
    RLHttpClient http{std::chrono::milliseconds(2000)};
    std::optional<RLHttpResponse> answer;
    http.post(QUrl(QStringLiteral("https://remotelog.veltrix.invalid/api/session")), {}, "{}",
              [&](const RLHttpResponse& response) { answer = response; });
    ASSERT_TRUE(waitFor(nullptr, [&] { return answer.has_value(); }));
    EXPECT_FALSE(answer->completed());
    EXPECT_FALSE(answer->transportError.isEmpty());
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("opensslbackend"));
}
