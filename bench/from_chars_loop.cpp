// Baseline: the runner's steps as a plain loop over std::from_chars and
// std::to_chars with a fixed input buffer and a fixed output buffer: what
// anyone would write in an afternoon for well-formed input.
// Usage: from_chars_loop INPUT OUTPUT STEPS
#include <cctype>
#include <charconv>
#include <cstring>

#include "BaselineLoop.h"

namespace {

char In[1 << 16];
std::size_t Have = 0, At = 0;
bool Ended = false;
char Out[1 << 16];
std::size_t Written = 0;

void Refill(std::FILE* in) {
    std::memmove(In, In + At, Have - At);
    Have -= At;
    At = 0;
    const std::size_t read = std::fread(In + Have, 1, sizeof In - Have, in);
    Have += read;
    Ended = read == 0;
}

// Keeps a whole number ahead of At, unless the file has ended.
bool Read(std::FILE* in, int& target) {
    for (;;) {
        while (At < Have && std::isspace(static_cast<unsigned char>(In[At]))) ++At;
        if (Have - At >= 32 || Ended) break;
        Refill(in);
    }
    const char* p = In + At;
    if (p < In + Have && *p == '+') ++p;  // from_chars takes no plus sign
    const auto [end, error] = std::from_chars(p, In + Have, target);
    if (error != std::errc()) return false;
    At = static_cast<std::size_t>(end - In);
    return true;
}

void Write(std::FILE* out, int value) {
    if (Written > sizeof Out - 16) {
        std::fwrite(Out, 1, Written, out);
        Written = 0;
    }
    Written =
        static_cast<std::size_t>(std::to_chars(Out + Written, Out + sizeof Out, value).ptr - Out);
    Out[Written++] = ' ';
}

}  // namespace

int main(int argc, char** argv) {
    TBaselineFiles files;
    if (!files.Open(argc, argv, "rb", "wb")) return 2;
    RunSteps(
        files.Steps, [&](int& number) { return Read(files.In, number); },
        [&](int value) { Write(files.Out, value); });
    std::fwrite(Out, 1, Written, files.Out);
    return files.Close();
}
