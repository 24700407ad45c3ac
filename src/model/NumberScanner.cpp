#include "NumberScanner.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

// Platform corner: on x86-64, SSE2 (always there) classifies a window of the
// block 16 bytes at a time and converts its numbers four at a time; elsewhere
// the same is done a byte and a number at a time. PREPROCESSOR_PORTABLE_READER
// chooses the latter anywhere, so that the tests cover it on x86-64 too.
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PREPROCESSOR_PORTABLE_READER)
#include <emmintrin.h>
#define PREPROCESSOR_SSE2 1
#endif

namespace {

constexpr std::size_t BlockSize = 64 * 1024;
// The window the numbers are found in, as bits of one 64-bit mask.
constexpr std::size_t WindowSize = 64;
constexpr std::uint64_t LastByteOfWindow = std::uint64_t{1} << (WindowSize - 1);

// Space, \t, \n, \v, \f and \r: the C locale's white space.
constexpr bool IsSpace(char c) {
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}
constexpr bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Eight characters at a time, as one little-endian word: the first is the
// lowest byte. The buffer has room to read a word past its end.
std::uint64_t Word(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// How many of the eight characters at p are digits before the first that is not.
// A byte is a digit if it and the byte plus 6 both have 3 in the high nibble;
// a carry out of a byte that is not a digit can only spoil the bytes after it.
unsigned LeadingDigits(const char* p) {
    constexpr std::uint64_t High = 0xF0F0F0F0F0F0F0F0, Threes = 0x3030303030303030;
    const std::uint64_t word = Word(p);
    const std::uint64_t notDigit =
        ((word & High) ^ Threes) | (((word + 0x0606060606060606) & High) ^ Threes);
    return notDigit == 0 ? 8 : static_cast<unsigned>(std::countr_zero(notDigit)) / 8;
}

// The 1 to 8 digits at p as byte values, moved to the top of a word behind
// zeros: the eight digits of the number, zero-padded, the first in the lowest byte.
std::uint64_t AlignedDigits(const char* p, unsigned count) {
    return (Word(p) - 0x3030303030303030) << (8 * (8 - count));
}

// The value of aligned digits, combined pairwise into 2-, 4- and 8-digit values.
std::uint32_t ValueOfAligned(std::uint64_t digits) {
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FF;
    digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFF;
    digits = digits * 10000 + (digits >> 32);
    return static_cast<std::uint32_t>(digits);
}

// Which of the 64 bytes at p are digits, blanks, minus and plus signs, bit i
// for byte i.
struct TWindowMasks {
    std::uint64_t Digits = 0;
    std::uint64_t Blanks = 0;
    std::uint64_t Minus = 0;
    std::uint64_t Plus = 0;
};

#ifdef PREPROCESSOR_SSE2
// A byte is in [low, low + span] if, less low, it is no more than span unsigned.
__m128i InRange(__m128i bytes, char low, char span) {
    const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
}

std::uint64_t Bits(__m128i bytes, std::size_t at) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(bytes))} << at;
}

TWindowMasks Classify(const char* p) {
    TWindowMasks masks;
    for (std::size_t i = 0; i < WindowSize; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        masks.Digits |= Bits(InRange(bytes, '0', 9), i);
        masks.Blanks |= Bits(_mm_or_si128(InRange(bytes, '\t', '\r' - '\t'),
                                          _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))),
                             i);
        masks.Minus |= Bits(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')), i);
        masks.Plus |= Bits(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('+')), i);
    }
    return masks;
}

