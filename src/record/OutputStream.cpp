#include "OutputStream.h"

#include <cerrno>

#include "FilePaths.h"

bool TOutputStream::Open(const std::filesystem::path& path, std::FILE* standardOutput) {
    Owned_ = path != "-";
    Name_ = Owned_ ? PathToUtf8(path) : "standard output";
    File_ = Owned_ ? OpenFile(path, "wb") : standardOutput;  // the same bytes on every system
    if (!File_) LastError_ = {errno, std::generic_category()};
    return File_ != nullptr;
}

void TOutputStream::RecordFailure() {
    Failed_ = true;
    LastError_ = {errno, std::generic_category()};
}

bool TOutputStream::Close() {
    if (!File_) return !Failed_;
    if (!Failed_ && std::fflush(File_) != 0) RecordFailure();
    if (Owned_ && std::fclose(File_) != 0 && !Failed_) RecordFailure();
    File_ = nullptr;
    return !Failed_;
}
