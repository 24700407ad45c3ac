#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "Register.h"

// How a scan ended: with the room given full, or at a read that fails. A read
// that fails consumes at most a sign; where a blank or another sign follows it,
// the reads after it go on ("- 5" fails once, then gives 5), otherwise (at the
// end of the stream, or at a byte that is no number) every later read fails too.
enum class TScanEnd { Full, FailsOnce, FailsForGood };

// Finds the signed decimal integers of a C stream and converts them, as
// successive reads of the "%d" conversion do: white space (as isspace in the C
// locale) is skipped, then an optional sign and a run of digits are taken. A
// number too long for 32 bits keeps its low 32 bits. A read fails where the
// next character is neither blank, sign nor digit, and leaves it unread.
//
// It reads the stream in large blocks through a buffer of its own, so memory
// stays the same whatever the input, and the stream must not be read otherwise.
// The numbers of a block (blanks, signs and up to ten digits) are found a window
// of 64 bytes at a time and converted many at a time; what is left (other
// bytes, longer numbers, a number cut by the block's end, the end of the
// stream) is read a number at a time.
class TNumberScanner {
public:
    // The numbers of many windows are converted together: at most this many at
    // once, and the conversion may write up to Overrun values past them.
    static constexpr std::size_t ChunkSize = 512;
    static constexpr std::size_t Overrun = 3;

    explicit TNumberScanner(std::FILE* stream);

    // Converts the next numbers into `out`, which holds room + Overrun values,
    // until `room` of them are there (room being ChunkSize or more) or a read
    // fails; `count` receives how many were converted.
    TScanEnd Scan(TRegister* out, std::size_t room, std::size_t& count);

private:
    std::size_t ConvertWindows(TRegister* out, std::size_t room);
    std::size_t ConvertFound(TRegister* out, std::size_t count, std::size_t longCount);
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

    // The numbers found before their conversion: the last eight digits of each
    // (as AlignedDigits gives them), its sign as a mask of all ones or none, and
    // for the few of nine or ten digits what their leading digits add. Members,
    // so that no scan sets them up.
    struct TLongNumber {
        std::size_t Index;
        std::uint32_t LeadingPart;  // signed as the number, modulo 2^32
    };
    std::array<std::uint64_t, ChunkSize + Overrun> Digits_{};
    std::array<std::uint32_t, ChunkSize + Overrun> Negative_{};
    std::array<TLongNumber, ChunkSize> LongNumbers_{};
};