// The values of count aligned words, four at a time, combined as ValueOfAligned
// does in 16- and 32-bit lanes, each negated where its mask is all ones; up to
// three values past count are written too.
void ConvertAligned(const std::uint64_t* words, const std::uint32_t* negative, std::size_t count,
                    TRegister* values) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i tensAndOnes = _mm_set1_epi32(0x0001'000A);
    const __m128i hundredsAndOnes = _mm_set1_epi32(0x0001'0064);
    const __m128i tenThousandsAndOnes = _mm_set1_epi32(0x0001'2710);
    const auto pairsOfDigits = [&](__m128i twoWords) {  // 2-digit values, 4 of each word
        return _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(twoWords, zero), tensAndOnes),
                               _mm_madd_epi16(_mm_unpackhi_epi8(twoWords, zero), tensAndOnes));
    };
    for (std::size_t i = 0; i < count; i += 4) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + i));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + i + 2));
        const __m128i fours =
            _mm_packs_epi32(_mm_madd_epi16(pairsOfDigits(first), hundredsAndOnes),
                            _mm_madd_epi16(pairsOfDigits(second), hundredsAndOnes));
        const __m128i magnitudes = _mm_madd_epi16(fours, tenThousandsAndOnes);
        const __m128i signs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(negative + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values + i),
                         _mm_sub_epi32(_mm_xor_si128(magnitudes, signs), signs));
    }
}
#else
TWindowMasks Classify(const char* p) {
    TWindowMasks masks;
    for (std::size_t i = 0; i < WindowSize; ++i) {
        masks.Digits |= std::uint64_t{IsDigit(p[i])} << i;
        masks.Blanks |= std::uint64_t{IsSpace(p[i])} << i;
        masks.Minus |= std::uint64_t{p[i] == '-'} << i;
        masks.Plus |= std::uint64_t{p[i] == '+'} << i;
    }
    return masks;
}

void ConvertAligned(const std::uint64_t* words, const std::uint32_t* negative, std::size_t count,
                    TRegister* values) {
    for (std::size_t i = 0; i < count; ++i)
        values[i] = static_cast<TRegister>((ValueOfAligned(words[i]) ^ negative[i]) - negative[i]);
}
#endif

}  // namespace

TNumberScanner::TNumberScanner(std::FILE* stream)
    : Stream_(stream),
      // Zeroed, with a window's room past the block for the scans that look ahead.
      Buffer_(std::make_unique<char[]>(BlockSize + WindowSize + sizeof(std::uint64_t))) {
    // The blocks come straight from the file, without a second copy in stdio.
    std::setvbuf(Stream_, nullptr, _IONBF, 0);
    Next_ = End_ = Buffer_.get();
}

TScanEnd TNumberScanner::Scan(TRegister* out, std::size_t room, std::size_t& count) {
    count = 0;
    while (room - count >= WindowSize / 2) {
        const std::size_t converted =
            Next_ == End_ ? 0 : ConvertWindows(out + count, std::min(room - count, ChunkSize));
        count += converted;
        if (converted > 0) continue;
        if (!ReadOne(out[count])) {
            const char next = *Next_;  // the NUL at the end of the stream
            return IsSpace(next) || next == '+' || next == '-' ? TScanEnd::FailsOnce
                                                               : TScanEnd::FailsForGood;
        }
        ++count;
    }
    return TScanEnd::Full;
}

