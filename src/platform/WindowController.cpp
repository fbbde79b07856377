#include "platform/WindowController.h"

#include "platform/Application.h"
#include "platform/NativeWindow.h"
#include "platform/ViewController.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QLayout>
#include <QLoggingCategory>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcWindowController, "veltrix.platform.windowcontroller")

// What the window manager adds around a window: a title bar and borders.
constexpr QSize frameAllowance(16, 48);

} // namespace

WindowController::WindowController(QObject* parent) : QObject(parent) {}

WindowController::~WindowController() {
    if (m_window) {
        m_window->removeEventFilter(this);
        detachContentView();
        delete m_window.data();
    }
}

QWidget* WindowController::window() {
    if (!m_window) {
        QWidget* made = loadWindow();
        if (!made) {
            qCCritical(lcWindowController)
                << metaObject()->className() << "made no window; using an empty one";
            made = new QWidget;
        }
        if (made->parentWidget() && !made->isWindow()) {
            qCWarning(lcWindowController) << metaObject()->className() << "made a child widget as its window";
            made->setParent(nullptr);
        }
        // Closing hides; the controller decides when the window is destroyed.
        made->setAttribute(Qt::WA_DeleteOnClose, false);
        made->installEventFilter(this);
        if (!m_accessibleName.isEmpty()) {
            made->setAccessibleName(m_accessibleName);
        }
        m_window = made;
        windowDidLoad();
        if (m_content) {
            setContentViewController(m_content);
        }
    }
    return m_window;
}

void WindowController::setAccessibleName(const QString& name) {
    m_accessibleName = name;
    if (m_window) {
        m_window->setAccessibleName(name);
    }
}

QWidget* WindowController::loadWindow() {
    return new QWidget;
}

void WindowController::setContentViewController(ViewController* controller) {
    if (m_content != controller) {
        detachContentView();
    }
    m_content = controller;
    if (!controller || !m_window) {
        return; // put in when the window is made
    }
    QWidget* content = controller->view();
    QWidget* host = contentHost();
    if (content->parentWidget() == host) {
        return;
    }
    QLayout* layout = host->layout();
    if (!layout) {
        layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        // The window is bounded by its content both ways: content of a fixed size makes a window of that
        // size, which neither a maximise nor a tiling compositor stretches into an empty grey.
        layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
    }
    const bool sized = content->testAttribute(Qt::WA_Resized);
    const QSize size = content->size();
    layout->addWidget(content);
    content->show();
    if (sized && !m_window->testAttribute(Qt::WA_Resized)) {
        m_window->resize(size); // the window takes the content's size, as long as nobody sized it
    }
}

void WindowController::detachContentView() {
    if (!m_content || !m_window || !m_content->isViewLoaded()) {
        return;
    }
    QWidget* content = m_content->view();
    if (m_scroller && m_scroller->widget() == content) {
        m_scroller->takeWidget();
        content->setParent(m_window);
        delete m_scroller.data();
    }
    // Wherever in the window it was put (also while the window goes, when its host is no longer asked).
    if (m_window->isAncestorOf(content)) {
        content->hide();
        content->setParent(nullptr);
    }
}

void WindowController::fitContentToScreen() {
    if (!m_content || !m_content->isViewLoaded() || m_scroller) {
        return;
    }
    QWidget* content = m_content->view();
    const QScreen* screen = m_window->screen();
    if (!screen || content->parentWidget() != m_window || !m_window->layout()) {
        return;
    }
    const QSize room = screen->availableGeometry().size() - frameAllowance;
    const QSize wanted = content->minimumSize().expandedTo(content->size());
    if (wanted.width() <= room.width() && wanted.height() <= room.height()) {
        return;
    }
    // Larger than the screen's free area (a small screen, a large scale): the content keeps its size and
    // scrolls in a window that fits, so the title bar and every control stay reachable.
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // the content's controls take the focus; it scrolls to them
    scroller->setPalette(content->palette());
    scroller->setBackgroundRole(QPalette::Window);
    m_window->layout()->replaceWidget(content, scroller);
    scroller->setWidget(content);
    m_scroller = scroller;
    m_window->resize(wanted.boundedTo(room));
}

void WindowController::showWindow() {
    QWidget* w = window();
    fitContentToScreen();
    w->show();
    Application::activateWindow(w);
}

void WindowController::close() {
    if (m_window) {
        const QScopedValueRollback closing(m_closingInCode, true);
        m_window->close();
    }
}

void WindowController::setReleasesNativeWindowWhenHidden(bool releases) {
    m_releasesNativeWindowWhenHidden = releases;
}

void WindowController::releaseNativeWindowIfHidden() {
    if (m_window && !m_window->isVisible() && (m_window->windowHandle() || m_window->backingStore())) {
        releaseNativeWindow(m_window);
        if (auto* app = Application::instance()) {
            app->releaseFreedMemorySoon();
        }
    }
}

bool WindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Hide && m_releasesNativeWindowWhenHidden) {
        // Once the hiding is over: not from inside the widget's own hide.
        QMetaObject::invokeMethod(this, &WindowController::releaseNativeWindowIfHidden, Qt::QueuedConnection);
    }
    if (watched == m_window && event->type() == QEvent::Close) {
        if (!m_window->isVisible()) {
            return false; // closing a hidden window: nothing closes
        }
        if (!windowShouldClose()) {
            event->ignore();
            return true;
        }
        windowWillClose();
        if (!m_closingInCode && onClosedByUser) {
            onClosedByUser();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform
