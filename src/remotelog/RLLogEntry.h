#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <limits>
#include <optional>

namespace remotelog {

// One log record as the library stores it: a compact JSON object with the ten keys "x", "at", "m", "f", "l",
// "t", "tg", "ll", "th" and "thn", absent texts and dates as null.
struct RLLogEntry {
    static constexpr qint64 notFound = std::numeric_limits<qint64>::max();

    qint64 line = notFound;
    qint64 level = notFound;
    quint64 absoluteTime = 0;
    // Milliseconds since the epoch: stamping a date costs the caller no time-zone work.
    std::optional<qint64> date;
    std::optional<QString> tag;
    std::optional<QString> method;
    std::optional<QString> file;
    std::optional<QString> text;
    std::optional<QString> threadNumber;
    std::optional<QString> operationQueueName;

    QByteArray jsonLine() const;
};

// `text` as a JSON string literal, quotes included; control characters escaped, so a line never holds a raw
// line break.
void rlAppendJsonString(QByteArray& out, const QString& text);

} // namespace remotelog
