// Remote logging in the assembled client: every start opens the run's folder and tells the service about the
// device and the session; the client's own lines stay out of it.
#include "e2e/ClientHarness.h"

#include "remotelog/RLLoggerManager.h"
#include "remotelog/RemoteLog.h"
#include "support/RemoteLogService.h"

#include <QDir>
#include <QStandardPaths>

using namespace e2e;

namespace {

class RemoteLogTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        // A manager an earlier scenario activated goes, with the folders of earlier runs.
        RemoteLog::shutdown();
        QDir(storageRoot()).removeRecursively();
        previousEndpoint = qgetenv("REMOTELOG_API_ENDPOINT");
        qputenv("REMOTELOG_API_ENDPOINT", service.base().toString().toUtf8());
    }
    void TearDown() override {
        RemoteLog::shutdown();
        qputenv("REMOTELOG_API_ENDPOINT", previousEndpoint);
        ClientTest::TearDown();
    }
    static QString storageRoot() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
               QStringLiteral("/com.veltrix.remotelog");
    }
    bool waitFor(const std::function<bool()>& done) { return remotelogtest::waitFor(&scheduler, done); }

    remotelogtest::Service service;
    QByteArray previousEndpoint;
};

} // namespace

TEST_F(RemoteLogTest, AStartWritesTheSessionFolderAndSendsTheDeviceStatusAndTheSessionButNoLines) {
    launch();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    // A minute of the client's life with a user signing in: many lines of its own.
    advance(clientlaunch::noTrayGraceSeconds);
    clickSignIn();
    for (int i = 0; i < 4; ++i) {
        advance(15);
        remotelogtest::settle(&scheduler);
    }
    ASSERT_TRUE(VeltrixXPC::isLoggedIn());

    EXPECT_EQ(service.order(), (QByteArrayList{"app/device-status", "session"}));
    EXPECT_EQ(service.received("session").first().header("x-app-token"),
              AppDelegate::remoteLogApplicationKey.toUtf8());
    const auto manager = RemoteLog::manager();
    ASSERT_TRUE(manager);
    EXPECT_TRUE(manager->forceEnabled()) << "the client forces logging on";
    const QDir folder(manager->currentSessionPath());
    EXPECT_EQ(folder.absolutePath(), QDir(storageRoot()).absoluteFilePath(folder.dirName()));
    EXPECT_TRUE(folder.dirName().startsWith(QStringLiteral("session-")));
    EXPECT_TRUE(folder.exists(QStringLiteral("session.json")));
    EXPECT_TRUE(folder.exists(QStringLiteral("config.json")));
    EXPECT_EQ(QFileInfo(folder.filePath(QStringLiteral("logs.tmp"))).size(), 0);
}
