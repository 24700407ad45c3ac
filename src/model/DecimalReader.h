#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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
// The numbers of a block (blanks, signs and up to ten digits) are found a window
// of 64 bytes at a time and converted together, ahead of the reads that return
// them; what is left (other bytes, longer numbers, a number cut by the block's
// end, the end of the stream) is read a number at a time.
class TDecimalReader {
public:
    explicit TDecimalReader(std::FILE* stream);

    bool Read(TRegister& target) {
        if (Taken_ == Queued_) {
            // The target's address is not passed on: a register of the caller
            // can stay in a register of the processor.
            const TReadResult read = ReadAhead();
            if (read.Read) target = read.Value;
            return read.Read;
        }
        target = Queue_[Taken_++];
        return true;
    }

private:
    // Room for the numbers of many windows: a window holds at most 32 numbers.
    // The conversion, four numbers at a time, may write up to three values past
    // those it converts.
    static constexpr std::size_t QueueCapacity = 512;
    static constexpr std::size_t ConversionOverrun = 3;

    struct TReadResult {
        bool Read;
        TRegister Value;
    };

    // Queues the numbers ahead and returns the first; where none can be queued,
    // reads one number by itself.
    TReadResult ReadAhead();
    std::size_t QueueNumbers();
    // Converts the queued numbers' digits into the queue; returns their count.
    std::size_t ConvertQueued(std::size_t count, std::size_t longCount);
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
    std::array<TRegister, QueueCapacity + ConversionOverrun> Queue_{};
    std::size_t Taken_ = 0;
    std::size_t Queued_ = 0;

    // The queued numbers before their conversion: the last eight digits of each
    // (as AlignedDigits gives them), its sign as a mask of all ones or none, and
    // for the few of nine or ten digits what their leading digits add. Members,
    // so that no read sets them up.
    struct TLongNumber {
        std::size_t Index;
        std::uint32_t LeadingPart;  // signed as the number, modulo 2^32
    };
    std::array<std::uint64_t, QueueCapacity + ConversionOverrun> Digits_{};
    std::array<std::uint32_t, QueueCapacity + ConversionOverrun> Negative_{};
    std::array<TLongNumber, QueueCapacity> LongNumbers_{};
};
