#include "platform/Scheduler.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>

using namespace platform;

namespace {

// Runs the command from a global queue (a run on the main thread is refused) and waits for its result.
ShellResult runOffMain(const QString& program, const QStringList& arguments, ShellOptions options = {},
                       const DispatchQueue& queue = DispatchQueue::global()) {
    struct Shared {
        std::mutex mutex;
        std::optional<ShellResult> result;
    };
    auto shared = std::make_shared<Shared>();
    Shell::run(
        program, arguments, queue,
        [shared](ShellResult result) {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
        },
        options);
    const bool done = testsupport::waitUntil(
        [&] {
            std::lock_guard lock(shared->mutex);
            return shared->result.has_value();
        },
        10000);
    EXPECT_TRUE(done);
    std::lock_guard lock(shared->mutex);
    return shared->result.value_or(ShellResult());
}

} // namespace

TEST(Shell, ReportsExitCodeAndBothOutputs) {
    const ShellResult failed = runOffMain("/bin/sh", {"-c", "exit 3"});
    EXPECT_EQ(failed.status, ShellResult::Status::finished);
    EXPECT_EQ(failed.exitCode, 3);
    EXPECT_FALSE(failed.succeeded());

    const ShellResult output = runOffMain("/bin/sh", {"-c", "printf 'false\\n'; printf oops >&2"});
    EXPECT_TRUE(output.succeeded());
    EXPECT_EQ(output.standardOutput, "false\n");
    EXPECT_EQ(output.standardError, "oops");
    EXPECT_EQ(output.outputText().trimmed(), "false");

    DispatchQueue serial("shell-test");
    EXPECT_TRUE(runOffMain("/bin/true", {}, {}, serial).succeeded());
}

TEST(Shell, KeepsOutputWithinTheLimitAndReadsTheRest) {
    ShellOptions options;
    options.outputLimit = 1000;
    // The child writes far more than a pipe holds; it must not block on a full pipe.
    const ShellResult result =
        runOffMain("/bin/sh", {"-c", "head -c 300000 /dev/zero; head -c 300000 /dev/zero >&2"}, options);
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(result.standardOutput.size(), 1000);
    EXPECT_EQ(result.standardError.size(), 1000);
}

TEST(Shell, OutputThatIsNotUtf8ReadsAsEmptyText) {
    const ShellResult result = runOffMain("/bin/sh", {"-c", "printf '\\377\\376'"});
    EXPECT_EQ(result.standardOutput.size(), 2);
    EXPECT_TRUE(result.outputText().isEmpty());
}

TEST(Shell, StopsAProgramThatRunsPastItsLimit) {
    ShellOptions options;
    options.timeLimitSeconds = 0.2;
    options.terminateGraceSeconds = 0.2;
    QElapsedTimer clock;
    clock.start();
    const ShellResult sleeping = runOffMain("/bin/sh", {"-c", "exec sleep 30"}, options);
    EXPECT_EQ(sleeping.status, ShellResult::Status::timedOut);

    // One that ignores the polite request is killed after the grace time.
    const ShellResult stubborn =
        runOffMain("/bin/sh", {"-c", "trap '' TERM; echo started; while :; do :; done"}, options);
    EXPECT_EQ(stubborn.status, ShellResult::Status::timedOut);
    EXPECT_EQ(stubborn.standardOutput, "started\n");
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(Shell, ReportsCrashesAndProgramsThatCannotStart) {
    EXPECT_EQ(runOffMain("/bin/sh", {"-c", "kill -SEGV $$"}).status, ShellResult::Status::crashed);
    const ShellResult missing = runOffMain("/nonexistent/program", {"arg"});
    EXPECT_EQ(missing.status, ShellResult::Status::failedToStart);
    EXPECT_FALSE(missing.succeeded());
}

TEST(Shell, ArgumentsAreNeverParsedByAShell) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString hostile = "a'; touch pwned;'b";
    ShellOptions options;
    options.workingDirectory = dir.path();
    EXPECT_TRUE(runOffMain("/usr/bin/touch", {hostile}, options).succeeded());
    // Passed on to a script as "$1", it stays one argument too.
    EXPECT_TRUE(runOffMain("/bin/sh", {"-c", "touch \"$1.copy\"", "sh", hostile}, options).succeeded());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{hostile, hostile + ".copy"}));
}

TEST(Shell, AGivenEnvironmentIsTheChildsWholeEnvironment) {
    qputenv("VELTRIX_SHELL_TEST_SECRET", "inherited");
    const ShellResult inherited = runOffMain("/usr/bin/env", {});
    EXPECT_TRUE(inherited.standardOutput.contains("VELTRIX_SHELL_TEST_SECRET=inherited"));

    ShellOptions options;
    options.environment = QProcessEnvironment();
    options.environment->insert("HOME", "/home/someone");
    const ShellResult given = runOffMain("/usr/bin/env", {}, options);
    EXPECT_TRUE(given.succeeded());
    EXPECT_EQ(given.standardOutput, "HOME=/home/someone\n");
    qunsetenv("VELTRIX_SHELL_TEST_SECRET");
}

TEST(Shell, RefusesToRunOnTheMainThread) {
    ASSERT_TRUE(Scheduler::shared().isMainThread());
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran");
    EXPECT_EQ(Shell::run("/usr/bin/touch", {marker}).status, ShellResult::Status::failedToStart);

    const ShellResult viaMainQueue = runOffMain("/usr/bin/touch", {marker}, {}, DispatchQueue::main());
    EXPECT_EQ(viaMainQueue.status, ShellResult::Status::failedToStart);
    EXPECT_FALSE(QFile::exists(marker));
}
