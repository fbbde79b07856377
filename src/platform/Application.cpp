#include "platform/Application.h"

#include "platform/AsciiChars.h"
#include "platform/ExceptionHandling.h"
#include "platform/GraphicalSession.h"
#include "platform/NativeWindow.h"

#include <QAction>
#include <QLoggingCategory>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <cxxabi.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcApp, "veltrix.platform.application")

// The window type a window had before agent mode made it a tool window.
constexpr const char* originalTypeKey = "_veltrix_windowTypeBeforeAgent";

// [0] is written by the signal handler, [1] is read on the main thread.
int signalSockets[2] = {-1, -1};
struct sigaction previousSigterm {};
struct sigaction previousSigalrm {};

void onSigterm(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    // The main thread quits within the grace time unless something holds it; then the alarm ends the
    // process as SIGTERM's own action would have.
    ::alarm(Application::terminationGraceSeconds);
    errno = savedErrno;
}

void onTerminationGraceOver(int) {
    ::signal(SIGTERM, SIG_DFL);
    ::raise(SIGTERM);
}

const char* reasonName(QuitReason reason) {
    switch (reason) {
    case QuitReason::none:
        return "none";
    case QuitReason::logOut:
        return "log-out";
    case QuitReason::restart:
        return "restart";
    case QuitReason::shutDown:
        return "shut-down";
    }
    return "?";
}

// Windows that stand in the task bar on their own: parentless normal windows and dialogs.
bool takesTaskBarPlace(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && !widget->parentWidget() && (type == Qt::Window || type == Qt::Dialog);
}

void showAll(const QList<QPointer<QWidget>>& windows) {
    for (const QPointer<QWidget>& window : windows) {
        if (window) {
            window->show();
        }
    }
}

bool isClientWindow(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool);
}

// Where a window with the manager's frame was last seen on screen: its client area's top left corner, and
// how far that lies inside the frame's.
constexpr const char* keptPlaceKey = "_veltrix_keptPlace";
constexpr const char* keptFrameOffsetKey = "_veltrix_keptFrameOffset";

bool keepsItsPlace(const QWidget* widget) {
    return isClientWindow(widget) && !widget->parentWidget() &&
           !widget->windowFlags().testFlag(Qt::FramelessWindowHint);
}

void notePlace(QWidget* window) {
    window->setProperty(keptPlaceKey, window->geometry().topLeft());
    // Until the manager has told its frame, Qt counts none: the last frame known stays.
    if (const QPoint offset = window->geometry().topLeft() - window->pos(); !offset.isNull()) {
        window->setProperty(keptFrameOffsetKey, offset);
    }
}

// A window shown again goes where it was left, and never with its title bar off the available area: its
// native window is made anew (given back while hidden, or for a change of flags), and Qt's own note of
// the place can lose the frame, or the place altogether, on the way; a native window kept while hidden
// lies where the manager left it, which Qt does not know. The client area is placed, which managers keep
// as asked; a frame position is read against frame sizes Qt may not know yet.
void putBackWhereItWas(QWidget* window) {
    const QVariant kept = window->property(keptPlaceKey);
    if (!kept.isValid()) {
        return;
    }
    const QPoint offset = window->property(keptFrameOffsetKey).toPoint();
    QRect frame(kept.toPoint() - offset, window->size() + QSize(2 * offset.x(), offset.y() + offset.x()));
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen) {
        screen = window->screen();
    }
    if (screen) {
        const QRect available = screen->availableGeometry();
        frame.moveLeft(
            std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
        frame.moveTop(
            std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
    }
    const QRect placed(frame.topLeft() + offset, window->size());
    window->setGeometry(placed);
    moveHiddenNativeWindow(window, placed.topLeft(),
                           offset); // Qt moves nothing when its note says it is there
}

} // namespace

ApplicationDelegate::~ApplicationDelegate() {
    if (Application* app = Application::instance(); app && app->m_delegate == this) {
        app->m_delegate = nullptr;
    }
}

