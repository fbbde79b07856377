#pragma once

// One desktop per scenario: a virtual X display (Xvfb; the server picks a free number), a window manager
// (openbox), a D-Bus session bus and HOME, XDG folders and runtime folder of its own, with the tray host
// and the notification server living in this process. Programs started on it see only this desktop, so
// scenarios run side by side and never meet each other nor a copy of the client a developer runs.
// Everything it started ends with it, also when the test process dies.
//
//     desktop::DesktopSession desktop;                     // tray host, notification server
//     ASSERT_TRUE(desktop.isReady()) << desktop.problem();
//     ASSERT_TRUE(desktop.startClient());
//     ASSERT_TRUE(desktop::waitFor([&] { return desktop.tray()->hasItem(); }, desktop::startBoundMs));

#include "support/FakeNotificationServer.h"
#include "support/PrivateBus.h"
#include "support/desktop/AccessibleTree.h"
#include "support/desktop/TrayHost.h"
#include "support/desktop/Wait.h"
#include "support/desktop/X11Display.h"

#include <QProcess>
#include <QSize>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace desktop {

struct DesktopOptions {
    enum class Tray { hostAndWatcher, watcherOnly, none };
    Tray tray = Tray::hostAndWatcher;
    bool notificationServer = true;
    QStringList notificationCapabilities = {QStringLiteral("actions"), QStringLiteral("body")};
    // The client's widgets readable over AT-SPI (costs the client work: leave it off when measuring).
    bool accessibility = false;
    QSize screen{1280, 800};
    // The client's QT_SCALE_FACTOR (1: none set).
    double scale = 1.0;
    // The desktop's opener (xdg-open on its PATH) hands links to a browser that keeps them (openedUrls());
    // without one it says, as xdg-open does, that no program can open them.
    bool browser = true;
    // The client reaches the remote-logging service at its built-in address, as a person runs it, instead
    // of the tests' loopback port.
    bool builtInRemoteLog = false;
    // A Wayland session instead of Xvfb and openbox: sway on its headless backend with Xwayland beside it,
    // both offered to the client, which decides itself where it runs (no QT_QPA_PLATFORM is set).
    bool wayland = false;
    // Set in the client's environment over the desktop's (another remote-logging address, say).
    QProcessEnvironment clientEnvironment;
};

class DesktopSession {
public:
    explicit DesktopSession(DesktopOptions options = {});
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    bool isReady() const { return m_problem.isEmpty(); }
    QString problem() const { return m_problem; }

    X11Display& x11() { return *m_x11; }
    PrivateBus& bus() { return m_bus; }
    TrayHost* tray() { return m_tray.get(); }                                 // null without a watcher
    FakeNotificationServer* notifications() { return m_notifications.get(); } // null without a server
    AccessibleTree* accessibility() { return m_accessibility.get(); }         // null unless asked for
    QString displayName() const { return m_displayName; }
    QString home() const { return m_home.path(); }
    // The environment of a program on this desktop.
    QProcessEnvironment environment() const;

    // The built client, started on this desktop with `arguments` (again once it ended); its output goes to
    // clientLog().
    bool startClient(const QStringList& arguments = {});
    qint64 clientPid() const;
    qint64 clientStartedNs() const { return m_clientStartedNs; }
    bool clientRunning() const;
    bool clientCrashed() const; // ended by a signal
    QString clientLog() const;
    // SIGTERM, then the bounded wait for the end; false when it had to be killed.
    bool stopClient();

    // The links the desktop's browser was given, in order.
    QStringList openedUrls() const;

    // Another program on this desktop (the bare window, say), ended with the session; `environment` as
    // environment() gives it, changed by the caller.
    QProcess* startProgram(const QString& path, const QStringList& arguments = {});
    QProcess* startProgram(const QString& path, const QStringList& arguments,
                           const QProcessEnvironment& environment);
    QString programLog(const QProcess* program) const;

    // The client's mapped top-level windows.
    std::vector<WindowInfo> clientWindows();

    // On a Wayland session: the compositor's windows as it manages them, and a screenshot of its output.
    struct CompositorWindow {
        QString shell; // "xwayland" or "xdg_shell"
        qint64 pid = 0;
        WindowId x11Window = 0; // the X window of an Xwayland one
        QRect rect;             // where the compositor shows it
        bool floating = false;
        bool focused = false;
    };
    std::vector<CompositorWindow> compositorWindows() const;
    bool screenshot(const QString& path) const;
    QString waylandDisplay() const { return m_waylandDisplay; }

    static QString clientBinary();
    static QString bareWindowBinary();

private:
    std::unique_ptr<QProcess> startProcess(const QString& path, const QStringList& arguments,
                                           const QProcessEnvironment& environment, const QString& logFile);
    bool startDisplay(QSize screen);
    bool startCompositor(QSize screen);
    QByteArray askCompositor(const QStringList& arguments) const;
    void installOpener(bool browser);

    QTemporaryDir m_home;
    PrivateBus m_bus;
    std::unique_ptr<QProcess> m_xvfb;
    QString m_displayName;
    std::unique_ptr<X11Display> m_x11;
    std::unique_ptr<QProcess> m_windowManager;
    QString m_waylandDisplay;
    QString m_compositorSocket;
    std::unique_ptr<TrayHost> m_tray;
    std::unique_ptr<FakeNotificationServer> m_notifications;
    std::unique_ptr<AccessibleTree> m_accessibility;
    std::unique_ptr<QProcess> m_client;
    qint64 m_clientStartedNs = 0;
    bool m_builtInRemoteLog = false;
    QProcessEnvironment m_clientEnvironment;
    double m_clientScale = 1.0;
    std::vector<std::unique_ptr<QProcess>> m_programs;
    QString m_problem;
};

} // namespace desktop
