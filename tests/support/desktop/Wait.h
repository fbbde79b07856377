#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace desktop {

// Generous bounds: other builds share the machine. A wait ends as soon as its condition holds, so a bound
// costs nothing on a healthy run.
constexpr int startBoundMs = 30000;    // a process up, a window managed, a tray item registered
constexpr int reactionBoundMs = 15000; // what a click, a key or a bus call brings about

// Runs this process's event loop (so the desktop's D-Bus services in it keep answering) until `condition`
// holds or `boundMs` passes; the condition is checked every couple of milliseconds. Returns whether it held.
bool waitFor(const std::function<bool()>& condition, int boundMs = reactionBoundMs);

// Keeps the event loop running for a measuring window: not a wait for anything, only time to sample over.
void runEventsFor(int ms);

// Monotonic time in nanoseconds, comparable across the fixtures (start times, registration, mapping).
qint64 nowNs();

} // namespace desktop
