#pragma once

class QPoint;
class QWidget;

namespace platform {

// Gives a hidden window's native window and drawing buffers back to the system; Qt makes them anew at its
// next show.
void releaseNativeWindow(QWidget* window);

// Asks the X window manager to activate `window` as a launch at X server time `timestamp` asked for it
// (_NET_ACTIVE_WINDOW from an application): a manager that guards against focus stealing lets a window
// forward for a launch newer than the person's last input. False where the window is not on X.
bool requestX11Activation(QWidget* window, unsigned long timestamp);

// Puts a hidden window's native window, when it has one, with its client area at `clientTopLeft` inside
// a frame whose client area lies `frameOffset` in, before it is shown: after a hide the window manager
// leaves it wherever it likes, unknown to Qt.
void moveHiddenNativeWindow(QWidget* window, QPoint clientTopLeft, QPoint frameOffset);

} // namespace platform
