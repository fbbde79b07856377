#include "support/desktop/BusCall.h"

#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>

namespace desktop {

QDBusMessage callWithin(QDBusConnection& bus, const QDBusMessage& message, int timeoutMs) {
    QDBusPendingCall pending = bus.asyncCall(message, timeoutMs);
    if (!pending.isFinished()) {
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return pending.isFinished()
               ? pending.reply()
               : message.createErrorReply(
                     QDBusError::Timeout,
                     QStringLiteral("no answer to %1 in %2 ms").arg(message.member()).arg(timeoutMs));
}

} // namespace desktop
