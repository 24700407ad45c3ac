#pragma once

#include <cstdio>
#include <string>

#include "BatchOptions.h"

struct TBatchResult {
    int ExitCode = 0;
    std::string Error;  // what went wrong, for standard error; empty on success
};

// Runs the steps on the options' files. A trace named "-" goes to `standardOutput`.
// Nothing is created or emptied unless the input opens.
TBatchResult RunBatch(const TBatchOptions& options, std::FILE* standardOutput = stdout);
