// The window on the offscreen platform: how long a step takes, layout and
// painting included, as the history grows, beside a text box whose whole text is
// replaced every step, and with the timing diagram's window open; and how long
// the window takes to show, beside a bare one.
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "Application.h"
#include "Comparison.h"
#include "DataFiles.h"
#include "PreprocessorModel.h"
#include "RandomInput.h"
#include "SessionRecord.h"
#include "Unit1.h"

namespace {

int Argc = 1;
char ProgramName[] = "bench_window";
char* Argv[] = {ProgramName, nullptr};

constexpr std::int64_t Histories[] = {100, 1'000, 10'000, 86'400, 300'000, 1'000'000};

// input.txt with more random six-digit pairs than any run takes.
const std::filesystem::path& WorkDirectory() {
    static const auto directory =
        MakeRandomInputDirectory("preprocessor-bench-window", 1'200'000, 86400);
    return directory;
}

// Keeps what a step shows, to record it as the window does.
class TSnapshotView : public IPreprocessorView {
public:
    void ShowSnapshot(const TStepSnapshot& snapshot) override { Shown = snapshot; }
    void ShowHistory(const std::string&) override {}
    TStepSnapshot Shown;
};

// The shown window after `history` steps, its memo holding the whole history,
// the session's record holding every step.
class TWindowAfter {
public:
    explicit TWindowAfter(std::int64_t history) {
        std::filesystem::current_path(WorkDirectory());
        PreprocessorModel = TPreprocessorModel{};
        DataFiles = TDataFiles{};
        Application_ = std::make_unique<TApplication>(Argc, Argv);
        Application_->Initialize();
        Application_->CreateForm(Form1);
        TSnapshotView fastForward;
        SessionRecord.KeepSteps();
        for (std::int64_t step = 0; step < history; ++step) {
            const TRegister written = PreprocessorModel.Registers().PendingOutput;
            PreprocessorModel.Step(DataFiles, fastForward);
            SessionRecord.Record(fastForward.Shown, written, PreprocessorModel.EndOfData());
        }
        Form1->ShowHistory(PreprocessorModel.History());
        Form1->show();
        if (!QTest::qWaitForWindowExposed(Form1)) std::abort();
        QApplication::processEvents();
    }
    ~TWindowAfter() {
        Application_.reset();
        Form1 = nullptr;
        DataFiles = TDataFiles{};
    }

private:
    std::unique_ptr<TApplication> Application_;
};

void BM_StepInWindow(benchmark::State& state) {
    TWindowAfter window(state.range(0));
    for (auto _ : state) {
        DoStep();
        QApplication::processEvents();  // lays out and paints what the step changed
    }
    state.counters["history_chars"] = static_cast<double>(PreprocessorModel.History().size());
}

// The same with the timing diagram's window open beside the main one: it draws
// the step and its table takes the row in. (The record holds the steps of the
// benchmarks before too: at least `history` of them.)
void BM_StepWithDiagramOpen(benchmark::State& state) {
    TWindowAfter window(state.range(0));
    Application->ShowDiagram();
    QApplication::processEvents();
    for (auto _ : state) {
        DoStep();
        QApplication::processEvents();
    }
    state.counters["recorded_steps"] = static_cast<double>(SessionRecord.Steps());
}

// The naive way: a plain text box in the memo's place, given the whole text each step.
void BM_StepReplacingWholeText(benchmark::State& state) {
    TWindowAfter window(state.range(0));
    QPlainTextEdit plain(Form1->GroupBox3);
    plain.setGeometry(Form1->Memo1->geometry());
    plain.setFont(Form1->Memo1->font());
    plain.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    plain.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    plain.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Form1->Memo1->hide();
    plain.show();
    plain.setPlainText(QString::fromStdString(PreprocessorModel.History()));
    QApplication::processEvents();
    for (auto _ : state) {
        DoStep();
        plain.setPlainText(QString::fromStdString(PreprocessorModel.History()));
        QApplication::processEvents();
    }
}

// A whole process start, until the window is on screen: the simulator's way, or
// with "minimal", a bare window. The probe runs in a directory with input.txt.
void RunStartUpProbe(benchmark::State& state, const char* mode) {
    std::filesystem::current_path(WorkDirectory());
    char* const arguments[] = {const_cast<char*>(STARTUP_PROBE), const_cast<char*>(mode), nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        int status = 0;
        if (posix_spawn(&child, STARTUP_PROBE, nullptr, nullptr, arguments, environ) != 0 ||
            waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the start-up probe failed");
            break;
        }
    }
}

void BM_StartUp(benchmark::State& state) {
    RunStartUpProbe(state, "simulator");
}
void BM_StartUpMinimalWindow(benchmark::State& state) {
    RunStartUpProbe(state, "minimal");
}
void BM_StartUpMinimalWindowWithText(benchmark::State& state) {
    RunStartUpProbe(state, "minimal-text");
}

void Histories_(benchmark::internal::Benchmark* benchmark) {
    for (std::int64_t history : Histories) benchmark->Arg(history);
}

constexpr std::int64_t DiagramHistories[] = {100, 100'000};
BENCHMARK(BM_StepWithDiagramOpen)
    ->Arg(DiagramHistories[0])
    ->Arg(DiagramHistories[1])
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);
BENCHMARK(BM_StepInWindow)->Apply(Histories_)->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(BM_StepReplacingWholeText)
    ->Apply(Histories_)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_StartUpMinimalWindow)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_StartUpMinimalWindowWithText)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication toolkit(argc, argv);
    benchmark::Initialize(&argc, argv);
    TComparingReporter reporter;
    const auto step = [](const char* benchmark, std::int64_t history) {
        std::string name = benchmark;
        name += '/';
        name += std::to_string(history);
        name += "/min_time:0.300";
        return name;
    };
    for (std::int64_t history : Histories) {
        std::string label = "step at history ";
        label += std::to_string(history);
        reporter.Compare(label, step("BM_StepInWindow", history),
                         step("BM_StepReplacingWholeText", history));
    }
    reporter.Compare("step, history 10^6 over 10^2 (flatness)", step("BM_StepInWindow", 100),
                     step("BM_StepInWindow", 1'000'000));
    for (std::int64_t history : DiagramHistories) {
        std::string label = "step at history " + std::to_string(history) + ", diagram closed over open";
        reporter.Compare(label, step("BM_StepWithDiagramOpen", history), step("BM_StepInWindow", history));
    }
    reporter.Compare("start-up, bare window over ours (<1: slower)", "BM_StartUp/min_time:2.000",
                     "BM_StartUpMinimalWindow/min_time:2.000");
    reporter.Compare("start-up, bare window with a label over ours", "BM_StartUp/min_time:2.000",
                     "BM_StartUpMinimalWindowWithText/min_time:2.000");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
