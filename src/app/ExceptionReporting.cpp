// Uncaught exceptions go to the diagnostics' exception report.
#include "core/ExceptionHandlingObject.h"

#include "diagnostics/AppExceptionReportingHelper.h"

namespace {

[[maybe_unused]] const bool registered = [] {
    ExceptionHandlingObject::setExceptionReportHook([](const QString& stack, const QString& type) {
        AppExceptionReportingHelper::sendExceptionReport(stack, type);
    });
    return true;
}();

} // namespace
