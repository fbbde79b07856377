#include "toolkit/OnScreen.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

bool isOnScreen(const QWidget* view) {
    if (!view || !view->isVisible()) {
        return false;
    }
    const QWidget* window = view->window();
    const QWindow* handle = window->windowHandle();
    return !window->isMinimized() && handle && handle->isExposed();
}

OnScreenWatcher::OnScreenWatcher(QWidget* view, std::function<void(bool)> changed)
    : m_view(view), m_changed(std::move(changed)) {
    m_view->installEventFilter(this);
    follow();
    m_onScreen = isOnScreen(m_view);
}

OnScreenWatcher::~OnScreenWatcher() {
    for (QObject* watched :
         {static_cast<QObject*>(m_view), static_cast<QObject*>(m_window), static_cast<QObject*>(m_handle)}) {
        if (watched) {
            watched->removeEventFilter(this);
        }
    }
}

void OnScreenWatcher::follow() {
    if (!m_view) {
        return;
    }
    QWidget* window = m_view->window();
    if (window != m_window) {
        if (m_window && m_window != m_view) {
            m_window->removeEventFilter(this);
        }
        m_window = window;
        if (window != m_view) {
            window->installEventFilter(this);
        }
    }
    QWindow* handle = window->windowHandle();
    if (handle != m_handle) {
        if (m_handle) {
            m_handle->removeEventFilter(this);
        }
        m_handle = handle;
        if (handle) {
            handle->installEventFilter(this);
        }
    }
}

void OnScreenWatcher::reevaluate() {
    if (!m_view) {
        return;
    }
    const bool onScreen = isOnScreen(m_view);
    if (onScreen != m_onScreen) {
        m_onScreen = onScreen;
        m_changed(onScreen);
    }
}

bool OnScreenWatcher::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::Expose:
    case QEvent::PlatformSurface:
        if (watched != m_handle) {
            follow(); // the window handle is made when the window is first shown
        }
        reevaluate();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