void Application::raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            qCWarning(lcApp) << "Cannot raise the open-file limit:" << strerror(errno);
        }
    }
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The usual soft limit of 1,024 is a fraction of what the system allows; sockets of later launches, the
    // bus and log files all draw on it.
    raiseOpenFileLimit();
    // Like the desktop the client was designed for: closing the last window does not end the application.
    setQuitOnLastWindowClosed(false);
    connect(this, &QGuiApplication::applicationStateChanged, this, &Application::onApplicationStateChanged);
#if QT_CONFIG(sessionmanager)
    connect(this, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { terminateForSystem(QuitReason::logOut); });
#endif
}

Application::~Application() {
    setHandlesTerminationSignal(false);
}

Application* Application::instance() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

void Application::setDelegate(ApplicationDelegate* delegate) {
    m_delegate = delegate;
}

int Application::run() {
    m_terminated = false;
    if (m_delegate) {
        m_delegate->applicationWillFinishLaunching();
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_delegate) {
                m_delegate->applicationDidFinishLaunching();
            }
        },
        Qt::QueuedConnection);
    const bool signalWasHandled = handlesTerminationSignal();
    setHandlesTerminationSignal(true);
    m_running = true;
    const int code = exec();
    m_running = false;
    m_terminated = false;
    setHandlesTerminationSignal(signalWasHandled);
    return code;
}

void Application::terminate() {
    if (m_handlingTerminate || m_terminated) {
        return;
    }
    m_handlingTerminate = true;
    const TerminateReply reply =
        m_delegate ? m_delegate->applicationShouldTerminate() : TerminateReply::terminateNow;
    m_handlingTerminate = false;
    if (reply == TerminateReply::terminateCancel) {
        qCInfo(lcApp) << "Quit request cancelled; reason:" << reasonName(m_quitReason);
        return;
    }
    qCInfo(lcApp) << "Terminating; reason:" << reasonName(m_quitReason);
    if (m_delegate) {
        m_delegate->applicationWillTerminate();
    }
    // Outside run() there is no loop of ours to end (tests observe the decision through the delegate).
    if (m_running) {
        m_terminated = true;
        exit(0);
    }
}

void Application::terminateForSystem(QuitReason reason) {
    QuitReasonScope scope(reason);
    terminate();
}

Application::QuitReasonScope::QuitReasonScope(QuitReason reason) : m_app(Application::instance()) {
    if (m_app) {
        m_previous = m_app->m_quitReason;
        m_app->m_quitReason = reason;
    }
}

Application::QuitReasonScope::~QuitReasonScope() {
    if (m_app) {
        m_app->m_quitReason = m_previous;
    }
}

// Agent mode on Linux: parentless windows become Qt::Tool windows, which window managers and panels keep
// out of the task bar; regular mode gives them back their own type. Windows first shown while in agent mode
// are converted right after they appear.
void Application::setActivationPolicy(ActivationPolicy policy) {
    if (m_policy == policy) {
        return;
    }
    m_policy = policy;
    qCInfo(lcApp) << "Activation policy:" << (policy == ActivationPolicy::agent ? "agent" : "regular");
    for (QWidget* widget : topLevelWidgets()) {
        applyPolicy(widget);
    }
}

void Application::applyPolicy(QWidget* window) {
    const QVariant original = window->property(originalTypeKey);
    const bool wasVisible = window->isVisible();
    if (m_policy == ActivationPolicy::agent) {
        if (original.isValid() || !takesTaskBarPlace(window)) {
            return;
        }
        window->setProperty(originalTypeKey, static_cast<int>(window->windowType()));
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Tool);
    } else {
        if (!original.isValid()) {
            return;
        }
        window->setProperty(originalTypeKey, QVariant());
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) |
                               static_cast<Qt::WindowType>(original.toInt()));
    }
    if (wasVisible) {
        window->show(); // changing the flags hides a window
    }
}

