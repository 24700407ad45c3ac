#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <string>

#include "BatchOptions.h"

struct TBatchResult {
    int ExitCode = 0;
    std::string Error;  // what went wrong, for standard error; empty on success
};

// A failure as the runner reports it: "message (path: the system's reason)".
std::string DescribeFailure(std::string_view message, const std::filesystem::path& path,
                            std::error_code reason);

// Runs the steps on the options' files. A trace named "-" goes to `standardOutput`.
// Nothing is created or emptied unless the input opens.
TBatchResult RunBatch(const TBatchOptions& options, std::FILE* standardOutput = stdout);
