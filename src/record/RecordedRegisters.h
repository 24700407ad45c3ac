#pragma once

#include <array>

#include "PreprocessorModel.h"

// What a run or a session records of each step, in order: the registers the step showed
// (as TStepSnapshot holds them), then the value it wrote. The trace's columns
// and the value change dump's signals bear these names.
inline constexpr std::array<const char*, TStepSnapshot::Count + 1> RecordedRegisterNames = {
    "Minuend",     "Subtrahend", "DelayLine0", "DelayLine1", "DelayLine2", "DelayLine3",
    "DelayLine4",  "DelayLine5", "DelayLine6", "DelayLine7", "DelayLine8", "DelayLine9",
    "DelayLine10", "Difference", "WindowSum",  "Written"};
