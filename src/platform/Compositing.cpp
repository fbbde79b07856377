#include "platform/Compositing.h"

#include "platform/NativeWindow.h"

#include <QGuiApplication>
#include <QMenu>
#include <QVariant>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

// Xlib last: its macros (None, Bool, Status) collide with Qt's names.
#include <X11/Xlib.h>

namespace platform {

namespace {

std::optional<bool>& activeOverride() {
    static std::optional<bool> active;
    return active;
}

const char* const followsProperty = "veltrixFollowsCompositor";

bool x11CompositorRunning(Display* display) {
    // Interned once: a show then costs one round trip.
    static Display* internedFor = nullptr;
    static Atom selection = 0;
    if (internedFor != display) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
        selection = XInternAtom(display, name.constData(), False);
        internedFor = display;
    }
    return selection != 0 && XGetSelectionOwner(display, selection) != 0;
}

const char* const madeTranslucentProperty = "veltrixMadeTranslucent";

// Whether the window's native window was made translucent: as fit() made it, else as the platform says.
bool madeTranslucent(const QWidget* window) {
    const QVariant made = window->property(madeTranslucentProperty);
    if (made.isValid()) {
        return made.toBool();
    }
    return window->windowHandle() && window->windowHandle()->format().hasAlpha();
}

} // namespace

bool Compositing::isActive() {
    if (activeOverride()) {
        return *activeOverride();
    }
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display* display = x11->display()) {
            return x11CompositorRunning(display);
        }
    }
    return true;
}

void Compositing::setActiveOverride(std::optional<bool> active) {
    activeOverride() = active;
}

void Compositing::fit(QWidget* window) {
    if (!window || !window->isWindow()) {
        return;
    }
    bool translucent = isActive();
    if (window->testAttribute(Qt::WA_WState_Created) && madeTranslucent(window) != translucent) {
        if (window->isVisible()) {
            // Its native window stays while shown: an opaque one cannot turn translucent, and a translucent
            // one without a compositor must not leave clear parts.
            translucent = false;
        } else {
            releaseNativeWindow(window); // made anew, of the right kind, at the next show
        }
    }
    window->setAttribute(Qt::WA_TranslucentBackground, translucent);
    // Cleared too when opaque, so that the window's palette colour fills what its painting leaves.
    window->setAttribute(Qt::WA_NoSystemBackground, translucent);
    if (!window->testAttribute(Qt::WA_WState_Created)) {
        window->setProperty(madeTranslucentProperty, translucent); // what its next native window is made for
    }
}

void Compositing::followInMenu(QMenu* menu) {
    if (!menu || followsInMenu(menu)) {
        return;
    }
    menu->setProperty(followsProperty, true);
    // A menu's aboutToShow comes before its window is shown.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { fit(menu); });
    fit(menu);
}

bool Compositing::followsInMenu(const QMenu* menu) {
    return menu && menu->property(followsProperty).toBool();
}

TranslucentWindow::TranslucentWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
    Compositing::fit(this);
}

void TranslucentWindow::setVisible(bool visible) {
    if (visible && !isVisible()) {
        Compositing::fit(this);
    }
    QWidget::setVisible(visible);
}

} // namespace platform
