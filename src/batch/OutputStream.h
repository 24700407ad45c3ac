#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// A text file the runner writes besides output.txt (the trace), or standard
// output. Every write is checked; the first failure is kept with its reason.
class TOutputStream {
public:
    TOutputStream() = default;
    ~TOutputStream() { Close(); }
    TOutputStream(const TOutputStream&) = delete;
    TOutputStream& operator=(const TOutputStream&) = delete;

    // Opens the file for writing, emptying it, or takes `standardOutput` for "-".
    bool Open(const std::filesystem::path& path, std::FILE* standardOutput);

    bool IsOpen() const { return File_ != nullptr; }

    void Write(std::string_view text) {
        if (!Failed_ && std::fwrite(text.data(), 1, text.size(), File_) != text.size())
            RecordFailure();
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
