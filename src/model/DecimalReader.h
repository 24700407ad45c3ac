#pragma once

#include <array>
#include <cstddef>
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
// Plain stretches of a block (blanks and unsigned numbers of up to eight digits)
// are converted many numbers at a time, ahead of the reads that return them;
// everything else is read a number at a time.
class TDecimalReader {
public:
    explicit TDecimalReader(std::FILE* stream);

    bool Read(TRegister& target) {
        if (Taken_ == Queued_) return ReadAhead(target);
        target = Queue_[Taken_++];
        return true;
    }

private:
    // Room for the numbers of several 64-byte windows of a block; the conversion,
    // four numbers at a time, may write up to three values past those it converts.
    static constexpr std::size_t QueueCapacity = 256;
    static constexpr std::size_t ConversionOverrun = 3;

    // Converts the plain stretch at Next_ into the queue and returns its first
    // number; where there is none, reads one number by itself.
    bool ReadAhead(TRegister& target);
    std::size_t QueuePlainStretch();
    bool ReadOne(TRegister& target);

    // Reads the next block; false at the end of the stream. Either way the
    // buffer ends in a NUL, which is neither blank, sign nor digit, so scans
    // stop at the end of a block without checking for it on every character.
    bool Refill();

    std::FILE* Stream_;
    std::unique_ptr<char[]> Buffer_;
    const char* Next_;
    const char* End_;
    bool Ended_ = false;
    std::array<TRegister, QueueCapacity + ConversionOverrun> Queue_;
    std::size_t Taken_ = 0;
    std::size_t Queued_ = 0;
};
