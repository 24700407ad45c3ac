#include "Application.h"

#include <cstdio>

#include "Register.h"

TApplication* Application = nullptr;

void TApplication::HandleException(std::exception_ptr error) noexcept {
    try {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& known) {
            ShowException(known);
        } catch (...) {
            ShowException(Exception(std::string()));
        }
    } catch (...) {
        // Showing the box failed too (out of memory, most likely); say what we can.
        std::fputs("error: an error occurred and could not be shown\n", stderr);
    }
}

std::string IntToStr(std::int32_t value) {
    std::string text;
    AppendDecimal(text, value);
    return text;
}
