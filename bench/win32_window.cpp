// The window on the Win32 API: how long a step takes, the edit box's painting
// included, as the history in the memo grows; beside the same step with the
// memo's whole text replaced, and with the timing diagram's window open. Run where the program runs: under Wine here, or on
// Windows. Timed with the performance counter and reported as medians, since
// Google Benchmark is not built for Windows on this machine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Application.h"
#include "DataFiles.h"
#include "PreprocessorModel.h"
#include "RandomInput.h"
#include "SessionRecord.h"
#include "Unit1.h"

namespace {

constexpr int Histories[] = {1'000, 10'000, 100'000};
constexpr int Repetitions = 25;
// Replacing the whole text is timed fewer times, and only on the shortest
// history: under Wine it takes most of a second at 10^3 steps, and grows faster
// than the text.
constexpr int ReplacementRepetitions = 5;
constexpr int LongestReplacedHistory = 1'000;

// Keeps what a step shows, to record it as the window does.
class TSnapshotView : public IPreprocessorView {
public:
    void ShowSnapshot(const TStepSnapshot& snapshot) override { Shown = snapshot; }
    void ShowHistory(const std::string&) override {}
    TStepSnapshot Shown;
};

// Handles every message waiting, and paints what they invalidated.
void HandleWaitingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    UpdateWindow(Form1->Handle());
    if (const HWND diagram = FindWindowW(nullptr, L"Временная диаграмма")) UpdateWindow(diagram);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static const double ticksPerMillisecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) / ticksPerMillisecond;
}

// The median time of `step`, followed by handling and painting what it changed.
template <class TStep>
double MedianMilliseconds(int repetitions, TStep&& step) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        step();
        HandleWaitingMessages();
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));
    }
    std::nth_element(times.begin(), times.begin() + repetitions / 2, times.end());
    return times[repetitions / 2];
}

}  // namespace

int main() {
    const auto folder = MakeRandomInputDirectory("preprocessor-bench-win32", 110'000, 86400);
    std::printf("%-17s %-17s %-14s %-24s %-7s %-14s %s\n", "history (steps)", "history (chars)",
                "Memo1 (ms)", "whole-text replacement", "ratio", "diagram open", "ratio");
    for (const int history : Histories) {
        std::filesystem::current_path(folder);
        PreprocessorModel = TPreprocessorModel{};
        DataFiles = TDataFiles{};
        int argc = 0;
        TApplication application(argc, nullptr);
        application.Initialize();
        application.CreateForm(Form1);
        // The history goes into the memo a hundred steps at a time: Wine's edit box
        // lays a paragraph out in time that grows with the square of what is
        // added at once, and the history is one paragraph.
        TSnapshotView fastForward;
        SessionRecord.KeepSteps();
        for (int step = 1; step <= history; ++step) {
            const TRegister written = PreprocessorModel.Registers().PendingOutput;
            PreprocessorModel.Step(DataFiles, fastForward);
            SessionRecord.Record(fastForward.Shown, written, PreprocessorModel.EndOfData());
            if (step % 100 == 0) Form1->ShowHistory(PreprocessorModel.History());
        }
        ShowWindow(Form1->Handle(), SW_SHOWNORMAL);
        HandleWaitingMessages();

        const double step = MedianMilliseconds(Repetitions, DoStep);
        std::printf("%-17d %-17zu %-14.2f ", history, PreprocessorModel.History().size(), step);
        if (history <= LongestReplacedHistory) {
            const double replacement = MedianMilliseconds(ReplacementRepetitions, [] {
                DoStep();
                Form1->Memo1->SetText(PreprocessorModel.History());
            });
            std::printf("%-24.2f %-7s ", replacement,
                        (std::to_string(static_cast<int>(replacement / step)) + "x").c_str());
        } else {
            std::printf("%-24s %-7s ", "not timed", "");
        }
        // The same step with the timing diagram's window open beside.
        application.ShowDiagram();
        HandleWaitingMessages();
        const double withDiagram = MedianMilliseconds(Repetitions, DoStep);
        std::printf("%-14.2f %.2fx\n", withDiagram, withDiagram / step);
        std::fflush(stdout);
        DataFiles = TDataFiles{};
    }
    std::filesystem::current_path(folder.parent_path());
    std::filesystem::remove_all(folder);
}
