#pragma once

#include <QString>
#include <stdexcept>

// The general error class of the window framework. It is a std::runtime_error so
// that code written against the standard library can catch it too; only errors of
// this class carry a message to the user, anything else thrown is shown without one.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString Message() const { return QString::fromUtf8(what()); }
};
