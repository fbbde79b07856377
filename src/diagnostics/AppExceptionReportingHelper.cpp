#include "diagnostics/AppExceptionReportingHelper.h"

#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/SystemInfo.h"
#include "platform/UserDefaults.h"

QVariantMap AppExceptionReportingHelper::makeReport(const QString& stack, const QString& type) {
    const platform::SystemInfo system;
    return {{QStringLiteral("Platform"), system.operatingSystemName()},
            {QStringLiteral("PlatformVersion"), system.operatingSystemVersionString()},
            {QStringLiteral("AppVersion"),
             GlobalConstants::bundleShortVersion() + QLatin1Char('.') + GlobalConstants::bundleVersion()},
            {QStringLiteral("StackTrace"), stack},
            {QStringLiteral("ExceptionType"), type}};
}

void AppExceptionReportingHelper::sendExceptionReport(const QString& stack, const QString& type) {
    if (!platform::UserDefaults::standard().boolForKey(QStringLiteral("sendCrashReportsData"))) {
        return;
    }
    const QVariantMap report = makeReport(stack, type);
    vlog::info(QStringLiteral("Exception report prepared: ") + type + QStringLiteral(" on ") +
               report.value(QStringLiteral("Platform")).toString() + QLatin1Char(' ') +
               report.value(QStringLiteral("PlatformVersion")).toString() + QStringLiteral(", app ") +
               report.value(QStringLiteral("AppVersion")).toString());
}
