#include <cstdio>
#include <span>

#include "BatchOptions.h"
#include "BatchRun.h"

namespace {

int Fail(int exitCode, const std::string& message) {
    std::fprintf(stderr, "preprocessor-batch: %s\n", message.c_str());
    return exitCode;
}

template <class... Ts>
struct TOverloaded : Ts... {
    using Ts::operator()...;
};

}  // namespace

int main(int argc, char* argv[]) {
    const auto parsed = ParseBatchArguments(std::span<const char* const>(argv + 1, argc - 1));
    return std::visit(
        TOverloaded{
            [](const TUsageError& error) { return Fail(2, error.Reason + "\n" + BatchUsage); },
            [](TBatchRequest request) {
                if (request == TBatchRequest::Version) {
                    std::puts("preprocessor-batch " PREPROCESSOR_VERSION);
                } else {
                    std::printf("%s\n\n%s", BatchUsage, BatchHelp);
                }
                return 0;
            },
            [](const TBatchOptions& options) {
                std::FILE* trace = nullptr;
                if (options.Trace == "-") {
                    trace = stdout;
                } else if (options.Trace && !(trace = std::fopen(options.Trace->c_str(), "w"))) {
                    return Fail(1, "cannot open the trace file " + *options.Trace);
                }
                const TBatchResult result = RunBatch(options, trace);
                const bool traceOk = !trace || (std::fflush(trace) == 0 && !std::ferror(trace));
                if (trace && trace != stdout) std::fclose(trace);
                if (result.ExitCode != 0) return Fail(result.ExitCode, result.Error);
                if (!traceOk) return Fail(1, "cannot write the trace " + *options.Trace);
                return 0;
            },
        },
        parsed);
}
