#pragma once

#include <cstdio>

#include "Register.h"

// Reads one signed decimal integer from a C stream, as the "%d" conversion does:
// white space (as isspace in the C locale) is skipped, then an optional sign and
// a run of digits are taken. A number too long for 32 bits keeps its low 32 bits.
// On failure the target keeps its value and returns false; the character that
// failed the conversion stays in the stream, while a sign before it is consumed.
// Never holds more than one character of the stream.
bool ReadDecimal(std::FILE* stream, TRegister& target);
