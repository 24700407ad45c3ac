#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "DecimalReader.h"
#include "Register.h"

enum TDataOpenResult { drOk, drInputFailed, drOutputFailed };

inline constexpr std::string_view InputOpenFailedMessage = "Невозможно открыть файл INPUT.TXT";
inline constexpr std::string_view OutputOpenFailedMessage = "Невозможно открыть файл OUTPUT.TXT";
inline constexpr std::string_view WriteFailedMessage = "Ошибка записи в файл OUTPUT.TXT";

// The message to show for a failed open; empty for drOk.
std::string_view OpenFailureMessage(TDataOpenResult result);

// When written values are handed to the operating system.
enum class TFlushPolicy {
    EveryWrite,       // each value is on the file when WriteOutput returns; survives a crash
    WhenBufferFills,  // fewer system calls; the owner must Close() to learn the final outcome
};

// The two data files through which the preprocessor talks to the outside world:
// pairs of integers come from the input file, one emitted value per step goes to
// the output file. Both stay open from Open() until Close() or destruction.
class TDataFiles {
public:
    TDataFiles();  // "input.txt" and "output.txt" in the current directory
    TDataFiles(std::filesystem::path inputPath, std::filesystem::path outputPath);

    ~TDataFiles() { Close(); }
    TDataFiles(TDataFiles&&) noexcept = default;
    // The files this object had open are flushed and closed first.
    TDataFiles& operator=(TDataFiles&& other) noexcept;

    // The input is opened first; if it fails the output file is left untouched.
    TDataOpenResult Open();

    // Two reads of one integer each; a failed read leaves its register as it was.
    void ReadPair(TRegister& minuend, TRegister& subtrahend) {
        if (!Reader_) return;
        Reader_->Read(minuend);
        Reader_->Read(subtrahend);
    }

    // Appends the decimal form of the value and one space. Defined here, as the
    // reading is, so a step's work compiles into one piece. Bytes the file did not
    // take (a full disk) are kept, and go first at every later write.
    void WriteOutput(TRegister value) {
        if (!OutputFile_) return RecordWriteToClosedFile();
        char* end = WriteDecimal(Pending_.get() + PendingSize_, value);
        *end++ = ' ';
        PendingSize_ = static_cast<std::size_t>(end - Pending_.get());
        ++PendingValues_;
        if (FlushPolicy_ == TFlushPolicy::EveryWrite || PendingSize_ > PendingFlushAt_)
            FlushPending();
    }

    void SetFlushPolicy(TFlushPolicy policy) { FlushPolicy_ = policy; }

    // Where the input is scanned ahead of the reads; set before Open.
    void SetScanning(TDecimalReader::TScanning scanning) { Scanning_ = scanning; }

    // A write or flush of the output file has failed at least once. What it did not
    // take is written by later writes once it can be, or by Close.
    bool WriteFailed() const { return WriteFailed_; }

    // How many values the output file holds whole.
    std::uint64_t ValuesWritten() const { return ValuesWritten_; }

    // The system's reason for the most recent failure of Open, a write or Close.
    std::error_code LastError() const { return LastError_; }

    // Flushes and closes both files; false if the output could not be completed.
    // Then the file ends after the last value it took whole: no value is cut.
    bool Close();

private:
    struct TFileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using TFile = std::unique_ptr<std::FILE, TFileCloser>;

    // Enough values to make each write to the file worth its system call; more
    // only while the file takes nothing.
    static constexpr std::size_t InitialPendingCapacity = 64 * 1024;

    void FlushPending();
    void GrowPending();
    void RecordWriteFailure();
    void RecordWriteToClosedFile();

    std::filesystem::path InputPath_;
    std::filesystem::path OutputPath_;
    TFile InputFile_;
    TFile OutputFile_;
    std::unique_ptr<TDecimalReader> Reader_;
    std::unique_ptr<char[]> Pending_;  // written values not yet handed to the output file
    std::size_t PendingSize_ = 0;
    std::uint64_t PendingValues_ = 0;  // the values that end in Pending_
    std::uint64_t ValuesWritten_ = 0;
    std::size_t PendingFlushAt_ = 0;      // flush past this, leaving room for one more value
    std::uintmax_t FileSize_ = 0;         // bytes the output file has taken
    std::uintmax_t WholeValuesSize_ = 0;  // ... up to the end of its last whole value
    TFlushPolicy FlushPolicy_ = TFlushPolicy::EveryWrite;
    TDecimalReader::TScanning Scanning_ = TDecimalReader::TScanning::OnCallersThread;
    bool WriteFailed_ = false;
    std::error_code LastError_;
};

// The process-wide data files of the simulator.
extern TDataFiles DataFiles;
