// Uncaught exceptions go to the diagnostics' exception report. Until the diagnostics folder has it this
// file registers nothing and reports are dropped after they are logged.
#include "core/ExceptionHandlingObject.h"

#if __has_include("diagnostics/AppExceptionReportingHelper.h")

#include "diagnostics/AppExceptionReportingHelper.h"

namespace {

[[maybe_unused]] const bool registered = [] {
    ExceptionHandlingObject::setExceptionReportHook([](const QString& stack, const QString& type) {
        AppExceptionReportingHelper::sendExceptionReport(stack, type);
    });
    return true;
}();

} // namespace

#endif
