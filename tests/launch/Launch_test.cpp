// Runs the built client as a person would from a terminal: without a display, with --help and --version,
// twice in a row, and stopped with SIGTERM.
#include "launch/LaunchHarness.h"

#include <QFileInfo>

#include <csignal>

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
        return Outcome{process->exitStatus(), process->exitCode(), {},
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
        EXPECT_TRUE(leaverErr.contains("--workspace applies only when the client starts")) << leaverErr.toStdString();
    }

    EXPECT_FALSE(stayer.waitForFinished(4500)) << "the other copy keeps running: "
                                                << stayer.readAllStandardError().toStdString();
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
