#include "core/Log.h"

#include "sdk/VeltrixXPC.h"

namespace vlog {

namespace {

// Fetched once, on the first line; the SDK keeps it for the life of the process.
VeltrixLogger& logger() {
    static VeltrixLogger& instance = VeltrixXPC::logger();
    return instance;
}

void write(VeltrixLogger::Level level, const QString& message, const std::source_location& where) {
    logger().log(level, message, QString::fromUtf8(where.file_name()), QString::fromUtf8(where.function_name()),
                 static_cast<int>(where.line()));
}

} // namespace

void verbose(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::verbose, message, where);
}
void debug(const QString& message, std::source_location where) { write(VeltrixLogger::Level::debug, message, where); }
void info(const QString& message, std::source_location where) { write(VeltrixLogger::Level::info, message, where); }
void warning(const QString& message, std::source_location where) {
    write(VeltrixLogger::Level::warning, message, where);
}
void error(const QString& message, std::source_location where) { write(VeltrixLogger::Level::error, message, where); }

} // namespace vlog
