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

int Run(std::span<const char* const> arguments) {
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
                const TBatchResult result = RunBatch(options, stdout);
                return result.ExitCode == 0 ? 0 : Fail(result.ExitCode, result.Error);
            },
        },
        ParseBatchArguments(arguments));
}

}  // namespace

int main(int argc, char* argv[]) {
    // The program's name, when there is one, is no argument.
    const auto all =
        std::span<const char* const>(argv, argc > 0 ? static_cast<std::size_t>(argc) : 0);
    return Run(all.empty() ? all : all.subspan(1));
}
