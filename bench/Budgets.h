#pragma once

// What each benchmark program promises: every program defines `budgets()` beside its benchmarks, and the
// shared main() prints each measured median against its budget and, in an optimised build, fails the run
// when one is broken. An unoptimised build prints them only: its figures say nothing about the client.
#include <chrono>
#include <string>
#include <vector>

namespace bench {

struct Budget {
    enum class Bound { atMost, atLeast };

    // The benchmark's function name ("BM_Frame"), which covers each of its arguments ("BM_Frame/3"), or one
    // full run name.
    std::string benchmark;
    // "cpu_time" (the processor time of one iteration), "real_time", or the name of one of its counters.
    std::string measure;
    double limit = 0; // seconds for the two times, the counter's own unit otherwise
    Bound bound = Bound::atMost;
};

// The processor time of one iteration: a busy machine stretches wall time, not this.
inline Budget cpuTime(std::string benchmark, std::chrono::duration<double> most) {
    return {std::move(benchmark), "cpu_time", most.count()};
}
inline Budget realTime(std::string benchmark, std::chrono::duration<double> most) {
    return {std::move(benchmark), "real_time", most.count()};
}
inline Budget counterAtMost(std::string benchmark, std::string counter, double most) {
    return {std::move(benchmark), std::move(counter), most};
}
inline Budget counterAtLeast(std::string benchmark, std::string counter, double least) {
    return {std::move(benchmark), std::move(counter), least, Budget::Bound::atLeast};
}

// Defined by each program, once.
std::vector<Budget> budgets();

} // namespace bench
