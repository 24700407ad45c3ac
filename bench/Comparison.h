#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Google Benchmark's usual table, and each benchmark's median kept by name (or
// its single run when there are no repetitions), for the summaries below it.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.str();
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !Medians_.count(name))) {
                Medians_[name] = run.GetAdjustedRealTime() * 1e3 /
                                 benchmark::GetTimeUnitMultiplier(run.time_unit);
                const auto cpu = run.counters.find(CpuCounter);
                if (cpu != run.counters.end()) CpuMedians_[name] = cpu->second.value;
            }
        }
    }

    // A counter of processor time in milliseconds, for benchmarks whose real
    // time is spent in other processes.
    static constexpr const char* CpuCounter = "cpu_ms";

protected:
    // The median of a benchmark in milliseconds, or a negative number if it did not run.
    double Milliseconds(const std::string& name) const {
        const auto found = Medians_.find(name);
        return found == Medians_.end() ? -1 : found->second;
    }
    // The median of its processor time counter, or a negative number if it has none.
    double CpuMilliseconds(const std::string& name) const {
        const auto found = CpuMedians_.find(name);
        return found == CpuMedians_.end() ? -1 : found->second;
    }

private:
    std::map<std::string, double> Medians_;
    std::map<std::string, double> CpuMedians_;
};

// Then, for each named pair of benchmarks, how many times faster the first ran
// than the second, by medians.
class TComparingReporter : public TMedianReporter {
public:
    void Compare(std::string label, std::string ours, std::string baseline) {
        Pairs_.push_back({std::move(label), std::move(ours), std::move(baseline)});
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-44s %14s %14s %9s\n", "comparison (medians)", "ours", "baseline", "ratio");
        for (const auto& [label, ours, baseline] : Pairs_) {
            const double oursMs = Milliseconds(ours), baselineMs = Milliseconds(baseline);
            if (oursMs < 0 || baselineMs < 0) continue;
            std::printf("%-44s %11.3f ms %11.3f ms %8.1fx\n", label.c_str(), oursMs, baselineMs,
                        baselineMs / oursMs);
        }
        std::fflush(stdout);
    }

private:
    struct TPair {
        std::string Label, Ours, Baseline;
    };
    std::vector<TPair> Pairs_;
};

// Then a matrix: a row per input, benchmarks named ROW/PROGRAM; the medians of
// ours, the baselines, the floor, earlier releases and parts of ours, and how
// ours compares with each (baseline over ours: how many times faster ours is;
// ours and each part over the floor: how far above it).
class TMatrixReporter : public TMedianReporter {
public:
    TMatrixReporter(std::string ours, std::string baseline, std::string secondBaseline,
                    std::string floor)
        : Ours_(std::move(ours)),
          Baselines_{std::move(baseline), std::move(secondBaseline)},
          Floor_(std::move(floor)) {}

    // The suffix Google Benchmark gives the names of these runs.
    static constexpr const char* RunSuffix = "/iterations:1/real_time";

    void AddRow(std::string name, std::string label) {
        Rows_.push_back({std::move(name), std::move(label)});
    }
    void AddRelease(std::string name) { Releases_.push_back(std::move(name)); }
    void AddPart(std::string name) { Parts_.push_back(std::move(name)); }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::vector<std::string> columns = Programs();
        columns.insert(columns.end(), Parts_.begin(), Parts_.end());
        std::printf("\n%-34s", "median ms");
        for (const auto& column : columns) std::printf(" %10s", column.c_str());
        std::printf(" |");
        for (const auto& baseline : Baselines_) std::printf(" %10s", ("x " + baseline).c_str());
        for (const auto& release : Releases_) std::printf(" %10s", ("x " + release).c_str());
        std::printf(" %10s", ("/ " + Floor_).c_str());
        for (const auto& part : Parts_) std::printf(" %14s", (part + " / " + Floor_).c_str());
        std::printf("\n");
        for (const auto& [name, label] : Rows_) {
            const auto ms = [&](const std::string& column) {
                return Milliseconds(RunName(name, column));
            };
            if (ms(Ours_) < 0) continue;  // a row left out by --benchmark_filter
            std::printf("%-34s", label.c_str());
            for (const auto& column : columns) std::printf(" %10.1f", ms(column));
            std::printf(" |");
            const double ours = ms(Ours_);
            for (const auto& baseline : Baselines_) std::printf(" %10.2f", ms(baseline) / ours);
            for (const auto& release : Releases_) std::printf(" %10.2f", ms(release) / ours);
            std::printf(" %10.2f", ours / ms(Floor_));
            for (const auto& part : Parts_) std::printf(" %14.2f", ms(part) / ms(Floor_));
            std::printf("\n");
        }
        PrintProcessorTimes();
        std::fflush(stdout);
    }

private:
    // The processor time of ours, the baselines, the floor and the releases, all
    // threads and the system's work for them included. Two processors cannot run
    // ours in less than half its time: that half over the floor is the least
    // "/ floor" that ours could show on two.
    void PrintProcessorTimes() const {
        const std::vector<std::string> columns = Programs();
        std::printf("\n%-34s", "median processor ms");
        for (const auto& column : columns) std::printf(" %10s", column.c_str());
        std::printf(" | %18s\n", (Ours_ + " / 2 / " + Floor_).c_str());
        for (const auto& [name, label] : Rows_) {
            const auto cpu = [&](const std::string& column) {
                return CpuMilliseconds(RunName(name, column));
            };
            if (cpu(Ours_) < 0) continue;
            std::printf("%-34s", label.c_str());
            for (const auto& column : columns) std::printf(" %10.1f", cpu(column));
            std::printf(" | %18.2f\n",
                        cpu(Ours_) / 2 / Milliseconds(RunName(name, Floor_)));
        }
    }

    // The columns that are whole programs: ours, the baselines, the floor, the releases.
    std::vector<std::string> Programs() const {
        std::vector<std::string> programs = {Ours_, Baselines_[0], Baselines_[1], Floor_};
        programs.insert(programs.end(), Releases_.begin(), Releases_.end());
        return programs;
    }

    static std::string RunName(const std::string& row, const std::string& column) {
        return row + "/" + column + RunSuffix;
    }

    std::string Ours_;
    std::vector<std::string> Baselines_;
    std::string Floor_;
    std::vector<std::pair<std::string, std::string>> Rows_;
    std::vector<std::string> Releases_;
    std::vector<std::string> Parts_;
};
