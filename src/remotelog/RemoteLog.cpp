#include "remotelog/RemoteLog.h"

#include "remotelog/RLLoggerManager.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>

#include <atomic>
#include <exception>
#include <mutex>
#include <stdexcept>

using remotelog::RLLoggerManager;

namespace {

struct Facade {
    std::mutex mutex;
    std::shared_ptr<RLLoggerManager> manager;
    std::atomic<qint64> maximumLocalStorageSize{RLLoggerManager::defaultMaximumLocalStorageSize};
    std::atomic<bool> printToConsole{true};
    bool shutdownRegistered = false;
};

Facade& facade() {
    static Facade state;
    return state;
}

std::shared_ptr<RLLoggerManager> activeManager() {
    std::lock_guard lock(facade().mutex);
    return facade().manager;
}

void setDevice(const QString& key, const QJsonValue& value) {
    if (auto manager = activeManager()) {
        manager->setDeviceKeyValuePair(remotelog::RLKeyValuePair::keyValuePairWithKey(key, value));
    }
}

} // namespace

void RemoteLog::activateLogger(const QString& appKey) {
    Facade& state = facade();
    std::lock_guard lock(state.mutex);
    if (state.manager) {
        if (state.manager->appToken() != appKey) {
            throw std::invalid_argument("RemoteLog has already been activated with a different app key.");
        }
        return;
    }
    state.manager = RLLoggerManager::initWithAppToken(appKey, deviceIdentifier());
    state.manager->setMaximumLocalStorageSize(state.maximumLocalStorageSize.load());
    state.manager->setPrintToConsole(state.printToConsole.load());
    if (!state.shutdownRegistered && QCoreApplication::instance()) {
        state.shutdownRegistered = true;
        qAddPostRoutine(&RemoteLog::shutdown);
    }
}

void RemoteLog::shutdown() {
    std::shared_ptr<RLLoggerManager> stopping;
    {
        std::lock_guard lock(facade().mutex);
        stopping = std::move(facade().manager);
    }
    // Released outside the lock: a log call meanwhile finds no manager and does nothing.
}

std::shared_ptr<RLLoggerManager> RemoteLog::manager() {
    return activeManager();
}

std::optional<QString> RemoteLog::appKey() {
    if (auto manager = activeManager()) {
        return manager->appToken();
    }
    return std::nullopt;
}

qint64 RemoteLog::maximumLocalStorageSize() {
    if (auto manager = activeManager()) {
        return manager->maximumLocalStorageSize();
    }
    return facade().maximumLocalStorageSize.load();
}

void RemoteLog::setMaximumLocalStorageSize(qint64 bytes) {
    if (bytes < 1 || bytes > RLLoggerManager::largestMaximumLocalStorageSize) {
        throw std::invalid_argument("Local storage size must be below 50 MB");
    }
    if (auto manager = activeManager()) {
        manager->setMaximumLocalStorageSize(bytes);
    } else {
        facade().maximumLocalStorageSize.store(bytes);
    }
}

void RemoteLog::setPrintToConsole(bool print) {
    facade().printToConsole.store(print);
    if (auto manager = activeManager()) {
        manager->setPrintToConsole(print);
    }
}

bool RemoteLog::printToConsole() {
    return facade().printToConsole.load();
}

QString RemoteLog::deviceIdentifier() {
    return remotelog::RLSystemUtils::remoteLogDeviceIdentifier(platform::UserDefaults::standard());
}

void RemoteLog::logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const char* format, ...) {
    va_list args;
    va_start(args, format);
    try {
        logWithLineNumber(line, method, file, level, tag, format, args);
    } catch (const std::exception& exception) {
        qWarning("WARNING: The RLLog message raised an exception: %s", exception.what());
    } catch (...) {
        qWarning("WARNING: The RLLog message raised an exception: unknown");
    }
    va_end(args);
}

void RemoteLog::logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const char* format, va_list args) {
    if (!activeManager()) {
        return;
    }
    logWithLineNumber(line, method, file, level, tag, format ? QString::vasprintf(format, args) : QString());
}

void RemoteLog::logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const QString& message) {
    auto& scheduler = platform::Scheduler::shared();
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(scheduler.now().time_since_epoch());
    logEntry(line, method, file, level, tag, message, scheduler.currentMSecsSinceEpoch(),
             quint64(now.count()));
}

void RemoteLog::logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const QString& message,
                                  const std::optional<QDateTime>& date, quint64 absoluteTime) {
    logEntry(line, method, file, level, tag, message,
             date && date->isValid() ? std::optional(date->toMSecsSinceEpoch()) : std::nullopt, absoluteTime);
}

void RemoteLog::logEntry(qint64 line, const QString& method, const QString& file, qint64 level,
                         const std::optional<QString>& tag, const QString& message,
                         std::optional<qint64> date, quint64 absoluteTime) {
    auto manager = activeManager();
    if (!manager) {
        return;
    }
    remotelog::RLLogEntry entry;
    entry.absoluteTime = absoluteTime;
    entry.date = date;
    entry.text = message;
    entry.method = method;
    entry.file = file;
    entry.line = line;
    entry.tag = tag;
    entry.level = level;
    // The console copy is written with the line, off the caller's thread.
    manager->processLog(std::move(entry), printToConsole());
}

void RemoteLog::forceSendOnce() {
    if (auto manager = activeManager()) {
        manager->forceSendOnce();
    }
}

void RemoteLog::setForceEnabled(bool enabled) {
    if (auto manager = activeManager()) {
        manager->setForceEnabled(enabled);
    }
}

bool RemoteLog::forceEnabled() {
    auto manager = activeManager();
    return manager && manager->forceEnabled();
}

void RemoteLog::enableUIEventLogging() {
    static std::once_flag once;
    std::call_once(once, [] { remotelog::RLUIEventLogger::install(); });
}

void RemoteLog::sendIssueWithTitle(const QString& title, const QString& text) {
    if (auto manager = activeManager()) {
        manager->sendIssueWithTitle(title, text);
    }
}

void RemoteLog::setDeviceBOOL(bool value, const QString& key) {
    setDevice(key, value);
}

void RemoteLog::setDeviceString(const QString& value, const QString& key) {
    setDevice(key, value);
}

void RemoteLog::setDeviceInteger(quint64 value, const QString& key) {
    setDevice(key, value <= quint64(std::numeric_limits<qint64>::max()) ? QJsonValue(qint64(value))
                                                                        : QJsonValue(double(value)));
}

void RemoteLog::setDeviceDouble(double value, const QString& key) {
    setDevice(key, value);
}

void RemoteLog::removeDeviceKey(const QString& key) {
    setDevice(key, QJsonValue::Null);
}
