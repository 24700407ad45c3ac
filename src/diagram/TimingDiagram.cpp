#include "TimingDiagram.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// The record's signals, as RecordedRegisterNames orders them, and the latch.
constexpr int Minuend = 0, Subtrahend = 1, FirstCell = 2, Difference = 13, WindowSum = 14,
              Written = 15, EndOfData = 16;
constexpr int Cells = static_cast<int>(DelayLineCells);

const char* const CellNames[Cells] = {
    "ячейка 1", "ячейка 2", "ячейка 3", "ячейка 4", "ячейка 5",  "ячейка 6",
    "ячейка 7", "ячейка 8", "ячейка 9", "ячейка 10", "ячейка 11"};

// The columns of the text alternative after the step's, by signal.
constexpr std::array<int, TSessionRecord::Signals + 1> ColumnSignals = {
    Minuend, Subtrahend, Difference, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, WindowSum, Written,
    EndOfData};

void AppendNumber(std::string& text, std::uint64_t number) {
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

// A step number every so many steps, a round number of them, at least 40
// pixels apart.
std::uint64_t AxisEvery(double stepWidth) {
    const double wanted = 40 / stepWidth;
    for (std::uint64_t every = 1;; every *= 10) {
        for (const std::uint64_t times : {1, 2, 5})
            if (static_cast<double>(every * times) >= wanted) return every * times;
    }
}

}  // namespace

// A row of the diagram: one signal as a bus, a line or a level, or the delay
// line's cells together.
struct TTimingDiagram::TRow {
    enum TKind { Bus, Group, Level, Line };
    const char* Name;
    int Signal;  // the group: its first cell
    TKind Kind;
    TInk LineInk = TInk::Bus;
    int Indent = 0;

    int Height() const { return Kind == Line ? LineRowHeight : RowHeight; }
};

// The rows in view, from top to bottom.
struct TTimingDiagram::TRows {
    std::array<TRow, 7 + DelayLineCells> Row;
    std::size_t Count = 0;

    void Add(const TRow& row) { Row[Count++] = row; }
    const TRow* begin() const { return Row.data(); }
    const TRow* end() const { return Row.data() + Count; }
};

TTimingDiagram::TTimingDiagram(const TSessionRecord& record) : Record_(record) {}

void TTimingDiagram::SetWidth(int width) {
    Width_ = std::max(width, PlotLeft + 8);
    Last_ = std::clamp(Last_, std::min(ShownSteps(), Recorded_), Recorded_);
}

bool TTimingDiagram::Update() {
    const std::uint64_t steps = Record_.Steps();
    if (steps == Recorded_) return false;
    Recorded_ = steps;
    if (Following_) Last_ = Recorded_;
    Last_ = std::clamp(Last_, std::min(ShownSteps(), Recorded_), Recorded_);
    return true;
}

double TTimingDiagram::StepWidth() const {
    if (!Fitting_) return ChosenStepWidth_;
    const std::uint64_t span = std::clamp<std::uint64_t>(Recorded_, 1, DefaultSpan);
    return std::clamp((Width_ - PlotLeft) / static_cast<double>(span), MinStepWidth, MaxStepWidth);
}

std::uint64_t TTimingDiagram::ShownSteps() const {
    return std::max<std::uint64_t>(
        1, static_cast<std::uint64_t>(std::floor((Width_ - PlotLeft) / StepWidth() + 1e-9)));
}

std::uint64_t TTimingDiagram::FirstShown() const {
    if (Last_ == 0) return 0;
    const std::uint64_t shown = ShownSteps();
    return Last_ > shown ? Last_ - shown + 1 : 1;
}

double TTimingDiagram::X(std::uint64_t step) const {
    return PlotLeft + static_cast<double>(step - FirstShown()) * StepWidth();
}

std::uint64_t TTimingDiagram::StepAt(double x) const {
    const double steps = std::floor((x - PlotLeft) / StepWidth());
    return std::min(Last_, FirstShown() + static_cast<std::uint64_t>(std::max(0.0, steps)));
}

// --- What the user does ------------------------------------------------------------

