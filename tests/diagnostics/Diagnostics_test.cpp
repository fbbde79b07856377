// Exception reports: what the collector's bulk endpoint receives, when, and what waits on disk meanwhile.
#include "diagnostics/AppExceptionReportingHelper.h"
#include "diagnostics/BulkLogHelper.h"
#include "diagnostics/RemoteLogWrappers.h"

#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "support/CoreTestSupport.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

const QByteArray bulkPath = "/bulk/3f6c2a9e-8b41-4d07-9c5e-1a7b2d4e6f80/tag/OSX/";

struct BulkLogTest : ::testing::Test {
    testsupport::LoopbackHttpServer collector;
    QTemporaryDir pending;

    QString endpoint() const {
        return QStringLiteral("http://127.0.0.1:%1/bulk/%2/tag/%3/").arg(collector.port());
    }
    std::shared_ptr<BulkLogHelper> helper(const QString& at = {}) {
        return std::make_shared<BulkLogHelper>(at.isEmpty() ? endpoint() : at, pending.path());
    }
    int waiting() const { return int(QDir(pending.path()).entryList({"*.json"}, QDir::Files).size()); }
    // Waits until `requests` reached the collector and their answers were handled.
    bool received(int requests) {
        const bool arrived =
            testsupport::waitUntil([&] { return collector.requestCount(bulkPath) >= requests; });
        testsupport::waitUntil([] { return false; }, 150); // the answer is handled
        return arrived;
    }
};

} // namespace

TEST_F(BulkLogTest, AReportIsPostedAsOneJsonObjectOfSevenKeysToTheCollectorsTaggedPath) {
    collector.serveBody(bulkPath, "ok");
    auto shipper = helper();
    shipper->sendLogs(
        AppExceptionReportingHelper::makeReport(QStringLiteral("a  |   b"), QStringLiteral("E")));
    ASSERT_TRUE(received(1));
    const auto request = collector.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("content-type"), "application/json");
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(body.keys(), (QStringList{"AppVersion", "ExceptionType", "Platform", "PlatformVersion",
                                        "StackTrace", "application_type", "version"}));
    EXPECT_EQ(body.value("StackTrace").toString(), QStringLiteral("a  |   b"));
    EXPECT_EQ(body.value("application_type").toString(), QStringLiteral("smb"));
    EXPECT_TRUE(body.value("version").toString().startsWith('v'));
    EXPECT_EQ(waiting(), 0) << "a delivered report leaves nothing on disk";
}

TEST_F(BulkLogTest, AReportTheCollectorCouldNotTakeWaitsOnDiskForTheNextStart) {
    testsupport::LoopbackHttpServer gone;
    const QString unreachable = QStringLiteral("http://127.0.0.1:%1/bulk/%2/tag/%3/").arg(gone.port());
    gone.stop();
    const struct {
        const char* name;
        std::function<void()> answer;
        QString at;
        int waiting;
    } cases[] = {
        {"unreachable", [] {}, unreachable, 1},
        {"server error", [&] { collector.serveStatus(bulkPath, 503); }, {}, 1},
        {"too many requests", [&] { collector.serveStatus(bulkPath, 429); }, {}, 1},
        {"refused for good", [&] { collector.serveStatus(bulkPath, 400); }, {}, 0},
    };
    for (const auto& c : cases) {
        c.answer();
        collector.clearRequests();
        auto shipper = helper(c.at);
        shipper->sendLogs(AppExceptionReportingHelper::makeReport(QStringLiteral("s"), QStringLiteral("E")));
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return c.at.isEmpty() ? collector.requestCount(bulkPath) == 1 : true; }));
        testsupport::waitUntil([] { return false; }, 300);
        EXPECT_EQ(waiting(), c.waiting) << c.name;

        // The next start, with the collector taking it.
        collector.serveBody(bulkPath, "ok");
        collector.clearRequests();
        auto next = helper();
        next->sendPendingReports();
        ASSERT_TRUE(received(c.waiting)) << c.name;
        EXPECT_EQ(collector.requestCount(bulkPath), c.waiting) << c.name;
        EXPECT_EQ(waiting(), 0) << c.name;
    }
}

