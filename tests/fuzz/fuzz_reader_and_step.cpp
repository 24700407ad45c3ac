// Arbitrary bytes as input.txt. The reader must agree with the C library's "%d"
// conversion, value for value and failure for failure, for every number that
// fits in 64 bits (beyond that the C library saturates, while the registers keep
// the low 32 bits); and every step must keep the pipeline's invariants.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "DataFiles.h"
#include "DecimalReader.h"
#include "FuzzSupport.h"
#include "PreprocessorModel.h"

namespace {

// The files of one run.
struct TPaths {
    TFuzzDirectory Directory;
    std::filesystem::path Input = Directory.Path / "input.txt",
                          Output = Directory.Path / "output.txt";
};

const TPaths& Paths() {
    static const TPaths paths;
    return paths;
}

bool FitsIn64Bits(std::string_view token) {
    const std::string text(token);
    errno = 0;
    std::strtoll(text.c_str(), nullptr, 10);
    return errno != ERANGE;
}

void CheckReaderAgainstTheCLibrary(std::string_view data) {
    std::FILE* ours = std::fopen(Paths().Input.c_str(), "r");
    std::FILE* theirs = std::fopen(Paths().Input.c_str(), "r");
    Require(ours && theirs, "input.txt opens");
    TDecimalReader reader(ours);
    int failuresInARow = 0;
    while (failuresInARow < 2) {
        TRegister mine = 12345, reference = 12345;
        const long start = std::ftell(theirs);
        const bool read = reader.Read(mine);
        const bool scanned = std::fscanf(theirs, "%d", &reference) == 1;
        Require(read == scanned, "the reader fails where the C library fails");
        failuresInARow = read ? 0 : failuresInARow + 1;
        if (!read) {
            Require(mine == 12345, "a failed read leaves the register as it was");
            continue;
        }
        const auto token = data.substr(static_cast<std::size_t>(start),
                                       static_cast<std::size_t>(std::ftell(theirs) - start));
        if (FitsIn64Bits(token)) Require(mine == reference, "the value agrees with the C library");
    }
    std::fclose(ours);
    std::fclose(theirs);
}

class TCheckingView : public IPreprocessorView {
public:
    void ShowSnapshot(const TStepSnapshot& snapshot) override { Snapshot = snapshot; }
    void ShowHistory(const std::string& history) override { History = history; }
    TStepSnapshot Snapshot;
    std::string History;
};

void CheckSteps(std::size_t size) {
    TDataFiles files(Paths().Input, Paths().Output);
    Require(files.Open() == drOk, "the data files open");
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);  // checked whole at the end
    TPreprocessorModel model;
    model.Reset();
    TCheckingView view;
    const std::size_t steps = std::min<std::size_t>(size / 2 + 24, 2000);
    for (std::size_t step = 0; step < steps; ++step) {
        const TRegisters before = model.Registers();
        const bool endedBefore = model.EndOfData();
        const std::size_t historyBefore = model.History().size();
        model.Step(files, view);
        const TRegisters& after = model.Registers();

        Require(!endedBefore || model.EndOfData(), "the end-of-data latch stays set");
        if (model.EndOfData())
            Require(after.Minuend == 0 && after.Subtrahend == 0, "zeros after the end");
        Require(
            view.Snapshot.Minuend == after.Minuend && view.Snapshot.Subtrahend == after.Subtrahend,
            "the snapshot shows the new pair");
        Require(view.Snapshot.DelayLine == before.DelayLine.Values() &&
                    view.Snapshot.WindowSum == before.WindowSum &&
                    view.Snapshot.Difference == before.Difference,
                "the snapshot shows the registers before the advance");
        TRegister sum = 0;
        for (std::size_t i = 1; i < DelayLineCells; ++i) sum = WrappingAdd(sum, after.DelayLine[i]);
        Require(after.WindowSum == sum, "the window sum is the ten older cells");
        Require(after.Difference == after.DelayLine[0] &&
                    after.Difference == WrappingSub(after.Minuend, after.Subtrahend),
                "the difference enters the delay line");
        Require(after.PendingOutput == before.WindowSum, "the pending value is the last sum");
        std::string emitted;
        AppendDecimal(emitted, before.PendingOutput);
        emitted += ' ';
        Require(model.History().size() == historyBefore + emitted.size() &&
                    model.History().ends_with(emitted) && view.History == model.History(),
                "the history grows by the emitted value");
    }
    Require(files.Close(), "the output is written");
    std::FILE* output = std::fopen(Paths().Output.c_str(), "r");
    std::string written;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, output)) > 0;)
        written.append(block, got);
    std::fclose(output);
    Require(written == model.History().substr(1), "output.txt holds the history");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* input = std::fopen(Paths().Input.c_str(), "w");
    std::fwrite(data, 1, size, input);
    std::fclose(input);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckReaderAgainstTheCLibrary(bytes);
    CheckSteps(size);
    return 0;
}
