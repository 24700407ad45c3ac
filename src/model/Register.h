#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

// A register of the simulated preprocessor: 32 bits, signed, wrapping on overflow
// like the hardware it models. The arithmetic is done in unsigned types, where
// wrapping is defined, and converted back.
using TRegister = std::int32_t;

constexpr TRegister WrappingAdd(TRegister a, TRegister b) {
    return static_cast<TRegister>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr TRegister WrappingSub(TRegister a, TRegister b) {
    return static_cast<TRegister>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

namespace RegisterDetail {

// The four decimal digits of each number below 10,000, zero-padded, as ASCII,
// the first digit in the lowest byte. Filled at start-up rather than stored in
// the program: 40 KB less to download in the web page, and no slower to read.
inline const auto FourDigits = [] {
    std::array<std::uint32_t, 10000> table{};
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        table[i] = (0x30 + i / 1000) | (0x30 + i / 100 % 10) << 8 | (0x30 + i / 10 % 10) << 16 |
                   (0x30 + i % 10) << 24;
    }
    return table;
}();

// The eight decimal digits of n < 10^8, zero-padded, as ASCII, the first in the
// lowest byte.
inline std::uint64_t EightDigits(std::uint32_t n) {
    return FourDigits[n / 10000] | static_cast<std::uint64_t>(FourDigits[n % 10000]) << 32;
}

}  // namespace RegisterDetail

// Room for the longest decimal form, "-2147483648", and a separator.
inline constexpr std::size_t DecimalFormCapacity = 12;

// Writes the decimal form of a register (sign only when negative, no padding)
// and returns the end of what was written. It stores eight bytes at a time, so
// `out` needs DecimalFormCapacity bytes of room.
inline char* WriteDecimal(char* out, TRegister value) {
    using namespace RegisterDetail;
    std::uint32_t n = static_cast<std::uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        n = 0u - n;
    }
    if (n >= 100'000'000) {
        const std::uint32_t top = n / 100'000'000;
        if (top >= 10) *out++ = static_cast<char>('0' + top / 10);
        *out++ = static_cast<char>('0' + top % 10);
        const std::uint64_t digits = EightDigits(n % 100'000'000);
        std::memcpy(out, &digits, 8);
        return out + 8;
    }
    // The eight digits with their leading zeros, then the zeros shifted out: they
    // are the low bytes equal to '0' (all but the last, for 0 itself).
    const std::uint64_t digits = EightDigits(n);
    const int zeros = std::countr_zero((digits ^ 0x3030303030303030) | std::uint64_t{1} << 56) / 8;
    const std::uint64_t significant = digits >> (8 * zeros);
    std::memcpy(out, &significant, 8);
    return out + (8 - zeros);
}

inline void AppendDecimal(std::string& text, TRegister value) {
    char digits[DecimalFormCapacity];
    text.append(digits, WriteDecimal(digits, value));
}
