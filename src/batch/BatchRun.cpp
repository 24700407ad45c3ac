#include "BatchRun.h"

#include <charconv>

#include "DataFiles.h"
#include "FilePaths.h"
#include "OutputStream.h"
#include "PreprocessorModel.h"

namespace {

// Receives each step's registers; writes them as a CSV row when tracing.
class TTraceView : public IPreprocessorView {
public:
    explicit TTraceView(TOutputStream& trace) : Trace_(trace) {
        if (!Trace_.IsOpen()) return;
        std::string header = "step,Minuend,Subtrahend";
        for (std::size_t i = 0; i < DelayLineCells; ++i) header += ",DelayLine" + std::to_string(i);
        Trace_.Write(header + ",Difference,WindowSum,Written\n");
    }

    void ShowSnapshot(const TStepSnapshot& snapshot) override {
        if (Trace_.IsOpen()) Snapshot_ = snapshot;
    }
    void ShowHistory(const std::string&) override {}

    void WriteRow(std::uint64_t step, TRegister written) {
        if (!Trace_.IsOpen()) return;
        char row[32 + (TStepSnapshot::Count + 1) * (DecimalFormCapacity + 1)];
        char* out = std::to_chars(row, row + 32, step).ptr;
        for (TRegister value : Snapshot_.Values()) {
            *out++ = ',';
            out = WriteDecimal(out, value);
        }
        *out++ = ',';
        out = WriteDecimal(out, written);
        *out++ = '\n';
        Trace_.Write({row, static_cast<std::size_t>(out - row)});
    }

private:
    TOutputStream& Trace_;
    TStepSnapshot Snapshot_;
};

std::string Describe(std::string_view message, const std::filesystem::path& path,
                     std::error_code reason) {
    return std::string(message) + " (" + PathToUtf8(path) + ": " + reason.message() + ")";
}

std::string Describe(std::string_view what, const TOutputStream& stream) {
    return std::string(what) + " " + stream.Name() + ": " + stream.LastError().message();
}

}  // namespace

TBatchResult RunBatch(const TBatchOptions& options, std::FILE* standardOutput) {
    TDataFiles files(options.Input, options.Output);
    const TDataOpenResult opened = files.Open();
    if (opened != drOk) {
        const auto& path = opened == drInputFailed ? options.Input : options.Output;
        return {1, Describe(OpenFailureMessage(opened), path, files.LastError())};
    }
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);
    // Only now that the run can go ahead is the trace begun (and its file emptied).
    TOutputStream trace;
    if (options.Trace && !trace.Open(*options.Trace, standardOutput))
        return {1, Describe("cannot open the trace", trace)};

    TPreprocessorModel model;
    model.SetHistoryKept(false);  // no window to show it: memory stays flat however long the run
    TTraceView view(trace);
    for (std::uint64_t step = 1; step <= options.Steps; ++step) {
        const TRegister written = model.Registers().PendingOutput;
        model.Step(files, view);
        if (files.WriteFailed()) break;
        view.WriteRow(step, written);
    }
    if (!files.Close()) return {1, Describe(WriteFailedMessage, options.Output, files.LastError())};
    if (!trace.Close()) return {1, Describe("cannot write the trace", trace)};
    return {};
}
