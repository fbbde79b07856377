#include "support/desktop/X11Display.h"

#include "support/desktop/Wait.h"

#include <QDeadlineTimer>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace desktop {

namespace {

// Windows come and go while a test reads them; a vanished window is an empty answer, not the end of the
// process (Xlib's default handler exits).
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

X11Display::X11Display(const QString& name) {
    XSetErrorHandler(ignoreErrors);
    m_display = XOpenDisplay(name.toLocal8Bit().constData());
}

X11Display::~X11Display() {
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

WindowId X11Display::root() const {
    return DefaultRootWindow(m_display);
}

void X11Display::sync() {
    XSync(m_display, False);
}

QRect X11Display::screenGeometry() const {
    const int screen = DefaultScreen(m_display);
    return {0, 0, DisplayWidth(m_display, screen), DisplayHeight(m_display, screen)};
}

unsigned long X11Display::atom(const char* name) {
    return XInternAtom(m_display, name, False);
}

std::vector<unsigned long> X11Display::longs(WindowId window, const char* property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(m_display, window, atom(property), 0, 4096, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 32) {
            const auto* items =
                reinterpret_cast<const unsigned long*>(data); // Xlib widens 32-bit items to long
            values.assign(items, items + count);
        }
        XFree(data);
    }
    return values;
}

QByteArray X11Display::bytes(WindowId window, const char* property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(m_display, window, atom(property), 0, 65536, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 8) {
            value = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
        }
        XFree(data);
    }
    return value;
}

QStringList X11Display::atomNames(WindowId window, const char* property, const char* prefix) {
    QStringList names;
    for (unsigned long value : longs(window, property)) {
        if (char* name = XGetAtomName(m_display, value)) {
            names << QString::fromLatin1(name).remove(QLatin1String(prefix));
            XFree(name);
        }
    }
    return names;
}

bool X11Display::hasWindowManager() {
    const auto check = longs(root(), "_NET_SUPPORTING_WM_CHECK");
    return !check.empty() && check.front() != 0;
}

std::optional<WindowInfo> X11Display::window(WindowId id) {
    XWindowAttributes attributes;
    if (id == 0 || !XGetWindowAttributes(m_display, id, &attributes)) {
        return std::nullopt;
    }
    WindowInfo info;
    info.id = id;
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, id, root(), 0, 0, &x, &y, &child);
    info.geometry = QRect(x, y, attributes.width, attributes.height);
    info.mapped = attributes.map_state == IsViewable;
    if (const auto pid = longs(id, "_NET_WM_PID"); !pid.empty()) {
        info.pid = static_cast<qint64>(pid.front());
    }
    info.title = QString::fromUtf8(bytes(id, "_NET_WM_NAME"));
    if (info.title.isEmpty()) {
        info.title = QString::fromLatin1(bytes(id, "WM_NAME"));
    }
    XClassHint hint{};
    if (XGetClassHint(m_display, id, &hint)) {
        info.wmClass = QString::fromLatin1(hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    if (const auto extents = longs(id, "_NET_FRAME_EXTENTS"); extents.size() == 4) {
        info.frame = QMargins(static_cast<int>(extents[0]), static_cast<int>(extents[2]),
                              static_cast<int>(extents[1]), static_cast<int>(extents[3]));
    }
    info.states = atomNames(id, "_NET_WM_STATE", "_NET_WM_STATE_");
    info.types = atomNames(id, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_");
    Window transient = 0;
    if (XGetTransientForHint(m_display, id, &transient)) {
        info.transientFor = transient;
    }
    return info;
}

std::vector<WindowInfo> X11Display::managedWindows(qint64 pid) {
    std::vector<WindowInfo> windows;
    for (unsigned long id : longs(root(), "_NET_CLIENT_LIST")) {
        if (auto info = window(id); info && (pid == 0 || info->pid == pid)) {
            windows.push_back(std::move(*info));
        }
    }
    return windows;
}

std::vector<WindowInfo> X11Display::mappedWindows(qint64 pid) {
    std::vector<WindowInfo> windows = managedWindows(pid);
    std::erase_if(windows, [](const WindowInfo& info) { return !info.mapped; });
    return windows;
}

WindowId X11Display::windowAt(QPoint position) {
    const auto stacking = longs(root(), "_NET_CLIENT_LIST_STACKING"); // bottom to top
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        const std::optional<WindowInfo> info = window(*it);
        if (info && info->mapped && info->geometry.marginsAdded(info->frame).contains(position)) {
            return info->id;
        }
    }
    return 0;
}

WindowId X11Display::activeWindow() {
    const auto active = longs(root(), "_NET_ACTIVE_WINDOW");
    return active.empty() ? 0 : active.front();
}

WindowId X11Display::focusedWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    const auto managed = longs(root(), "_NET_CLIENT_LIST");
    // Up from the focused window (a client's child, or the client itself) to the managed window.
    for (Window current = focus; current != 0 && current != PointerRoot && current != root();) {
        if (std::ranges::find(managed, current) != managed.end()) {
            return current;
        }
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, current, &rootReturn, &parent, &children, &count)) {
            break;
        }
        if (children) {
            XFree(children);
        }
        current = parent;
    }
    return 0;
}

void X11Display::movePointer(QPoint position) {
    XTestFakeMotionEvent(m_display, -1, position.x(), position.y(), CurrentTime);
    sync();
}

void X11Display::click(QPoint position, int button) {
    movePointer(position);
    XTestFakeButtonEvent(m_display, static_cast<unsigned>(button), True, CurrentTime);
    XTestFakeButtonEvent(m_display, static_cast<unsigned>(button), False, CurrentTime);
    sync();
}

