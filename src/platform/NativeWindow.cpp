#include "platform/NativeWindow.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

// Xlib last: its macros (None, Bool, Status) collide with Qt's names.
#include <X11/Xlib.h>

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

} // namespace platform