TEST_F(BulkLogTest, TheExceptionReportAsksTheRouterToQuitAndPostsOnlyWhenCrashReportsAreAllowed) {
    collector.serveBody(bulkPath, "ok");
    FakeRouter router;
    FakeRouter::Scope installed(router);
    ServiceLayer::shared().setBulkLogHelper(helper());
    auto& defaults = platform::UserDefaults::standard();

    for (const bool allowed : {false, true}) {
        defaults.set(SettingsUserDefaults::sendCrashReportsData, allowed);
        collector.clearRequests();
        router.calls.clear();
        AppExceptionReportingHelper::sendExceptionReport(QStringLiteral("a  |   b"),
                                                         QStringLiteral("std::bad_alloc"));
        EXPECT_EQ(router.count("terminateApplication"), 1) << allowed;
        testsupport::waitUntil([&] { return collector.requestCount(bulkPath) > 0; }, allowed ? 5000 : 300);
        EXPECT_EQ(collector.requestCount(bulkPath), allowed ? 1 : 0) << allowed;
    }

    // A report left by a crash goes out at the next start only while reports are allowed.
    for (const bool allowed : {false, true}) {
        helper(QStringLiteral("http://127.0.0.1:9/bulk/%1/tag/%2/"))
            ->sendLogs(AppExceptionReportingHelper::makeReport(QStringLiteral("s"), QStringLiteral("E")));
        testsupport::waitUntil([&] { return false; }, 200);
        ASSERT_EQ(waiting(), 1);
        defaults.set(SettingsUserDefaults::sendCrashReportsData, allowed);
        collector.clearRequests();
        AppExceptionReportingHelper::sendPendingReports();
        testsupport::waitUntil([&] { return collector.requestCount(bulkPath) > 0; }, allowed ? 5000 : 300);
        EXPECT_EQ(collector.requestCount(bulkPath), allowed ? 1 : 0) << allowed;
        EXPECT_TRUE(testsupport::waitUntil([&] { return waiting() == 0; })) << "sent or dropped, never kept";
    }
    ServiceLayer::shared().setBulkLogHelper(nullptr);
    defaults.removeObject(SettingsUserDefaults::sendCrashReportsData);
}

TEST(RemoteLogWrappers, JoinItemsAndKeepOnlyTheFilesName) {
    EXPECT_EQ(remotelogwrappers::joinedMessage({"a", 1, true}, QStringLiteral(", ")),
              QStringLiteral("a, 1, true"));
    EXPECT_EQ(remotelogwrappers::fileName("/src/app/Thing.cpp"), QStringLiteral("Thing.cpp"));
    EXPECT_EQ(remotelogwrappers::fileName("Thing.cpp"), QStringLiteral("Thing.cpp"));
}

TEST_F(BulkLogTest, AtStartOnlyTheNewestTwentyReportsOfThirtyDaysAreSentAndALinkIsNeitherReadNorSent) {
    collector.serveBody(bulkPath, "ok");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Thirty planted reports, a day apart and named against their age; the last two are past thirty days.
    for (int age = 0; age < 30; ++age) {
        const int daysOld = age < 28 ? age : 30 + age;
        QFile report(pending.filePath(QStringLiteral("%1.json").arg(99 - age)));
        ASSERT_TRUE(report.open(QIODevice::WriteOnly));
        report.write(QStringLiteral("{\"age\":%1}").arg(daysOld).toUtf8());
        report.flush();
        report.setFileTime(now.addDays(-daysOld).addSecs(60), QFileDevice::FileModificationTime);
    }
    QTemporaryDir outside;
    QFile secret(outside.filePath("secret.json"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write("{\"secret\":true}") == 15);
    secret.close();
    ASSERT_TRUE(QFile::link(secret.fileName(), pending.filePath("linked.json")));

    auto shipper = helper();
    shipper->sendPendingReports();
    ASSERT_TRUE(received(20));
    QList<int> ages;
    for (const auto& request : collector.requests()) {
        ages.append(QJsonDocument::fromJson(request.body).object().value("age").toInt(-1));
    }
    std::sort(ages.begin(), ages.end());
    QList<int> newest(20);
    std::iota(newest.begin(), newest.end(), 0);
    EXPECT_EQ(ages, newest);
    EXPECT_EQ(waiting(), 0);
    EXPECT_FALSE(QFileInfo(pending.filePath("linked.json")).isSymLink());
    ASSERT_TRUE(secret.open(QIODevice::ReadOnly));
    EXPECT_EQ(secret.readAll(), "{\"secret\":true}");
}

TEST(BulkLogEndpoint, TheEnvironmentNamesTheCollectorsBaseAndWithoutItTheBuiltInNeverResolves) {
    const QByteArray previous = qgetenv("CRASH_COLLECTOR_ENDPOINT");
    for (const char* set : {"http://127.0.0.1:9/collector/", "http://127.0.0.1:9/collector"}) {
        qputenv("CRASH_COLLECTOR_ENDPOINT", set);
        EXPECT_EQ(BulkLogHelper().endpointUrl().toString(),
                  QStringLiteral("http://127.0.0.1:9/collector") + QString::fromLatin1(bulkPath))
            << set;
    }
    qunsetenv("CRASH_COLLECTOR_ENDPOINT");
    EXPECT_TRUE(BulkLogHelper().endpointUrl().host().endsWith(QStringLiteral(".example")));
    if (!previous.isEmpty()) {
        qputenv("CRASH_COLLECTOR_ENDPOINT", previous);
    }
}
