#include "platform/Application.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <vector>

using namespace platform;

namespace {

// Answers like the client: a person's Quit is cancelled, a system quit is granted.
class RecordingDelegate : public ApplicationDelegate {
public:
    void applicationWillFinishLaunching() override { events.push_back("willFinish"); }
    void applicationDidFinishLaunching() override {
        events.push_back("didFinish");
        if (onDidFinish) {
            onDidFinish();
        }
    }
    TerminateReply applicationShouldTerminate() override {
        const QuitReason reason = Application::instance()->currentQuitReason();
        reasons.push_back(reason);
        events.push_back("shouldTerminate");
        return Application::isSystemQuitReason(reason) || alwaysQuit ? TerminateReply::terminateNow
                                                                     : TerminateReply::terminateCancel;
    }
    void applicationWillTerminate() override { events.push_back("willTerminate"); }
    bool applicationShouldHandleReopen(bool hasVisibleWindows) override {
        reopenedWithVisibleWindows.push_back(hasVisibleWindows);
        return true;
    }
    void applicationDidBecomeActive() override { events.push_back("becameActive"); }
    void applicationDidResignActive() override { events.push_back("resignedActive"); }

    int count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    bool alwaysQuit = false;
    std::function<void()> onDidFinish;
    std::vector<std::string> events;
    std::vector<QuitReason> reasons;
    std::vector<bool> reopenedWithVisibleWindows;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = Application::instance();
        ASSERT_NE(app, nullptr);
        app->setDelegate(&delegate);
    }
    void TearDown() override {
        app->setDelegate(nullptr);
        app->setHandlesTerminationSignal(false);
        app->setActivationPolicy(ActivationPolicy::regular);
    }

    Application* app = nullptr;
    RecordingDelegate delegate;
};

} // namespace

TEST_F(ApplicationTest, PersonsQuitIsAnsweredByTheDelegate) {
    app->terminate();
    EXPECT_EQ(delegate.reasons, std::vector<QuitReason>{QuitReason::none});
    EXPECT_EQ(delegate.count("willTerminate"), 0) << "a cancelled quit keeps the application running";

    delegate.alwaysQuit = true;
    app->terminate();
    EXPECT_EQ(delegate.count("willTerminate"), 1);
}

TEST_F(ApplicationTest, SystemQuitCarriesItsReasonOnlyWhileTheRequestRuns) {
    app->terminateForSystem(QuitReason::logOut);
    EXPECT_EQ(delegate.reasons, std::vector<QuitReason>{QuitReason::logOut});
    EXPECT_EQ(delegate.count("willTerminate"), 1);
    EXPECT_EQ(app->currentQuitReason(), QuitReason::none);

    {
        Application::QuitReasonScope outer(QuitReason::shutDown);
        {
            Application::QuitReasonScope inner(QuitReason::logOut);
            EXPECT_EQ(app->currentQuitReason(), QuitReason::logOut);
        }
        EXPECT_EQ(app->currentQuitReason(), QuitReason::shutDown);
    }
    EXPECT_EQ(app->currentQuitReason(), QuitReason::none);
}

TEST_F(ApplicationTest, SigtermIsASystemShutDownHandledOnTheEventLoop) {
    app->setHandlesTerminationSignal(true);
    ASSERT_TRUE(app->handlesTerminationSignal());
    std::raise(SIGTERM);
    EXPECT_TRUE(delegate.reasons.empty()) << "nothing runs inside the signal handler";
    ASSERT_TRUE(testsupport::waitUntil([&] { return !delegate.reasons.empty(); }));
    EXPECT_EQ(delegate.reasons.front(), QuitReason::shutDown);
    EXPECT_EQ(delegate.count("willTerminate"), 1);

    // Two signals before the loop runs still make a request each, not a crash or a lost one.
    std::raise(SIGTERM);
    std::raise(SIGTERM);
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate.reasons.size() >= 2; }));
    app->setHandlesTerminationSignal(false);
    EXPECT_FALSE(app->handlesTerminationSignal());
}

