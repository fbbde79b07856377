#pragma once

// Entry points over the remote-logging facade in the shape of the client's print(): items joined with a
// separator, an optional tag, the caller's file, function and line. Nothing in the client calls them: its own
// lines take the logging path of core/Log.h.

#include "core/Log.h"

#include <cstdarg>
#include <initializer_list>
#include <optional>
#include <source_location>

namespace remotelogwrappers {

// Level 0.
void rlPrint(std::initializer_list<vlog::PrintItem> items, const QString& separator = QStringLiteral(" "),
             const QString& terminator = QStringLiteral("\n"),
             const std::optional<QString>& tag = std::nullopt,
             std::source_location where = std::source_location::current());
// Level 1.
void rlPrintWarning(std::initializer_list<vlog::PrintItem> items,
                    const QString& separator = QStringLiteral(" "),
                    const QString& terminator = QStringLiteral("\n"),
                    const std::optional<QString>& tag = std::nullopt,
                    std::source_location where = std::source_location::current());
// Level 2.
void rlPrintError(std::initializer_list<vlog::PrintItem> items,
                  const QString& separator = QStringLiteral(" "),
                  const QString& terminator = QStringLiteral("\n"),
                  const std::optional<QString>& tag = std::nullopt,
                  std::source_location where = std::source_location::current());
// A printf format with its arguments, at `level`.
void rlPrintFormat(qint64 level, const std::optional<QString>& tag, std::source_location where,
                   const char* format, va_list args) __attribute__((format(printf, 4, 0)));

// What the wrappers hand the facade: the items' texts joined, the last path component of the file.
QString joinedMessage(std::initializer_list<vlog::PrintItem> items, const QString& separator);
QString fileName(const char* path);

} // namespace remotelogwrappers
