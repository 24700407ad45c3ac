#pragma once

#include <charconv>
#include <cstdint>
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

// Room for the longest decimal form, "-2147483648", and a separator.
inline constexpr std::size_t DecimalFormCapacity = 12;

// Writes the decimal form of a register (sign only when negative, no padding)
// and returns the end of what was written.
inline char* WriteDecimal(char* out, TRegister value) {
    return std::to_chars(out, out + DecimalFormCapacity, value).ptr;
}

inline void AppendDecimal(std::string& text, TRegister value) {
    char digits[DecimalFormCapacity];
    text.append(digits, WriteDecimal(digits, value));
}
