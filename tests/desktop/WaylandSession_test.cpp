// A Wayland session (sway, headless, with Xwayland and the same tray host and notification server): the
// client takes Xwayland, where the quick-access window sits under the click the host reports and a second
// start brings the shown main window forward; the main window keeps its size; natively it says what it
// cannot do, and without Qt's Wayland plugin it names the package.
#include "DesktopScenario.h"
#include "Workspaces.h"

#include <QDir>

using namespace desktop;

namespace {

class WaylandSessionTest : public DesktopScenario {
protected:
    static DesktopOptions wayland(DesktopOptions options = {}) {
        options.wayland = true;
        options.screen = QSize(1600, 900);
        return options;
    }
    // The session; skipped, saying why, where sway cannot run here.
    void makeSession(DesktopOptions options) {
        session = std::make_unique<DesktopSession>(std::move(options));
        if (!session->isReady() && session->problem().startsWith(QLatin1String("sway did not start"))) {
            GTEST_SKIP() << session->problem().toStdString();
        }
        ASSERT_TRUE(session->isReady()) << session->problem().toStdString();
    }
    void startOnWayland(DesktopOptions options,
                        const std::function<QStringList(const DesktopSession&)>& arguments = {}) {
        makeSession(std::move(options));
        if (!IsSkipped() && !HasFatalFailure()) {
            ASSERT_TRUE(session->startClient(arguments ? arguments(*session) : QStringList{}));
        }
    }
    // Frameless and 300 wide; Xwayland's manager keeps no _NET_WM_STATE_ABOVE for a panel to read.
    static bool isQuickAccessOnXwayland(const WindowInfo& window) {
        return !window.decorated() && window.geometry.width() == 300;
    }
    std::optional<DesktopSession::CompositorWindow> waitForCompositorWindow(WindowId x11Window) {
        std::optional<DesktopSession::CompositorWindow> found;
        waitFor([&] {
            for (const auto& window : session->compositorWindows()) {
                if (window.x11Window == x11Window) {
                    found = window;
                }
            }
            return found.has_value();
        });
        return found;
    }
    // Kept beside the test binary for a person to look at.
    void keepScreenshot(const char* name) {
        EXPECT_TRUE(
            session->screenshot(QDir::current().filePath(QStringLiteral("wayland-%1.png").arg(name))));
    }
    static bool finished(QProcess* process) { return process && process->waitForFinished(startBoundMs); }
};

} // namespace

TEST_F(WaylandSessionTest, OnXwaylandTheQuickAccessWindowSitsUnderTheReportedClick) {
    ASSERT_NO_FATAL_FAILURE(startOnWayland(wayland()));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    runEventsFor(1000); // the client starts hearing where its icon is clicked
    const QPoint reported(1586, 13);
    session->tray()->activate(reported);
    const std::optional<WindowInfo> opened = waitForWindow(isQuickAccessOnXwayland);
    ASSERT_TRUE(opened) << "an X window: the client runs on Xwayland";
    runEventsFor(300); // it takes its height and place
    const std::optional<DesktopSession::CompositorWindow> shown = waitForCompositorWindow(opened->id);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->shell, QStringLiteral("xwayland"));
    EXPECT_TRUE(shown->floating);
    EXPECT_EQ(shown->rect.width(), 300);
    // Where the client put it: sway places every floating X window in the middle of the output whatever
    // the window asks, so the client's own word is read from the window's position hint.
    const std::optional<QPoint> asked = session->x11().requestedPosition(opened->id);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->y(), reported.y() + 14 + 15) << "15 px under a usual panel around the click";
    EXPECT_EQ(asked->x() + 300 - 1, 1599) << "as near the click as the screen allows";
    keepScreenshot("quick-access");
    EXPECT_FALSE(session->clientLog().contains(QLatin1String("wayland"), Qt::CaseInsensitive))
        << "no word about Wayland on Xwayland";
}

