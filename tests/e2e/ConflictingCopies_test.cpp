// Other processes at start: only an older copy of this user's own client makes a launch give way.
#include "e2e/ClientHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

using namespace e2e;

namespace {

class ConflictingCopiesTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ASSERT_TRUE(table.isValid());
        realCopyCheck = true;
        ServiceLayer::shared().setProcessTableRoot(table.path());
        platform::UserDefaults::standard().set(SettingsUserDefaults::showWelcomePage, false);
    }
    void TearDown() override {
        ServiceLayer::shared().setProcessTableRoot(QStringLiteral("/proc"));
        ClientTest::TearDown();
    }

    // One process in the table: its executable, its real user, when it started and its command line.
    void process(int pid, const QString& executable, uint uid, quint64 startTime, const QByteArray& cmdline) {
        const QString dir = table.filePath(QString::number(pid));
        QDir().mkpath(dir);
        ASSERT_TRUE(QFile::link(executable, dir + "/exe"));
        write(dir + "/status", QStringLiteral("Name:\tveltrix\nUid:\t%1\t%1\t%1\t%1\n").arg(uid).toUtf8());
        write(dir + "/stat", QStringLiteral("%1 (veltrix) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 %2 1 1")
                                 .arg(pid)
                                 .arg(startTime)
                                 .toUtf8());
        write(dir + "/cmdline", cmdline);
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The client's own executable, as the kernel names it.
    const QString client = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QByteArray clientCommandLine = client.toUtf8() + '\0';
    QTemporaryDir table;
};

} // namespace

TEST_F(ConflictingCopiesTest, AnotherUsersCopyAndAProgramNamedLikeTheClientDoNotStopIt) {
    process(100, client, ::getuid() + 1, 1, clientCommandLine);   // another person's copy, long running
    process(101, "/bin/sleep", ::getuid(), 1, clientCommandLine); // `exec -a`: only the command line lies
    launch();
    advance(clientlaunch::noTrayGraceSeconds);
    EXPECT_FALSE(delegate->forceTerminate());
    EXPECT_TRUE(sdkCalls().contains("getInitialState"));
    EXPECT_EQ(shownWindow(), QStringLiteral("signIn"));
}

TEST_F(ConflictingCopiesTest, AnOlderCopyOfTheSameUserMakesThisOneQuit) {
    process(100, client, ::getuid(), 1, clientCommandLine);
    launch();
    advance(platform::UrlEvents::claimPatienceSeconds + 0.5);
    EXPECT_TRUE(delegate->forceTerminate());
    EXPECT_FALSE(sdkCalls().contains("getInitialState"));
    EXPECT_EQ(shownWindow(), QString());
}
