#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A value change dump (VCD, IEEE 1364) as any simulator writes one, read as it
// streams: first the declarations, then the times and value changes in order.
class TVcdReader {
public:
    struct TVariable {
        std::string Scope;      // the enclosing scopes, joined by '.'
        std::string Reference;  // as declared, less a bit range: "DelayLine[3]", "Minuend"
        std::string Type;       // reg, wire, integer, ...
        unsigned Width = 0;
        std::string Code;  // the identifier its changes are given by

        std::string FullName() const { return Scope.empty() ? Reference : Scope + '.' + Reference; }
    };

    enum class TEvent {
        Time,    // Time() is the new time
        Change,  // Code() took Value(): "0", "x", "b1010", "r2.5"; first letter as written
        End,     // the dump is over
        Error,   // it cannot be read on: Error() says why
    };

    explicit TVcdReader(std::FILE* file);

    // Reads up to the end of the declarations; false, with Error(), if they cannot be.
    bool ReadDeclarations();
    const std::vector<TVariable>& Variables() const { return Variables_; }

    TEvent Next();
    std::uint64_t Time() const { return Time_; }
    std::string_view Code() const { return Code_; }
    std::string_view Value() const { return Value_; }
    const std::string& Error() const { return Error_; }

private:
    bool NextToken(std::string_view& token);
    bool Refill();
    bool SkipToEnd(std::string_view keyword);
    bool Fail(std::string message);

    std::FILE* File_;
    std::unique_ptr<char[]> Buffer_;
    const char* Position_ = nullptr;
    const char* End_ = nullptr;
    std::string Spanning_;  // a token that runs across two fills of the buffer
    std::uint64_t Line_ = 1;

    std::vector<TVariable> Variables_;
    std::uint64_t Time_ = 0;
    std::string Code_;
    std::string Value_;
    std::string Error_;
};
