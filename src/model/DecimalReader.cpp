#include "DecimalReader.h"

namespace {

constexpr std::size_t BlockSize = 64 * 1024;

}  // namespace

TDecimalReader::TDecimalReader(std::FILE* stream)
    : Stream_(stream), Buffer_(std::make_unique<char[]>(BlockSize + 1 + sizeof(std::uint64_t))) {
    // The blocks come straight from the file, without a second copy in stdio.
    std::setvbuf(Stream_, nullptr, _IONBF, 0);
    Next_ = End_ = Buffer_.get();
    Buffer_[0] = '\0';
}

bool TDecimalReader::Refill() {
    const std::size_t read = std::fread(Buffer_.get(), 1, BlockSize, Stream_);
    Buffer_[read] = '\0';
    Next_ = Buffer_.get();
    End_ = Next_ + read;
    return read > 0;
}
