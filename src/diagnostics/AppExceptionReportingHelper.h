#pragma once

#include <QString>
#include <QVariantMap>

// The report of an uncaught exception: the router is asked to terminate (its quit rule answers), and the
// report goes to the bulk log shipper when the user allows crash reports.
class AppExceptionReportingHelper {
public:
    AppExceptionReportingHelper() = delete;

    // `stack`: the call stack's symbols joined by "  |   "; `type`: the exception's name.
    static void sendExceptionReport(const QString& stack, const QString& type);

    // The report's fields: "Platform", "PlatformVersion", "AppVersion", "StackTrace", "ExceptionType".
    static QVariantMap makeReport(const QString& stack, const QString& type);

    // At start-up: reports an earlier run left on disk go out, or are dropped when crash reports are no
    // longer allowed.
    static void sendPendingReports();
};
