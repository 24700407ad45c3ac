#include "PreprocessorModel.h"

#include <algorithm>

#include "DataFiles.h"

TPreprocessorModel PreprocessorModel;

std::array<TRegister, TStepSnapshot::Count> TStepSnapshot::Values() const {
    std::array<TRegister, Count> values{};
    values[0] = Minuend;
    values[1] = Subtrahend;
    std::ranges::copy(DelayLine, values.begin() + 2);
    values[Count - 2] = Difference;
    values[Count - 1] = WindowSum;
    return values;
}

void TPreprocessorModel::Reset() {
    Registers_ = TRegisters{};
}

TStepSnapshot TPreprocessorModel::Snapshot() const {
    return {Registers_.Minuend, Registers_.Subtrahend, Registers_.DelayLine, Registers_.Difference,
            Registers_.WindowSum};
}

void TPreprocessorModel::Step(TDataFiles& files, IPreprocessorView& view) {
    files.ReadPair(Registers_.Minuend, Registers_.Subtrahend);
    ApplyEndOfDataRule();
    view.ShowSnapshot(Snapshot());
    if (HistoryKept_) {
        AppendDecimal(History_, Registers_.PendingOutput);
        History_ += ' ';
        view.ShowHistory(History_);
    }
    files.WriteOutput(Registers_.PendingOutput);
    Advance();
}

// Only the first number of a pair marks the end; once seen, every later pair is
// still read (and so consumed) but counts as zeros.
void TPreprocessorModel::ApplyEndOfDataRule() {
    if (Registers_.Minuend == EndMarker || EndOfData_) {
        Registers_.Minuend = 0;
        Registers_.Subtrahend = 0;
        EndOfData_ = true;
    }
}

void TPreprocessorModel::Advance() {
    TRegisters& r = Registers_;
    r.PendingOutput = r.WindowSum;
    r.WindowSum = WrappingAdd(WrappingSub(r.WindowSum, r.DelayLine.back()), r.Difference);
    std::shift_right(r.DelayLine.begin(), r.DelayLine.end(), 1);
    r.DelayLine.front() = WrappingSub(r.Minuend, r.Subtrahend);
    r.Difference = r.DelayLine.front();
}
