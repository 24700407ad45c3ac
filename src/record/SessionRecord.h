#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "OutputStream.h"
#include "PreprocessorModel.h"
#include "RecordedRegisters.h"
#include "VcdWriter.h"

// What a window records of the steps taken in it, as the batch runner's trace
// and dump record a run: each step's registers and written value, and the
// end-of-data latch. Into a value change dump on a file, each step on the file by
// the time it is on screen; and, where asked, kept in memory, 64 bytes a step,
// from which the dump so far can be made at any moment.
class TSessionRecord {
public:
    static constexpr std::size_t Signals = RecordedRegisterNames.size();
    using TValues = std::array<TRegister, Signals>;

    TSessionRecord() = default;
    ~TSessionRecord() { Finish(); }
    TSessionRecord(const TSessionRecord&) = delete;
    TSessionRecord& operator=(const TSessionRecord&) = delete;

    // Records into a value change dump at `path` from the next step on, `program`
    // named as its maker; false, with the reason in LastError, if it cannot be created.
    bool StartDump(const std::filesystem::path& path, std::string_view program);
    std::error_code LastError() const { return Stream_.LastError(); }

    // Keeps every step from the next one on.
    void KeepSteps() { Keeping_ = true; }

    void Record(const TStepSnapshot& shown, TRegister written, bool endOfData);

    // Called after each step is recorded (a window that shows the session
    // follows it so); none to stop.
    void OnRecorded(std::function<void()> observer) { Observer_ = std::move(observer); }

    // Ends the dump with the session's length, as the batch runner ends a run.
    void Finish();

    std::uint64_t Steps() const { return Steps_; }

    // A kept step's values (steps count from 1), in the order of RecordedRegisterNames.
    TRegister Value(std::uint64_t step, std::size_t signal) const {
        const std::uint64_t index = step - 1;
        return (*Blocks_[index / BlockSteps])[index % BlockSteps * Signals + signal];
    }
    // The step from which the latch is set; 0 while it is not.
    std::uint64_t EndOfDataStep() const { return EndOfDataStep_; }
    // The memory the kept steps take.
    std::size_t KeptBytes() const { return Blocks_.size() * sizeof(TBlock); }

    // The kept steps as a value change dump: what the batch runner writes for the
    // same input and as many steps, `program` named as its maker.
    std::string Dump(std::string_view program) const;

private:
    static constexpr std::size_t BlockSteps = 1024;
    using TBlock = std::array<TRegister, BlockSteps * Signals>;

    std::uint64_t Steps_ = 0;
    bool Keeping_ = false;
    std::vector<std::unique_ptr<TBlock>> Blocks_;
    std::uint64_t EndOfDataStep_ = 0;
    TOutputStream Stream_;
    std::optional<TVcdWriter> Vcd_;
    std::function<void()> Observer_;
};

// The process-wide record of the window's session.
extern TSessionRecord SessionRecord;
