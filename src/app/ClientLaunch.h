#pragma once

class AppDelegate;
namespace platform {
class StatusBar;
class UrlEvents;
} // namespace platform

// What main() sets up around the application delegate, shared with the tests that start the whole client.
namespace clientlaunch {

// How long a tray host may take to appear after start before the windows come forward.
inline constexpr double noTrayGraceSeconds = 3.0;

// A later launch without a URL reopens the client. Start-up leaves the client in the tray; without a tray
// the windows must stay reachable: they come to the foreground when no tray host has appeared shortly
// after start, or when the tray goes away.
// A link that no program opened is shown with its address to copy.
// A workspace file that did not load is shown in one error window; the client then runs signed out on the
// empty workspace.
void wire(AppDelegate& delegate, platform::UrlEvents& urlEvents, platform::StatusBar& statusBar);

} // namespace clientlaunch
