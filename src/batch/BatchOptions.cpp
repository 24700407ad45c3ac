#include "BatchOptions.h"

#include <charconv>
#include <string_view>

#include "FilePaths.h"

namespace {

std::optional<std::uint64_t> ParseCount(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
    return value;
}

}  // namespace

TParsedArguments ParseBatchArguments(std::span<const char* const> arguments) {
    // A request for help wins over anything wrong beside it.
    for (std::string_view argument : arguments) {
        if (argument == "--help") return TBatchRequest::Help;
        if (argument == "--version") return TBatchRequest::Version;
    }
    TBatchOptions options;
    bool stepsGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument != "--steps" && argument != "--input" && argument != "--output" &&
            argument != "--trace" && argument != "--vcd") {
            return TUsageError{"unknown option '" + std::string(argument) + "'"};
        }
        if (i + 1 == arguments.size()) {
            return TUsageError{"option '" + std::string(argument) + "' needs a value"};
        }
        const std::string_view value = arguments[++i];
        if (argument == "--steps") {
            const auto steps = ParseCount(value);
            if (!steps) return TUsageError{"--steps takes a whole number, 0 or more"};
            options.Steps = *steps;
            stepsGiven = true;
        } else if (argument == "--input") {
            options.Input = PathFromUtf8(value);
        } else if (argument == "--output") {
            options.Output = PathFromUtf8(value);
        } else if (argument == "--trace") {
            options.Trace = PathFromUtf8(value);
        } else {
            options.Vcd = PathFromUtf8(value);
        }
    }
    if (!stepsGiven) return TUsageError{"--steps is required"};
    if (options.Trace == "-" && options.Vcd == "-")
        return TUsageError{"only one of --trace and --vcd can go to standard output"};
    return options;
}
