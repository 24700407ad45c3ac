#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "TextSink.h"

// A text file written besides output.txt (the trace, the value change dump), or
// standard output. Every write is checked; the first failure is kept with its reason.
class TOutputStream final : public TTextSink {
public:
    TOutputStream() = default;
    ~TOutputStream() { Close(); }
    TOutputStream(const TOutputStream&) = delete;
    TOutputStream& operator=(const TOutputStream&) = delete;

    // Opens the file for writing, emptying it, or takes `standardOutput` for "-".
    bool Open(const std::filesystem::path& path, std::FILE* standardOutput);

    bool IsOpen() const { return File_ != nullptr; }

    void Write(std::string_view text) override {
        if (!Failed_ && std::fwrite(text.data(), 1, text.size(), File_) != text.size())
            RecordFailure();
    }

    // Hands what is written to the system, so a crash loses none of it.
    void Flush() {
        if (!Failed_ && std::fflush(File_) != 0) RecordFailure();
    }

    // Flushes, and closes a file it opened; false if anything written was lost.
    bool Close();

    // The file's name, or "standard output".
    const std::string& Name() const { return Name_; }
    std::error_code LastError() const { return LastError_; }

private:
    void RecordFailure();

    std::FILE* File_ = nullptr;
    bool Owned_ = false;
    bool Failed_ = false;
    std::string Name_;
    std::error_code LastError_;
};
