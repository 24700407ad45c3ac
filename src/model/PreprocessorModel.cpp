#include "PreprocessorModel.h"

#include <algorithm>

#include "DataFiles.h"

TPreprocessorModel PreprocessorModel;

std::array<TRegister, TStepSnapshot::Count> TStepSnapshot::Values() const {
    std::array<TRegister, Count> values{};
    values[0] = Minuend;
    values[1] = Subtrahend;
    std::copy(DelayLine.begin(), DelayLine.end(), values.begin() + 2);
    values[Count - 2] = Difference;
    values[Count - 1] = WindowSum;
    return values;
}

std::array<TRegister, DelayLineCells> TDelayLine::Values() const {
    std::array<TRegister, DelayLineCells> values;
    std::copy(begin(), end(), values.begin());
    return values;
}

void TDelayLine::MoveToEnd() {
    std::copy(begin(), end() - 1, Buffer_.end() - (DelayLineCells - 1));
    Newest_ = Buffer_.size() - (DelayLineCells - 1);
}

void TPreprocessorModel::Reset() {
    Registers_ = TRegisters{};
}
