#include "platform/Shell.h"

#include "platform/Scheduler.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcShell, "veltrix.platform.shell")

// How long one wait lasts before the output pipes are drained into the bounded buffers.
constexpr int drainIntervalMs = 50;

int toMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) {
        return 0;
    }
    return static_cast<int>(std::min(seconds * 1000.0, double(std::numeric_limits<int>::max())));
}

void appendBounded(QByteArray& buffer, const QByteArray& data, qsizetype limit) {
    const qsizetype room = std::max<qsizetype>(0, limit - buffer.size());
    buffer.append(data.left(room));
}

} // namespace

QString ShellResult::outputText() const {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(standardOutput);
    return decoder.hasError() ? QString() : text;
}

ShellResult Shell::run(const QString& program, const QStringList& arguments, const Options& options) {
    ShellResult result;
    if (Scheduler::shared().isMainThread()) {
        qCCritical(lcShell) << "Refused to run" << program << "on the main thread";
        return result;
    }

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!options.workingDirectory.isEmpty()) {
        process.setWorkingDirectory(options.workingDirectory);
    }
    if (options.environment) {
        process.setProcessEnvironment(*options.environment);
    }
    process.start();
    if (!process.waitForStarted()) {
        qCWarning(lcShell) << "Could not start" << program << process.errorString();
        return result;
    }

    const auto drain = [&] {
        appendBounded(result.standardOutput, process.readAllStandardOutput(), options.outputLimit);
        appendBounded(result.standardError, process.readAllStandardError(), options.outputLimit);
    };
    const auto waitFor = [&](QDeadlineTimer deadline) {
        while (process.state() != QProcess::NotRunning) {
            const int step = static_cast<int>(std::min<qint64>(deadline.remainingTime(), drainIntervalMs));
            if (deadline.hasExpired()) {
                return false;
            }
            process.waitForFinished(std::max(step, 1));
            drain();
        }
        return true;
    };

    if (!waitFor(QDeadlineTimer(toMilliseconds(options.timeLimitSeconds)))) {
        qCWarning(lcShell) << program << "ran past its time limit; stopping it";
        process.terminate();
        if (!waitFor(QDeadlineTimer(toMilliseconds(options.terminateGraceSeconds)))) {
            process.kill();
            process.waitForFinished();
        }
        drain();
        result.status = ShellResult::Status::timedOut;
        return result;
    }
    drain();
    if (process.exitStatus() == QProcess::CrashExit) {
        result.status = ShellResult::Status::crashed;
        return result;
    }
    result.status = ShellResult::Status::finished;
    result.exitCode = process.exitCode();
    return result;
}

void Shell::run(const QString& program, const QStringList& arguments, const DispatchQueue& queue,
                std::function<void(ShellResult)> completion, Options options) {
    queue.async([program, arguments, completion = std::move(completion), options = std::move(options)] {
        ShellResult result = run(program, arguments, options);
        if (completion) {
            completion(std::move(result));
        }
    });
}

} // namespace platform
