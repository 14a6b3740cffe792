// The benchmarks' console reporter, which also keeps what each run
// measured, so that a benchmark program can print ratios between runs of
// the same run (the machines are shared, so absolute times wander).
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Shows the runs as usual and keeps, by each run's full name, its CPU and
// wall (or manual) time per iteration in microseconds, and every run's
// counters.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // With repetitions, the mean stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean") continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
            const double toMicro = benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
                                   benchmark::GetTimeUnitMultiplier(run.time_unit);
            micros[run.run_name.str()] = run.GetAdjustedCPUTime() * toMicro;
            realMicros[run.run_name.str()] = run.GetAdjustedRealTime() * toMicro;
            if (run.counters.count("allocations")) allocations = run.counters.at("allocations").value;
            for (const auto& [name, counter] : run.counters) counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> micros;
    std::map<std::string, double> realMicros;  // wall (or manual) time, same keys
    // Every benchmark's counters by name (the names differ between
    // benchmarks): the whole show's frame rates and CPU ms per frame, the
    // start-up's steps.
    std::map<std::string, double> counters;
    double Counter(const std::string& name) const {
        const auto found = counters.find(name);
        return found == counters.end() ? -1.0 : found->second;
    }
    double allocations = -1.0;
};

// The time of the run whose name starts with `prefix` (names carry their
// fixed iteration counts), or -1.
inline double MicrosOf(const std::map<std::string, double>& times, const std::string& prefix) {
    for (const auto& [name, micros] : times) {
        if (name.rfind(prefix, 0) == 0) return micros;
    }
    return -1.0;
}

inline double MicrosOf(const RatioReporter& reporter, const std::string& prefix) {
    return MicrosOf(reporter.micros, prefix);
}