// Finds the numbers at Next_, window by window, and converts them together, up
// to `room` of them (no more than ChunkSize). A
// number is an optional sign directly before a run of up to ten digits, with
// only blanks before it, ended by a byte of this block. One cut by a window's
// end begins the next window. The numbers stop before the first byte that is
// none of these (a sign not followed by a digit too), before a longer number,
// and before one that the block's end cuts: ReadOne takes it from there.
// Next_ never follows a digit, so a digit at a window's first byte begins a number.
std::size_t TNumberScanner::ConvertWindows(TRegister* out, std::size_t room) {
    const char* p = Next_;
    std::size_t found = 0, longFound = 0;
    while (found + WindowSize / 2 <= room) {
        const auto [digits, blanks, minus, plus] = Classify(p);
        const std::uint64_t signs = minus | plus;
        // A sign at the window's last byte is decided in the next window.
        const std::uint64_t stops =
            ~(digits | blanks | (signs & (digits >> 1))) & ~(signs & LastByteOfWindow);
        const std::uint64_t firstStop = stops & (0 - stops);  // 0 if none
        const std::uint64_t beforeStop = firstStop - 1;       // all bits if none
        // The NUL after the block is one of the stops, so nothing past it is taken;
        // but a number must also end before it, or it may go on in the next block.
        const auto inBlockBytes = static_cast<std::size_t>(End_ - p);
        const std::uint64_t inBlock =
            inBlockBytes >= WindowSize ? ~std::uint64_t{0} : (std::uint64_t{1} << inBlockBytes) - 1;
        std::uint64_t starts = digits & ~(digits << 1) & beforeStop;
        std::uint64_t ends = ~digits & (digits << 1) & (beforeStop | firstStop) & inBlock;
        // Bit i: the byte before byte i is a minus sign, or any sign.
        const std::uint64_t minusBefore = minus << 1, signBefore = signs << 1;
        for (; ends != 0; starts &= starts - 1, ends &= ends - 1) {
            // Every end has its start before it, so neither mask is empty here.
            const auto start = static_cast<unsigned>(std::countr_zero(starts | LastByteOfWindow));
            const auto end = static_cast<unsigned>(std::countr_zero(ends));
            const std::uint32_t negative =
                0u - static_cast<std::uint32_t>(minusBefore >> start & 1);
            const unsigned length = end - start;
            if (length <= 8) {
                Digits_[found] = AlignedDigits(p + start, length);
            } else if (length <= 10) {
                Digits_[found] = AlignedDigits(p + end - 8, 8);
                std::uint32_t leading = static_cast<std::uint32_t>(p[start] - '0');
                if (length == 10)
                    leading = leading * 10 + static_cast<std::uint32_t>(p[start + 1] - '0');
                LongNumbers_[longFound++] = {found,
                                             ((leading * 100'000'000u) ^ negative) - negative};
            } else {
                Next_ = p + start - (signBefore >> start & 1);
                return ConvertFound(out, found, longFound);
            }
            Negative_[found++] = negative;
        }
        if (starts != 0) {
            // A number that runs past the window (with its sign) begins the next
            // one, unless the block's end cut it or it is longer than a window.
            const auto start = static_cast<unsigned>(std::countr_zero(starts));
            const char* begin = p + start - (signBefore >> start & 1);
            const bool readByItself = firstStop != 0 || begin == p;
            p = begin;
            if (readByItself) break;
        } else if (firstStop != 0) {
            p += std::countr_zero(firstStop);
            break;
        } else {
            p += signs & LastByteOfWindow ? WindowSize - 1 : WindowSize;
        }
    }
    Next_ = p;
    return ConvertFound(out, found, longFound);
}

std::size_t TNumberScanner::ConvertFound(TRegister* out, std::size_t count, std::size_t longCount) {
    ConvertAligned(Digits_.data(), Negative_.data(), count, out);
    for (std::size_t i = 0; i < longCount; ++i) {
        TRegister& value = out[LongNumbers_[i].Index];
        value = WrappingAdd(value, static_cast<TRegister>(LongNumbers_[i].LeadingPart));
    }
    return count;
}

bool TNumberScanner::ReadOne(TRegister& target) {
    const char* p = Next_;
    for (;;) {
        while (IsSpace(*p)) ++p;
        if (p != End_) break;
        if (!Refill()) return false;
        p = Next_;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p++ == '-';
        if (p == End_) {
            if (!Refill()) return false;
            p = Next_;
        }
    }
    const unsigned leading = LeadingDigits(p);
    if (leading == 0) {
        Next_ = p;
        return false;
    }
    std::uint32_t magnitude = ValueOfAligned(AlignedDigits(p, leading));
    p += leading;
    // A number of eight digits or more, or one cut by the end of a block, goes
    // on a digit at a time.
    for (;;) {
        while (IsDigit(*p)) magnitude = magnitude * 10u + static_cast<std::uint32_t>(*p++ - '0');
        if (p != End_) break;
        const bool more = Refill();
        p = Next_;
        if (!more) break;
    }
    Next_ = p;
    target = static_cast<TRegister>(negative ? 0u - magnitude : magnitude);
    return true;
}

// Once the stream has ended it stays ended, as the C library's streams do: no
// more system calls, however many reads still come (every step after the data).
bool TNumberScanner::Refill() {
    if (Ended_) return false;
    const std::size_t read = std::fread(Buffer_.get(), 1, BlockSize, Stream_);
    Buffer_[read] = '\0';
    Next_ = Buffer_.get();
    End_ = Next_ + read;
    Ended_ = read == 0;
    return !Ended_;
}
