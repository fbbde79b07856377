#pragma once

class QWidget;

namespace platform {

// Gives a hidden window's native window and drawing buffers back to the system; Qt makes them anew at its
// next show.
void releaseNativeWindow(QWidget* window);

} // namespace platform
