#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <string>

#include "DataFiles.h"
#include "Register.h"

inline constexpr std::size_t DelayLineCells = 11;

// The register values a step publishes, in the order of the window's value labels.
struct TStepSnapshot {
    static constexpr std::size_t Count = 4 + DelayLineCells;

    TRegister Minuend = 0;
    TRegister Subtrahend = 0;
    std::array<TRegister, DelayLineCells> DelayLine{};
    TRegister Difference = 0;
    TRegister WindowSum = 0;

    // Minuend, Subtrahend, DelayLine[0..10], Difference, WindowSum.
    std::array<TRegister, Count> Values() const;

    bool operator==(const TStepSnapshot&) const = default;
};

// What the model publishes to, once each per step and in this order: the
// snapshot, and the history to a view that shows it.
template <class TView>
concept PreprocessorView = requires(TView view, const TStepSnapshot& snapshot) {
    view.ShowSnapshot(snapshot);
};

// A view that shows the history too. The model collects the history only for
// such views: without one (the batch runner) memory stays flat however long the
// run, and the step touches no text.
template <class TView>
concept HistoryView = PreprocessorView<TView> && requires(TView view, const std::string& history) {
    view.ShowHistory(history);
};

// A view as an interface, for views chosen at run time.
class IPreprocessorView {
public:
    virtual void ShowSnapshot(const TStepSnapshot& snapshot) = 0;
    // The whole history text. It only ever grows at its end, so a view may
    // show just what is new since the previous call.
    virtual void ShowHistory(const std::string& history) = 0;

protected:
    ~IPreprocessorView() = default;
};

// The delay line's cells, [0] the newest difference and [10] the oldest. A push
// moves every difference one cell on and drops the oldest. The cells slide down
// a longer buffer rather than being copied at every push: a push writes below the
// newest cell, and only at the buffer's start is the line moved back to its end.
// A copy at every push read what the previous one had just stored at other
// offsets, which the processor cannot forward to the reads, and stalled.
class TDelayLine {
public:
    TRegister operator[](std::size_t cell) const { return Buffer_[Newest_ + cell]; }
    TRegister front() const { return Buffer_[Newest_]; }
    TRegister back() const { return Buffer_[Newest_ + DelayLineCells - 1]; }
    const TRegister* begin() const { return Buffer_.data() + Newest_; }
    const TRegister* end() const { return begin() + DelayLineCells; }
    std::array<TRegister, DelayLineCells> Values() const;

    void Push(TRegister difference) {
        if (Newest_ == 0) MoveToEnd();
        Buffer_[--Newest_] = difference;
    }

    bool operator==(const TDelayLine& other) const { return Values() == other.Values(); }

private:
    // Keeps all but the oldest cell, at the buffer's end.
    void MoveToEnd();

    std::array<TRegister, 64> Buffer_{};  // the line moves once in 54 pushes
    std::size_t Newest_ = Buffer_.size() - DelayLineCells;
};

struct TRegisters {
    TRegister Minuend = 0;
    TRegister Subtrahend = 0;
    TDelayLine DelayLine;
    TRegister Difference = 0;
    TRegister WindowSum = 0;      // the 10 differences before the newest one
    TRegister PendingOutput = 0;  // what the next step emits

    bool operator==(const TRegisters&) const = default;
};

// The simulated preprocessor: a pair's difference enters an 11-cell delay line,
// a running sum covers the 10 cells behind the newest, and each step emits the
// sum as it stood two steps before.
class TPreprocessorModel {
public:
    static constexpr TRegister EndMarker = -999;

    // Zeroes the registers; the end-of-data latch and the history stay.
    void Reset();

    // Reads a pair, applies the end-of-data rule, publishes the registers,
    // extends and publishes the history (for a view that shows it), writes the
    // pending value, and advances.
    // The one step rule for every view: defined here, so with a view whose
    // operations do nothing, a step compiles to the reading, the arithmetic and
    // the writing alone.
    // A step on the data files, or on anything that reads pairs and takes
    // values as they do.
    template <class TFiles, PreprocessorView TView>
    void Step(TFiles& files, TView& view);

    const TRegisters& Registers() const { return Registers_; }
    bool EndOfData() const { return EndOfData_; }
    const std::string& History() const { return History_; }
    TStepSnapshot Snapshot() const {
        return {Registers_.Minuend, Registers_.Subtrahend, Registers_.DelayLine.Values(),
                Registers_.Difference, Registers_.WindowSum};
    }

private:
    void ApplyEndOfDataRule();
    void Advance();

    TRegisters Registers_;
    bool EndOfData_ = false;
    std::string History_ = " ";
};

template <class TFiles, PreprocessorView TView>
void TPreprocessorModel::Step(TFiles& files, TView& view) {
    files.ReadPair(Registers_.Minuend, Registers_.Subtrahend);
    ApplyEndOfDataRule();
    view.ShowSnapshot(Snapshot());
    if constexpr (HistoryView<TView>) {
        AppendDecimal(History_, Registers_.PendingOutput);
        History_ += ' ';
        view.ShowHistory(History_);
    }
    files.WriteOutput(Registers_.PendingOutput);
    Advance();
}

// Only the first number of a pair marks the end; once seen, every later pair is
// still read (and so consumed) but counts as zeros.
inline void TPreprocessorModel::ApplyEndOfDataRule() {
    if (Registers_.Minuend == EndMarker || EndOfData_) {
        Registers_.Minuend = 0;
        Registers_.Subtrahend = 0;
        EndOfData_ = true;
    }
}

// The oldest difference leaves the line as the new one enters, and the window
// sum gives it up for the one that was newest. The sum is stored apart from the
// pending output on purpose: computed before the push, the two adjacent stores
// were merged into one vector store, from which the next step's loads of either
// could not be forwarded, and a batch run took about 14 % longer.
inline void TPreprocessorModel::Advance() {
    TRegisters& r = Registers_;
    r.PendingOutput = r.WindowSum;
    const TRegister leaving = r.DelayLine.back();
    r.DelayLine.Push(WrappingSub(r.Minuend, r.Subtrahend));
    r.WindowSum = WrappingAdd(WrappingSub(r.WindowSum, leaving), r.Difference);
    r.Difference = r.DelayLine.front();
}

// The process-wide preprocessor of the simulator.
extern TPreprocessorModel PreprocessorModel;
