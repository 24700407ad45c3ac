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

    // Instead of the model, a board over a serial line computes the values.
    std::optional<std::filesystem::path> Board;  // the port: /dev/ttyUSB1, COM3
    std::uint32_t Baud = 115200;

    // Instead of a run, the model is compared with a design's value change dump:
    // a step a time unit, or one at each rising edge of Clock where Enable is 1.
    std::optional<std::filesystem::path> CompareVcd;
    std::string Clock;
    std::string Enable;
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
    "                          [--vcd FILE|-]\n"
    "       preprocessor-batch --steps N --board PORT [--baud N] [--input FILE] [--output FILE]\n"
    "       preprocessor-batch --compare-vcd FILE [--clock SIGNAL [--enable SIGNAL]]\n"
    "                          [--input FILE]";

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
    "\n"
    "  --board PORT     have a board running the serial top compute the values instead of\n"
    "                   the model: the pairs go to it over the serial port PORT (such as\n"
    "                   /dev/ttyUSB1 or COM3) and its replies are written to the output\n"
    "  --baud N         the serial line's rate with --board (default: 115200)\n"
    "\n"
    "  --compare-vcd FILE\n"
    "                   compare a design's value change dump, made by any simulator, with\n"
    "                   the model run on the input: its signals are found by the trace's\n"
    "                   names, and the first step and signal that differ are shown\n"
    "  --clock SIGNAL   with --compare-vcd, a step is each rising edge of SIGNAL (without\n"
    "                   it, each time unit of the dump is a step, as in the program's dumps)\n"
    "  --enable SIGNAL  with --clock, only the edges where SIGNAL is 1 are steps\n"
    "\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 on success, 1 if a file or the port cannot be opened or written or the\n"
    "board stops answering, 2 for bad arguments. With --compare-vcd: 0 if the dump equals\n"
    "the model, 1 if it differs, 2 if it cannot be read or compared.\n";
