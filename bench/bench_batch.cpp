// Batch throughput on every form of input a user feeds the runner: the runner
// as a whole process, beside two baselines doing the same steps (the C
// library's formatted I/O, and a plain std::from_chars loop), the floor (a
// process that only reads the input and writes as many bytes), and any earlier
// release's runner named with --release=NAME=PATH. All take turns; every output
// is compared with the fscanf loop's at the end.
#include <spawn.h>  // platform corner: the benchmarks time POSIX processes
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "Comparison.h"
#include "FilePaths.h"
#include "InputForms.h"
#include "ScanAhead.h"

namespace {

constexpr int Pairs = 2'000'000;
const std::string Steps = std::to_string(Pairs);

struct TProgram {
    std::string Name;
    std::string Path;
    bool Runner;  // takes the runner's options rather than INPUT OUTPUT STEPS
};

double Milliseconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

// Runs the command to its end; false if it failed. cpuMs, if given, receives
// the processor time it took, in user and system mode, every thread's.
bool Run(const std::vector<std::string>& command, double* cpuMs = nullptr) {
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return false;
    if (cpuMs) *cpuMs = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> Command(const TProgram& program, const std::filesystem::path& folder,
                                 const std::string& steps) {
    const std::string input = folder / "input.txt", output = folder / (program.Name + ".txt");
    if (program.Runner)
        return {program.Path, "--steps", steps, "--input", input, "--output", output};
    return {program.Path, input, output, steps};
}

// Each run writes a file that does not exist yet, as a first run into a folder
// does: emptying the previous run's file would time the file system settling it
// (docs/performance.md, "What the file system adds").
void TimeProgram(benchmark::State& state, const TProgram& program,
                 const std::filesystem::path& folder, const std::string& steps) {
    const auto command = Command(program, folder, steps);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(folder / (program.Name + ".txt"));
        state.ResumeTiming();
        double cpuMs = 0;
        if (!Run(command, &cpuMs))
            state.SkipWithError(("the run failed: " + program.Path).c_str());
        state.counters[TMatrixReporter::CpuCounter] = cpuMs;
    }
}

// What the runner's scanning thread does, alone and in this process: the input
// read through and every number found and converted, one batch after another.
// The scan is one sequence, so no run goes below it plus starting a process.
void ScanInput(benchmark::State& state, const std::filesystem::path& input) {
    auto batch = std::make_unique<TScannedBatch>();
    for (auto _ : state) {
        std::FILE* file = OpenFile(input, "r");
        if (!file) return state.SkipWithError("cannot open the input");
        TNumberScanner scanner(file);
        std::size_t numbers = 0;
        TScanEnd end = TScanEnd::Full;
        while (end != TScanEnd::FailsForGood) {
            end = scanner.Scan(batch->Values.data(), TScannedBatch::Room, batch->Count);
            numbers += batch->Count;
            benchmark::DoNotOptimize(batch->Values.data());
        }
        std::fclose(file);
        if (numbers != 2 * static_cast<std::size_t>(Pairs))
            state.SkipWithError("the scan found another count of numbers");
    }
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(x), {}, std::istreambuf_iterator<char>(y), {});
}

// The runner also writing a trace or a value change dump: what those bytes cost.
void BM_BatchRunnerRecording(benchmark::State& state, const std::filesystem::path& folder,
                             bool vcd) {
    TBatchOptions options;
    options.Steps = Pairs;
    options.Input = folder / "input.txt";
    options.Output = folder / "recording-output.txt";
    const auto record = folder / (vcd ? "run.vcd" : "trace.csv");
    (vcd ? options.Vcd : options.Trace) = record;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(record);
        state.ResumeTiming();
        if (RunBatch(options).ExitCode != 0) state.SkipWithError("the run failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(record)));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<TProgram> programs = {{"runner", PREPROCESSOR_BATCH, true},
                                      {"fscanf", FSCANF_LOOP, false},
                                      {"from_chars", FROM_CHARS_LOOP, false}};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto equals = argument.find('=', 10);
        if (argument.starts_with("--release=") && equals != std::string::npos) {
            programs.push_back(
                {argument.substr(10, equals - 10), argument.substr(equals + 1), true});
        } else {
            std::fprintf(stderr,
                         "usage: bench_batch [benchmark options] [--release=NAME=PATH]...\n");
            return 2;
        }
    }
    const TProgram floor{"floor", BATCH_FLOOR, false};

    const auto root = std::filesystem::temp_directory_path() / "preprocessor-bench-batch";
    std::printf("Writing the inputs, %d pairs each, under %s\n", Pairs, root.c_str());
    const auto folders = WriteInputForms(root, Pairs);
    TMatrixReporter reporter("runner", "fscanf", "from_chars", "floor");
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const auto& folder = folders[i];
        const char* form = InputForms()[i].Name;
        reporter.AddRow(form, InputForms()[i].Description);
        // The fscanf loop's output is the reference, and its size what the floor writes.
        if (!Run(Command(programs[1], folder, Steps))) return 1;
        std::filesystem::rename(folder / "fscanf.txt", folder / "reference.txt");
        const std::string bytes =
            std::to_string(std::filesystem::file_size(folder / "reference.txt"));
        for (const TProgram& program : programs) {
            benchmark::RegisterBenchmark(
                (std::string(form) + "/" + program.Name).c_str(),
                [=](benchmark::State& state) { TimeProgram(state, program, folder, Steps); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->UseRealTime();
        }
        benchmark::RegisterBenchmark(
            (std::string(form) + "/floor").c_str(),
            [=](benchmark::State& state) { TimeProgram(state, floor, folder, bytes); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
        benchmark::RegisterBenchmark(
            (std::string(form) + "/scan").c_str(),
            [=](benchmark::State& state) { ScanInput(state, folder / "input.txt"); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    }
    reporter.AddPart("scan");
    for (std::size_t p = 3; p < programs.size(); ++p) reporter.AddRelease(programs[p].Name);
    for (const bool vcd : {false, true}) {
        benchmark::RegisterBenchmark(
            vcd ? "recording/vcd" : "recording/trace",
            [&, vcd](benchmark::State& state) { BM_BatchRunnerRecording(state, folders[0], vcd); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);

    bool allSame = true;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        for (const TProgram& program : programs) {
            const auto output = folders[i] / (program.Name + ".txt");
            if (program.Name == "fscanf" || !std::filesystem::exists(output)) continue;
            if (!SameFile(output, folders[i] / "reference.txt")) {
                std::printf("%s: the output of %s DIFFERS from the fscanf loop's\n",
                            InputForms()[i].Name, program.Name.c_str());
                allSame = false;
            }
        }
    }
    if (allSame) std::printf("Every output is identical to the fscanf loop's.\n");
    benchmark::Shutdown();
    return allSame ? 0 : 1;
}
