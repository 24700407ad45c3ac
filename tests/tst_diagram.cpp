// The timing diagram laid out from a window's record, against the batch
// runner's trace and dump of the same input: no toolkit, no painting.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>

#include "BatchRun.h"
#include "DataFiles.h"
#include "PreprocessorModel.h"
#include "SessionRecord.h"
#include "TestSupport.h"
#include "TimingDiagram.h"

namespace {

// The diagram's columns, as the runner's trace names them.
const std::map<std::string, std::string> TraceColumn = {
    {"Y1 уменьшаемое", "Minuend"}, {"Y1 вычитаемое", "Subtrahend"},
    {"Y2 разность", "Difference"}, {"Y3 сумма окна", "WindowSum"},
    {"ODB вывод", "Written"},
    {"Y3 ячейка 1", "DelayLine0"}, {"Y3 ячейка 2", "DelayLine1"}, {"Y3 ячейка 3", "DelayLine2"},
    {"Y3 ячейка 4", "DelayLine3"}, {"Y3 ячейка 5", "DelayLine4"}, {"Y3 ячейка 6", "DelayLine5"},
    {"Y3 ячейка 7", "DelayLine6"}, {"Y3 ячейка 8", "DelayLine7"}, {"Y3 ячейка 9", "DelayLine8"},
    {"Y3 ячейка 10", "DelayLine9"}, {"Y3 ячейка 11", "DelayLine10"}};

// A session of `steps` steps on `input`, recorded as a window records it, and
// what the runner traces and dumps for the same input: each step's values by
// the trace's column names, the latch from the dump.
class DiagramTest : public ::testing::Test {
protected:
    void Run(const std::string& input, int steps) {
        WriteTextFile("input.txt", input);
        TBatchOptions options;
        options.Steps = static_cast<std::uint64_t>(steps);
        options.Output = "batch-output.txt";
        options.Trace = "trace.csv";
        options.Vcd = "batch.vcd";
        ASSERT_EQ(RunBatch(options).ExitCode, 0);
        std::istringstream rows(ReadTextFile("trace.csv"));
        std::string line, field;
        std::getline(rows, line);
        std::vector<std::string> header;
        for (std::istringstream names(line); std::getline(names, field, ',');) header.push_back(field);
        Trace = {{}};
        while (std::getline(rows, line)) {
            std::istringstream fields(line);
            auto& row = Trace.emplace_back();
            for (const std::string& name : header) std::getline(fields, row[name], ',');
        }
        // The latch is the dump's one-bit signal, "1" when set.
        const std::string dump = ReadTextFile("batch.vcd");
        const auto set = dump.find("\n11\n");
        const auto time = dump.rfind("\n#", set) + 2;
        const int from = set == std::string::npos ? steps + 1 : std::stoi(dump.substr(time));
        for (int step = 1; step <= steps; ++step) Trace[step]["Конец данных"] = step >= from ? "1" : "0";

        TDataFiles files;
        ASSERT_EQ(files.Open(), drOk);
        TPreprocessorModel model;
        struct TShown {
            void ShowSnapshot(const TStepSnapshot& snapshot) { Snapshot = snapshot; }
            TStepSnapshot Snapshot;
        } shown;
        Record.KeepSteps();
        for (int step = 0; step < steps; ++step) {
            const TRegister written = model.Registers().PendingOutput;
            model.Step(files, shown);
            Record.Record(shown.Snapshot, written, model.EndOfData());
        }
        Diagram.Update();
    }

    std::string Expected(std::uint64_t step, const std::string& column) {
        const auto name = TraceColumn.find(column);
        return Trace[step][name == TraceColumn.end() ? column : name->second];
    }

    // The texts drawn between two heights whose middle lies between two places.
    std::vector<std::string> TextsIn(float top, float bottom, float left = 0, float right = 1e9) {
        std::vector<std::string> found;
        for (const auto& text : Picture.Texts)
            if (text.Y > top && text.Y < bottom && text.X >= left && text.X < right)
                found.emplace_back(Picture.TextOf(text));
        return found;
    }

