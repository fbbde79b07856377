#pragma once

#include <QDateTime>
#include <QString>

#include <cstdarg>
#include <memory>
#include <optional>

namespace remotelog {
class RLLoggerManager;
}

// The remote-logging library's entry point: class methods only. Activated once per process with the
// application key; until then every call but the settings does nothing. Callable from any thread; a log
// call only stamps and queues its line.
class RemoteLog {
public:
    RemoteLog() = delete;

    // Throws std::invalid_argument when already activated with another key; the same key again does nothing.
    static void activateLogger(const QString& appKey);
    static std::optional<QString> appKey();

    // 1 to 52,428,800 bytes, else std::invalid_argument; before activation kept for the manager made later.
    static qint64 maximumLocalStorageSize();
    static void setMaximumLocalStorageSize(qint64 bytes);
    static void setPrintToConsole(bool print);
    static bool printToConsole();
    static QString deviceIdentifier();

    // printf-style; a message that cannot be formatted is reported, never thrown.
    static void logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const char* format, ...)
        __attribute__((format(printf, 6, 7)));
    static void logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const char* format, va_list args)
        __attribute__((format(printf, 6, 0)));
    static void logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const QString& message);
    static void logWithLineNumber(qint64 line, const QString& method, const QString& file, qint64 level,
                                  const std::optional<QString>& tag, const QString& message,
                                  const std::optional<QDateTime>& date, quint64 absoluteTime);

    static void forceSendOnce();
    static void setForceEnabled(bool enabled);
    static bool forceEnabled();
    static void enableUIEventLogging();
    static void sendIssueWithTitle(const QString& title, const QString& text);

    static void setDeviceBOOL(bool value, const QString& key);
    static void setDeviceString(const QString& value, const QString& key);
    static void setDeviceInteger(quint64 value, const QString& key);
    static void setDeviceDouble(double value, const QString& key);
    static void removeDeviceKey(const QString& key);

    // Stops the library (its thread joined, requests dropped); a later activation starts afresh. Called when
    // the application object goes away.
    static void shutdown();
    // The active manager, if any.
    static std::shared_ptr<remotelog::RLLoggerManager> manager();

private:
    static void logEntry(qint64 line, const QString& method, const QString& file, qint64 level,
                         const std::optional<QString>& tag, const QString& message,
                         std::optional<qint64> date, quint64 absoluteTime);
};
