#pragma once

#include <QDBusConnection>
#include <QDBusMessage>

namespace desktop {

// Sends `message` and runs the event loop (so the desktop's services in this process keep answering) until
// the reply comes or `timeoutMs` passes; then a Timeout error. Bounded here: a blocking call with the GUI
// running waits on past its time-out when the peer never answers.
QDBusMessage callWithin(QDBusConnection& bus, const QDBusMessage& message, int timeoutMs);

} // namespace desktop