void TTimingDiagram::Zoom(double factor) {
    ChosenStepWidth_ = std::clamp(StepWidth() * factor, MinStepWidth, MaxStepWidth);
    Fitting_ = false;
    const std::uint64_t shown = ShownSteps();
    if (Cursor_ && (Cursor_ < FirstShown() || Cursor_ > Last_))
        Last_ = Cursor_ + shown / 2;  // the cursor stays in view
    if (Following_) Last_ = Recorded_;
    Last_ = std::clamp(Last_, std::min(shown, Recorded_), Recorded_);
    Following_ = Last_ == Recorded_;
}

void TTimingDiagram::ShowStep(std::uint64_t step) {
    if (Recorded_ == 0) return;
    Cursor_ = std::clamp<std::uint64_t>(step, 1, Recorded_);
    if (Cursor_ > Last_) Last_ = Cursor_;
    if (Cursor_ < FirstShown()) Last_ = std::min(Recorded_, Cursor_ + ShownSteps() - 1);
    Following_ = Last_ == Recorded_;
}

void TTimingDiagram::ScrollBy(std::int64_t steps) {
    const std::uint64_t lowest = std::min(ShownSteps(), Recorded_);
    if (steps < 0) {
        const auto back = static_cast<std::uint64_t>(-steps);
        Last_ = Last_ > lowest + back ? Last_ - back : lowest;
    } else {
        Last_ = std::min(Recorded_, Last_ + static_cast<std::uint64_t>(steps));
    }
    Following_ = Last_ == Recorded_;
}

void TTimingDiagram::ScrollTo(std::uint64_t first) {
    const std::uint64_t shown = ShownSteps();
    Last_ = std::clamp(std::max<std::uint64_t>(first, 1) + shown - 1, std::min(shown, Recorded_),
                       Recorded_);
    Following_ = Last_ == Recorded_;
}

void TTimingDiagram::FollowLatest() {
    Following_ = true;
    Last_ = Recorded_;
}

bool TTimingDiagram::Key(TKey key) {
    const std::uint64_t from = Cursor_ ? Cursor_ : Recorded_;
    const auto page = static_cast<std::int64_t>(ShownSteps());
    switch (key) {
        case TKey::Left:
            ShowStep(from > 1 ? from - 1 : 1);
            break;
        case TKey::Right:
            ShowStep(from + 1);
            break;
        case TKey::Home:
            ShowStep(1);
            break;
        case TKey::End:
            ShowStep(Recorded_);
            break;
        case TKey::PageUp:
            ScrollBy(-page);
            break;
        case TKey::PageDown:
            ScrollBy(page);
            break;
        case TKey::ZoomIn:
            ZoomIn();
            break;
        case TKey::ZoomOut:
            ZoomOut();
            break;
        case TKey::Toggle:
            ToggleDelayLine();
            break;
    }
    return true;
}

bool TTimingDiagram::Wheel(double right, double down, bool shift, bool ctrl) {
    if (ctrl && down != 0) {
        Zoom(down < 0 ? 2 : 0.5);
        return true;
    }
    const double across = right != 0 ? right : shift ? down : 0;
    if (across == 0) return false;
    const double notch = std::max(1.0, static_cast<double>(ShownSteps()) / 8);
    const double steps = across * notch;
    ScrollBy(static_cast<std::int64_t>(std::abs(steps) < 1 ? std::copysign(1.0, steps)
                                                           : std::round(steps)));
    return true;
}

bool TTimingDiagram::PointerDown(double x, double y) {
    Pressed_ = true;
    Dragged_ = false;
    PressX_ = x;
    PressY_ = y;
    DraggedSteps_ = 0;
    return false;
}

// The steps follow the pointer: dragged to the right, earlier steps come into view.
bool TTimingDiagram::PointerMove(double x) {
    if (!Pressed_ || (!Dragged_ && std::abs(x - PressX_) < 4)) return false;
    Dragged_ = true;
    const double steps = std::trunc(-(x - PressX_) / StepWidth() - DraggedSteps_);
    if (steps == 0) return false;
    ScrollBy(static_cast<std::int64_t>(steps));
    DraggedSteps_ += steps;
    return true;
}

