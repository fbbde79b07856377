// Runs the built client as a person would from a terminal: without a display, with --help and --version,
// twice in a row, after a copy was killed, and stopped with SIGTERM at any moment.
#include "launch/LaunchHarness.h"

#include <QFileInfo>
#include <QLocalSocket>

#include <sys/stat.h>

#include <csignal>
#include <functional>

TEST_F(LaunchTest, WithoutADisplayItSaysSoInOneLineAndExits1) {
    const Outcome outcome = run({});
    EXPECT_EQ(outcome.status, QProcess::NormalExit) << "no abort, no core dump";
    EXPECT_EQ(outcome.code, 1);
    EXPECT_EQ(outcome.err.count('\n'), 1) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains("X11 or Wayland")) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains("xvfb-run")) << outcome.err.toStdString();
    EXPECT_FALSE(lockTouched());

    const Outcome unreachable = [&] {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = environment({});
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987")); // set, but nobody serves it
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(VELTRIX_CLIENT_BINARY), {});
        process->waitForFinished(10000);
        return Outcome{process->exitStatus(),
                       process->exitCode(),
                       {},
                       QString::fromUtf8(process->readAllStandardError())};
    }();
    EXPECT_EQ(unreachable.status, QProcess::NormalExit);
    EXPECT_EQ(unreachable.code, 1);
    EXPECT_TRUE(unreachable.err.contains("X11 or Wayland")) << unreachable.err.toStdString();
}

TEST_F(LaunchTest, HelpAndVersionPrintAndExitBeforeAnyLockOrWindow) {
    const Outcome help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: veltrix")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("--workspace FILE"));
    const Outcome version = run({QStringLiteral("--version")}, QStringLiteral("offscreen"));
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith("veltrix ")) << version.out.toStdString();
    EXPECT_TRUE(version.err.isEmpty()) << version.err.toStdString();
    EXPECT_FALSE(lockTouched());
}

TEST_F(LaunchTest, TwoLaunchesJustApartLeaveOneRunningCopyUntilSigterm) {
    const QString offscreen = QStringLiteral("offscreen");
    auto first = start({}, offscreen);
    QThread::msleep(20);
    auto second = start({QStringLiteral("--workspace"), QStringLiteral("/nonexistent.json")}, offscreen);

    // On a busy machine the later launch may win the race for the lock; then the earlier one hands over.
    QElapsedTimer waited;
    waited.start();
    while (first->state() == QProcess::Running && second->state() == QProcess::Running &&
           waited.elapsed() < 10000) {
        first->waitForFinished(50);
        second->waitForFinished(50);
    }
    const bool secondHandedOver = second->state() != QProcess::Running;
    QProcess& leaver = secondHandedOver ? *second : *first;
    QProcess& stayer = secondHandedOver ? *first : *second;
    ASSERT_NE(leaver.state(), QProcess::Running) << "one copy hands its launch over and exits";
    EXPECT_EQ(leaver.exitStatus(), QProcess::NormalExit);
    const QString leaverErr = QString::fromUtf8(leaver.readAllStandardError());
    EXPECT_EQ(leaver.exitCode(), 0) << leaverErr.toStdString();
    if (secondHandedOver) {
        EXPECT_TRUE(leaverErr.contains("--workspace applies only when the client starts"))
            << leaverErr.toStdString();
    }

    EXPECT_FALSE(stayer.waitForFinished(4500))
        << "the other copy keeps running: " << stayer.readAllStandardError().toStdString();
    ASSERT_EQ(stayer.state(), QProcess::Running);
    EXPECT_FALSE(QFileInfo::exists(home.filePath(".config/autostart/com.veltrix.Veltrix.desktop")))
        << "a client run from its build tree leaves the user's start-at-login entry alone";

    QElapsedTimer stopping;
    stopping.start();
    ::kill(static_cast<pid_t>(stayer.processId()), SIGTERM);
    ASSERT_TRUE(stayer.waitForFinished(5000));
    EXPECT_LT(stopping.elapsed(), 500) << "SIGTERM ends the client promptly";
    EXPECT_EQ(stayer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(stayer.exitCode(), 0);
}

TEST_F(LaunchTest, ACopyInAnotherSessionRunsBesideTheFirst) {
    const QString offscreen = QStringLiteral("offscreen");
    auto first = start({}, offscreen);
    ASSERT_FALSE(first->waitForFinished(1000)) << "the first copy runs";
    // Another runtime folder is another session (a test's copy, another log-in): neither copy gives way.
    QTemporaryDir otherRuntime;
    auto second = start({}, offscreen, otherRuntime.path());
    EXPECT_FALSE(second->waitForFinished(4000)) << second->readAllStandardError().toStdString();
    EXPECT_EQ(second->state(), QProcess::Running);
    EXPECT_EQ(first->state(), QProcess::Running) << "the older copy stays";
    for (QProcess* copy : {first.get(), second.get()}) {
        ::kill(static_cast<pid_t>(copy->processId()), SIGTERM);
        EXPECT_TRUE(copy->waitForFinished(5000));
    }
}

namespace {

// Whether the running copy in `runtime` takes a later launch (a reopen) within `timeoutMs`: its event loop
// runs and its socket serves.
bool servesALaterLaunch(const QString& runtime, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        QLocalSocket socket;
        socket.connectToServer(runtime + QStringLiteral("/com.veltrix.Veltrix.socket"));
        if (socket.waitForConnected(100)) {
            socket.write(QByteArray("\0\0\0\x02[]", 6));
            while (socket.bytesAvailable() == 0 && socket.waitForReadyRead(50) == false &&
                   socket.state() == QLocalSocket::ConnectedState && waited.elapsed() < timeoutMs) {
            }
            if (socket.read(1) == "K") {
                return true;
            }
        }
        QThread::msleep(20);
    }
    return false;
}

} // namespace

