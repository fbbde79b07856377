#pragma once

#include <QWidget>

class QMenu;

#include <optional>

namespace platform {

// Whether a compositing manager blends windows with what lies beneath them. Without one, the clear parts of a
// translucent window (rounded corners, a scrim's edge) reach the screen as black: windows with clear parts
// ask here before each show and are then drawn opaque on their palette's window colour, with square corners.
// Main thread only.
class Compositing {
public:
    // Asked afresh at each call (on X11 one round trip: does anybody own _NET_WM_CM_S<screen>?). Wayland is
    // always composited; so are the offscreen and other platforms, which keep their translucency.
    static bool isActive();
    // Tests and renderers choose the answer; nullopt asks the display again.
    static void setActiveOverride(std::optional<bool> active);

    // Gives the top-level `window` the translucency that suits the display now. A hidden window whose
    // native window was made for the other answer loses it and gets a new one at its next show; a shown
    // one keeps its native window and only stops being translucent.
    static void fit(QWidget* window);
    // `menu` is fitted now and before each time it pops up.
    static void followInMenu(QMenu* menu);
    static bool followsInMenu(const QMenu* menu);

    // Whether `window` is drawn translucent now: only then may it leave clear parts, such as round corners.
    static bool isTranslucent(const QWidget* window) {
        return window && window->testAttribute(Qt::WA_TranslucentBackground);
    }
};

// A top-level window with clear parts that follows the compositor at each show.
class TranslucentWindow : public QWidget {
    Q_OBJECT
public:
    explicit TranslucentWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    void setVisible(bool visible) override;
};

} // namespace platform
