#pragma once

// Which of the client's windows are on screen. The notifications stay quiet while the user sees one; the
// window controllers report their own showing and closing. Main thread only.
enum class ShownWindowKind { window, menuWindow };

void noteWindowShown(const void* controller, ShownWindowKind kind, bool shown);

// True while a window of the client is shown: from a window controller's showWindow until the last shown
// one closes, and not while the application is hidden. The quick-access window does not count.
bool isWindowOpened();
// True while the quick-access window is shown.
bool isMenuWindowShown();
