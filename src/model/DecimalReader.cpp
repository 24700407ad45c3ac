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

// Once the stream has ended it stays ended, as the C library's streams do: no
// more system calls, however many reads still come (every step after the data).
bool TDecimalReader::Refill() {
    if (Ended_) return false;
    const std::size_t read = std::fread(Buffer_.get(), 1, BlockSize, Stream_);
    Buffer_[read] = '\0';
    Next_ = Buffer_.get();
    End_ = Next_ + read;
    Ended_ = read == 0;
    return !Ended_;
}
