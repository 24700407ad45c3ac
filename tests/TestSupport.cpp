#include "TestSupport.h"

#include <fstream>
#include <iterator>
#include <random>

TScratchDirectory::TScratchDirectory() : Previous_(std::filesystem::current_path()) {
    std::random_device random;
    do {
        Path_ =
            std::filesystem::temp_directory_path() / ("preprocessor-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(Path_));
    std::filesystem::current_path(Path_);
}

TScratchDirectory::~TScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(Previous_, ignored);
    std::filesystem::remove_all(Path_, ignored);
}

void WriteTextFile(const std::filesystem::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string ReadTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifndef _WIN32
TFileSizeLimit::TFileSizeLimit(rlim_t bytes) : PreviousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &Previous_);
    rlimit limit = Previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

void TFileSizeLimit::Lift() {
    setrlimit(RLIMIT_FSIZE, &Previous_);
}

TFileSizeLimit::~TFileSizeLimit() {
    Lift();
    std::signal(SIGXFSZ, PreviousHandler_);
}
#endif
