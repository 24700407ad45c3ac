#pragma once

#include <stdexcept>
#include <string>

// The general error class of the window framework. It is a std::runtime_error so
// that code written against the standard library can catch it too; only errors of
// this class carry a message to the user, anything else thrown is shown without one.
class Exception : public std::runtime_error {
public:
    // The message in UTF-8, as all text of the framework.
    explicit Exception(const std::string& message) : std::runtime_error(message) {}

    std::string Message() const { return what(); }
};