bool TTimingDiagram::PointerUp(double x, double y) {
    if (!Pressed_) return false;
    Pressed_ = false;
    if (Dragged_) return false;
    if (x < NamesWidth) {
        double top = AxisHeight;
        for (const TRow& row : Rows()) {
            if (y >= top && y < top + row.Height()) {
                if (row.Kind != TRow::Group) return false;
                ToggleDelayLine();
                return true;
            }
            top += row.Height();
        }
        return false;
    }
    if (x < PlotLeft || Recorded_ == 0) return false;
    ShowStep(StepAt(x));
    return true;
}

// --- What is drawn -------------------------------------------------------------------

TTimingDiagram::TRows TTimingDiagram::Rows() const {
    const TRow::TKind lineOrBus = Lines_ ? TRow::Line : TRow::Bus;
    TRows rows;
    rows.Add({"Y1 уменьшаемое", Minuend, TRow::Bus});
    rows.Add({"Y1 вычитаемое", Subtrahend, TRow::Bus});
    rows.Add({"Y2 разность", Difference, lineOrBus, TInk::Difference});
    rows.Add({"Y3 линия задержки", FirstCell, TRow::Group});
    for (int cell = 0; DelayLineOpen_ && cell < Cells; ++cell)
        rows.Add({CellNames[cell], FirstCell + cell, TRow::Bus, TInk::Bus, 12});
    rows.Add({"Y3 сумма окна", WindowSum, lineOrBus, TInk::WindowSum});
    rows.Add({"ODB вывод", Written, TRow::Bus});
    rows.Add({"Конец данных", EndOfData, TRow::Level});
    return rows;
}

int TTimingDiagram::Height() const {
    int height = AxisHeight;
    for (const TRow& row : Rows()) height += row.Height();
    return height;
}

namespace {

// What the picture is drawn from: the record's values, the latch as 0 or 1.
struct TValues {
    const TSessionRecord& Record;

    std::int64_t operator()(std::uint64_t step, int signal) const {
        if (signal == EndOfData) {
            const std::uint64_t from = Record.EndOfDataStep();
            return from != 0 && step >= from ? 1 : 0;
        }
        return Record.Value(step, static_cast<std::size_t>(signal));
    }
    // Whether a row shows the same at two steps: for the delay line, every cell.
    bool Same(std::uint64_t a, std::uint64_t b, int signal, bool group) const {
        for (int cell = 0; cell < (group ? Cells : 1); ++cell)
            if ((*this)(a, signal + cell) != (*this)(b, signal + cell)) return false;
        return true;
    }
    // The decimal form of what a row shows at a step: the delay line's cells
    // one after another.
    void AppendText(std::string& text, std::uint64_t step, int signal, bool group) const {
        for (int cell = 0; cell < (group ? Cells : 1); ++cell) {
            if (cell) text += ' ';
            AppendDecimal(text, static_cast<TRegister>((*this)(step, signal + cell)));
        }
    }
};

class TPen {
public:
    explicit TPen(TDiagramPicture& picture) : Picture_(picture) {}

