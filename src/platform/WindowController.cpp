#include "platform/WindowController.h"

#include "platform/Application.h"
#include "platform/NativeWindow.h"
#include "platform/ViewController.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QLayout>
#include <QLoggingCategory>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcWindowController, "veltrix.platform.windowcontroller")

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
        m_window = made;
        windowDidLoad();
        if (m_content) {
            setContentViewController(m_content);
        }
    }
    return m_window;
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
    if (content->parentWidget() == m_window) {
        return;
    }
    QLayout* layout = m_window->layout();
    if (!layout) {
        layout = new QVBoxLayout(m_window);
        layout->setContentsMargins(0, 0, 0, 0);
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
    if (content->parentWidget() == m_window) {
        content->hide();
        content->setParent(nullptr);
    }
}

void WindowController::showWindow() {
    QWidget* w = window();
    w->show();
    w->raise();
    w->activateWindow();
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
