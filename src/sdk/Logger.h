#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <mutex>

// The log sink the SDK hands to the client (`VeltrixXPC::logger()`). Each line carries the place it was
// written from. By default lines go to Qt logging under the category "veltrix"; tests can install a sink
// of their own to capture them. Callable from any thread.
class VeltrixLogger {
public:
    enum class Level { verbose, debug, info, warning, error };

    struct Record {
        Level level = Level::info;
        QString message;
        QString file;
        QString function;
        int line = 0;
    };
    using Sink = std::function<void(const Record&)>;

    void verbose(const QString& message, const QString& file = {}, const QString& function = {},
                 int line = 0);
    void debug(const QString& message, const QString& file = {}, const QString& function = {}, int line = 0);
    void info(const QString& message, const QString& file = {}, const QString& function = {}, int line = 0);
    void warning(const QString& message, const QString& file = {}, const QString& function = {},
                 int line = 0);
    void error(const QString& message, const QString& file = {}, const QString& function = {}, int line = 0);
    void log(Level level, const QString& message, const QString& file, const QString& function, int line);

    // Replaces the Qt-logging output; an empty sink brings it back.
    void setSink(Sink sink);
    // The latest lines (up to `kRecentLimit`), oldest first; log collection for support includes them.
    QList<Record> recentRecords() const;
    void clearRecent();

    static constexpr qsizetype kRecentLimit = 500;
    static QString levelName(Level level);

private:
    mutable std::mutex m_mutex;
    Sink m_sink;
    QList<Record> m_recent;
};
