#include "core/ExceptionHandlingObject.h"

#include "platform/Application.h"
#include "platform/Compositing.h"
#include "platform/ExceptionHandling.h"

#include <QMutex>

#include <atomic>

namespace {

std::atomic<int> g_uncaughtExceptions{0};

struct ReportHookHolder {
    QMutex mutex;
    ExceptionHandlingObject::ReportHook hook;
};
ReportHookHolder& reportHook() {
    static ReportHookHolder holder;
    return holder;
}

} // namespace

void ExceptionHandlingObject::initUncaughtExceptionsHandling() {
    platform::ExceptionHandling::setUncaughtExceptionHandler(
        &ExceptionHandlingObject::handleUncaughtException);
}

void ExceptionHandlingObject::wrapMainProcessingWithExceptionHandling(const std::function<void()>& block) {
    try {
        block();
    } catch (const std::exception&) {
        handleUncaughtException(platform::ExceptionHandling::currentExceptionInfo());
    }
}

bool ExceptionHandlingObject::MakeAppForeground() {
    auto* application = platform::Application::instance();
    if (!application) {
        qWarning("TranformAppToState: Unable to transform App state. Error - no application");
        return false;
    }
    application->setActivationPolicy(platform::ActivationPolicy::regular);
    application->activate(true);
    return true;
}

bool ExceptionHandlingObject::MakeAppBackground() {
    auto* application = platform::Application::instance();
    if (!application) {
        qWarning("TranformAppToState: Unable to transform App state. Error - no application");
        return false;
    }
    application->setActivationPolicy(platform::ActivationPolicy::agent);
    return true;
}

QStringList ExceptionHandlingObject::backtrace() {
    // Skip this function and its nearest callers; keep what was captured of the next five frames.
    const QStringList frames = platform::ExceptionHandling::callStackSymbols();
    return frames.mid(4, 5);
}

void ExceptionHandlingObject::handleUncaughtException(const platform::ExceptionInfo& info) {
    if (++g_uncaughtExceptions > maxReportedExceptions) {
        return;
    }
    const QString stack = info.stackText(stackSeparator);
    qCritical("Uncaught exception intercepted: %s", qUtf8Printable(info.typeName));
    qCritical("%s", qUtf8Printable(stack));
    qCritical("%s", qUtf8Printable(info.reason));
    const ReportHook hook = exceptionReportHook();
    if (hook) {
        hook(stack, info.typeName);
    }
}

void ExceptionHandlingObject::setExceptionReportHook(ReportHook hook) {
    auto& holder = reportHook();
    QMutexLocker lock(&holder.mutex);
    holder.hook = std::move(hook);
}

ExceptionHandlingObject::ReportHook ExceptionHandlingObject::exceptionReportHook() {
    auto& holder = reportHook();
    QMutexLocker lock(&holder.mutex);
    return holder.hook;
}

int ExceptionHandlingObject::uncaughtExceptionCount() {
    return g_uncaughtExceptions.load();
}

void ExceptionHandlingObject::resetUncaughtExceptionCount() {
    g_uncaughtExceptions.store(0);
}

bool ExceptionHandlingObject::isAvailableCGSSetWindowBackgroundBlurRadius() {
    // No window server offers a background blur call here.
    return false;
}

void ExceptionHandlingObject::showBlurFor(QWidget* window, int radius) {
    if (!window) {
        return;
    }
    // Non-opaque where a compositor lets it be; without the blur call it stays unblurred.
    platform::Compositing::fit(window);
    static const bool available = isAvailableCGSSetWindowBackgroundBlurRadius();
    (void)available;
    (void)radius;
}
