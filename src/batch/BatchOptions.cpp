#include "BatchOptions.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

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
    static constexpr std::string_view Known[] = {"--steps",  "--input",      "--output", "--trace",
                                                 "--vcd",    "--board",      "--baud",   "--clock",
                                                 "--enable", "--compare-vcd"};
    TBatchOptions options;
    std::vector<std::string_view> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (std::ranges::find(Known, argument) == std::end(Known))
            return TUsageError{"unknown option '" + std::string(argument) + "'"};
        if (i + 1 == arguments.size())
            return TUsageError{"option '" + std::string(argument) + "' needs a value"};
        given.push_back(argument);
        const std::string_view value = arguments[++i];
        if (argument == "--steps") {
            const auto steps = ParseCount(value);
            if (!steps) return TUsageError{"--steps takes a whole number, 0 or more"};
            options.Steps = *steps;
        } else if (argument == "--baud") {
            const auto baud = ParseCount(value);
            if (!baud || *baud == 0 || *baud > 100'000'000)
                return TUsageError{"--baud takes the line's rate in bits a second, such as 115200"};
            options.Baud = static_cast<std::uint32_t>(*baud);
        } else if (argument == "--input") {
            options.Input = PathFromUtf8(value);
        } else if (argument == "--output") {
            options.Output = PathFromUtf8(value);
        } else if (argument == "--trace") {
            options.Trace = PathFromUtf8(value);
        } else if (argument == "--vcd") {
            options.Vcd = PathFromUtf8(value);
        } else if (argument == "--board") {
            options.Board = PathFromUtf8(value);
        } else if (argument == "--compare-vcd") {
            options.CompareVcd = PathFromUtf8(value);
        } else if (argument == "--clock") {
            options.Clock = value;
        } else {
            options.Enable = value;
        }
    }
    const auto has = [&](std::string_view option) {
        return std::ranges::count(given, option) != 0;
    };
    // Which of the three runs it is, and what does not go with it.
    const auto without =
        [&](std::string_view mode,
            std::initializer_list<std::string_view> options) -> std::optional<TUsageError> {
        for (std::string_view option : options)
            if (has(option))
                return TUsageError{std::string(option) + " does not go with " + std::string(mode)};
        return {};
    };
    if (options.CompareVcd) {
        if (auto error = without("--compare-vcd",
                                 {"--steps", "--output", "--trace", "--vcd", "--board", "--baud"}))
            return *error;
        if (has("--enable") && !has("--clock")) return TUsageError{"--enable needs --clock"};
        return options;
    }
    if (auto error = without("a run", {"--clock", "--enable"})) return *error;
    if (!has("--steps")) return TUsageError{"--steps is required"};
    if (options.Board) {
        if (auto error = without("--board", {"--trace", "--vcd"})) return *error;
    } else if (has("--baud")) {
        return TUsageError{"--baud needs --board"};
    }
    if (options.Trace == "-" && options.Vcd == "-")
        return TUsageError{"only one of --trace and --vcd can go to standard output"};
    return options;
}
