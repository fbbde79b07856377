#pragma once

#include <QString>
#include <Qt>

namespace platform {

// Where the client runs: on X (an X server, or Xwayland beside a Wayland compositor) or natively on
// Wayland. Decided once in main(), before the application object is made. Qt 6.4's Wayland plugin can
// neither place a window (xdg-shell has no positions) nor keep one above the others, so where X is offered
// the client takes it, and every placement works; only a session without X runs natively.
struct GraphicalSession {
    // What the environment offers.
    struct Offer {
        QString x11Display;     // DISPLAY
        QString waylandDisplay; // WAYLAND_DISPLAY
        QString qtPlatform;     // QT_QPA_PLATFORM: the person's own choice, which stands
        bool waylandPluginInstalled = false;
    };
    enum class Outcome {
        run,       // start on `qtPlatform` (empty: as QT_QPA_PLATFORM says)
        noSession, // neither X nor Wayland: say so and exit
        noPlugin,  // Wayland only, without Qt's plugin for it: name the package and exit
    };
    Outcome outcome = Outcome::run;
    QString qtPlatform;
    // One line for the person when the client runs natively on Wayland: what it cannot do there.
    QString limitation;

    static constexpr const char* waylandPluginPackage = "qt6-wayland";

    static GraphicalSession decide(const Offer& offer);
    // The offer of this process's environment and Qt installation.
    static Offer currentOffer();
    // Why the client cannot start, for the terminal; empty when it can.
    QString problem() const { return problemOf(outcome); }
    static QString problemOf(Outcome outcome);

    // Whether the running application is on Wayland natively (not through Xwayland).
    static bool isNativeWayland();
    // A frameless window kept above the others, as the quick-access window and the sign-out card are, on
    // X; natively on Wayland, where nothing keeps it above nor lets anyone move it, an ordinary window with
    // its frame and title.
    static Qt::WindowFlags floatingWindowFlags();
};

} // namespace platform
