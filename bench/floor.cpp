// The floor under any batch run: a process that reads the input through and
// writes as many bytes as the run's output holds, converting nothing, in the
// runner's block size. Usage: floor INPUT OUTPUT BYTES
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    std::FILE* in = std::fopen(argv[1], "rb");
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!in || !out) return 1;
    static char block[1 << 16];
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, nullptr, _IONBF, 0);
    while (std::fread(block, 1, sizeof block, in) == sizeof block) {
    }
    std::memset(block, ' ', sizeof block);
    for (long long left = std::atoll(argv[3]); left > 0;
         left -= static_cast<long long>(sizeof block))
        std::fwrite(block, 1,
                    left < static_cast<long long>(sizeof block) ? static_cast<std::size_t>(left)
                                                                : sizeof block,
                    out);
    return std::fclose(in) == 0 && std::fclose(out) == 0 ? 0 : 1;
}
