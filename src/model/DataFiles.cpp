#include "DataFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "FilePaths.h"

TDataFiles DataFiles;

namespace {

std::error_code LastSystemError() {
    return {errno, std::generic_category()};
}

}  // namespace

std::string_view OpenFailureMessage(TDataOpenResult result) {
    switch (result) {
        case drInputFailed:
            return InputOpenFailedMessage;
        case drOutputFailed:
            return OutputOpenFailedMessage;
        case drOk:
            break;
    }
    return {};
}

TDataFiles::TDataFiles() : TDataFiles("input.txt", "output.txt") {}

TDataFiles::TDataFiles(std::filesystem::path inputPath, std::filesystem::path outputPath)
    : InputPath_(std::move(inputPath)), OutputPath_(std::move(outputPath)) {}

TDataFiles& TDataFiles::operator=(TDataFiles&& other) noexcept {
    if (this != &other) {
        Close();
        InputPath_ = std::move(other.InputPath_);
        OutputPath_ = std::move(other.OutputPath_);
        InputFile_ = std::move(other.InputFile_);
        OutputFile_ = std::move(other.OutputFile_);
        Reader_ = std::move(other.Reader_);
        Pending_ = std::move(other.Pending_);
        PendingSize_ = std::exchange(other.PendingSize_, 0);
        PendingValues_ = std::exchange(other.PendingValues_, 0);
        ValuesWritten_ = other.ValuesWritten_;
        PendingFlushAt_ = other.PendingFlushAt_;
        FileSize_ = other.FileSize_;
        WholeValuesSize_ = other.WholeValuesSize_;
        FlushPolicy_ = other.FlushPolicy_;
        Scanning_ = other.Scanning_;
        WriteFailed_ = other.WriteFailed_;
        LastError_ = other.LastError_;
    }
    return *this;
}

TDataOpenResult TDataFiles::Open() {
    // A directory opens for reading on some systems, but every read of it fails:
    // it is no input file, and saying so beats a silent run on zeros.
    std::error_code ignored;
    if (std::filesystem::is_directory(InputPath_, ignored)) {
        LastError_ = std::make_error_code(std::errc::is_a_directory);
        return drInputFailed;
    }
    InputFile_.reset(OpenFile(InputPath_, "r"));
    if (!InputFile_) {
        LastError_ = LastSystemError();
        return drInputFailed;
    }
    Reader_ = std::make_unique<TDecimalReader>(InputFile_.get(), Scanning_);
    OutputFile_.reset(OpenFile(OutputPath_, "w+"));
    if (!OutputFile_) {
        LastError_ = LastSystemError();
        return drOutputFailed;
    }
    // Values are gathered in Pending_ and handed over whole, without stdio's copy.
    std::setvbuf(OutputFile_.get(), nullptr, _IONBF, 0);
    Pending_ = std::make_unique<char[]>(InitialPendingCapacity);
    PendingFlushAt_ = InitialPendingCapacity - DecimalFormCapacity - 1;
    return drOk;
}

void TDataFiles::RecordWriteToClosedFile() {
    WriteFailed_ = true;
    LastError_ = std::make_error_code(std::errc::bad_file_descriptor);
}

// What the file did not take stays at the front of Pending_, to go first next
// time; a value it took only part of is finished then, so none is ever cut.
void TDataFiles::FlushPending() {
    if (PendingSize_ == 0) return;
    const char* pending = Pending_.get();
    const std::size_t taken = std::fwrite(pending, 1, PendingSize_, OutputFile_.get());
    FileSize_ += taken;
    if (taken == PendingSize_) {
        WholeValuesSize_ = FileSize_;  // the pending bytes always end after a value
        ValuesWritten_ += std::exchange(PendingValues_, 0);
    } else {
        const char* lastSpace = std::find(std::make_reverse_iterator(pending + taken),
                                          std::make_reverse_iterator(pending), ' ')
                                    .base();
        if (lastSpace != pending) WholeValuesSize_ = FileSize_ - (pending + taken - lastSpace);
        const auto finished = static_cast<std::uint64_t>(std::count(pending, lastSpace, ' '));
        ValuesWritten_ += finished;
        PendingValues_ -= finished;
    }
    if (taken != PendingSize_ || std::fflush(OutputFile_.get()) != 0) RecordWriteFailure();
    PendingSize_ -= taken;
    std::memmove(Pending_.get(), pending + taken, PendingSize_);
    if (PendingSize_ > PendingFlushAt_) GrowPending();
}

void TDataFiles::GrowPending() {
    const std::size_t capacity = 2 * (PendingFlushAt_ + DecimalFormCapacity + 1);
    auto grown = std::make_unique<char[]>(capacity);
    std::memcpy(grown.get(), Pending_.get(), PendingSize_);
    Pending_ = std::move(grown);
    PendingFlushAt_ = capacity - DecimalFormCapacity - 1;
}

void TDataFiles::RecordWriteFailure() {
    WriteFailed_ = true;
    LastError_ = LastSystemError();
    // Forget the failure on the stream so later writes are attempted, and reported, anew.
    std::clearerr(OutputFile_.get());
}

bool TDataFiles::Close() {
    Reader_.reset();
    InputFile_.reset();
    if (OutputFile_) {
        FlushPending();
        if (std::fclose(OutputFile_.release()) != 0) {
            WriteFailed_ = true;
            LastError_ = LastSystemError();
        }
        if (WholeValuesSize_ != FileSize_) {
            std::error_code ignored;  // the failure that cut the value is reported already
            std::filesystem::resize_file(OutputPath_, WholeValuesSize_, ignored);
        }
        PendingSize_ = 0;
        PendingValues_ = 0;
    }
    return !WriteFailed_;
}
