#include "platform/NativeWindow.h"

#include <QWidget>

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

} // namespace platform
