#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The runner's steps written as the obvious loop, over a baseline's way of
// reading and writing numbers: `read(int&)` (failing leaves the number as it
// was) and `write(int)`. The registers wrap at 32 bits, so they are unsigned
// and no sum ever overflows.
template <class TRead, class TWrite>
void RunSteps(std::uint64_t steps, TRead read, TWrite write) {
    int minuend = 0, subtrahend = 0;
    std::uint32_t difference = 0, windowSum = 0, pending = 0, delay[11] = {};
    bool endOfData = false;
    for (std::uint64_t step = 0; step < steps; ++step) {
        read(minuend);
        read(subtrahend);
        if (minuend == -999 || endOfData) minuend = subtrahend = 0, endOfData = true;
        write(static_cast<int>(pending));
        pending = windowSum;
        windowSum = windowSum - delay[10] + difference;
        for (int i = 10; i > 0; --i) delay[i] = delay[i - 1];
        delay[0] = difference =
            static_cast<std::uint32_t>(minuend) - static_cast<std::uint32_t>(subtrahend);
    }
}

// A baseline's command line: INPUT OUTPUT STEPS. Opens both files as the
// runner does (the input for reading, the output created or emptied).
struct TBaselineFiles {
    std::FILE* In = nullptr;
    std::FILE* Out = nullptr;
    std::uint64_t Steps = 0;

    bool Open(int argc, char** argv, const char* inputMode, const char* outputMode) {
        if (argc != 4) return false;
        In = std::fopen(argv[1], inputMode);
        Out = std::fopen(argv[2], outputMode);
        Steps = std::strtoull(argv[3], nullptr, 10);
        return In && Out;
    }

    // The exit code: 0 when both files closed cleanly.
    int Close() {
        const bool closed = std::fclose(In) == 0;
        return std::fclose(Out) == 0 && closed ? 0 : 1;
    }
};
