#include "diagnostics/AppExceptionReportingHelper.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/ServiceLayer.h"
#include "diagnostics/BulkLogHelper.h"
#include "platform/Scheduler.h"
#include "platform/SystemInfo.h"

namespace {

bool crashReportsAllowed() {
    return ServiceLayer::appModel().sendCrashReportsData();
}

void requestTermination() {
    if (platform::Scheduler::shared().isMainThread()) {
        if (auto* router = appRouter()) {
            router->terminateApplication();
        }
        return;
    }
    // The router's windows belong to the GUI thread.
    platform::DispatchQueue::main().async([] {
        if (auto* router = appRouter()) {
            router->terminateApplication();
        }
    });
}

} // namespace

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
    // The report is on disk before anything else can go wrong; the termination request comes next.
    const bool allowed = crashReportsAllowed();
    if (allowed) {
        ServiceLayer::shared().bulkLogHelper().sendLogs(makeReport(stack, type));
    }
    requestTermination();
}

void AppExceptionReportingHelper::sendPendingReports() {
    auto& shipper = ServiceLayer::shared().bulkLogHelper();
    if (crashReportsAllowed()) {
        shipper.sendPendingReports();
    } else {
        shipper.discardPendingReports();
    }
}
