// Arbitrary bytes as a value change dump, compared with the model on the worked
// example a time unit a step and a clock edge a step: whatever the bytes, the
// comparison ends with a status it documents, and says "equal" only with 0.
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "VcdCompare.h"

namespace {

// The worked example as input.txt, in a directory of its own.
struct TPaths {
    TPaths() {
        std::FILE* input = std::fopen((Directory.Path / "input.txt").c_str(), "w");
        Require(
            input && std::fputs("5 2 7 1 4 4 10 3 -999 0\n", input) >= 0 && std::fclose(input) == 0,
            "input.txt is written");
    }
    TFuzzDirectory Directory;
};

// A time unit is a step of the model: a time past a million would make one run
// long enough to pass for a hang, and finds nothing more.
bool HasALongTime(std::string_view text) {
    for (std::size_t at = text.find('#'); at != std::string_view::npos;
         at = text.find('#', at + 1)) {
        std::size_t digits = 0;
        while (at + 1 + digits < text.size() &&
               std::isdigit(static_cast<unsigned char>(text[at + 1 + digits])))
            ++digits;
        if (digits > 6) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TPaths paths;
    if (HasALongTime({reinterpret_cast<const char*>(data), size})) return 0;
    const auto dump = paths.Directory.Path / "design.vcd";
    std::FILE* file = std::fopen(dump.c_str(), "wb");
    Require(file && std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0,
            "the dump is written");
    std::FILE* said = std::tmpfile();
    for (const char* clock : {"", "clk"}) {
        TBatchOptions options;
        options.CompareVcd = dump;
        options.Input = paths.Directory.Path / "input.txt";
        options.Clock = clock;
        options.Enable = *clock ? "en" : "";
        std::rewind(said);
        const TBatchResult result = CompareWithDump(options, said);
        Require(result.ExitCode >= 0 && result.ExitCode <= 2, "a documented status");
        Require((result.ExitCode == 2) != result.Error.empty(),
                "a reason with status 2, and only then");
    }
    std::fclose(said);
    return 0;
}