    TScratchDirectory Scratch;
    std::vector<std::map<std::string, std::string>> Trace;  // [step][column]
    TSessionRecord Record;
    TTimingDiagram Diagram{Record};
    TDiagramPicture Picture;
};

constexpr float Axis = TTimingDiagram::AxisHeight, Row = TTimingDiagram::RowHeight;

// The first look at the worked example: its 16 steps fill the width, each run of
// a value a box with the value in it; the cursor shows a step's values beside
// the names and in what a screen reader is told; the text alternative is the trace.
TEST_F(DiagramTest, TheWorkedExampleReadsAsTheTrace) {
    Run(std::string(WorkedExampleInput), 16);
    EXPECT_EQ(Diagram.FirstShown(), 1u);
    EXPECT_EQ(Diagram.LastShown(), 16u);
    EXPECT_EQ(Diagram.SpanText(), "шаги 1–16 из 16");
    Diagram.Draw(Picture);
    // Row by row (the delay line closed): its values as runs, in order, in view.
    const std::vector<std::string> rows = {"Y1 уменьшаемое", "Y1 вычитаемое", "Y2 разность"};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::vector<std::string> runs;
        for (std::uint64_t step = 1; step <= 16; ++step)
            if (step == 1 || Expected(step, rows[row]) != Expected(step - 1, rows[row]))
                runs.push_back(Expected(step, rows[row]));
        const float top = Axis + row * Row;
        EXPECT_EQ(TextsIn(top, top + Row, TTimingDiagram::PlotLeft), runs) << rows[row];
    }

    Diagram.ShowStep(5);
    Diagram.Draw(Picture);
    const auto& columns = TTimingDiagram::Columns;
    std::string said = "Шаг 5:";
    for (std::size_t column = 1; column < columns.size(); ++column)
        said += std::string(column == 1 ? " " : ", ") + columns[column] + ' ' + Expected(5, columns[column]);
    EXPECT_EQ(Diagram.CursorText(), said);
    const auto beside = TextsIn(Axis, 1e9, TTimingDiagram::NamesWidth, TTimingDiagram::PlotLeft);
    EXPECT_EQ(beside, (std::vector<std::string>{Expected(5, "Minuend"), Expected(5, "Subtrahend"),
                                                Expected(5, "Difference"), Expected(5, "WindowSum"),
                                                Expected(5, "Written"), "1"}));

    for (std::uint64_t step = Diagram.FirstShown(); step <= Diagram.LastShown(); ++step) {
        EXPECT_EQ(Diagram.Cell(step, 0), std::to_string(step));
        for (std::size_t column = 1; column < columns.size(); ++column)
            ASSERT_EQ(Diagram.Cell(step, column), Expected(step, columns[column]))
                << columns[column] << " at " << step;
    }
}

