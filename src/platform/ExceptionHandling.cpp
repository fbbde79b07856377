#include "platform/ExceptionHandling.h"

#include <QLoggingCategory>

#include <cxxabi.h>
#include <execinfo.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <typeinfo>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcExceptions, "veltrix.platform.exceptions")

std::mutex handlerMutex;
UncaughtExceptionHandler installedHandler;
std::once_flag terminateHookOnce;
thread_local bool reporting = false;
std::atomic<bool> terminating{false};

QString demangle(const char* name) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                         &std::free);
    return QString::fromUtf8(status == 0 && readable ? readable.get() : name);
}

void deliver(const ExceptionInfo& info) {
    qCCritical(lcExceptions).noquote() << "Uncaught exception of type" << info.typeName;
    if (reporting) {
        return; // the handler itself threw: do not loop
    }
    UncaughtExceptionHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = installedHandler;
    }
    if (!handler) {
        return;
    }
    reporting = true;
    try {
        handler(info);
    } catch (...) {
        qCCritical(lcExceptions) << "The uncaught-exception handler threw";
    }
    reporting = false;
}

[[noreturn]] void onTerminate() {
    terminating.store(true);
    // No unwinding has happened yet, so the captured stack still shows where the exception was thrown.
    ExceptionInfo info = ExceptionHandling::currentExceptionInfo(1);
    if (!std::current_exception()) {
        info.typeName = QStringLiteral("std::terminate");
        info.reason = QStringLiteral("terminate called without an active exception");
    }
    deliver(info);
    std::abort();
}

} // namespace

void ExceptionHandling::setUncaughtExceptionHandler(UncaughtExceptionHandler handler) {
    {
        std::lock_guard lock(handlerMutex);
        installedHandler = std::move(handler);
    }
    std::call_once(terminateHookOnce, [] { std::set_terminate(onTerminate); });
}

bool ExceptionHandling::isTerminating() {
    return terminating.load();
}

void ExceptionHandling::reportCurrentException() {
    deliver(currentExceptionInfo(1));
}

bool ExceptionHandling::wrap(const std::function<void()>& block) {
    try {
        if (block) {
            block();
        }
        return true;
    } catch (abi::__forced_unwind&) {
        throw; // thread cancellation must go on unwinding
    } catch (...) {
        deliver(currentExceptionInfo(1));
        return false;
    }
}

__attribute__((noinline)) QStringList ExceptionHandling::callStackSymbols(int skip) {
    constexpr int maxFrames = 128;
    void* frames[maxFrames];
    const int captured = ::backtrace(frames, maxFrames);
    const int first = std::max(0, skip) + 1; // this function's own frame too
    QStringList lines;
    if (captured <= first) {
        return lines;
    }
    std::unique_ptr<char*, decltype(&std::free)> symbols(backtrace_symbols(frames, captured), &std::free);
    for (int i = first; i < captured; ++i) {
        lines.append(symbols ? QString::fromLocal8Bit(symbols.get()[i])
                             : QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(frames[i]), 0, 16));
    }
    return lines;
}

__attribute__((noinline)) ExceptionInfo ExceptionHandling::currentExceptionInfo(int skipFrames) {
    ExceptionInfo info;
    const std::type_info* type = abi::__cxa_current_exception_type();
    info.typeName = type ? demangle(type->name()) : QStringLiteral("unknown");
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& exception) {
            info.reason = QString::fromUtf8(exception.what());
        } catch (...) {
        }
    }
    info.callStackSymbols = callStackSymbols(skipFrames + 1);
    return info;
}

} // namespace platform
