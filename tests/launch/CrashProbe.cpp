// Linked into a build of the client for the crash-report tests only: once remote logging is active, the
// client fails as VELTRIX_PROBE_CRASH says ("event": an exception escapes an event handler; "terminate":
// std::terminate), and VELTRIX_PROBE_BULK_ENDPOINT points the exception reports at the test's collector.
#include "core/ServiceLayer.h"
#include "diagnostics/BulkLogHelper.h"
#include "remotelog/RemoteLog.h"

#include <QCoreApplication>
#include <QTimer>

#include <exception>
#include <stdexcept>

namespace {

void failOnceActive(const QByteArray& how) {
    if (!RemoteLog::manager()) {
        QTimer::singleShot(100, qApp, [how] { failOnceActive(how); });
        return;
    }
    QTimer::singleShot(500, qApp, [how] {
        if (how == "terminate") {
            std::terminate();
        }
        throw std::runtime_error("thrown in an event handler");
    });
}

void arm() {
    const QString endpoint = qEnvironmentVariable("VELTRIX_PROBE_BULK_ENDPOINT");
    if (!endpoint.isEmpty()) {
        ServiceLayer::shared().setBulkLogHelper(std::make_shared<BulkLogHelper>(endpoint));
    }
    const QByteArray how = qgetenv("VELTRIX_PROBE_CRASH");
    if (how == "event" || how == "terminate") {
        failOnceActive(how);
    }
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(arm)
