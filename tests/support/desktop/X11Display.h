#pragma once

// X11 seen from a test: the client's top-level windows as the window manager manages them, their geometry
// in root coordinates, mapped state, focus, _NET_WM_STATE and decorations, and input through XTest.
// Window ids are X ids (0 = none). Reads are live round trips; nothing is cached but atoms.

#include <QColor>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct _XDisplay;

namespace desktop {

using WindowId = unsigned long;

struct WindowInfo {
    WindowId id = 0;
    qint64 pid = 0;      // _NET_WM_PID
    QString title;       // _NET_WM_NAME, else WM_NAME
    QString wmClass;     // the class part of WM_CLASS
    QRect geometry;      // the client area, in root coordinates
    QMargins frame;      // _NET_FRAME_EXTENTS: all zero when the manager draws no decorations
    bool mapped = false; // viewable: mapped, and so is its frame
    QStringList states;  // _NET_WM_STATE without the prefix: "ABOVE", "HIDDEN", "SKIP_TASKBAR", ...
    QStringList types;   // _NET_WM_WINDOW_TYPE without the prefix: "NORMAL", "UTILITY", "DIALOG", ...
    WindowId transientFor = 0;

    bool decorated() const { return !frame.isNull(); }
    bool hasState(const char* state) const { return states.contains(QLatin1String(state)); }
};

class X11Display {
public:
    explicit X11Display(const QString& name);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool isOpen() const { return m_display != nullptr; }
    QRect screenGeometry() const;

    // A window manager that follows the EWMH is running (_NET_SUPPORTING_WM_CHECK on the root).
    bool hasWindowManager();

    // Windows the manager manages (_NET_CLIENT_LIST), each read now; `pid` 0 means every process.
    std::vector<WindowInfo> managedWindows(qint64 pid = 0);
    // Of those, the ones mapped.
    std::vector<WindowInfo> mappedWindows(qint64 pid);
    std::optional<WindowInfo> window(WindowId id);

    // The managed, mapped window on top at `position` (_NET_CLIENT_LIST_STACKING): the one a click there
    // hits.
    WindowId windowAt(QPoint position);
    WindowId activeWindow();  // _NET_ACTIVE_WINDOW
    WindowId focusedWindow(); // the managed window holding the input focus (or holding the focused child)

    // Input as a person gives it: pointer moves, button clicks and keys through XTest, in root coordinates.
    void movePointer(QPoint position);
    void click(QPoint position, int button = 1);
    // Presses the first button at `from`, moves to `to` in steps and lets go, as a hand drags.
    void drag(QPoint from, QPoint to);
    // A key by its keysym name ("Escape", "Return", "Tab", "a"), with modifiers by keysym name
    // ("Control_L", "Shift_L").
    bool pressKey(const QString& keysym, const QStringList& modifiers = {});

    // Where the window asked to be (WM_NORMAL_HINTS' position); none when it asked nothing.
    std::optional<QPoint> requestedPosition(WindowId id);
    // The X server's time now, as a launcher puts it into a startup id.
    unsigned long serverTime();

    // Asks the manager as a pager would: to activate, or to close (the title bar's close button).
    void requestActivate(WindowId id);
    void requestClose(WindowId id);
    // Asks the manager, as a pager would, to move the window's client area to `clientTopLeft`.
    void requestMove(WindowId id, QPoint clientTopLeft);

    // What the screen shows at `position` (root coordinates); invalid outside the screen.
    QColor pixel(QPoint position);
    // The bits per pixel of the window's visual: 32 for a window with an alpha channel.
    int depth(WindowId id);
    // The text on the CLIPBOARD selection as its owner gives it (UTF-8), waited for at most `boundMs`;
    // nullopt when nobody owns it or no answer came.
    std::optional<QString> clipboardText(int boundMs = 3000);

    // Owning _NET_WM_CM_S<screen> plays a compositing manager; releasing it takes that away.
    bool setCompositorPresent(bool present);
    bool compositorPresent();

private:
    unsigned long atom(const char* name);
    std::vector<unsigned long> longs(WindowId window, const char* property);
    QByteArray bytes(WindowId window, const char* property);
    QStringList atomNames(WindowId window, const char* property, const char* prefix);
    WindowId root() const;
    void sync();

    _XDisplay* m_display = nullptr;
    WindowId m_compositorWindow = 0;
};

} // namespace desktop