bool Application::isActive() {
    const QWindow* focused = QGuiApplication::focusWindow();
    return QGuiApplication::applicationState() == Qt::ApplicationActive && focused && focused->isVisible();
}

void Application::activate(bool ignoringOtherApps) {
    Q_UNUSED(ignoringOtherApps)
    QWidget* window = activeWindow();
    if (!window && m_lastActiveWindow && m_lastActiveWindow->isVisible()) {
        window = m_lastActiveWindow;
    }
    if (!window) {
        for (QWidget* widget : topLevelWidgets()) {
            if (isClientWindow(widget) && widget->isVisible()) {
                window = widget;
                break;
            }
        }
    }
    if (window) {
        activateWindow(window);
    }
}

void Application::setActivationToken(const QString& token) {
    m_activationToken = token;
}

std::optional<unsigned long> Application::startupIdTime(const QString& startupId) {
    // "..._TIME<digits>" at its end.
    const QLatin1StringView marker("_TIME");
    const qsizetype at = startupId.lastIndexOf(marker);
    const QStringView digits = at < 0 ? QStringView() : QStringView(startupId).sliced(at + marker.size());
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isAsciiDigit)) {
        return std::nullopt;
    }
    bool ok = false;
    const unsigned long value = digits.toULong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

void Application::activateWindow(QWidget* window) {
    window->raise();
    Application* app = instance();
    const QString token = app ? std::exchange(app->m_activationToken, {}) : QString();
    if (!token.isEmpty() && GraphicalSession::isNativeWayland()) {
        // Qt's Wayland plugin hands this variable to the compositor with the next activation, then clears it.
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    }
    window->activateWindow();
    if (const std::optional<unsigned long> launchedAt = startupIdTime(token)) {
        // Qt asks with the time of the last event it saw, older than the launch: a manager that prevents
        // focus stealing would only mark the window as wanting attention.
        requestX11Activation(window, *launchedAt);
    }
}

bool Application::hasVisibleWindows() const {
    for (const QWidget* widget : topLevelWidgets()) {
        if (isClientWindow(widget) && widget->isVisible() && !widget->isMinimized()) {
            return true;
        }
    }
    return false;
}

void Application::addWindowAction(QAction* action) {
    if (!action || m_windowActions.contains(action)) {
        return;
    }
    action->setShortcutContext(Qt::WindowShortcut);
    m_windowActions.removeIf([](const QPointer<QAction>& gone) { return !gone; });
    m_windowActions.append(action);
    for (QWidget* widget : topLevelWidgets()) {
        addWindowActions(widget);
    }
}

void Application::addWindowActions(QWidget* window) {
    if (!isClientWindow(window)) {
        return;
    }
    const QList<QAction*> present = window->actions();
    for (const QPointer<QAction>& action : std::as_const(m_windowActions)) {
        if (action && !present.contains(action.get())) {
            window->addAction(action);
        }
    }
}

void Application::hide() {
    for (QWidget* widget : topLevelWidgets()) {
        if (isClientWindow(widget) && widget->isVisible()) {
            m_hiddenWindows.append(widget);
            widget->hide();
        }
    }
    qCInfo(lcApp) << "Hid" << m_hiddenWindows.size() << "windows";
}

void Application::unhide() {
    showAll(std::exchange(m_hiddenWindows, {}));
}

bool Application::reopen() {
    unhide();
    const bool visible = hasVisibleWindows();
    return m_delegate ? m_delegate->applicationShouldHandleReopen(visible) : true;
}

void Application::onApplicationStateChanged(Qt::ApplicationState state) {
    const Qt::ApplicationState previous = m_state;
    m_state = state;
    if ((previous == Qt::ApplicationActive) == (state == Qt::ApplicationActive)) {
        return;
    }
    if (state == Qt::ApplicationActive) {
        if (m_delegate) {
            m_delegate->applicationDidBecomeActive();
        }
        emit didBecomeActive();
    } else {
        if (m_delegate) {
            m_delegate->applicationDidResignActive();
        }
        emit didResignActive();
    }
}

