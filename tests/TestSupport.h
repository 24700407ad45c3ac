#pragma once

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "Register.h"

// A fresh directory that is the current one for the life of the object.
class TScratchDirectory {
public:
    TScratchDirectory();
    ~TScratchDirectory();
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return Path_; }

private:
    std::filesystem::path Previous_;
    std::filesystem::path Path_;
};

#ifndef _WIN32
// A full disk, for real: files of this process cannot grow past `bytes` until
// Lift() or the end of the object (a write past it fails, or is cut short).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

    void Lift();

private:
    rlimit Previous_{};
    void (*PreviousHandler_)(int);
};
#endif

void WriteTextFile(const std::filesystem::path& path, std::string_view text);
std::string ReadTextFile(const std::filesystem::path& path);

// What sixteen steps on the bundled example write, each value followed by a space.
inline constexpr std::string_view WorkedExampleInput = "5 2 7 1 4 4 10 3 -999 0\n";
inline constexpr std::string_view WorkedExampleOutput = "0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 ";

// One row of the worked example: what a step shows and the value it writes.
struct TWorkedExampleRow {
    TRegister Fr1, Fr2, Frt1, Frt2, Frt3, Frt4, Frm1, FrOut, Written;
};
inline constexpr std::array<TWorkedExampleRow, 16> WorkedExampleRows{{
    {5, 2, 0, 0, 0, 0, 0, 0, 0},
    {7, 1, 3, 0, 0, 0, 3, 0, 0},
    {4, 4, 6, 3, 0, 0, 6, 3, 0},
    {10, 3, 0, 6, 3, 0, 0, 9, 3},
    {0, 0, 7, 0, 6, 3, 7, 9, 9},
    {0, 0, 0, 7, 0, 6, 0, 16, 9},
    {0, 0, 0, 0, 7, 0, 0, 16, 16},
    {0, 0, 0, 0, 0, 7, 0, 16, 16},
    {0, 0, 0, 0, 0, 0, 0, 16, 16},
    {0, 0, 0, 0, 0, 0, 0, 16, 16},
    {0, 0, 0, 0, 0, 0, 0, 16, 16},
    {0, 0, 0, 0, 0, 0, 0, 16, 16},
    {0, 0, 0, 0, 0, 0, 0, 13, 16},
    {0, 0, 0, 0, 0, 0, 0, 7, 13},
    {0, 0, 0, 0, 0, 0, 0, 7, 7},
    {0, 0, 0, 0, 0, 0, 0, 0, 7},
}};
