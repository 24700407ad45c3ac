#include "IntReader.h"

#include <cstdint>

namespace {

// The C locale's white space, without consulting the process locale.
constexpr bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsDigit(int c) { return c >= '0' && c <= '9'; }

void PutBack(int c, std::FILE* stream) {
    if (c != EOF) std::ungetc(c, stream);
}

}  // namespace

bool ReadDecimal(std::FILE* stream, TRegister& target) {
    int c;
    do {
        c = getc_unlocked(stream);
    } while (IsSpace(c));

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = getc_unlocked(stream);
    }
    if (!IsDigit(c)) {
        PutBack(c, stream);
        return false;
    }

    std::uint32_t magnitude = 0;
    do {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(c - '0');
        c = getc_unlocked(stream);
    } while (IsDigit(c));
    PutBack(c, stream);

    target = static_cast<TRegister>(negative ? 0u - magnitude : magnitude);
    return true;
}
