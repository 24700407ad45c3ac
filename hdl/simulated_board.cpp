// A board running the serial top, without the board: its Verilog verilated, its
// serial line behind a pseudo-terminal. The terminal's path is the first line
// printed; give it to preprocessor-batch --board. It serves until it is ended,
// one host after another, keeping its registers between them as a board does.
//
//   simulated-board [--stop-after N] [--baud N]
//
// --stop-after N: after N replies the board answers nothing more, as a board
// whose cable has come loose; for trying what the host does then.
// --baud N: the line's bits take the time they take at N baud, no less, so that
// a host is timed as with a board (the terminal itself passes bytes at once).
//
// Platform corner: pseudo-terminals and poll are POSIX's; this tool, like the
// rest of hdl/, is for Linux.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <limits>
#include <string_view>
#include <thread>
#include <vector>

#include "Vserial_top.h"

namespace {

// Clocks a bit lasts: the top is verilated with CLOCK_HZ = 8 × BAUD. The line of
// a pseudo-terminal has no rate; only the board's bit timing is simulated.
constexpr int Bit = 8;

[[noreturn]] void Fail(const char* what) {
    std::perror(what);
    std::exit(1);
}

class TBoard {
public:
    TBoard(std::uint64_t stopAfter, std::uint64_t baud) : StopAfter_(stopAfter), Baud_(baud) {
        Top_.rx = 1;
        for (int i = 0; i < 32; ++i) Tick();  // the top's reset after configuration
    }

    void Receive(const unsigned char* bytes, std::size_t count) {
        ToBoard_.insert(ToBoard_.end(), bytes, bytes + count);
    }

    // Runs the clock while there is anything on the line either way; what the
    // board sent goes into `replies`.
    void Run(std::vector<unsigned char>& replies) {
        using namespace std::chrono;
        const auto start = steady_clock::now();
        std::uint64_t clocks = 0;
        int quiet = 0;
        while (quiet < 24 * Bit) {
            // At the line's rate, a byte's time at a time.
            if (Baud_ != 0 && ++clocks % (10 * Bit) == 0)
                std::this_thread::sleep_until(start +
                                              nanoseconds(clocks * 1'000'000'000 / (Bit * Baud_)));
            DriveRx();
            Tick();
            SampleTx(replies);
            const bool busy = RxBit_ >= 0 || !ToBoard_.empty() || TxBit_ >= 0 || !Top_.tx;
            quiet = busy ? 0 : quiet + 1;
        }
    }

private:
    void Tick() {
        Top_.clk = 0;
        Top_.eval();
        Top_.clk = 1;
        Top_.eval();
    }

    // The host's bytes onto rx, one frame after another: start bit, 8 data bits
    // lowest first, stop bit, each Bit clocks long.
    void DriveRx() {
        if (RxBit_ < 0) {
            if (ToBoard_.empty()) return;
            RxByte_ = ToBoard_.front();
            ToBoard_.pop_front();
            RxBit_ = 0;
            RxClocks_ = 0;
        }
        Top_.rx = RxBit_ == 0 ? 0 : RxBit_ == 9 ? 1 : (RxByte_ >> (RxBit_ - 1)) & 1;
        if (++RxClocks_ == Bit) {
            RxClocks_ = 0;
            if (++RxBit_ == 10) RxBit_ = -1;
        }
    }

    // Bytes off tx: a start bit found, then each bit sampled at its middle.
    void SampleTx(std::vector<unsigned char>& replies) {
        if (TxBit_ < 0) {
            if (Top_.tx) return;
            TxBit_ = 0;
            TxClocks_ = Bit + Bit / 2;  // to the middle of data bit 0
            TxByte_ = 0;
            return;
        }
        if (--TxClocks_ > 0) return;
        TxClocks_ = Bit;
        if (++TxBit_ <= 8) {
            TxByte_ |= static_cast<unsigned>(Top_.tx) << (TxBit_ - 1);
            return;
        }
        TxBit_ = -1;  // the stop bit
        if (Sent_++ < StopAfter_ * 4) replies.push_back(static_cast<unsigned char>(TxByte_));
    }

    Vserial_top Top_;
    std::deque<unsigned char> ToBoard_;
    int RxBit_ = -1, RxClocks_ = 0;
    unsigned RxByte_ = 0;
    int TxBit_ = -1, TxClocks_ = 0;
    unsigned TxByte_ = 0;
    std::uint64_t Sent_ = 0;
    const std::uint64_t StopAfter_;
    const std::uint64_t Baud_;  // 0: as fast as it simulates
};

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t stopAfter = std::numeric_limits<std::uint64_t>::max() / 4, baud = 0;
    bool understood = argc % 2 == 1;
    for (int i = 1; understood && i + 1 < argc; i += 2) {
        const std::string_view option = argv[i], value = argv[i + 1];
        std::uint64_t& number = option == "--baud" ? baud : stopAfter;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        understood = (option == "--baud" || option == "--stop-after") && error == std::errc{} &&
                     end == value.data() + value.size();
    }
    if (!understood) {
        std::fputs("usage: simulated-board [--stop-after N] [--baud N]\n", stderr);
        return 2;
    }
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
        Fail("simulated-board: a pseudo-terminal");
    const char* path = ptsname(terminal);
    // The board's own end of the line stays open, so that hosts may come and go;
    // raw, so that nothing is echoed before a host sets the line up.
    const int line = path ? open(path, O_RDWR | O_NOCTTY) : -1;
    termios raw{};
    if (line < 0 || tcgetattr(line, &raw) != 0) Fail("simulated-board: the terminal's line");
    cfmakeraw(&raw);
    tcsetattr(line, TCSANOW, &raw);
    std::printf("%s\n", path);
    std::fflush(stdout);

    TBoard board(stopAfter, baud);
    std::vector<unsigned char> replies;
    unsigned char bytes[4096];
    for (;;) {
        pollfd waiting{terminal, POLLIN, 0};
        if (poll(&waiting, 1, -1) < 0) Fail("simulated-board: poll");
        const ssize_t count = read(terminal, bytes, sizeof bytes);
        if (count < 0) Fail("simulated-board: read");
        board.Receive(bytes, static_cast<std::size_t>(count));
        board.Run(replies);
        for (std::size_t done = 0; done < replies.size();) {
            const ssize_t written = write(terminal, replies.data() + done, replies.size() - done);
            if (written < 0) Fail("simulated-board: write");
            done += static_cast<std::size_t>(written);
        }
        replies.clear();
    }
}
