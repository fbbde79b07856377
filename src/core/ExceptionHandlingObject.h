#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;
namespace platform {
struct ExceptionInfo;
}

// The process's safety net for exceptions nobody handled, and the switch between a regular application
// (task-bar entry) and an agent. The application delegate derives from it.
class ExceptionHandlingObject {
public:
    virtual ~ExceptionHandlingObject() = default;

    // Installs the process-wide handler (at most 10 exceptions are handled per run).
    void initUncaughtExceptionsHandling();
    // Runs `block`; an exception escaping it goes to the handler and the call returns normally.
    void wrapMainProcessingWithExceptionHandling(const std::function<void()>& block);
    // Regular application, activated; true on success.
    bool MakeAppForeground();
    // Agent without a task-bar entry; true on success.
    bool MakeAppBackground();

    // Frames 4 to 8 of the current call stack (fewer when fewer were captured).
    static QStringList backtrace();

    // The handler itself: counts, logs and hands the joined stack and the type to the report hook.
    static void handleUncaughtException(const platform::ExceptionInfo& info);
    // Where reports go: (joined stack, exception type). The diagnostics code registers the real one;
    // tests install their own. An empty hook drops reports.
    using ReportHook = std::function<void(const QString& stack, const QString& type)>;
    static void setExceptionReportHook(ReportHook hook);
    static ReportHook exceptionReportHook();
    // Exceptions seen in this run (the eleventh and later included).
    static int uncaughtExceptionCount();
    // For tests: the count back to zero.
    static void resetUncaughtExceptionCount();

    static constexpr int maxReportedExceptions = 10;
    static inline const QString stackSeparator = QStringLiteral("  |   ");

    // The window-server background blur does not exist here: looked up, found missing, skipped.
    static bool isAvailableCGSSetWindowBackgroundBlurRadius();
    // Makes the window non-opaque; blurs it where the platform can (a negative radius means 16).
    static void showBlurFor(QWidget* window, int radius);
    static int effectiveBlurRadius(int radius) { return radius < 0 ? 16 : radius; }
};
