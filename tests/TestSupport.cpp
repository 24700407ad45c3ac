#include "TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

TScratchDirectory::TScratchDirectory() : Previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "preprocessor-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch directory");
    Path_ = pattern;
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
