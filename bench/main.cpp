// The one main() of every benchmark program: Qt's offscreen platform unless told otherwise, then the
// benchmarks of the program's own file. A benchmark that could not measure (SkipWithError: its data did
// not load) fails the run, so a broken one cannot pass unnoticed.
#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// The console's report, remembering every run that ended in an error.
class ErrorCountingReporter : public benchmark::ConsoleReporter {
public:
    int errors = 0;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            errors += run.error_occurred ? 1 : 0;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ErrorCountingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.errors > 0) {
        std::fprintf(stderr, "%d benchmark(s) could not measure what they measure\n", reporter.errors);
        return 1;
    }
    return 0;
}
