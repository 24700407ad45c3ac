#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// What the fuzz targets share: a broken invariant aborts, which the fuzzer
// reports with the input; and a directory of the process's own for the files of
// a run, removed at exit.
inline void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

struct TFuzzDirectory {
    TFuzzDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-XXXXXX").string();
        Require(mkdtemp(pattern.data()) != nullptr, "a scratch directory");
        Path = pattern;
    }
    ~TFuzzDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    std::filesystem::path Path;
};