void Application::setHandlesTerminationSignal(bool enabled) {
    if (enabled == handlesTerminationSignal()) {
        return;
    }
    if (!enabled) {
        ::alarm(0);
        ::sigaction(SIGTERM, &previousSigterm, nullptr);
        ::sigaction(SIGALRM, &previousSigalrm, nullptr);
        m_signalNotifier.reset();
        ::close(signalSockets[0]);
        ::close(signalSockets[1]);
        signalSockets[0] = signalSockets[1] = -1;
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0) {
        qCWarning(lcApp) << "Cannot watch SIGTERM:" << strerror(errno);
        signalSockets[0] = signalSockets[1] = -1;
        return;
    }
    m_signalNotifier = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
    connect(m_signalNotifier.get(), &QSocketNotifier::activated, this, &Application::onTerminationSignal);
    struct sigaction action {};
    action.sa_handler = onSigterm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousSigterm);
    action.sa_handler = onTerminationGraceOver;
    ::sigaction(SIGALRM, &action, &previousSigalrm);
}

bool Application::handlesTerminationSignal() const {
    return m_signalNotifier != nullptr;
}

void Application::onTerminationSignal() {
    char buffer[16];
    while (::read(signalSockets[1], buffer, sizeof buffer) > 0) {
    }
    qCInfo(lcApp) << "SIGTERM received";
    terminateForSystem(QuitReason::shutDown);
}

void Application::watchWindowEvent(QWidget* widget, QEvent::Type type) {
    if (!widget->isWindow()) {
        return;
    }
    if (type == QEvent::Hide) {
        releaseFreedMemorySoon();
        return;
    }
    if (type == QEvent::WindowActivate) {
        m_lastActiveWindow = widget;
        return;
    }
    if (type == QEvent::Move) {
        if (widget->isVisible() && keepsItsPlace(widget)) {
            notePlace(widget);
        }
        return;
    }
    if (type == QEvent::Show && keepsItsPlace(widget)) {
        putBackWhereItWas(widget); // before it is mapped
    }
    if (type == QEvent::Show && !m_windowActions.isEmpty()) {
        addWindowActions(widget);
    }
    if (type == QEvent::Show && isHidden() && isClientWindow(widget)) {
        // Not from inside this show: the others appear once it is done.
        QMetaObject::invokeMethod(
            this, [hidden = std::exchange(m_hiddenWindows, {})] { showAll(hidden); }, Qt::QueuedConnection);
    }
    if (type == QEvent::Show && m_policy == ActivationPolicy::agent && takesTaskBarPlace(widget) &&
        !widget->property(originalTypeKey).isValid()) {
        // Not from inside the show itself: changing the flags there would re-enter setVisible().
        QMetaObject::invokeMethod(
            this,
            [this, window = QPointer<QWidget>(widget)] {
                if (window && m_policy == ActivationPolicy::agent) {
                    applyPolicy(window);
                }
            },
            Qt::QueuedConnection);
    }
}

void Application::releaseFreedMemorySoon() {
    // What a closed window or a finished fade freed stays with the allocator, counted as the client's, until
    // it is given back: once the events queued with it (the other windows hidden, the repaint) have run. Not
    // client work, so not on the scheduler's queues.
    if (m_releaseQueued) {
        return;
    }
    m_releaseQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_releaseQueued = false;
            malloc_trim(0);
        },
        Qt::QueuedConnection);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    if (receiver->isWidgetType() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
         event->type() == QEvent::WindowActivate || event->type() == QEvent::Move)) {
        watchWindowEvent(static_cast<QWidget*>(receiver), event->type());
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        // An event handler failed: report it and keep the application running.
        ExceptionHandling::reportCurrentException();
        return false;
    }
}

} // namespace platform
