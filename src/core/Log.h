#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <concepts>
#include <initializer_list>
#include <source_location>

// The client's log lines go to the SDK's logger with the caller's file, function and line.
namespace vlog {

void verbose(const QString& message, std::source_location where = std::source_location::current());
void debug(const QString& message, std::source_location where = std::source_location::current());
void info(const QString& message, std::source_location where = std::source_location::current());
void warning(const QString& message, std::source_location where = std::source_location::current());
void error(const QString& message, std::source_location where = std::source_location::current());

// One item of print(), turned into text as it would be printed.
class PrintItem {
public:
    PrintItem(const QString& text) : m_text(text) {}
    PrintItem(const char* text) : m_text(QString::fromUtf8(text)) {}
    PrintItem(bool value) : m_text(value ? QStringLiteral("true") : QStringLiteral("false")) {}
    template <class T>
        requires(std::integral<T> && !std::same_as<T, bool>)
    PrintItem(T value) : m_text(QString::number(value)) {}
    template <std::floating_point T>
    PrintItem(T value) : m_text(QString::number(value)) {}
    PrintItem(const QStringList& list) : m_text(QLatin1Char('[') + list.join(QStringLiteral(", ")) + QLatin1Char(']')) {}
    PrintItem(const QVariant& value) : m_text(value.toString()) {}

    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// The module-wide print: the items joined with `separator` go to the logger at info level with the
// caller's place; while GlobalConstants::isLoggingEnabled is off they go to standard output, followed by
// `terminator`.
void print(std::initializer_list<PrintItem> items, const QString& separator = QStringLiteral(" "),
           const QString& terminator = QStringLiteral("\n"),
           std::source_location where = std::source_location::current());
void print(const PrintItem& item, std::source_location where = std::source_location::current());

} // namespace vlog
