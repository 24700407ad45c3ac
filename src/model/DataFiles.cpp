#include "DataFiles.h"

#include <cerrno>
#include <utility>

#include "IntReader.h"

TDataFiles DataFiles;

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

TDataOpenResult TDataFiles::Open() {
    InputFile_.reset(std::fopen(InputPath_.c_str(), "r"));
    if (!InputFile_) {
        LastError_ = std::error_code(errno, std::generic_category());
        return drInputFailed;
    }
    OutputFile_.reset(std::fopen(OutputPath_.c_str(), "w+"));
    if (!OutputFile_) {
        LastError_ = std::error_code(errno, std::generic_category());
        return drOutputFailed;
    }
    return drOk;
}

void TDataFiles::ReadPair(TRegister& minuend, TRegister& subtrahend) {
    if (!InputFile_) return;
    ReadDecimal(InputFile_.get(), minuend);
    ReadDecimal(InputFile_.get(), subtrahend);
}

void TDataFiles::WriteOutput(TRegister value) {
    if (!OutputFile_) {
        WriteFailed_ = true;
        LastError_ = std::make_error_code(std::errc::bad_file_descriptor);
        return;
    }
    char text[DecimalFormCapacity + 1];
    char* end = WriteDecimal(text, value);
    *end++ = ' ';
    const auto length = static_cast<std::size_t>(end - text);
    if (fwrite_unlocked(text, 1, length, OutputFile_.get()) != length) {
        RecordWriteFailure();
    } else if (FlushPolicy_ == TFlushPolicy::EveryWrite && std::fflush(OutputFile_.get()) != 0) {
        RecordWriteFailure();
    }
}

void TDataFiles::RecordWriteFailure() {
    WriteFailed_ = true;
    LastError_ = std::error_code(errno, std::generic_category());
    // Forget the failure on the stream so later writes are attempted, and reported, anew.
    std::clearerr(OutputFile_.get());
}

bool TDataFiles::Close() {
    InputFile_.reset();
    if (OutputFile_ && std::fclose(OutputFile_.release()) != 0) {
        WriteFailed_ = true;
        LastError_ = std::error_code(errno, std::generic_category());
    }
    return !WriteFailed_;
}
