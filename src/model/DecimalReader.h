#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Register.h"

// Reads signed decimal integers from a C stream as the "%d" conversion does:
// white space (as isspace in the C locale) is skipped, then an optional sign and
// a run of digits are taken. A number too long for 32 bits keeps its low 32 bits.
// A failed read leaves the target as it was, and the character that failed it
// stays unread, so every later read fails there too; a sign before it is consumed.
//
// It reads the stream in large blocks through a buffer of its own, so memory
// stays the same whatever the input, and the stream must not be read otherwise.
class TDecimalReader {
public:
    explicit TDecimalReader(std::FILE* stream);

    bool Read(TRegister& target) {
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
        std::uint32_t magnitude = ValueOfDigits(p, leading);
        p += leading;
        // A number of eight digits or more, or one cut by the end of a block, goes
        // on a digit at a time.
        for (;;) {
            while (IsDigit(*p))
                magnitude = magnitude * 10u + static_cast<std::uint32_t>(*p++ - '0');
            if (p != End_) break;
            const bool more = Refill();
            p = Next_;
            if (!more) break;
        }
        Next_ = p;
        target = static_cast<TRegister>(negative ? 0u - magnitude : magnitude);
        return true;
    }

private:
    // Space, \t, \n, \v, \f and \r: the C locale's white space.
    static constexpr bool IsSpace(char c) {
        return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
    }
    static constexpr bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

    // Eight characters at a time, as one little-endian word: the first is the
    // lowest byte. The buffer has room to read a word past its end.
    static std::uint64_t Word(const char* p) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        return word;
    }

    // How many of the eight characters at p are digits before the first that is not.
    // A byte is a digit if it and the byte plus 6 both have 3 in the high nibble;
    // a carry out of a byte that is not a digit can only spoil the bytes after it.
    static unsigned LeadingDigits(const char* p) {
        constexpr std::uint64_t High = 0xF0F0F0F0F0F0F0F0, Threes = 0x3030303030303030;
        const std::uint64_t word = Word(p);
        const std::uint64_t notDigit =
            ((word & High) ^ Threes) | (((word + 0x0606060606060606) & High) ^ Threes);
        return notDigit == 0 ? 8 : static_cast<unsigned>(std::countr_zero(notDigit)) / 8;
    }

    // The value of the 1 to 8 digits at p: moved to the top of the word behind
    // zeros, then combined pairwise into 2-, 4- and 8-digit values.
    static std::uint32_t ValueOfDigits(const char* p, unsigned count) {
        std::uint64_t digits = (Word(p) - 0x3030303030303030) << (8 * (8 - count));
        digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FF;
        digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFF;
        digits = digits * 10000 + (digits >> 32);
        return static_cast<std::uint32_t>(digits);
    }

    // Reads the next block; false at the end of the stream. Either way the
    // buffer ends in a NUL, which is neither blank, sign nor digit, so the scans
    // above stop at the end of a block without checking for it on every character.
    bool Refill();

    std::FILE* Stream_;
    std::unique_ptr<char[]> Buffer_;
    const char* Next_;
    const char* End_;
    bool Ended_ = false;
};
