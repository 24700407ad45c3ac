#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// A directory under the system's temporary one holding input.txt: `pairs` lines
// of two random six-digit numbers, made on first use in this process.
inline std::filesystem::path MakeRandomInputDirectory(const std::string& name, int pairs,
                                                      unsigned seed) {
    auto path = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> sixDigits(100000, 999999);
    std::ofstream input(path / "input.txt");
    for (int i = 0; i < pairs; ++i) input << sixDigits(random) << ' ' << sixDigits(random) << '\n';
    return path;
}
