#include "DataFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

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
        FlushPolicy_ = other.FlushPolicy_;
        WriteFailed_ = other.WriteFailed_;
        LastError_ = other.LastError_;
    }
    return *this;
}

TDataOpenResult TDataFiles::Open() {
    InputFile_.reset(std::fopen(InputPath_.c_str(), "r"));
    if (!InputFile_) {
        LastError_ = LastSystemError();
        return drInputFailed;
    }
    // A directory opens for reading here, but every read of it fails: it is no
    // input file, and saying so beats a silent run on zeros.
    struct stat status {};
    if (fstat(fileno(InputFile_.get()), &status) == 0 && S_ISDIR(status.st_mode)) {
        InputFile_.reset();
        LastError_ = std::make_error_code(std::errc::is_a_directory);
        return drInputFailed;
    }
    Reader_.emplace(InputFile_.get());
    OutputFile_.reset(std::fopen(OutputPath_.c_str(), "w+"));
    if (!OutputFile_) {
        LastError_ = LastSystemError();
        return drOutputFailed;
    }
    // Values are gathered in Pending_ and handed over whole, without stdio's copy.
    std::setvbuf(OutputFile_.get(), nullptr, _IONBF, 0);
    Pending_ = std::make_unique<char[]>(PendingCapacity);
    return drOk;
}

void TDataFiles::RecordWriteToClosedFile() {
    WriteFailed_ = true;
    LastError_ = std::make_error_code(std::errc::bad_file_descriptor);
}

void TDataFiles::FlushPending() {
    if (PendingSize_ == 0) return;
    if (std::fwrite(Pending_.get(), 1, PendingSize_, OutputFile_.get()) != PendingSize_ ||
        std::fflush(OutputFile_.get()) != 0) {
        RecordWriteFailure();
    }
    PendingSize_ = 0;
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
    }
    return !WriteFailed_;
}