// On X (openbox, which keeps focus from windows asking with an older time than the person's last input)
// and on Wayland through Xwayland: the later start's startup id carries its launch time.
class SecondStartTest : public WaylandSessionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SecondStartTest, BringsTheShownMainWindowForwardAndItKeepsItsSize) {
    DesktopOptions options;
    options.tray = DesktopOptions::Tray::none; // the main window comes forward by itself
    ASSERT_NO_FATAL_FAILURE(startOnWayland(GetParam() ? wayland(options) : options, signedInWorkspace));
    const std::optional<WindowInfo> main = waitForWindow(isMainWindow, startBoundMs);
    ASSERT_TRUE(main);
    // Xwayland's X focus follows only the compositor's moves between X windows: there it is asked.
    const auto focused = [&](WindowId id) {
        if (!GetParam()) {
            return session->x11().focusedWindow() == id;
        }
        const std::optional<DesktopSession::CompositorWindow> shown = waitForCompositorWindow(id);
        return shown && shown->focused;
    };
    ASSERT_TRUE(waitFor([&] { return focused(main->id); }));
    QProcess* other =
        session->startProgram(DesktopSession::bareWindowBinary(), {QStringLiteral("other program")});
    ASSERT_TRUE(other);
    ASSERT_TRUE(waitFor(
        [&] {
            if (GetParam()) { // on Wayland itself
                return std::ranges::any_of(session->compositorWindows(), [&](const auto& w) {
                    return w.pid == other->processId() && w.focused;
                });
            }
            const std::vector<WindowInfo> windows = session->x11().mappedWindows(other->processId());
            return !windows.empty() && focused(windows.front().id);
        },
        startBoundMs))
        << "the other program takes the focus";

    QProcessEnvironment env = session->environment();
    env.insert(QStringLiteral("DESKTOP_STARTUP_ID"),
               QStringLiteral("launcher-1_TIME%1").arg(session->x11().serverTime()));
    QProcess* again = session->startProgram(DesktopSession::clientBinary(), {}, env);
    ASSERT_TRUE(finished(again)) << "the later start hands over and ends";
    EXPECT_EQ(again->exitCode(), 0) << session->programLog(again).toStdString();
    EXPECT_TRUE(waitFor([&] { return focused(main->id); })) << "the main window has the focus again";
    if (GetParam()) {
        const std::optional<DesktopSession::CompositorWindow> shown = waitForCompositorWindow(main->id);
        ASSERT_TRUE(shown);
        EXPECT_TRUE(shown->floating) << "a window of one size floats instead of being tiled";
        EXPECT_EQ(shown->rect.size(), QSize(880, 600));
        keepScreenshot("main-window");
    }
}

INSTANTIATE_TEST_SUITE_P(Sessions, SecondStartTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OnWayland" : "OnX"; });

TEST_F(WaylandSessionTest, NativelyItSaysWhatItCannotDoAndWithoutThePluginItNamesThePackage) {
    ASSERT_NO_FATAL_FAILURE(makeSession(wayland()));
    QProcessEnvironment env = session->environment();
    env.remove(QStringLiteral("DISPLAY")); // Wayland only
    QTemporaryDir noPlugins;
    env.insert(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"), noPlugins.path());
    QProcess* missing = session->startProgram(DesktopSession::clientBinary(), {}, env);
    ASSERT_TRUE(finished(missing));
    EXPECT_EQ(missing->exitCode(), 1);
    const QString said = session->programLog(missing);
    EXPECT_TRUE(said.contains(QLatin1String("qt6-wayland"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QLatin1String("no graphical session"))) << said.toStdString();

    env.remove(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"));
    QProcess* native = session->startProgram(DesktopSession::clientBinary(), {}, env);
    ASSERT_TRUE(native);
    ASSERT_TRUE(waitFor([&] { return session->tray()->hasItem(); }, startBoundMs));
    runEventsFor(1000); // the client starts hearing where its icon is clicked
    session->tray()->activate(QPoint(1586, 13));
    EXPECT_TRUE(waitFor([&] {
        return std::ranges::any_of(session->compositorWindows(), [&](const auto& w) {
            return w.pid == native->processId() && w.shell == QLatin1String("xdg_shell") && w.focused;
        });
    })) << "the quick-access window is one of the compositor's own, in front\n"
        << session->programLog(native).toStdString();
    const QStringList lines = session->programLog(native).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.filter(QStringLiteral("natively on Wayland")).size(), 1)
        << lines.join(u'\n').toStdString();
    keepScreenshot("native");
}
