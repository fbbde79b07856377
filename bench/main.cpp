// The one main() of every benchmark program: Qt's offscreen platform unless told otherwise, then the
// benchmarks of the program's own file, reported in whatever form Google Benchmark's own flags ask for
// (--benchmark_format, --benchmark_out). A benchmark that could not measure (SkipWithError: its data did
// not load) fails the run, so a broken one cannot pass unnoticed; so does, in an optimised build, a median
// over its budget (Budgets.h). The budgets are printed on standard error, which keeps a JSON report whole.
#include "Budgets.h"
#include "app/Composition.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace {

using Run = benchmark::BenchmarkReporter::Run;

// Every value one benchmark reported for one measure: its repetitions, and the median Google Benchmark
// computed when it ran them as such.
struct Measured {
    std::vector<double> values;
    std::optional<double> median;

    double middle() const {
        if (median) {
            return *median;
        }
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

// Forwards everything to the display reporter the flags chose, keeping what the budgets are judged on.
class BudgetReporter : public benchmark::BenchmarkReporter {
public:
    explicit BudgetReporter(benchmark::BenchmarkReporter* display) : m_display(display) {}

    int errors = 0;
    // Keyed by the run's name without its aggregate, then by measure.
    std::map<std::string, std::map<std::string, Measured>> measured;
    std::map<std::string, std::string> functionOf;

    bool ReportContext(const Context& context) override { return m_display->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            keep(run);
        }
        m_display->ReportRuns(runs);
    }
    void Finalize() override { m_display->Finalize(); }

private:
    void keep(const Run& run) {
        if (run.error_occurred) {
            ++errors;
            return;
        }
        const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !isMedian) {
            return;
        }
        const std::string name = run.run_name.str();
        functionOf[name] = run.run_name.function_name;
        const double perSecond = benchmark::GetTimeUnitMultiplier(run.time_unit);
        auto add = [&](const std::string& measure, double value) {
            Measured& entry = measured[name][measure];
            isMedian ? void(entry.median = value) : entry.values.push_back(value);
        };
        add("cpu_time", run.GetAdjustedCPUTime() / perSecond);
        add("real_time", run.GetAdjustedRealTime() / perSecond);
        for (const auto& [counter, value] : run.counters) {
            add(counter, value.value);
        }
    }

    std::unique_ptr<benchmark::BenchmarkReporter> m_display;
};

std::string shown(const bench::Budget& budget, double value) {
    char text[64];
    if (budget.measure != "cpu_time" && budget.measure != "real_time") {
        std::snprintf(text, sizeof text, "%g", value);
    } else if (budget.limit >= 1e-3) {
        std::snprintf(text, sizeof text, "%.3g ms", value * 1e3);
    } else if (budget.limit >= 1e-6) {
        std::snprintf(text, sizeof text, "%.3g us", value * 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.3g ns", value * 1e9);
    }
    return text;
}

struct Judged {
    int broken = 0;
    int unjudged = 0; // a budget that names a benchmark or a measure nobody reported guards nothing
};

// Prints every budget against what was measured.
Judged judgeBudgets(const BudgetReporter& reporter) {
    const bool everythingRan =
        benchmark::GetBenchmarkFilter() == "." || benchmark::GetBenchmarkFilter() == "all";
    Judged judged;
    for (const bench::Budget& budget : bench::budgets()) {
        bool found = false;
        for (const auto& [name, measures] : reporter.measured) {
            if (name != budget.benchmark && reporter.functionOf.at(name) != budget.benchmark) {
                continue;
            }
            found = true;
            const auto measure = measures.find(budget.measure);
            if (measure == measures.end()) {
                std::fprintf(stderr, "budget %s: no %s was reported\n", name.c_str(), budget.measure.c_str());
                ++judged.unjudged;
                continue;
            }
            const double value = measure->second.middle();
            const bool atMost = budget.bound == bench::Budget::Bound::atMost;
            const bool met = atMost ? value <= budget.limit : value >= budget.limit;
            judged.broken += met ? 0 : 1;
            std::fprintf(stderr, "budget %-52s %-22s %10s  %s %-10s %s\n", name.c_str(),
                         budget.measure.c_str(), shown(budget, value).c_str(),
                         atMost ? "<=" : ">=", shown(budget, budget.limit).c_str(), met ? "met" : "BROKEN");
        }
        if (!found && everythingRan) {
            std::fprintf(stderr, "budget %s: no such benchmark ran\n", budget.benchmark.c_str());
            ++judged.unjudged;
        }
    }
    return judged;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    composeClient();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    BudgetReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const Judged judged = judgeBudgets(reporter);
    if (reporter.errors > 0 || judged.unjudged > 0) {
        std::fprintf(
            stderr, "%d benchmark(s) could not measure what they measure, %d budget(s) could not be judged\n",
            reporter.errors, judged.unjudged);
        return 1;
    }
#ifdef __OPTIMIZE__
    if (judged.broken > 0) {
        std::fprintf(stderr, "%d budget(s) broken\n", judged.broken);
        return 1;
    }
#else
    if (judged.broken > 0) {
        std::fprintf(stderr,
                     "%d budget(s) over, not enforced: an unoptimised build's figures say little of the "
                     "client's\n",
                     judged.broken);
    }
#endif
    return 0;
}
