#include "VcdReader.h"

#include <charconv>

namespace {

constexpr std::size_t BufferSize = 1 << 16;

bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

// A reference's bit range, "[31:0]", whether apart or written onto the name.
bool IsBitRange(std::string_view text) {
    return text.size() > 2 && text.front() == '[' && text.back() == ']' &&
           text.find(':') != std::string_view::npos;
}

// A token for a message, in quotes, its first 40 characters at most.
std::string Quoted(std::string_view token) {
    std::string quoted(1, '\'');
    quoted.append(token.substr(0, 40)).push_back('\'');
    return quoted;
}

// The letters a scalar's value may be given in: Verilog's four, and the nine of
// VHDL's std_logic that some simulators write as they stand.
bool IsScalarValue(char c) {
    return std::string_view("01xXzZuUwWlLhH-").find(c) != std::string_view::npos;
}

}  // namespace

TVcdReader::TVcdReader(std::FILE* file)
    : File_(file), Buffer_(std::make_unique<char[]>(BufferSize)) {}

bool TVcdReader::Refill() {
    const std::size_t read = std::fread(Buffer_.get(), 1, BufferSize, File_);
    Position_ = Buffer_.get();
    End_ = Position_ + read;
    return read != 0;
}

bool TVcdReader::NextToken(std::string_view& token) {
    for (;;) {
        if (Position_ == End_ && !Refill()) return false;
        if (!IsBlank(*Position_)) break;
        Line_ += *Position_++ == '\n';
    }
    const char* start = Position_;
    while (Position_ != End_ && !IsBlank(*Position_)) ++Position_;
    if (Position_ != End_) {
        token = {start, static_cast<std::size_t>(Position_ - start)};
        return true;
    }
    Spanning_.assign(start, Position_);
    while (Refill()) {
        start = Position_;
        while (Position_ != End_ && !IsBlank(*Position_)) ++Position_;
        Spanning_.append(start, Position_);
        if (Position_ != End_) break;
    }
    token = Spanning_;
    return true;
}

bool TVcdReader::Fail(std::string message) {
    Error_ = "line " + std::to_string(Line_) + ": " + std::move(message);
    return false;
}

bool TVcdReader::SkipToEnd(std::string_view keyword) {
    for (std::string_view token; NextToken(token);)
        if (token == "$end") return true;
    return Fail(std::string(keyword) + " has no $end: the dump is cut short");
}

bool TVcdReader::ReadDeclarations() {
    std::vector<std::string> scopes;
    std::string_view token;
    while (NextToken(token)) {
        if (token == "$enddefinitions") return SkipToEnd(token);
        if (token == "$scope") {
            std::string_view name;
            if (!NextToken(name) || !NextToken(name)) break;
            scopes.emplace_back(name);
            if (!SkipToEnd("$scope")) return false;
        } else if (token == "$upscope") {
            if (!scopes.empty()) scopes.pop_back();
            if (!SkipToEnd("$upscope")) return false;
        } else if (token == "$var") {
            TVariable variable;
            std::string_view type, width, code, reference;
            if (!NextToken(type)) break;
            variable.Type = type;
            if (!NextToken(width)) break;
            const auto [end, error] =
                std::from_chars(width.data(), width.data() + width.size(), variable.Width);
            if (error != std::errc() || end != width.data() + width.size() || variable.Width == 0)
                return Fail("a $var's width is not a number: " + Quoted(width));
            if (!NextToken(code)) break;
            variable.Code = code;
            // The reference, and perhaps an index or bit range apart from it.
            while (NextToken(reference) && reference != "$end")
                if (!IsBitRange(reference)) variable.Reference += reference;
            if (reference != "$end") break;
            if (const auto range = variable.Reference.rfind('[');
                range != std::string::npos &&
                IsBitRange(std::string_view(variable.Reference).substr(range)))
                variable.Reference.erase(range);
            for (const std::string& scope : scopes)
                variable.Scope += (variable.Scope.empty() ? "" : ".") + scope;
            Variables_.push_back(std::move(variable));
        } else if (token.starts_with('$')) {
            if (!SkipToEnd(token)) return false;  // $date, $version, $timescale, $comment
        } else {
            return Fail(Quoted(token) +
                        " where a declaration should be: this is not a value change dump");
        }
    }
    return Fail("the dump ends before its declarations do ($enddefinitions): it is cut short");
}

TVcdReader::TEvent TVcdReader::Next() {
    std::string_view token;
    while (NextToken(token)) {
        const char first = token.front();
        if (first == '#') {
            std::uint64_t time = 0;
            const auto [end, error] =
                std::from_chars(token.data() + 1, token.data() + token.size(), time);
            if (error != std::errc() || end != token.data() + token.size()) {
                Fail(Quoted(token) + " is not a time");
                return TEvent::Error;
            }
            Time_ = time;
            return TEvent::Time;
        }
        if (IsScalarValue(first) && token.size() > 1) {
            Value_.assign(1, first);
            Code_.assign(token.substr(1));
            return TEvent::Change;
        }
        if (first == 'b' || first == 'B' || first == 'r' || first == 'R') {
            Value_.assign(token);
            if (!NextToken(token)) {
                Fail("the dump ends inside a value change: it is cut short");
                return TEvent::Error;
            }
            Code_.assign(token);
            return TEvent::Change;
        }
        if (token == "$comment") {
            if (!SkipToEnd(token)) return TEvent::Error;
        } else if (!token.starts_with('$')) {  // $dumpvars, $dumpall, $dumpon, $dumpoff, $end
            Fail(Quoted(token) + " is neither a time nor a value change");
            return TEvent::Error;
        }
    }
    return TEvent::End;
}
