#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

// The forms of input.txt a user feeds the runner, each made from a fixed seed:
// the numbers a real signal gives (signed, of every width), and the ways files
// lay them out (CR LF and tabs, plus signs, an end marker part of the way).
struct TInputForm {
    const char* Name;
    const char* Description;
    void (*Write)(std::string& text, std::mt19937& random, int pairs);
};

namespace InputFormsDetail {

inline void Append(std::string& text, long long value, bool plus = false) {
    if (plus && value >= 0) text += '+';
    text += std::to_string(value);
}

// A first number of -999 would end the data early; such inputs are another form.
inline long long NotTheEndMarker(long long value) {
    return value == -999 ? -998 : value;
}

inline long long SixDigits(std::mt19937& random, bool sign) {
    const long long magnitude = std::uniform_int_distribution<long long>(100000, 999999)(random);
    return sign && (random() & 1) ? -magnitude : magnitude;
}

// Pairs of the form `first second` and a line end, from a number source.
template <class TNumber>
void Pairs(std::string& text, int pairs, TNumber number, const char* separator = " ",
           const char* lineEnd = "\n", bool plus = false) {
    for (int i = 0; i < pairs; ++i) {
        Append(text, NotTheEndMarker(number()), plus);
        text += separator;
        Append(text, number(), plus);
        text += lineEnd;
    }
}

}  // namespace InputFormsDetail

inline const std::vector<TInputForm>& InputForms() {
    using namespace InputFormsDetail;
    static const std::vector<TInputForm> forms = {
        {"unsigned", "unsigned six-digit",
         [](std::string& text, std::mt19937& random, int pairs) {
             Pairs(text, pairs, [&] { return SixDigits(random, false); });
         }},
        {"signed", "signed six-digit",
         [](std::string& text, std::mt19937& random, int pairs) {
             Pairs(text, pairs, [&] { return SixDigits(random, true); });
         }},
        {"small", "small signed, -99..99",
         [](std::string& text, std::mt19937& random, int pairs) {
             std::uniform_int_distribution<int> small(-99, 99);
             Pairs(text, pairs, [&] { return small(random); });
         }},
        {"samples", "12-bit samples (sine + noise)",
         [](std::string& text, std::mt19937& random, int pairs) {
             std::normal_distribution<double> noise(0, 120);
             long long t = 0;
             Pairs(text, pairs, [&] {
                 const double sample =
                     1800 * std::sin(0.0647 * static_cast<double>(t++)) + noise(random);
                 return std::lround(std::clamp(sample, -2048.0, 2047.0));
             });
         }},
        {"mixed", "mixed widths, 1-9 digits, signed",
         [](std::string& text, std::mt19937& random, int pairs) {
             std::uniform_int_distribution<int> width(1, 9);
             Pairs(text, pairs, [&] {
                 long long limit = 1;
                 for (int i = width(random); i > 0; --i) limit *= 10;
                 const long long magnitude =
                     std::uniform_int_distribution<long long>(limit / 10, limit - 1)(random);
                 return random() & 1 ? -magnitude : magnitude;
             });
         }},
        {"crlf-tabs", "CR LF and tabs, signed six-digit",
         [](std::string& text, std::mt19937& random, int pairs) {
             Pairs(
                 text, pairs, [&] { return SixDigits(random, true); }, "\t", "\r\n");
         }},
        {"plus", "+ before positives, six-digit",
         [](std::string& text, std::mt19937& random, int pairs) {
             Pairs(
                 text, pairs, [&] { return SixDigits(random, true); }, " ", "\n", true);
         }},
        {"marker", "end marker half-way, signed",
         [](std::string& text, std::mt19937& random, int pairs) {
             Pairs(text, pairs / 2, [&] { return SixDigits(random, true); });
             text += "-999 0\n";
             Pairs(text, pairs - pairs / 2 - 1, [&] { return SixDigits(random, true); });
         }},
    };
    return forms;
}

// Writes each form's input.txt, `pairs` pairs, into a folder of its own under
// `root`; returns the folders in the order of InputForms().
inline std::vector<std::filesystem::path> WriteInputForms(const std::filesystem::path& root,
                                                          int pairs) {
    std::vector<std::filesystem::path> folders;
    unsigned seed = 2026;
    for (const TInputForm& form : InputForms()) {
        const auto folder = root / form.Name;
        std::filesystem::create_directories(folder);
        std::mt19937 random(seed++);
        std::string text;
        form.Write(text, random, pairs);
        std::FILE* file = std::fopen((folder / "input.txt").c_str(), "wb");
        if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
            std::fclose(file) != 0)
            throw std::runtime_error("cannot write " + (folder / "input.txt").string());
        folders.push_back(folder);
    }
    return folders;
}
