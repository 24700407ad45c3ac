// The timing diagram's layout, as a toolkit asks for it after the user scrolls or
// zooms, on sessions of 10^2, 10^5 and 10^7 steps: its cost must follow what is in
// view, not the session's length. Random six-digit registers, so every bus
// changes at every step (the most boxes and texts a view can hold).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

#include "Comparison.h"
#include "SessionRecord.h"
#include "TimingDiagram.h"

namespace {

constexpr std::int64_t Sessions[] = {100, 100'000, 10'000'000};

// A session of `steps` recorded steps, kept for the benchmarks that ask for it.
const TSessionRecord& Session(std::int64_t steps) {
    static std::map<std::int64_t, std::unique_ptr<TSessionRecord>> sessions;
    auto& session = sessions[steps];
    if (!session) {
        session = std::make_unique<TSessionRecord>();
        session->KeepSteps();
        std::mt19937 random(static_cast<std::uint32_t>(steps));
        std::uniform_int_distribution<TRegister> value(-999'999, 999'999);
        TStepSnapshot shown;
        for (std::int64_t step = 0; step < steps; ++step) {
            shown.Minuend = value(random);
            shown.Subtrahend = value(random);
            for (TRegister& cell : shown.DelayLine) cell = value(random);
            shown.Difference = value(random);
            shown.WindowSum = value(random);
            session->Record(shown, value(random), false);
        }
    }
    return *session;
}

// Back and forth by an eighth of the view (the wheel's notch), drawn each time.
void BM_ScrollAndDraw(benchmark::State& state) {
    TTimingDiagram diagram(Session(state.range(0)));
    diagram.Update();
    TDiagramPicture picture;
    std::int64_t direction = -8;
    for (auto _ : state) {
        diagram.ScrollBy(direction);
        direction = -direction;
        diagram.Draw(picture);
        benchmark::DoNotOptimize(picture.Paths.data());
    }
}

// In and out over the whole range, a step at a time, drawn each time; at 10^2
// steps the widest view holds the session, at 10^7 it holds 738 steps.
void BM_ZoomAndDraw(benchmark::State& state) {
    TTimingDiagram diagram(Session(state.range(0)));
    diagram.Update();
    TDiagramPicture picture;
    int zoom = 0;
    for (auto _ : state) {
        if (++zoom % 16 < 8) diagram.ZoomOut();
        else diagram.ZoomIn();
        diagram.Draw(picture);
        benchmark::DoNotOptimize(picture.Paths.data());
    }
}

BENCHMARK(BM_ScrollAndDraw)->ArgsProduct({{Sessions[0], Sessions[1], Sessions[2]}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZoomAndDraw)->ArgsProduct({{Sessions[0], Sessions[1], Sessions[2]}})->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TComparingReporter reporter;
    for (const char* benchmark : {"BM_ScrollAndDraw", "BM_ZoomAndDraw"}) {
        const std::string name = benchmark;
        reporter.Compare(name + ", 10^7 steps over 10^2 (flatness)", name + "/100",
                         name + "/10000000");
        reporter.Compare(name + ", 10^7 steps over 10^5", name + "/100000", name + "/10000000");
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
