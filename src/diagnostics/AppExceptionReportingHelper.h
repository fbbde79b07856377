#pragma once

#include <QString>
#include <QVariantMap>

// The report of an uncaught exception, made when the user allows crash reports.
class AppExceptionReportingHelper {
public:
    AppExceptionReportingHelper() = delete;

    // `stack`: the call stack's symbols joined by "  |   "; `type`: the exception's name. Nothing happens
    // unless "sendCrashReportsData" is set.
    static void sendExceptionReport(const QString& stack, const QString& type);

    // The report's fields: "Platform", "PlatformVersion", "AppVersion", "StackTrace", "ExceptionType".
    static QVariantMap makeReport(const QString& stack, const QString& type);
};