// A long session: the default span follows the latest step; zoom, scroll, keys,
// wheel and a drag move the view over the whole session; a click on the delay
// line's name opens it, on the plot moves the cursor there.
TEST_F(DiagramTest, MovingAboutALongSession) {
    std::mt19937 random(3);
    std::string input;
    for (int i = 0; i < 3000; ++i) input += std::to_string(random() % 2001) + ' ';
    Run(input, 1000);
    const std::uint64_t span = TTimingDiagram::DefaultSpan;
    EXPECT_EQ(Diagram.ShownSteps(), span);
    EXPECT_EQ(Diagram.FirstShown(), 1000 - span + 1);

    EXPECT_FALSE(Diagram.Wheel(0, 1, false, false)) << "a plain vertical turn is the window's";
    EXPECT_TRUE(Diagram.Wheel(0, -1, true, false));  // Shift: back an eighth of the view
    EXPECT_EQ(Diagram.LastShown(), 1000 - span / 8);
    EXPECT_FALSE(Diagram.Following());
    EXPECT_TRUE(Diagram.Wheel(0, -1, false, true));  // Ctrl: zoom in
    EXPECT_EQ(Diagram.ShownSteps(), span / 2);

    EXPECT_TRUE(Diagram.Key(TTimingDiagram::TKey::Home));
    EXPECT_EQ(Diagram.FirstShown(), 1u);
    EXPECT_EQ(Diagram.Cursor(), 1u);
    Diagram.Key(TTimingDiagram::TKey::PageDown);
    EXPECT_EQ(Diagram.FirstShown(), span / 2 + 1);

    // Dragged ten steps to the right, the ten steps before come into view.
    const double x = 600, stepWidth = Diagram.StepWidth();
    Diagram.PointerDown(x, 40);
    Diagram.PointerMove(x + 10 * stepWidth + 1);
    EXPECT_FALSE(Diagram.PointerUp(x + 10 * stepWidth + 1, 40));
    EXPECT_EQ(Diagram.FirstShown(), span / 2 + 1 - 10);

    // A click on the plot: the cursor at the step under the pointer.
    const std::uint64_t under = Diagram.FirstShown() + 7;
    Diagram.PointerDown(TTimingDiagram::PlotLeft + 7.5 * stepWidth, 40);
    EXPECT_TRUE(Diagram.PointerUp(TTimingDiagram::PlotLeft + 7.5 * stepWidth, 40));
    EXPECT_EQ(Diagram.Cursor(), under);
    const int closed = Diagram.Height();
    Diagram.PointerDown(20, Axis + 3.5 * Row);  // the delay line's name
    EXPECT_TRUE(Diagram.PointerUp(20, Axis + 3.5 * Row));
    EXPECT_EQ(Diagram.Height(), closed + 11 * Row);

    Diagram.Key(TTimingDiagram::TKey::End);
    EXPECT_TRUE(Diagram.Following());
    EXPECT_EQ(Diagram.LastShown(), 1000u);
    for (int i = 0; i < 20; ++i) Diagram.ZoomOut();
    EXPECT_EQ(Diagram.StepWidth(), TTimingDiagram::MinStepWidth);
    // However far out, the picture has no more marks a row than the width has pixels.
    Diagram.Draw(Picture);
    EXPECT_LT(Picture.Paths.size() + Picture.Boxes.size(), 20u * 976 / 4);
    for (int i = 0; i < 20; ++i) Diagram.ZoomIn();
    EXPECT_EQ(Diagram.StepWidth(), TTimingDiagram::MaxStepWidth);
}

// The difference and the window sum as lines share one scale: the highest value
// in view (100, which both reach) at the top of each one's row, the lowest (the
// difference's -50) at the bottom of the difference's; the window sum's lowest,
// -20 once the 100 has left its window, a fifth of the way up its row.
TEST_F(DiagramTest, LinesShareOneScale) {
    Run("100 0 -50 0 0 0 30 0 -999 0", 16);
    Diagram.SetLines(true);
    Diagram.Draw(Picture);
    std::map<TInk, std::pair<float, float>> reach;  // the highest and lowest point of each
    for (const auto& path : Picture.Paths) {
        if (path.Ink != TInk::Difference && path.Ink != TInk::WindowSum) continue;
        auto& [top, bottom] = reach.try_emplace(path.Ink, 1e9f, 0.0f).first->second;
        for (std::uint32_t i = path.First; i < path.First + path.Count; ++i) {
            top = std::min(top, Picture.Points[i].Y);
            bottom = std::max(bottom, Picture.Points[i].Y);
        }
    }
    const float line = TTimingDiagram::LineRowHeight;
    const float difference = Axis + 2 * Row, windowSum = Axis + 3 * Row + line;
    EXPECT_FLOAT_EQ(reach[TInk::Difference].first, difference + 3);
    EXPECT_FLOAT_EQ(reach[TInk::Difference].second, difference + line - 3);
    EXPECT_FLOAT_EQ(reach[TInk::WindowSum].first, windowSum + 3);
    EXPECT_FLOAT_EQ(reach[TInk::WindowSum].second, windowSum + line - 3 - (line - 6) / 5);
}

// Before the first step: the rows' names and nothing else.
TEST_F(DiagramTest, NoStepYet) {
    Diagram.Update();
    Diagram.Draw(Picture);
    std::vector<std::string> texts;
    for (const auto& text : Picture.Texts) texts.emplace_back(Picture.TextOf(text));
    EXPECT_EQ(texts, (std::vector<std::string>{"Y1 уменьшаемое", "Y1 вычитаемое", "Y2 разность",
                                               "Y3 линия задержки", "Y3 сумма окна", "ODB вывод",
                                               "Конец данных"}));
    EXPECT_TRUE(Picture.Boxes.empty());
    EXPECT_EQ(Diagram.SpanText(), "шагов ещё нет");
    EXPECT_TRUE(Diagram.Key(TTimingDiagram::TKey::Right));
    EXPECT_EQ(Diagram.Cursor(), 0u);
}

}  // namespace
