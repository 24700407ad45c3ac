// The Verilog pipeline, verilated, run on input.txt through the program's own data
// files: the pairs read and the values written exactly as the batch runner does,
// so that only the arithmetic is the hardware's.
//
//   preprocessor-verilated --steps N [--input FILE] [--output FILE]
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "DataFiles.h"
#include "Vpreprocessor.h"

namespace {

void Say(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
}

int Usage() {
    std::fputs("usage: preprocessor-verilated --steps N [--input FILE] [--output FILE]\n", stderr);
    return 2;
}

// One clock: the edge comes with the inputs as they stand.
void Tick(Vpreprocessor& top) {
    top.clk = 0;
    top.eval();
    top.clk = 1;
    top.eval();
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t steps = 0;
    bool stepsGiven = false;
    std::string_view input = "input.txt", output = "output.txt";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i], value = argv[i + 1];
        if (option == "--steps") {
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), steps);
            if (error != std::errc{} || end != value.data() + value.size()) return Usage();
            stepsGiven = true;
        } else if (option == "--input") {
            input = value;
        } else if (option == "--output") {
            output = value;
        } else {
            return Usage();
        }
    }
    if (!stepsGiven || argc % 2 == 0) return Usage();

    // Read and written as the batch runner does: the input scanned ahead on a
    // thread of its own, the output flushed as its buffer fills.
    TDataFiles files(input, output);
    files.SetScanning(TDecimalReader::TScanning::OnItsOwnThread);
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);
    if (const TDataOpenResult opened = files.Open(); opened != drOk) {
        Say(OpenFailureMessage(opened));
        return 1;
    }

    Vpreprocessor top;
    top.reset = 1;
    Tick(top);
    top.reset = 0;
    top.enable = 1;
    for (std::uint64_t step = 0; step < steps; ++step) {
        // The program reads into its registers: a read that fails leaves one as it is.
        TRegister minuend = static_cast<TRegister>(top.Minuend);
        TRegister subtrahend = static_cast<TRegister>(top.Subtrahend);
        files.ReadPair(minuend, subtrahend);
        top.in_minuend = static_cast<std::uint32_t>(minuend);
        top.in_subtrahend = static_cast<std::uint32_t>(subtrahend);
        Tick(top);
        files.WriteOutput(static_cast<TRegister>(top.Written));
    }
    top.final();
    if (!files.Close()) {
        Say(WriteFailedMessage);
        return 1;
    }
    return 0;
}
