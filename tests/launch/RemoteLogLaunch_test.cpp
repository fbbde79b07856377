// The built client and the two outside log services: its session folders across a restart, and the reports
// of its crashes, read from what the loopback services receive.
#include "launch/LaunchHarness.h"

#include "platform/UserDefaults.h"
#include "support/RemoteLogService.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

namespace {

const QByteArray bulkPath = "/bulk/3f6c2a9e-8b41-4d07-9c5e-1a7b2d4e6f80/tag/OSX/";

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

// A base URL where nothing listens.
QUrl unreachable(const QString& path) {
    testsupport::LoopbackHttpServer gone;
    const QUrl url = gone.url(path);
    gone.stop();
    return url;
}

class RemoteLogLaunchTest : public LaunchTest {
protected:
    QString storageRoot() const { return cacheDir() + QStringLiteral("/com.veltrix.remotelog"); }
    QStringList sessionFolders() const {
        return QDir(storageRoot()).entryList({QStringLiteral("session-*")}, QDir::Dirs);
    }
    void pointRemoteLogAt(const QUrl& base) {
        extraEnvironment.insert(QStringLiteral("REMOTELOG_API_ENDPOINT"), base.toString());
    }
    void stop(QProcess& client) {
        ::kill(static_cast<pid_t>(client.processId()), SIGTERM);
        EXPECT_TRUE(client.waitForFinished(5000));
    }
};

} // namespace

TEST_F(RemoteLogLaunchTest, AnOfflineRunsSessionArrivesFiveSecondsAfterTheNextStartAndItsFolderGoes) {
    pointRemoteLogAt(unreachable(QStringLiteral("/api/")));
    auto offline = start({}, QStringLiteral("offscreen"));
    ASSERT_TRUE(waitUntil([&] { return sessionFolders().size() == 1; }, 15000));
    const QString earlier = storageRoot() + QLatin1Char('/') + sessionFolders().first();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(earlier + "/session.json"); }, 5000));
    stop(*offline);
    QFile record(earlier + "/session.json");
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QString earlierTime = QJsonDocument::fromJson(record.readAll()).object().value("time").toString();

    remotelogtest::Service service;
    pointRemoteLogAt(service.base());
    QElapsedTimer sinceStart;
    sinceStart.start();
    auto online = start({}, QStringLiteral("offscreen"));
    ASSERT_TRUE(waitUntil([&] { return service.count("session") == 1; }, 15000));
    EXPECT_EQ(service.order().first(), "app/device-status");
    ASSERT_TRUE(waitUntil([&] { return service.count("session") >= 2; }, 20000))
        << service.order().join(' ').constData() << " / " << sessionFolders().join(' ').toStdString() << " / "
        << online->readAllStandardError().right(3000).constData();
    EXPECT_GE(sinceStart.elapsed(), 5000) << "earlier runs wait five seconds";
    EXPECT_EQ(remotelogtest::Service::body(service.received("session").last()).value("time").toString(),
              earlierTime);
    EXPECT_TRUE(waitUntil([&] { return !QDir(earlier).exists(); }, 5000)) << "delivered, then deleted";
    EXPECT_EQ(sessionFolders().size(), 1);
    EXPECT_EQ(service.count("log/batch"), 0) << "the client's own lines do not go this way";
    stop(*online);
}

TEST_F(RemoteLogLaunchTest, ACrashIsReportedAtTheNextStartOnlyWhileCrashReportsAreAllowed) {
    const struct {
        const char* crash;
        bool allowed;
        const char* exceptionType;
    } cases[] = {
        {"terminate", true, "std::terminate"},
        {"event", true, "std::runtime_error"},
        {"event", false, nullptr},
    };
    binary = QStringLiteral(VELTRIX_CRASH_PROBE_BINARY);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.crash) + (c.allowed ? " allowed" : " not allowed"));
        QDir(home.path()).removeRecursively();
        SetUp();
        platform::UserDefaults(home.filePath(".config/com.veltrix.Veltrix.ini"))
            .set(QStringLiteral("sendCrashReportsData"), c.allowed);
        remotelogtest::Service service; // its session request marks the end of start-up
        pointRemoteLogAt(service.base());
        const QString downCollector =
            unreachable(QStringLiteral("/bulk/")).toString() + QStringLiteral("%1/tag/%2/");
        extraEnvironment.insert(QStringLiteral("VELTRIX_PROBE_BULK_ENDPOINT"), downCollector);
        extraEnvironment.insert(QStringLiteral("VELTRIX_PROBE_CRASH"), QString::fromLatin1(c.crash));

        auto crashing = start({}, QStringLiteral("offscreen"));
        ASSERT_TRUE(waitUntil([&] { return service.count("session") >= 1; }, 15000));
        if (QByteArray(c.crash) == "terminate") {
            ASSERT_TRUE(crashing->waitForFinished(10000));
            EXPECT_EQ(crashing->exitStatus(), QProcess::CrashExit);
        } else {
            QThread::msleep(1500); // past the failure, which comes half a second after start-up
            EXPECT_EQ(crashing->state(), QProcess::Running) << "the quit rule keeps the client running";
            stop(*crashing);
        }

        testsupport::LoopbackHttpServer collector;
        collector.serveBody(bulkPath, "ok");
        extraEnvironment.insert(QStringLiteral("VELTRIX_PROBE_BULK_ENDPOINT"),
                                QStringLiteral("http://127.0.0.1:%1/bulk/%2/tag/%3/").arg(collector.port()));
        extraEnvironment.remove(QStringLiteral("VELTRIX_PROBE_CRASH"));
        service.server.clearRequests();
        auto next = start({}, QStringLiteral("offscreen"));
        ASSERT_TRUE(waitUntil([&] { return service.count("session") >= 1; }, 15000));
        waitUntil([&] { return collector.requestCount(bulkPath) > 0; }, c.allowed ? 10000 : 2000);
        ASSERT_EQ(collector.requestCount(bulkPath), c.allowed ? 1 : 0);
        if (c.allowed) {
            const QJsonObject report = QJsonDocument::fromJson(collector.requests().first().body).object();
            EXPECT_EQ(report.value("ExceptionType").toString(), QString::fromLatin1(c.exceptionType));
            EXPECT_FALSE(report.value("StackTrace").toString().isEmpty());
            EXPECT_EQ(report.keys().size(), 7);
        }
        stop(*next);
    }
}
