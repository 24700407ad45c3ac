#include "BatchRun.h"

#include <charconv>

#include "DataFiles.h"
#include "PreprocessorModel.h"

namespace {

// Receives each step's registers; writes them as a CSV row when tracing.
class TTraceView : public IPreprocessorView {
public:
    explicit TTraceView(std::FILE* trace) : Trace_(trace) {
        if (!Trace_) return;
        std::fputs("step,Minuend,Subtrahend", Trace_);
        for (std::size_t i = 0; i < DelayLineCells; ++i) std::fprintf(Trace_, ",DelayLine%zu", i);
        std::fputs(",Difference,WindowSum,Written\n", Trace_);
    }

    void ShowSnapshot(const TStepSnapshot& snapshot) override {
        if (Trace_) Snapshot_ = snapshot;
    }
    void ShowHistory(const std::string&) override {}

    void WriteRow(std::uint64_t step, TRegister written) {
        if (!Trace_) return;
        char row[32 + (TStepSnapshot::Count + 1) * (DecimalFormCapacity + 1)];
        char* out = std::to_chars(row, row + 32, step).ptr;
        for (TRegister value : Snapshot_.Values()) {
            *out++ = ',';
            out = WriteDecimal(out, value);
        }
        *out++ = ',';
        out = WriteDecimal(out, written);
        *out++ = '\n';
        std::fwrite(row, 1, static_cast<std::size_t>(out - row), Trace_);
    }

private:
    std::FILE* Trace_;
    TStepSnapshot Snapshot_;
};

std::string Describe(std::string_view message, const TDataFiles& files,
                     const std::filesystem::path& path) {
    return std::string(message) + " (" + path.string() + ": " + files.LastError().message() + ")";
}

}  // namespace

TBatchResult RunBatch(const TBatchOptions& options, std::FILE* trace) {
    TDataFiles files(options.Input, options.Output);
    const TDataOpenResult opened = files.Open();
    if (opened != drOk) {
        const auto& path = opened == drInputFailed ? options.Input : options.Output;
        return {1, Describe(OpenFailureMessage(opened), files, path)};
    }
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);

    TPreprocessorModel model;
    model.SetHistoryKept(false);  // no window to show it: memory stays flat however long the run
    TTraceView view(trace);
    for (std::uint64_t step = 1; step <= options.Steps; ++step) {
        const TRegister written = model.Registers().PendingOutput;
        model.Step(files, view);
        if (files.WriteFailed()) break;
        view.WriteRow(step, written);
    }
    if (!files.Close()) return {1, Describe(WriteFailedMessage, files, options.Output)};
    return {};
}
