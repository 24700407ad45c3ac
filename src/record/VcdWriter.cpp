#include "VcdWriter.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace {

// Each signal's short identifier: one printable character, '!' onwards.
constexpr char Identifier(std::size_t signal) {
    return static_cast<char>('!' + signal);
}
constexpr char EndOfDataIdentifier = Identifier(TVcdWriter::RegisterCount);

// A vector value: 'b', the two's-complement bits without leading zeros (a
// value is extended on the left with 0), a space and the identifier.
void AppendVector(std::string& out, TRegister value, char identifier) {
    const auto bits = static_cast<std::uint32_t>(value);
    out += 'b';
    for (int bit = bits == 0 ? 0 : 31 - std::countl_zero(bits); bit >= 0; --bit)
        out += static_cast<char>('0' + ((bits >> bit) & 1u));
    out += ' ';
    out += identifier;
    out += '\n';
}

void AppendTime(std::string& out, std::uint64_t time) {
    char digits[24];
    out += '#';
    out.append(digits, std::to_chars(digits, digits + sizeof digits, time).ptr);
    out += '\n';
}

// Enough text to make each write worth it.
constexpr std::size_t FlushAt = 64 * 1024;

}  // namespace

TVcdWriter::TVcdWriter(TTextSink& out, std::string_view program) : Out_(out) {
    Pending_ = "$version ";
    Pending_ += program;
    Pending_ +=
        " $end\n"
        "$timescale 1 s $end\n"
        "$scope module preprocessor $end\n";
    // "integer": the language's signed 32-bit type.
    for (std::size_t i = 0; i < RegisterCount; ++i) {
        Pending_ += "$var integer 32 ";
        Pending_ += Identifier(i);
        Pending_ += ' ';
        Pending_ += RecordedRegisterNames[i];
        Pending_ += " $end\n";
    }
    Pending_ += std::string("$var wire 1 ") + EndOfDataIdentifier + " EndOfData $end\n";
    Pending_ += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    for (std::size_t i = 0; i < RegisterCount; ++i) AppendVector(Pending_, 0, Identifier(i));
    Pending_ += std::string("0") + EndOfDataIdentifier + "\n$end\n";
}

void TVcdWriter::WriteStep(std::uint64_t step, const TStepSnapshot& shown, TRegister written,
                           bool endOfData) {
    std::array<TRegister, RegisterCount> values;
    const auto snapshot = shown.Values();
    std::copy(snapshot.begin(), snapshot.end(), values.begin());
    values.back() = written;
    WriteStep(step, values, endOfData);
}

void TVcdWriter::WriteStep(std::uint64_t step, const std::array<TRegister, RegisterCount>& values,
                           bool endOfData) {
    const std::size_t before = Pending_.size();
    AppendTime(Pending_, step);
    const std::size_t afterTime = Pending_.size();
    for (std::size_t i = 0; i < RegisterCount; ++i) {
        const TRegister value = values[i];
        if (value == Values_[i]) continue;
        Values_[i] = value;
        AppendVector(Pending_, value, Identifier(i));
    }
    if (endOfData != EndOfData_) {
        EndOfData_ = endOfData;
        Pending_ += endOfData ? '1' : '0';
        Pending_ += EndOfDataIdentifier;
        Pending_ += '\n';
    }
    if (Pending_.size() == afterTime) {
        Pending_.resize(before);  // nothing changed: no time either
    } else {
        LastTime_ = step;
    }
    if (Pending_.size() >= FlushAt) Flush();
}

void TVcdWriter::Finish(std::uint64_t steps) {
    if (steps > LastTime_) AppendTime(Pending_, steps);
    Flush();
}

void TVcdWriter::Flush() {
    Out_.Write(Pending_);
    Pending_.clear();
}
