#include "BatchRun.h"

#include <charconv>
#include <optional>
#include <vector>

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
    void Record(TRegister, bool) {}
    void Release(std::uint64_t) {}
    void Finish(std::uint64_t) {}
};

// Receives each step's registers and records them: a CSV row in the trace, a
// time in the value change dump, or both. A step is held until its value is on
// output.txt, so that whatever becomes of the file, the records end where it does.
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

    // Holds the step just shown, which wrote `written`.
    void Record(TRegister written, bool endOfData) {
        Held_.push_back({Snapshot_, written, endOfData});
    }

    // Records the held steps up to `step`, whose values are on the file now, and
    // forgets the rest.
    void Release(std::uint64_t step) {
        for (const THeld& held : Held_) {
            if (++Released_ > step) break;
            if (Trace_.IsOpen()) WriteRow(Released_, held);
            if (Vcd_) Vcd_->WriteStep(Released_, held.Shown, held.Written, held.EndOfData);
        }
        Released_ = step;
        Held_.clear();
    }

    void Finish(std::uint64_t steps) {
        if (Vcd_) Vcd_->Finish(steps);
    }

private:
    struct THeld {
        TStepSnapshot Shown;
        TRegister Written;
        bool EndOfData;
    };

    void WriteRow(std::uint64_t step, const THeld& held) {
        char row[32 + (TStepSnapshot::Count + 1) * (DecimalFormCapacity + 1)];
        char* out = std::to_chars(row, row + 32, step).ptr;
        for (TRegister value : held.Shown.Values()) {
            *out++ = ',';
            out = WriteDecimal(out, value);
        }
        *out++ = ',';
        out = WriteDecimal(out, held.Written);
        *out++ = '\n';
        Trace_.Write({row, static_cast<std::size_t>(out - row)});
    }

    TOutputStream& Trace_;
    std::optional<TVcdWriter> Vcd_;
    TStepSnapshot Snapshot_;
    std::vector<THeld> Held_;
    std::uint64_t Released_ = 0;
};

// The steps of a run, each recorded once its value is on the output file; a
// failed write ends the run. Closes the files; false if output.txt is not whole.
template <class TRecord>
bool RunSteps(std::uint64_t steps, TDataFiles& files, TRecord& record) {
    TPreprocessorModel model;  // the views show no history, so none is kept
    for (std::uint64_t step = 1; step <= steps && !files.WriteFailed(); ++step) {
        const TRegister written = model.Registers().PendingOutput;
        model.Step(files, record);
        record.Record(written, model.EndOfData());
        if (files.ValuesWritten() == step) record.Release(step);
    }
    const bool closed = files.Close();
    record.Release(files.ValuesWritten());
    record.Finish(files.ValuesWritten());
    return closed;
}

std::string Describe(std::string_view what, const TOutputStream& stream) {
    return std::string(what) + " " + stream.Name() + ": " + stream.LastError().message();
}

}  // namespace

std::string DescribeFailure(std::string_view message, const std::filesystem::path& path,
                            std::error_code reason) {
    return std::string(message) + " (" + PathToUtf8(path) + ": " + reason.message() + ")";
}

TBatchResult RunBatch(const TBatchOptions& options, std::FILE* standardOutput) {
    TDataFiles files(options.Input, options.Output);
    // The numbers are found and converted on a second thread while this one
    // steps and writes: a run takes about a fifth less time.
    files.SetScanning(TDecimalReader::TScanning::OnItsOwnThread);
    const TDataOpenResult opened = files.Open();
    if (opened != drOk) {
        const auto& path = opened == drInputFailed ? options.Input : options.Output;
        return {1, DescribeFailure(OpenFailureMessage(opened), path, files.LastError())};
    }
    files.SetFlushPolicy(TFlushPolicy::WhenBufferFills);
    // Only now that the run can go ahead are the records begun (and their files emptied).
    TOutputStream trace, vcd;
    if (options.Trace && !trace.Open(*options.Trace, standardOutput))
        return {1, Describe("cannot open the trace", trace)};
    if (options.Vcd && !vcd.Open(*options.Vcd, standardOutput))
        return {1, Describe("cannot open the value change dump", vcd)};

    bool written;
    if (trace.IsOpen() || vcd.IsOpen()) {
        TRecorder recorder(trace, vcd);
        written = RunSteps(options.Steps, files, recorder);
    } else {
        TNoRecord nothing;
        written = RunSteps(options.Steps, files, nothing);
    }
    if (!written) return {1, DescribeFailure(WriteFailedMessage, options.Output, files.LastError())};
    if (!trace.Close()) return {1, Describe("cannot write the trace", trace)};
    if (!vcd.Close()) return {1, Describe("cannot write the value change dump", vcd)};
    return {};
}
