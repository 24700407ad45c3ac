#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DiagramPicture.h"
#include "SessionRecord.h"

// The timing diagram of a session: its signals step by step as a waveform viewer
// draws them, laid out here once for every toolkit, which paints the picture and
// hands back the user's keys, wheel and pointer. A row per register, named as the
// form names it; a bus shows a box per run of one value, with the value where it
// fits; the delay line is one row that opens into its eleven cells; the
// difference and the window sum may be drawn as lines on one scale. A cursor
// marks one step, whose values stand beside the names. Only the steps in view
// are visited, so the cost of a picture does not grow with the session.
class TTimingDiagram {
public:
    // The values a step shows are those of `record`, read afresh at every Update.
    explicit TTimingDiagram(const TSessionRecord& record);

    // --- Geometry -------------------------------------------------------------------
    static constexpr int NamesWidth = 150;    // the rows' names
    static constexpr int ValuesWidth = 88;    // their values at the cursor
    static constexpr int PlotLeft = NamesWidth + ValuesWidth;
    static constexpr int AxisHeight = 18;     // step numbers above the rows
    static constexpr int RowHeight = 20;      // a bus
    static constexpr int LineRowHeight = 72;  // a row drawn as a line
    static constexpr int FontHeight = 12;     // of every text, in pixels
    static constexpr std::uint64_t DefaultSpan = 64;  // steps in view once the session is longer
    static constexpr double MinStepWidth = 1, MaxStepWidth = 120;

    // The width of the area (at least the names, the values and a step).
    void SetWidth(int width);
    int Width() const { return Width_; }
    // How wide a digit (or a minus sign) is in the toolkit's font of FontHeight.
    void SetDigitWidth(double width) { DigitWidth_ = width; }

    // --- Following the session ---------------------------------------------------------
    // Takes in the steps recorded since; true if there are any.
    bool Update();
    std::uint64_t Recorded() const { return Recorded_; }

    // --- What is in view ----------------------------------------------------------------
    // Until the session is longer than DefaultSpan steps, it fits the width (a
    // step at most MaxStepWidth wide); then the last DefaultSpan are in view,
    // following each new step, until the user zooms.
    double StepWidth() const;
    std::uint64_t ShownSteps() const;  // how many steps fit
    std::uint64_t FirstShown() const;  // 0 when there is no step
    std::uint64_t LastShown() const { return Last_; }
    bool Following() const { return Following_; }
    std::uint64_t Cursor() const { return Cursor_; }  // 0 for none
    bool DelayLineOpen() const { return DelayLineOpen_; }
    bool Lines() const { return Lines_; }

    // --- What the user does ------------------------------------------------------------
    enum class TKey { Left, Right, Home, End, PageUp, PageDown, ZoomIn, ZoomOut, Toggle };
    // True if the key means something here (the toolkit then keeps it from others).
    bool Key(TKey key);
    // A turn of the wheel, in notches (120 of Qt's and Windows' units; one is an
    // eighth of the steps in view), down and right positive. Ctrl zooms; a
    // horizontal turn, or a vertical one with Shift, scrolls; a plain vertical
    // turn is not the diagram's (false): the window or page around it scrolls.
    bool Wheel(double right, double down, bool shift, bool ctrl);
    // The pointer, in pixels of the area. Dragged over the plot it scrolls it; a
    // press and release where it was is a click: on the delay line's name it
    // opens or closes the line, on the plot it moves the cursor there. True if
    // anything changed.
    bool PointerDown(double x, double y);
    bool PointerMove(double x);
    bool PointerUp(double x, double y);

    void ZoomIn() { Zoom(2); }
    void ZoomOut() { Zoom(0.5); }
    void ShowStep(std::uint64_t step);  // moves the cursor there, into view
    void ScrollBy(std::int64_t steps);
    void ScrollTo(std::uint64_t first);  // the first step in view
    void FollowLatest();
    void ToggleDelayLine() { DelayLineOpen_ = !DelayLineOpen_; }
    void SetLines(bool lines) { Lines_ = lines; }

    // --- What is drawn and said ---------------------------------------------------------
    // The picture as it stands; `picture` is reused, so a step allocates nothing.
    void Draw(TDiagramPicture& picture) const;
    int Height() const;
    // "шаги 1–16 из 16", or that there is none yet.
    std::string SpanText() const;
    // The cursor's step and every value at it, for a screen reader to announce.
    std::string CursorText() const;

    // The text alternative: a row per step in view (FirstShown to LastShown), a
    // column for the step and one per signal. Empty for a step not yet recorded.
    static constexpr std::array<const char*, 18> Columns = {
        "Шаг",          "Y1 уменьшаемое", "Y1 вычитаемое", "Y2 разность",  "Y3 ячейка 1",
        "Y3 ячейка 2",  "Y3 ячейка 3",    "Y3 ячейка 4",   "Y3 ячейка 5",  "Y3 ячейка 6",
        "Y3 ячейка 7",  "Y3 ячейка 8",    "Y3 ячейка 9",   "Y3 ячейка 10", "Y3 ячейка 11",
        "Y3 сумма окна", "ODB вывод",     "Конец данных"};
    std::string Cell(std::uint64_t step, std::size_t column) const;

private:
    struct TRow;
    struct TRows;
    TRows Rows() const;
    void Zoom(double factor);
    double X(std::uint64_t step) const;
    std::uint64_t StepAt(double x) const;
    void DrawRow(TDiagramPicture& picture, const TRow& row, float top, double low,
                 double high) const;

    const TSessionRecord& Record_;
    int Width_ = 976;
    double DigitWidth_ = 7;
    std::uint64_t Recorded_ = 0;
    std::uint64_t Last_ = 0;      // the last step in view
    bool Following_ = true;       // the latest step stays in view
    bool Fitting_ = true;         // the user has not zoomed yet
    double ChosenStepWidth_ = 0;  // once the user has zoomed
    std::uint64_t Cursor_ = 0;
    bool DelayLineOpen_ = false;
    bool Lines_ = false;
    // A press on the plot: where, and how far it has dragged the view so far.
    bool Pressed_ = false, Dragged_ = false;
    double PressX_ = 0, PressY_ = 0, DraggedSteps_ = 0;
};