void X11Display::drag(QPoint from, QPoint to) {
    movePointer(from);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    sync();
    // The window manager takes the press (and its pointer grab) before the motion that makes it a drag.
    runEventsFor(50);
    constexpr int steps = 8;
    for (int step = 1; step <= steps; ++step) {
        movePointer(from + (to - from) * step / steps);
        runEventsFor(10);
    }
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    sync();
}

bool X11Display::pressKey(const QString& keysym, const QStringList& modifiers) {
    const auto code = [this](const QString& name) -> unsigned {
        const KeySym sym = XStringToKeysym(name.toLatin1().constData());
        return sym == NoSymbol ? 0 : XKeysymToKeycode(m_display, sym);
    };
    std::vector<unsigned> held;
    for (const QString& modifier : modifiers) {
        held.push_back(code(modifier));
    }
    const unsigned key = code(keysym);
    if (key == 0 || std::ranges::find(held, 0u) != held.end()) {
        return false;
    }
    for (unsigned modifier : held) {
        XTestFakeKeyEvent(m_display, modifier, True, CurrentTime);
    }
    XTestFakeKeyEvent(m_display, key, True, CurrentTime);
    XTestFakeKeyEvent(m_display, key, False, CurrentTime);
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        XTestFakeKeyEvent(m_display, *it, False, CurrentTime);
    }
    sync();
    return true;
}

namespace {

void sendToRoot(Display* display, Window root, Window window, Atom type, std::initializer_list<long> data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    std::ranges::copy(data, event.xclient.data.l);
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace

std::optional<QPoint> X11Display::requestedPosition(WindowId id) {
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(m_display, id, &hints, &supplied) || !(hints.flags & (USPosition | PPosition))) {
        return std::nullopt;
    }
    return QPoint(hints.x, hints.y);
}

unsigned long X11Display::serverTime() {
    // The time of a change the server reports back: a property appended nothing to on a window of our own.
    const Window probe = XCreateSimpleWindow(m_display, root(), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(m_display, probe, PropertyChangeMask);
    const Atom name = atom("VELTRIX_TEST_TIME");
    XChangeProperty(m_display, probe, name, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event{};
    XWindowEvent(m_display, probe, PropertyChangeMask, &event);
    XDestroyWindow(m_display, probe);
    sync();
    return event.xproperty.time;
}

void X11Display::requestActivate(WindowId id) {
    sendToRoot(m_display, root(), id, atom("_NET_ACTIVE_WINDOW"), {2 /* a pager */, CurrentTime});
    sync();
}

void X11Display::requestClose(WindowId id) {
    sendToRoot(m_display, root(), id, atom("_NET_CLOSE_WINDOW"), {CurrentTime, 2 /* a pager */});
    sync();
}

void X11Display::requestMove(WindowId id, QPoint clientTopLeft) {
    // Static gravity: the point is the client area's, whatever frame the manager draws; x and y given.
    constexpr long flags = StaticGravity | 1L << 8 | 1L << 9 | 2L << 12 /* a pager */;
    sendToRoot(m_display, root(), id, atom("_NET_MOVERESIZE_WINDOW"),
               {flags, clientTopLeft.x(), clientTopLeft.y(), 0, 0});
    sync();
}

QColor X11Display::pixel(QPoint position) {
    if (!screenGeometry().contains(position)) {
        return {};
    }
    XImage* image = XGetImage(m_display, root(), position.x(), position.y(), 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        return {};
    }
    const unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    // The scenarios' display is 24-bit TrueColor.
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

int X11Display::depth(WindowId id) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_display, id, &attributes) ? attributes.depth : 0;
}

std::optional<QString> X11Display::clipboardText(int boundMs) {
    const Atom clipboard = atom("CLIPBOARD");
    if (XGetSelectionOwner(m_display, clipboard) == 0) {
        return std::nullopt;
    }
    const Window requestor = XCreateSimpleWindow(m_display, root(), -1, -1, 1, 1, 0, 0, 0);
    const Atom property = atom("VELTRIX_TEST_CLIPBOARD");
    XConvertSelection(m_display, clipboard, atom("UTF8_STRING"), property, requestor, CurrentTime);
    sync();
    std::optional<QString> text;
    QDeadlineTimer deadline(boundMs);
    XEvent event{};
    while (!deadline.hasExpired()) {
        if (XCheckTypedWindowEvent(m_display, requestor, SelectionNotify, &event)) {
            if (event.xselection.property != 0) {
                text = QString::fromUtf8(bytes(requestor, "VELTRIX_TEST_CLIPBOARD"));
            }
            break;
        }
        QThread::msleep(10);
    }
    XDestroyWindow(m_display, requestor);
    sync();
    return text;
}

bool X11Display::setCompositorPresent(bool present) {
    const Atom selection =
        atom(QByteArray("_NET_WM_CM_S").append(QByteArray::number(DefaultScreen(m_display))));
    if (present && m_compositorWindow == 0) {
        m_compositorWindow = XCreateSimpleWindow(m_display, root(), -1, -1, 1, 1, 0, 0, 0);
        XSetSelectionOwner(m_display, selection, m_compositorWindow, CurrentTime);
    } else if (!present && m_compositorWindow != 0) {
        XDestroyWindow(m_display, m_compositorWindow); // the selection goes with its owner
        m_compositorWindow = 0;
    }
    sync();
    return compositorPresent() == present;
}

bool X11Display::compositorPresent() {
    const Atom selection =
        atom(QByteArray("_NET_WM_CM_S").append(QByteArray::number(DefaultScreen(m_display))));
    return XGetSelectionOwner(m_display, selection) != 0;
}

} // namespace desktop
