#include "support/desktop/Wait.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace desktop {

namespace {

void spin(const std::function<bool()>& done, QDeadlineTimer deadline) {
    if (done() || deadline.hasExpired()) {
        return;
    }
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (deadline.hasExpired() || done()) {
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
}

} // namespace

bool waitFor(const std::function<bool()>& condition, int boundMs) {
    spin(condition, QDeadlineTimer(boundMs));
    return condition();
}

void runEventsFor(int ms) {
    spin([] { return false; }, QDeadlineTimer(ms));
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace desktop
