#pragma once

#include <QString>

#include <source_location>

// The client's log lines go to the SDK's logger with the caller's file, function and line.
namespace vlog {

void verbose(const QString& message, std::source_location where = std::source_location::current());
void debug(const QString& message, std::source_location where = std::source_location::current());
void info(const QString& message, std::source_location where = std::source_location::current());
void warning(const QString& message, std::source_location where = std::source_location::current());
void error(const QString& message, std::source_location where = std::source_location::current());

} // namespace vlog
