#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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

void WriteTextFile(const std::filesystem::path& path, std::string_view text);
std::string ReadTextFile(const std::filesystem::path& path);

// What sixteen steps on the bundled example write, each value followed by a space.
inline constexpr std::string_view WorkedExampleInput = "5 2 7 1 4 4 10 3 -999 0\n";
inline constexpr std::string_view WorkedExampleOutput = "0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 ";
