#include "BatchRun.h"

#include <charconv>
#include <optional>

#include "DataFiles.h"
#include "FilePaths.h"
#include "OutputStream.h"
#include "PreprocessorModel.h"
#include "RecordedRegisters.h"
#include "VcdWriter.h"

namespace {

// A view that keeps nothing: with it a step is the reading, the arithmetic and
// the writing alone.
struct TNoRecord {
    void ShowSnapshot(const TStepSnapshot&) {}
    void Record(std::uint64_t, TRegister, bool) {}
    void Finish(std::uint64_t) {}
};

// Receives each step's registers and records them: a CSV row in the trace, a
// time in the value change dump, or both.
class TRecorder {
public:
    TRecorder(TOutputStream& trace, TOutputStream& vcd) : Trace_(trace) {
        if (vcd.IsOpen()) Vcd_.emplace(vcd, "preprocessor-batch");
        if (!Trace_.IsOpen()) return;
        std::string header = "step";
        for (const char* name : RecordedRegisterNames) header += std::string(",") + name;
        Trace_.Write(header + "\n");
    }

    void ShowSnapshot(const TStepSnapshot& snapshot) { Snapshot_ = snapshot; }

    void Record(std::uint64_t step, TRegister written, bool endOfData) {
        if (Trace_.IsOpen()) WriteRow(step, written);
        if (Vcd_) Vcd_->WriteStep(step, Snapshot_, written, endOfData);
    }

    void Finish(std::uint64_t steps) {
        if (Vcd_) Vcd_->Finish(steps);
    }

private:
    void WriteRow(std::uint64_t step, TRegister written) {
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

    TOutputStream& Trace_;
    std::optional<TVcdWriter> Vcd_;
    TStepSnapshot Snapshot_;
};

// The steps of a run, each recorded once it has written its value; a failed
// write ends the run.
template <class TRecord>
void RunSteps(std::uint64_t steps, TDataFiles& files, TRecord& record) {
    TPreprocessorModel model;  // the views show no history, so none is kept
    std::uint64_t step = 1;
    for (; step <= steps; ++step) {
        const TRegister written = model.Registers().PendingOutput;
        model.Step(files, record);
        if (files.WriteFailed()) break;
        record.Record(step, written, model.EndOfData());
    }
    record.Finish(step - 1);
}

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
    // The numbers are found and converted on a second thread while this one
    // steps and writes: a run takes about a fifth less time.
    files.SetScanning(TDecimalReader::TScanning::OnItsOwnThread);
    const TDataOpenResult opened = files.Open();
    if (opened != drOk) {
        const auto& path = opened == drInputFailed ? options.Input : options.Output;
        return {1, Describe(OpenFailureMessage(opened), path, files.LastError())};
    }
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);
    // Only now that the run can go ahead are the records begun (and their files emptied).
    TOutputStream trace, vcd;
    if (options.Trace && !trace.Open(*options.Trace, standardOutput))
        return {1, Describe("cannot open the trace", trace)};
    if (options.Vcd && !vcd.Open(*options.Vcd, standardOutput))
        return {1, Describe("cannot open the value change dump", vcd)};

    if (trace.IsOpen() || vcd.IsOpen()) {
        TRecorder recorder(trace, vcd);
        RunSteps(options.Steps, files, recorder);
    } else {
        TNoRecord nothing;
        RunSteps(options.Steps, files, nothing);
    }
    if (!files.Close()) return {1, Describe(WriteFailedMessage, options.Output, files.LastError())};
    if (!trace.Close()) return {1, Describe("cannot write the trace", trace)};
    if (!vcd.Close()) return {1, Describe("cannot write the value change dump", vcd)};
    return {};
}
