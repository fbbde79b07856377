#include "core/Log.h"

#include "sdk/VeltrixXPC.h"

namespace vlog {

namespace {

// Fetched once, on the first line; the SDK keeps it for the life of the process.
VeltrixLogger& logger() {
    static VeltrixLogger& instance = VeltrixXPC::logger();
    return instance;
}

// The file's own name: a log (and the support collection made of it) carries no build machine's paths.
QString fileName(const char* path) {
    const QString text = QString::fromUtf8(path);
    return text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
}

// "Type Class::method" out of a full signature such as "void Class::method(int) const" or
// "Class::method()::<lambda()>": what precedes the first parameter list, without the return type.
QString plainFunctionName(const char* signature) {
    QString text = QString::fromUtf8(signature);
    const qsizetype parameters = text.indexOf(QLatin1Char('('));
    if (parameters > 0) {
        text.truncate(parameters);
    }
    return text.mid(text.lastIndexOf(QLatin1Char(' ')) + 1);
}

void write(VeltrixLogger::Level level, const QString& message, const std::source_location& where) {
    logger().log(level, message, fileName(where.file_name()), plainFunctionName(where.function_name()),
                 static_cast<int>(where.line()));
}

} // namespace

void verbose(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::verbose, message, where);
}
void debug(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::debug, message, where);
}
void info(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::info, message, where);
}
void warning(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::warning, message, where);
}
void error(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::error, message, where);
}

} // namespace vlog

#include "core/GlobalConstants.h"

#include <cstdio>

namespace vlog {

void print(std::initializer_list<PrintItem> items, const QString& separator, const QString& terminator,
           std::source_location where) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(items.size()));
    for (const PrintItem& item : items) {
        texts.append(item.text());
    }
    const QString joined = texts.join(separator);
    if (GlobalConstants::isLoggingEnabled) {
        write(VeltrixLogger::Level::info, joined, where);
        return;
    }
    const QByteArray bytes = (joined + terminator).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void print(const PrintItem& item, std::source_location where) {
    print({item}, QStringLiteral(" "), QStringLiteral("\n"), where);
}

} // namespace vlog
