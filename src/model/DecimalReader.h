#pragma once

#include <cstdio>
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
        if (!IsDigit(*p)) {
            Next_ = p;
            return false;
        }
        std::uint32_t magnitude = 0;
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

private:
    // Space, \t, \n, \v, \f and \r: the C locale's white space.
    static constexpr bool IsSpace(char c) {
        return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
    }
    static constexpr bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

    // Reads the next block; false at the end of the stream. Either way the
    // buffer ends in a NUL, which is neither blank, sign nor digit, so the scans
    // above stop at the end of a block without checking for it on every character.
    bool Refill();

    std::FILE* Stream_;
    std::unique_ptr<char[]> Buffer_;
    const char* Next_;
    const char* End_;
};
