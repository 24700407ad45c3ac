#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Prints Google Benchmark's usual table and then, for each named pair of
// benchmarks, how many times faster the first ran than the second, by medians
// (or by the single run when there are no repetitions).
class TComparingReporter : public benchmark::ConsoleReporter {
public:
    void Compare(std::string label, std::string ours, std::string baseline) {
        Pairs_.push_back({std::move(label), std::move(ours), std::move(baseline)});
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median ||
                (run.run_type == Run::RT_Iteration && !Medians_.count(run.run_name.str()))) {
                Medians_[run.run_name.str()] = {run.GetAdjustedRealTime(), run.time_unit};
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-44s %14s %14s %9s\n", "comparison (medians)", "ours", "baseline", "ratio");
        for (const auto& [label, ours, baseline] : Pairs_) {
            const auto a = Medians_.find(ours), b = Medians_.find(baseline);
            if (a == Medians_.end() || b == Medians_.end()) continue;
            const double oursMs = Milliseconds(a->second), baselineMs = Milliseconds(b->second);
            std::printf("%-44s %11.3f ms %11.3f ms %8.1fx\n", label.c_str(), oursMs, baselineMs,
                        baselineMs / oursMs);
        }
        std::fflush(stdout);
    }

private:
    struct TMedian {
        double Time;
        benchmark::TimeUnit Unit;
    };
    struct TPair {
        std::string Label, Ours, Baseline;
    };

    static double Milliseconds(const TMedian& m) {
        return m.Time * 1e3 / benchmark::GetTimeUnitMultiplier(m.Unit);
    }

    std::vector<TPair> Pairs_;
    std::map<std::string, TMedian> Medians_;
};
