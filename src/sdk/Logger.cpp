#include "sdk/Logger.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcVeltrixLog, "veltrix")

void VeltrixLogger::verbose(const QString& m, const QString& f, const QString& fn, int l) {
    log(Level::verbose, m, f, fn, l);
}
void VeltrixLogger::debug(const QString& m, const QString& f, const QString& fn, int l) {
    log(Level::debug, m, f, fn, l);
}
void VeltrixLogger::info(const QString& m, const QString& f, const QString& fn, int l) {
    log(Level::info, m, f, fn, l);
}
void VeltrixLogger::warning(const QString& m, const QString& f, const QString& fn, int l) {
    log(Level::warning, m, f, fn, l);
}
void VeltrixLogger::error(const QString& m, const QString& f, const QString& fn, int l) {
    log(Level::error, m, f, fn, l);
}

void VeltrixLogger::log(Level level, const QString& message, const QString& file, const QString& function,
                        int line) {
    Record record{level, message, file, function, line};
    Sink sink;
    {
        std::lock_guard lock(m_mutex);
        m_recent.append(record);
        if (m_recent.size() > kRecentLimit) {
            m_recent.removeFirst();
        }
        sink = m_sink;
    }
    if (sink) {
        sink(record);
        return;
    }
    const QString place =
        file.isEmpty() ? QString() : QStringLiteral("%1:%2 ").arg(QFileInfo(file).fileName()).arg(line);
    const QString text =
        function.isEmpty() ? place + message : place + function + QStringLiteral(" - ") + message;
    switch (level) {
    case Level::verbose:
    case Level::debug:
        qCDebug(lcVeltrixLog).noquote() << text;
        break;
    case Level::info:
        qCInfo(lcVeltrixLog).noquote() << text;
        break;
    case Level::warning:
        qCWarning(lcVeltrixLog).noquote() << text;
        break;
    case Level::error:
        qCCritical(lcVeltrixLog).noquote() << text;
        break;
    }
}

void VeltrixLogger::setSink(Sink sink) {
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

QList<VeltrixLogger::Record> VeltrixLogger::recentRecords() const {
    std::lock_guard lock(m_mutex);
    return m_recent;
}

void VeltrixLogger::clearRecent() {
    std::lock_guard lock(m_mutex);
    m_recent.clear();
}

QString VeltrixLogger::levelName(Level level) {
    switch (level) {
    case Level::verbose:
        return QStringLiteral("VERBOSE");
    case Level::debug:
        return QStringLiteral("DEBUG");
    case Level::info:
        return QStringLiteral("INFO");
    case Level::warning:
        return QStringLiteral("WARNING");
    case Level::error:
        return QStringLiteral("ERROR");
    }
    return {};
}
