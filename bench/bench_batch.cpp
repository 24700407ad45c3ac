// Batch throughput: the runner against a plain loop over the C library's
// formatted I/O doing the same steps, on 2,000,000 pairs of six-digit numbers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "BatchRun.h"
#include "Comparison.h"
#include "RandomInput.h"

namespace {

constexpr int Pairs = 2'000'000;

const std::filesystem::path& WorkDirectory() {
    static const auto directory = MakeRandomInputDirectory("preprocessor-bench-batch", Pairs, 2026);
    return directory;
}

// The same steps written as the obvious loop: fscanf for each number, fprintf
// for each value. Six-digit inputs keep every sum far from overflow.
void FormattedIoLoop(const std::filesystem::path& input, const std::filesystem::path& output,
                     std::uint64_t steps) {
    std::FILE* in = std::fopen(input.c_str(), "r");
    std::FILE* out = std::fopen(output.c_str(), "w+");
    if (!in || !out) std::abort();
    int minuend = 0, subtrahend = 0, difference = 0, windowSum = 0, pending = 0;
    int delay[11] = {};
    bool endOfData = false;
    for (std::uint64_t step = 0; step < steps; ++step) {
        if (std::fscanf(in, "%d", &minuend) != 1) {
        }
        if (std::fscanf(in, "%d", &subtrahend) != 1) {
        }
        if (minuend == -999 || endOfData) minuend = subtrahend = 0, endOfData = true;
        std::fprintf(out, "%d ", pending);
        pending = windowSum;
        windowSum = windowSum - delay[10] + difference;
        for (int i = 10; i > 0; --i) delay[i] = delay[i - 1];
        delay[0] = difference = minuend - subtrahend;
    }
    std::fclose(in);
    std::fclose(out);
}

// Each run, ours and the baseline's, writes a file that does not exist yet, as a
// first run into a folder does. Emptying the previous iteration's file instead
// would time the file system settling that file: on an ext4 mounted with online
// discard, truncating 15 MB written a moment before waits 6 to 12 ms for its
// write-back and for the device to discard the freed blocks.
void RemoveUntimed(benchmark::State& state, const std::filesystem::path& file) {
    state.PauseTiming();
    std::filesystem::remove(file);
    state.ResumeTiming();
}

void BM_BatchRunner(benchmark::State& state) {
    TBatchOptions options;
    options.Steps = Pairs;
    options.Input = WorkDirectory() / "input.txt";
    options.Output = WorkDirectory() / "runner-output.txt";
    for (auto _ : state) {
        RemoveUntimed(state, options.Output);
        if (RunBatch(options).ExitCode != 0) state.SkipWithError("the run failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Pairs));
}

// The runner also writing a trace or a value change dump: what those bytes cost.
void BM_BatchRunnerRecording(benchmark::State& state, bool vcd) {
    TBatchOptions options;
    options.Steps = Pairs;
    options.Input = WorkDirectory() / "input.txt";
    options.Output = WorkDirectory() / "runner-output.txt";
    const auto record = WorkDirectory() / (vcd ? "run.vcd" : "trace.csv");
    (vcd ? options.Vcd : options.Trace) = record;
    for (auto _ : state) {
        RemoveUntimed(state, record);
        if (RunBatch(options).ExitCode != 0) state.SkipWithError("the run failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Pairs));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(record)));
}

void BM_FormattedIoLoop(benchmark::State& state) {
    const auto output = WorkDirectory() / "loop-output.txt";
    for (auto _ : state) {
        RemoveUntimed(state, output);
        FormattedIoLoop(WorkDirectory() / "input.txt", output, Pairs);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Pairs));
}

BENCHMARK(BM_BatchRunner)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FormattedIoLoop)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_BatchRunnerRecording, trace, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_BatchRunnerRecording, vcd, true)->Unit(benchmark::kMillisecond)->Iterations(1);

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(x), {}, std::istreambuf_iterator<char>(y), {});
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TComparingReporter reporter;
    reporter.Compare("batch, 2,000,000 steps: runner vs fscanf loop", "BM_BatchRunner/iterations:3",
                     "BM_FormattedIoLoop/iterations:1");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& dir = WorkDirectory();
    if (std::filesystem::exists(dir / "runner-output.txt") &&
        std::filesystem::exists(dir / "loop-output.txt")) {
        const bool same = SameFile(dir / "runner-output.txt", dir / "loop-output.txt");
        std::printf(
            "runner output %s the fscanf loop's (%ju bytes)\n",
            same ? "is identical to" : "DIFFERS from",
            static_cast<std::uintmax_t>(std::filesystem::file_size(dir / "runner-output.txt")));
        if (!same) return 1;
    }
    benchmark::Shutdown();
    return 0;
}
