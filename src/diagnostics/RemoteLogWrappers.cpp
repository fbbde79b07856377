#include "diagnostics/RemoteLogWrappers.h"

#include "remotelog/RemoteLog.h"

#include <QStringList>

namespace remotelogwrappers {

namespace {

void forward(qint64 level, std::initializer_list<vlog::PrintItem> items, const QString& separator,
             const std::optional<QString>& tag, const std::source_location& where) {
    RemoteLog::logWithLineNumber(qint64(where.line()), QString::fromUtf8(where.function_name()),
                                 fileName(where.file_name()), level, tag, joinedMessage(items, separator));
}

} // namespace

QString joinedMessage(std::initializer_list<vlog::PrintItem> items, const QString& separator) {
    QStringList texts;
    for (const vlog::PrintItem& item : items) {
        texts.append(item.text());
    }
    return texts.join(separator);
}

QString fileName(const char* path) {
    const QString text = QString::fromUtf8(path);
    return text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
}

void rlPrint(std::initializer_list<vlog::PrintItem> items, const QString& separator, const QString&,
             const std::optional<QString>& tag, std::source_location where) {
    forward(0, items, separator, tag, where);
}

void rlPrintWarning(std::initializer_list<vlog::PrintItem> items, const QString& separator, const QString&,
                    const std::optional<QString>& tag, std::source_location where) {
    forward(1, items, separator, tag, where);
}

void rlPrintError(std::initializer_list<vlog::PrintItem> items, const QString& separator, const QString&,
                  const std::optional<QString>& tag, std::source_location where) {
    forward(2, items, separator, tag, where);
}

void rlPrintFormat(qint64 level, const std::optional<QString>& tag, std::source_location where,
                   const char* format, va_list args) {
    RemoteLog::logWithLineNumber(qint64(where.line()), QString::fromUtf8(where.function_name()),
                                 fileName(where.file_name()), level, tag, format, args);
}

} // namespace remotelogwrappers
