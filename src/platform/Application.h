#pragma once

#include <QApplication>
#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QSocketNotifier;

namespace platform {

enum class TerminateReply { terminateNow, terminateCancel };

// Why the request being handled wants the process to end: logOut (session end), restart (logind's reboot
// kinds), shutDown (logind's other kinds, or an older logind that does not say, and SIGTERM).
enum class QuitReason { none, logOut, restart, shutDown };

// With or without a place in the task bar.
enum class ActivationPolicy { regular, agent };

// The client's answers to the application's life events; every hook has a neutral default.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate();

    virtual void applicationWillFinishLaunching() {}
    virtual void applicationDidFinishLaunching() {}
    virtual TerminateReply applicationShouldTerminate() { return TerminateReply::terminateNow; }
    virtual void applicationWillTerminate() {}
    virtual bool applicationShouldHandleReopen(bool hasVisibleWindows) {
        (void)hasVisibleWindows;
        return true;
    }
    virtual void applicationDidBecomeActive() {}
    virtual void applicationDidResignActive() {}
};

// The client's application object. Main-thread only.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;

    // The running Application, or nullptr when the QApplication is not one.
    static Application* instance();

    // Non-owning; cleared when the delegate is destroyed.
    void setDelegate(ApplicationDelegate* delegate);
    ApplicationDelegate* delegate() const { return m_delegate; }

    // Will-finish-launching, then the event loop, in which did-finish-launching comes first. SIGTERM is
    // handled while it runs. Returns the loop's exit code.
    int run();

    // A person's Quit: the delegate answers; only terminate-now ends run()'s loop (after will-terminate).
    void terminate();
    // A quit the system asks for: the reason is set while the same request runs.
    void terminateForSystem(QuitReason reason);
    // The reason of the request being handled; none for a person's Quit or outside any request.
    QuitReason currentQuitReason() const { return m_quitReason; }
    static bool isSystemQuitReason(QuitReason reason) { return reason != QuitReason::none; }

    // Sets the quit reason for its lifetime, for system events whose observers may ask to terminate.
    class QuitReasonScope {
    public:
        explicit QuitReasonScope(QuitReason reason);
        ~QuitReasonScope();
        QuitReasonScope(const QuitReasonScope&) = delete;
        QuitReasonScope& operator=(const QuitReasonScope&) = delete;

    private:
        QPointer<Application> m_app;
        QuitReason m_previous = QuitReason::none;
    };

    void setActivationPolicy(ActivationPolicy policy);
    ActivationPolicy activationPolicy() const { return m_policy; }
    // The client is the active application: one of its windows, on screen, has the input focus. Qt's own
    // state alone may stay active after the focused window was hidden, with nothing of the client in front.
    static bool isActive();

    // Raises and activates the current window: the active one, else the one last active, else the first
    // visible. On Linux the window manager has the last word on focus, so `ignoringOtherApps` is advisory.
    void activate(bool ignoringOtherApps);

    // The desktop's word that the next window brought forward may take the focus: a later start's activation
    // token (XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on X), or one a tray click or a
    // notification's action came with. Spent by the next activateWindow().
    void setActivationToken(const QString& token);
    QString activationToken() const { return m_activationToken; }
    // Raises `window` and asks for the focus, with the token when one was given.
    static void activateWindow(QWidget* window);
    // The launch time an X startup id carries ("..._TIME<server time>"); none in other tokens.
    static std::optional<unsigned long> startupIdTime(const QString& startupId);

    // What a second launch without a URL triggers. Returns the delegate's answer.
    bool reopen();
    // Top-level client windows that are shown and not minimised.
    bool hasVisibleWindows() const;

    // Makes `action` (a window shortcut) work in every client window, those shown later included.
    // Non-owning: an action that is destroyed drops out.
    void addWindowAction(QAction* action);
    // Hides the client's shown windows (the tray stays). They come back together, as a hidden application
    // does: on reopen(), or when the client shows any window of its own.
    void hide();
    bool isHidden() const { return !m_hiddenWindows.isEmpty(); }

    // Routes SIGTERM to terminateForSystem(shutDown) through the event loop; run() turns it on. A main
    // thread held up in a step of its own still ends the process once the grace time is over.
    static constexpr unsigned terminationGraceSeconds = 3;
    void setHandlesTerminationSignal(bool enabled);

    // Sets the soft limit of open files to the hard one (done when the application is made).
    static void raiseOpenFileLimit();
    bool handlesTerminationSignal() const;

    bool notify(QObject* receiver, QEvent* event) override;

    // Gives memory freed by the client back to the system once the events queued now have run (done after
    // every window hides, and when a fade's effect goes).
    void releaseFreedMemorySoon();

signals:
    // The client as a whole gains or loses the user's focus; moving between its own windows is neither.
    void didBecomeActive();
    void didResignActive();

private:
    friend class ApplicationDelegate;
    void onApplicationStateChanged(Qt::ApplicationState state);
    void onTerminationSignal();
    void applyPolicy(QWidget* window);
    void watchWindowEvent(QWidget* widget, QEvent::Type type);
    void addWindowActions(QWidget* window);
    void unhide();

    ApplicationDelegate* m_delegate = nullptr;
    ActivationPolicy m_policy = ActivationPolicy::regular;
    QuitReason m_quitReason = QuitReason::none;
    Qt::ApplicationState m_state = Qt::ApplicationInactive;
    QPointer<QWidget> m_lastActiveWindow;
    bool m_handlingTerminate = false;
    bool m_running = false;
    bool m_terminated = false;
    std::unique_ptr<QSocketNotifier> m_signalNotifier;
    QList<QPointer<QAction>> m_windowActions;
    bool m_releaseQueued = false;
    QList<QPointer<QWidget>> m_hiddenWindows;
    QString m_activationToken;
};

} // namespace platform
