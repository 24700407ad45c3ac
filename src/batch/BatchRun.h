#pragma once

#include <cstdio>
#include <string>

#include "BatchOptions.h"

struct TBatchResult {
    int ExitCode = 0;
    std::string Error;  // what went wrong, for standard error; empty on success
};

// Runs the steps on the options' files. The trace, if any, goes to `trace`.
TBatchResult RunBatch(const TBatchOptions& options, std::FILE* trace);