TEST_F(LaunchTest, NoLockLeftByAKilledCopyHoldsUpTheNextStart) {
    const QString instanceLock = runtimeDir() + QStringLiteral("/com.veltrix.Veltrix.lock");
    const QString preferencesLock = home.filePath(QStringLiteral(".config/com.veltrix.Veltrix.ini.lock"));
    const QString offscreen = QStringLiteral("offscreen");
    const QList<std::pair<const char*, std::function<void()>>> leftovers{
        {"a copy killed the moment its lock appeared",
         [&] {
             auto killed = start({}, offscreen);
             QElapsedTimer waited;
             waited.start();
             while (!QFile::exists(instanceLock) && waited.elapsed() < 10000) {
                 QThread::usleep(200);
             }
             ::kill(pid_t(killed->processId()), SIGKILL);
             killed->waitForFinished();
         }},
        {"the empty lock file of a copy killed right after making it",
         [&] { QFile(instanceLock).open(QIODevice::WriteOnly); }},
        {"the empty lock of a preferences write killed as it began",
         [&] {
             QDir().mkpath(QFileInfo(preferencesLock).absolutePath());
             QFile(preferencesLock).open(QIODevice::WriteOnly);
         }},
    };
    for (const auto& [what, leave] : leftovers) {
        SCOPED_TRACE(what);
        leave();
        QElapsedTimer starting;
        starting.start();
        auto client = start({}, offscreen);
        EXPECT_TRUE(servesALaterLaunch(runtimeDir(), 2000)) << "started within two seconds";
        EXPECT_LT(starting.elapsed(), 2000);
        EXPECT_EQ(client->state(), QProcess::Running) << client->readAllStandardError().toStdString();
        ::kill(pid_t(client->processId()), SIGTERM);
        EXPECT_TRUE(client->waitForFinished(5000));
    }
}

TEST_F(LaunchTest, SigtermEndsTheClientAtAnyMomentOfItsStart) {
    // What once held a start for 30 s: the empty lock of a preferences write that was killed.
    const QString preferencesLock = home.filePath(QStringLiteral(".config/com.veltrix.Veltrix.ini.lock"));
    QDir().mkpath(QFileInfo(preferencesLock).absolutePath());
    for (const int afterMs : {0, 50, 150, 300, 600, 1000, 1500}) {
        SCOPED_TRACE(afterMs);
        QFile(preferencesLock).open(QIODevice::WriteOnly);
        auto client = start({}, QStringLiteral("offscreen"));
        QThread::msleep(afterMs);
        QElapsedTimer stopping;
        stopping.start();
        ::kill(pid_t(client->processId()), SIGTERM);
        EXPECT_TRUE(client->waitForFinished(10000));
        EXPECT_LT(stopping.elapsed(), 3000);
    }
}

TEST_F(LaunchTest, AWorkspaceThatIsNoFileHoldsUpNoStart) {
    const QString fifo = home.filePath(QStringLiteral("workspace.fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& workspace : {fifo, QStringLiteral("/dev/zero")}) {
        SCOPED_TRACE(workspace.toStdString());
        auto client = start({QStringLiteral("--workspace"), workspace}, QStringLiteral("offscreen"));
        EXPECT_TRUE(servesALaterLaunch(runtimeDir(), 3000)) << "it starts, signed out, and says why";
        ::kill(pid_t(client->processId()), SIGTERM);
        EXPECT_TRUE(client->waitForFinished(5000));
        EXPECT_TRUE(client->readAllStandardError().contains("not a regular file"));
    }
}