    void Path(TInk ink, std::initializer_list<TDiagramPoint> points, bool closed = false,
              std::uint8_t width = 1) {
        Begin();
        for (const TDiagramPoint& point : points) To(point.X, point.Y);
        End(ink, closed, width);
    }
    void Begin() { First_ = static_cast<std::uint32_t>(Picture_.Points.size()); }
    void To(double x, double y) {
        Picture_.Points.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
    void End(TInk ink, bool closed = false, std::uint8_t width = 1) {
        const auto count = static_cast<std::uint32_t>(Picture_.Points.size()) - First_;
        if (count > 1) Picture_.Paths.push_back({ink, closed, width, First_, count});
        else Picture_.Points.resize(First_);
    }
    void Box(TInk ink, double left, double top, double width, double height) {
        Picture_.Boxes.push_back({ink, static_cast<float>(left), static_cast<float>(top),
                                  static_cast<float>(width), static_cast<float>(height)});
    }
    void Text(TInk ink, double x, double y, std::string_view text) {
        Picture_.Characters += text;
        EndText(ink, x, y);
    }
    // A text made by appending to Characters, then placed.
    std::string& Characters() {
        TextFirst_ = static_cast<std::uint32_t>(Picture_.Characters.size());
        return Picture_.Characters;
    }
    std::size_t TextLength() const { return Picture_.Characters.size() - TextFirst_; }
    void EndText(TInk ink, double x, double y, bool centered = false) {
        const auto length = static_cast<std::uint32_t>(Picture_.Characters.size()) - TextFirst_;
        Picture_.Texts.push_back({ink, centered, static_cast<float>(x), static_cast<float>(y),
                                  TextFirst_, length});
        TextFirst_ = static_cast<std::uint32_t>(Picture_.Characters.size());
    }
    void DropText() { Picture_.Characters.resize(TextFirst_); }

private:
    TDiagramPicture& Picture_;
    std::uint32_t First_ = 0;
    std::uint32_t TextFirst_ = 0;
};

}  // namespace

void TTimingDiagram::Draw(TDiagramPicture& picture) const {
    picture.Clear();
    picture.Width = Width_;
    picture.Height = Height();
    TPen pen(picture);
    const TValues values{Record_};
    const std::uint64_t first = FirstShown();
    const double stepWidth = StepWidth();
    const float height = static_cast<float>(picture.Height);

    // The step numbers and the grid, and the lines between names, values and plot.
    pen.Path(TInk::Grid, {{NamesWidth - 0.5f, 0}, {NamesWidth - 0.5f, height}});
    pen.Path(TInk::Grid, {{PlotLeft - 0.5f, 0}, {PlotLeft - 0.5f, height}});
    pen.Path(TInk::Grid, {{0, AxisHeight - 0.5f}, {static_cast<float>(Width_), AxisHeight - 0.5f}});
    const std::uint64_t every = AxisEvery(stepWidth);
    for (std::uint64_t step = first; first && step <= Last_; ++step) {
        if (step % every) continue;
        const auto x = static_cast<float>(std::floor(X(step)) + 0.5);
        pen.Path(TInk::Grid, {{x, AxisHeight - 4.0f}, {x, height}});
        AppendNumber(pen.Characters(), step);
        pen.EndText(TInk::Text, x + 2, AxisHeight / 2.0);
    }

    // The difference and the window sum, when drawn as lines, share one scale.
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const TRow& row : Rows()) {
        if (row.Kind != TRow::Line) continue;
        for (std::uint64_t step = first; first && step <= Last_; ++step) {
            const auto value = static_cast<double>(values(step, row.Signal));
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }

    double top = AxisHeight;
    const bool cursorShown = Cursor_ && Cursor_ >= first && Cursor_ <= Last_;
    for (const TRow& row : Rows()) {
        const double middle = top + row.Height() / 2.0;
        pen.Characters();
        pen.Text(TInk::Text, 4 + row.Indent, middle, row.Name);
        if (row.Kind == TRow::Group) {
            // A triangle, drawn rather than written (not every face has one): to
            // the right while the line is closed, down once it is open.
            const auto x = static_cast<float>(NamesWidth - 14), y = static_cast<float>(middle);
            if (DelayLineOpen_) pen.Path(TInk::Text, {{x - 1, y - 3}, {x + 7, y - 3}, {x + 3, y + 2}}, true);
            else pen.Path(TInk::Text, {{x, y - 4}, {x + 5, y}, {x, y + 4}}, true);
        }
        if (Cursor_ && Cursor_ <= Recorded_ && row.Kind != TRow::Group) {
            values.AppendText(pen.Characters(), Cursor_, row.Signal, false);
            pen.EndText(TInk::Text, NamesWidth + 4, middle);
        }
        if (first) DrawRow(picture, row, static_cast<float>(top), low, high);
        top += row.Height();
    }
    if (cursorShown) {
        const auto x = static_cast<float>(X(Cursor_) + stepWidth / 2);
        pen.Path(TInk::Cursor, {{x, 0}, {x, height}});
    }
}

void TTimingDiagram::DrawRow(TDiagramPicture& picture, const TRow& row, float top, double low,
                             double high) const {
    TPen pen(picture);
    const TValues values{Record_};
    const std::uint64_t first = FirstShown();
    const bool group = row.Kind == TRow::Group;
    const double high0 = top + 3, low0 = top + row.Height() - 3, middle = top + row.Height() / 2.0;

    if (row.Kind == TRow::Level || row.Kind == TRow::Line) {
        // A level, high for 1; or a line on the scale the lines share.
        const double span = high - low;
        const auto y = [&](std::uint64_t step) {
            const auto value = static_cast<double>(values(step, row.Signal));
            if (row.Kind == TRow::Level) return value ? high0 : low0;
            return low0 - (span > 0 ? (value - low) / span : 0.5) * (low0 - high0);
        };
        pen.Begin();
        double previous = y(first);
        pen.To(X(first), previous);
        for (std::uint64_t step = first + 1; step <= Last_; ++step) {
            const double at = y(step);
            if (at == previous) continue;
            pen.To(X(step), previous);
            pen.To(X(step), at);
            previous = at;
        }
        pen.To(X(Last_ + 1), previous);
        pen.End(row.Kind == TRow::Level ? TInk::Bus : row.LineInk, false,
                row.Kind == TRow::Line ? 2 : 1);
        return;
    }

    // A bus: a box for each run of one value, its value inside where it fits.
    // Runs too narrow for a box of their own become one band.
    double denseFrom = -1, denseTo = -1;
    const auto flushDense = [&] {
        if (denseFrom < 0) return;
        pen.Box(TInk::Dense, denseFrom, high0, denseTo - denseFrom, low0 - high0);
        denseFrom = -1;
    };
    std::uint64_t start = first;
    for (std::uint64_t step = first + 1; step <= Last_ + 1; ++step) {
        if (step <= Last_ && values.Same(step, start, row.Signal, group)) continue;
        const double a = X(start), b = X(step);
        if (b - a < 4) {
            if (denseFrom < 0) denseFrom = a;
            denseTo = b;
        } else {
            flushDense();
            const double slant = std::min(3.0, (b - a) / 2);
            pen.Path(TInk::Bus,
                     {{static_cast<float>(a), static_cast<float>(middle)},
                      {static_cast<float>(a + slant), static_cast<float>(high0)},
                      {static_cast<float>(b - slant), static_cast<float>(high0)},
                      {static_cast<float>(b), static_cast<float>(middle)},
                      {static_cast<float>(b - slant), static_cast<float>(low0)},
                      {static_cast<float>(a + slant), static_cast<float>(low0)}},
                     true);
            values.AppendText(pen.Characters(), start, row.Signal, group);
            if (static_cast<double>(pen.TextLength()) * DigitWidth_ < b - a - 2 * slant - 2)
                pen.EndText(TInk::Text, (a + b) / 2, middle, true);
            else
                pen.DropText();
        }
        start = step;
    }
    flushDense();
}

// --- What is said --------------------------------------------------------------------

std::string TTimingDiagram::SpanText() const {
    if (Recorded_ == 0) return "шагов ещё нет";
    std::string text = "шаги ";
    AppendNumber(text, FirstShown());
    text += "–";
    AppendNumber(text, Last_);
    text += " из ";
    AppendNumber(text, Recorded_);
    return text;
}

std::string TTimingDiagram::Cell(std::uint64_t step, std::size_t column) const {
    std::string text;
    if (step == 0 || step > Recorded_ || column >= Columns.size()) return text;
    if (column == 0) AppendNumber(text, step);
    else TValues{Record_}.AppendText(text, step, ColumnSignals[column - 1], false);
    return text;
}

std::string TTimingDiagram::CursorText() const {
    if (!Cursor_ || Cursor_ > Recorded_) return "Курсор: щёлкните по диаграмме или нажмите стрелку.";
    std::string text = "Шаг ";
    AppendNumber(text, Cursor_);
    text += ':';
    for (std::size_t column = 1; column < Columns.size(); ++column) {
        text += column == 1 ? " " : ", ";
        text += Columns[column];
        text += ' ';
        text += Cell(Cursor_, column);
    }
    return text;
}