// The body of a launched copy whose main thread is held up in a step of its own; skipped normally.
TEST(ApplicationHeldUpCopy, RunsUntilSignalled) {
    if (qEnvironmentVariableIsEmpty("VELTRIX_HELD_UP_COPY")) {
        GTEST_SKIP() << "runs only inside a copy launched by the test below";
    }
    RecordingDelegate delegate;
    delegate.onDidFinish = [] {
        std::puts("held up");
        std::fflush(stdout);
        QThread::sleep(60);
    };
    Application::instance()->setDelegate(&delegate);
    Application::instance()->run();
    ::_exit(0);
}

TEST_F(ApplicationTest, SigtermEndsTheProcessEvenWhileItsMainThreadIsHeldUp) {
    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELTRIX_HELD_UP_COPY", "1");
    copy.setProcessEnvironment(environment);
    copy.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ApplicationHeldUpCopy.*"});
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return copy.readAllStandardOutput().contains("held up"); }, 15000));
    QElapsedTimer ending;
    ending.start();
    ::kill(pid_t(copy.processId()), SIGTERM);
    ASSERT_TRUE(copy.waitForFinished(15000));
    EXPECT_LT(ending.elapsed(), (Application::terminationGraceSeconds + 2) * 1000);
    EXPECT_EQ(copy.exitStatus(), QProcess::CrashExit) << "ended by the signal, as SIGTERM ends a process";
}

TEST(ApplicationLimits, TheSoftLimitOfOpenFilesIsRaisedToTheHardOne) {
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
    if (original.rlim_max <= 256) {
        GTEST_SKIP() << "the hard limit leaves nothing to raise";
    }
    rlimit lowered = original;
    lowered.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    Application::raiseOpenFileLimit();
    rlimit raised{};
    ::getrlimit(RLIMIT_NOFILE, &raised);
    EXPECT_EQ(raised.rlim_cur, original.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &original);
}

TEST_F(ApplicationTest, DestroyedDelegateIsCleared) {
    {
        RecordingDelegate shortLived;
        app->setDelegate(&shortLived);
    }
    EXPECT_EQ(app->delegate(), nullptr);
    app->terminate(); // without a delegate: no crash, nothing to ask
    EXPECT_TRUE(app->reopen());
}

TEST_F(ApplicationTest, RunLaunchesAndEndsOnlyWhenAQuitIsGranted) {
    delegate.onDidFinish = [this] {
        app->terminate(); // cancelled: the loop goes on
        QTimer::singleShot(0, app, [] { std::raise(SIGTERM); });
    };
    QTimer guard; // a broken quit path must fail the test, not hang it
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, app, [] { QCoreApplication::exit(99); });
    guard.start(5000);

    EXPECT_EQ(app->run(), 0);
    EXPECT_EQ(delegate.events, (std::vector<std::string>{"willFinish", "didFinish", "shouldTerminate",
                                                         "shouldTerminate", "willTerminate"}));
    EXPECT_EQ(delegate.reasons, (std::vector<QuitReason>{QuitReason::none, QuitReason::shutDown}));
    EXPECT_FALSE(app->handlesTerminationSignal()) << "run() leaves SIGTERM as it found it";
}

