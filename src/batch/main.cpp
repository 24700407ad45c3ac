#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "BatchOptions.h"
#include "BatchRun.h"
#include "BoardRun.h"
#include "FilePaths.h"
#include "VcdCompare.h"

namespace {

int Fail(int exitCode, const std::string& message) {
    std::fprintf(stderr, "preprocessor-batch: %s\n", message.c_str());
    return exitCode;
}

template <class... Ts>
struct TOverloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
TOverloaded(Ts...) -> TOverloaded<Ts...>;  // for compilers without C++20's aggregate deduction

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
                const TBatchResult result = options.CompareVcd ? CompareWithDump(options, stdout)
                                            : options.Board    ? RunOnBoard(options)
                                                               : RunBatch(options, stdout);
                return result.Error.empty() ? result.ExitCode : Fail(result.ExitCode, result.Error);
            },
        },
        ParseBatchArguments(arguments));
}

// The program's name, when there is one, is no argument.
template <class TChar>
std::span<TChar* const> Arguments(int argc, TChar* const* argv) {
    const auto all = std::span<TChar* const>(argv, argc > 0 ? static_cast<std::size_t>(argc) : 0);
    return all.empty() ? all : all.subspan(1);
}

}  // namespace

#ifdef _WIN32
// Platform corner: Windows gives the arguments in their own language only as
// UTF-16; they are passed on as UTF-8, as everywhere else.
int wmain(int argc, wchar_t* argv[]) {
    std::vector<std::string> utf8;
    for (const wchar_t* argument : Arguments<wchar_t>(argc, argv))
        utf8.push_back(PathToUtf8(std::filesystem::path(argument)));
    std::vector<const char*> arguments;
    for (const std::string& argument : utf8) arguments.push_back(argument.c_str());
    return Run(arguments);
}
#else
int main(int argc, char* argv[]) {
    return Run(Arguments<char>(argc, argv));
}
#endif
