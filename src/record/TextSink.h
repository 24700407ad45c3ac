#pragma once

#include <string>
#include <string_view>

// Where a writer's text goes: a file, or a string.
class TTextSink {
public:
    virtual void Write(std::string_view text) = 0;

protected:
    ~TTextSink() = default;
};

// Text kept in memory.
class TStringSink final : public TTextSink {
public:
    void Write(std::string_view text) override { Text += text; }
    std::string Text;
};
