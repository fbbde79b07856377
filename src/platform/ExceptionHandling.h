#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// What is known about an exception that nobody handled.
struct ExceptionInfo {
    QString typeName;             // demangled type, "unknown" when the runtime cannot tell
    QString reason;               // what() of a std::exception, else empty
    QStringList callStackSymbols; // innermost first, one line per captured frame

    QString stackText(const QString& separator = QStringLiteral("\n")) const {
        return callStackSymbols.join(separator);
    }
};

using UncaughtExceptionHandler = std::function<void(const ExceptionInfo&)>;

// The safety net for C++ exceptions: Application::notify() and wrap() hand what escapes to the installed
// handler and carry on; an exception that reaches std::terminate is reported and the process aborts.
class ExceptionHandling {
public:
    // Installs the handler (an empty one only logs) and, once, the std::terminate hook.
    static void setUncaughtExceptionHandler(UncaughtExceptionHandler handler);

    // Reports the exception being handled; call only from inside a catch block.
    static void reportCurrentException();

    // Runs `block`; an exception escaping it is reported and swallowed. False when one was.
    static bool wrap(const std::function<void()>& block);

    // Symbols of the current call stack, innermost first, after skipping `skip` frames of the caller's.
    static QStringList callStackSymbols(int skip = 0);

    // Type, reason and stack of the exception being handled (inside a catch block or a terminate hook).
    static ExceptionInfo currentExceptionInfo(int skipFrames = 0);

    // True once std::terminate has been reached: the process ends when the handler returns, so the handler
    // must not start anything that needs the process to live on (a request, a hop to another thread).
    static bool isTerminating();
};

} // namespace platform
