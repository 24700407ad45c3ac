#pragma once

#include <cstdio>

#include "BatchOptions.h"
#include "BatchRun.h"

// Compares the value change dump `options.CompareVcd`, made by any simulator of
// any design of the pipeline, with the model run on `options.Input`, step by step.
// What was compared and the outcome go to `standardOutput`: exit code 0 if equal,
// 1 at the first step and signal that differ, 2 if the dump cannot be compared.
TBatchResult CompareWithDump(const TBatchOptions& options, std::FILE* standardOutput = stdout);
