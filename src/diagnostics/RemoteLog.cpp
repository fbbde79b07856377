#include "diagnostics/RemoteLog.h"

#include "core/Log.h"

#include <QRegularExpression>

#include <mutex>

namespace {

struct State {
    std::mutex mutex;
    QString key;
    bool forceEnabled = false;
};

State& state() {
    static State s;
    return s;
}

} // namespace

bool RemoteLog::isValidApplicationKey(const QString& key) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9]{32}$"));
    return pattern.match(key).hasMatch();
}

bool RemoteLog::activateLogger(const QString& applicationKey) {
    if (!isValidApplicationKey(applicationKey)) {
        vlog::warning(QStringLiteral("RemoteLog: the application key is not 32 letters and digits"));
        return false;
    }
    std::lock_guard lock(state().mutex);
    state().key = applicationKey;
    return true;
}

void RemoteLog::setForceEnabled(bool enabled) {
    std::lock_guard lock(state().mutex);
    state().forceEnabled = enabled;
}

bool RemoteLog::isActivated() {
    std::lock_guard lock(state().mutex);
    return !state().key.isEmpty();
}

bool RemoteLog::isForceEnabled() {
    std::lock_guard lock(state().mutex);
    return state().forceEnabled;
}

QString RemoteLog::applicationKey() {
    std::lock_guard lock(state().mutex);
    return state().key;
}
