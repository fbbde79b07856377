#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace platform {

class DispatchQueue;

struct ShellResult {
    enum class Status { finished, crashed, timedOut, failedToStart };

    Status status = Status::failedToStart;
    int exitCode = -1; // meaningful when finished
    QByteArray standardOutput;
    QByteArray standardError;

    bool succeeded() const { return status == Status::finished && exitCode == 0; }
    // Standard output as text; output that is not valid UTF-8 reads as empty.
    QString outputText() const;
};

struct ShellOptions {
    // Real time: the child runs on the real clock whatever scheduler the client uses.
    double timeLimitSeconds = 60;
    // After the limit the child is asked to terminate, then killed if it is still there after this.
    double terminateGraceSeconds = 2;
    // Bytes kept of each of standard output and standard error; the rest is read and dropped.
    qsizetype outputLimit = 1024 * 1024;
    QString workingDirectory;
    // The child's whole environment; none inherits the client's.
    std::optional<QProcessEnvironment> environment;
};

// Runs a program with an argument vector, never through a command line that a shell would parse. Runs
// block their thread, so they are refused on the main thread.
class Shell {
public:
    using Options = ShellOptions;

    static ShellResult run(const QString& program, const QStringList& arguments, const Options& options = {});
    // Runs on `queue` and hands the result to `completion` there too. `queue` must not be the main queue.
    static void run(const QString& program, const QStringList& arguments, const DispatchQueue& queue,
                    std::function<void(ShellResult)> completion, Options options = Options());
};

} // namespace platform