TEST_F(ApplicationTest, AgentModeMakesWindowsToolWindowsAndRegularGivesTheirTypeBack) {
    QWidget window;
    window.show();
    QWidget tool(nullptr, Qt::Tool);
    QWidget child;
    QDialog ownedDialog(&window);

    app->setActivationPolicy(ActivationPolicy::agent);
    EXPECT_EQ(app->activationPolicy(), ActivationPolicy::agent);
    EXPECT_EQ(window.windowType(), Qt::Tool);
    EXPECT_TRUE(window.isVisible()) << "a shown window stays shown";
    EXPECT_EQ(ownedDialog.windowType(), Qt::Dialog) << "owned dialogs have no task-bar place to lose";

    // A window first shown in agent mode is converted once it is up.
    QWidget later;
    later.show();
    ASSERT_TRUE(testsupport::waitUntil([&] { return later.windowType() == Qt::Tool; }));
    EXPECT_TRUE(later.isVisible());

    app->setActivationPolicy(ActivationPolicy::regular);
    EXPECT_EQ(window.windowType(), Qt::Window);
    EXPECT_EQ(later.windowType(), Qt::Window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(tool.windowType(), Qt::Tool) << "a window that was a tool window keeps its type";
}

TEST_F(ApplicationTest, ReopenTellsTheDelegateWhetherAWindowIsVisible) {
    EXPECT_TRUE(app->reopen());
    QWidget window;
    window.show();
    EXPECT_TRUE(app->reopen());
    window.hide();
    QWidget popup(nullptr, Qt::Popup);
    popup.show();
    EXPECT_TRUE(app->reopen());
    EXPECT_EQ(delegate.reopenedWithVisibleWindows, (std::vector<bool>{false, true, false}))
        << "popups and menus are not windows of the client";
}

TEST_F(ApplicationTest, WindowActionsAnswerTheirKeysInEveryClientWindow) {
    QWidget before;
    before.show();
    int triggered = 0;
    {
        QAction hide;
        hide.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
        QObject::connect(&hide, &QAction::triggered, [&] { ++triggered; });
        app->addWindowAction(&hide);
        app->addWindowAction(&hide);
        QDialog later;
        later.show();
        QWidget popup(nullptr, Qt::Popup);
        popup.show();
        EXPECT_EQ(before.actions(), QList<QAction*>{&hide});
        EXPECT_EQ(later.actions(), QList<QAction*>{&hide}) << "a window shown afterwards gets it too";
        EXPECT_TRUE(popup.actions().isEmpty()) << "popups are not windows of the client";
        popup.hide();

        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return later.windowHandle() && later.windowHandle()->isExposed(); }));
        later.activateWindow();
        ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &later; }));
        QTest::keyClick(&later, Qt::Key_H, Qt::ControlModifier);
        EXPECT_EQ(triggered, 1);
    }
    EXPECT_TRUE(before.actions().isEmpty()) << "a destroyed action leaves the windows";
    QWidget after;
    after.show(); // no dangling action is added
    EXPECT_TRUE(after.actions().isEmpty());
}

TEST_F(ApplicationTest, HiddenWindowsComeBackTogether) {
    QWidget main;
    QWidget settings;
    QWidget closed;
    main.show();
    settings.show();
    app->hide();
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(settings.isVisible());
    EXPECT_TRUE(app->isHidden());
    EXPECT_TRUE(app->reopen());
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(closed.isVisible()) << "only the windows it hid come back";
    EXPECT_FALSE(app->isHidden());
    EXPECT_EQ(delegate.reopenedWithVisibleWindows, std::vector<bool>{true});

    // Hidden again, a window the client shows brings the others along; one destroyed meanwhile is skipped.
    auto* destroyedWhileHidden = new QWidget;
    destroyedWhileHidden->show();
    app->hide();
    delete destroyedWhileHidden;
    closed.show();
    EXPECT_FALSE(app->isHidden());
    EXPECT_TRUE(testsupport::waitUntil([&] { return main.isVisible() && settings.isVisible(); }));
}

TEST_F(ApplicationTest, ActivateRaisesAVisibleWindow) {
    QWidget window;
    window.show();
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    app->setActivationToken(QStringLiteral("launcher-7_TIME123456"));
    app->activate(true);
    EXPECT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &window; }));
    EXPECT_TRUE(app->activationToken().isEmpty()) << "a token is spent once";
}

TEST(ApplicationActivation, AStartupIdGivesItsLaunchTimeAndOtherTokensNone) {
    EXPECT_EQ(Application::startupIdTime(QStringLiteral("launcher-7_TIME123456")), 123456ul);
    EXPECT_EQ(Application::startupIdTime(QStringLiteral("ee7e5b3c-1d2b-4a6f-9f0e")), std::nullopt);
    EXPECT_EQ(Application::startupIdTime(QStringLiteral("_TIME")), std::nullopt);
    EXPECT_EQ(Application::startupIdTime(QStringLiteral("launcher_TIME12 ")), std::nullopt);
}

TEST_F(ApplicationTest, DelegateHearsOfActivationChangesOnce) {
    // The state as the platform reports it; the offscreen platform does not deactivate by itself.
    emit app->applicationStateChanged(Qt::ApplicationInactive);
    delegate.events.clear();
    emit app->applicationStateChanged(Qt::ApplicationActive);
    emit app->applicationStateChanged(Qt::ApplicationActive);
    emit app->applicationStateChanged(Qt::ApplicationInactive);
    emit app->applicationStateChanged(Qt::ApplicationHidden);
    emit app->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(delegate.events, (std::vector<std::string>{"becameActive", "resignedActive", "becameActive"}));
    emit app->applicationStateChanged(Qt::ApplicationInactive);
}
