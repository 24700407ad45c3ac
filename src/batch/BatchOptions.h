#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>

// What a batch run is asked to do.
struct TBatchOptions {
    std::uint64_t Steps = 0;
    std::filesystem::path Input = "input.txt";
    std::filesystem::path Output = "output.txt";
    std::optional<std::filesystem::path> Trace;  // a file, or "-" for standard output
    std::optional<std::filesystem::path> Vcd;    // likewise; at most one of them "-"
};

enum class TBatchRequest { Help, Version };

// The arguments are wrong; the text says how.
struct TUsageError {
    std::string Reason;
};

using TParsedArguments = std::variant<TBatchOptions, TBatchRequest, TUsageError>;

// Parses the arguments after the program name, given in UTF-8.
TParsedArguments ParseBatchArguments(std::span<const char* const> arguments);

inline constexpr const char* BatchUsage =
    "usage: preprocessor-batch --steps N [--input FILE] [--output FILE] [--trace FILE|-]\n"
    "                          [--vcd FILE|-]";

inline constexpr const char* BatchHelp =
    "Runs the preprocessor simulation without a window: exactly N steps, each reading one\n"
    "pair of integers and writing one value, as N clicks on \"Следующий шаг\" would.\n"
    "\n"
    "  --steps N        the number of steps to run (required; 0 or more)\n"
    "  --input FILE     where the pairs are read from (default: input.txt)\n"
    "  --output FILE    where the values are written; created or emptied (default: output.txt)\n"
    "  --trace FILE|-   also write one CSV row per step: the registers the step showed and\n"
    "                   the value it wrote; - writes it to standard output\n"
    "  --vcd FILE|-     also write the registers as a value change dump (VCD) for a\n"
    "                   waveform viewer, one time unit (1 s) per step; - as above, but\n"
    "                   only one of --trace and --vcd can write to standard output\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 on success, 1 if a file cannot be opened or written, 2 for bad arguments.\n";
