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
