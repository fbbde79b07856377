#include "platform/NativeWindow.h"

#include <QGuiApplication>
#include <QPoint>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

// Xlib last: its macros (None, Bool, Status) collide with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform {

namespace {

// QWidget::destroy is protected: reached through a class of our own, as Qt reaches it when a widget
// changes its parent.
struct NativeWindowRelease : QWidget {
    static void release(QWidget* window) { (window->*(&NativeWindowRelease::destroy))(true, true); }
};

} // namespace

void releaseNativeWindow(QWidget* window) {
    NativeWindowRelease::release(window);
}

bool requestX11Activation(QWidget* window, unsigned long timestamp) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display || !window || !window->isWindow()) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window->winId());
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // from an application
    event.xclient.data.l[1] = static_cast<long>(timestamp);
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(display);
    return true;
}

void moveHiddenNativeWindow(QWidget* window, QPoint clientTopLeft, QPoint frameOffset) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    const QWindow* handle = window->windowHandle();
    if (!display || !handle || !handle->handle() || handle->isExposed()) {
        return;
    }
    // Mapped again, the manager reads the position as the client area's under static gravity and as the
    // frame's under any other, as Qt's size hints say.
    XSizeHints hints{};
    long supplied = 0;
    const bool isStatic = XGetWMNormalHints(display, handle->winId(), &hints, &supplied) &&
                          (hints.flags & PWinGravity) && hints.win_gravity == StaticGravity;
    const QPoint at = handle->devicePixelRatio() * (isStatic ? clientTopLeft : clientTopLeft - frameOffset);
    XMoveWindow(display, handle->winId(), at.x(), at.y());
    XFlush(display); // ahead of Qt's own requests that map it
}

} // namespace platform
