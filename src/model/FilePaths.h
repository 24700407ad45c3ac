#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// Paths in any language: text in this program is UTF-8, and each system is
// given a path in the form it takes.
inline std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::u8string(text.begin(), text.end());
}

inline std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The C library's fopen for a path in any language.
inline std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    // Platform corner: Windows takes a path with letters outside the ANSI code
    // page only as UTF-16, through _wfopen.
    wchar_t wideMode[8] = {};
    for (std::size_t i = 0; mode[i] != '\0' && i + 1 < std::size(wideMode); ++i)
        wideMode[i] = static_cast<wchar_t>(mode[i]);
    return _wfopen(path.c_str(), wideMode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}
