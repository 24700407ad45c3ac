#include "BoardRun.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "DataFiles.h"
#include "FilePaths.h"
#include "PreprocessorModel.h"
#include "SerialPort.h"

namespace {

// A step's bytes on the line: the pair out, 32 bits each, lowest byte first;
// the value back, likewise.
constexpr std::size_t PairBytes = 8;
constexpr std::size_t ValueBytes = 4;

// Pairs sent ahead of the replies: enough that the line never waits for the
// host, few enough that a USB adapter's buffers take them all.
constexpr std::uint64_t InFlight = 64;

// A board silent this long, with replies due, has stopped.
constexpr auto Silence = std::chrono::seconds(2);

void PutLittleEndian(unsigned char* out, TRegister value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

TRegister GetLittleEndian(const unsigned char* in) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) bits |= std::uint32_t{in[i]} << (8 * i);
    return static_cast<TRegister>(bits);
}

// The pairs as the board's registers take them: a read that fails sends the
// register's value again, as the program leaves it, and from the end marker on
// the registers hold zeros.
class TPairSource {
public:
    explicit TPairSource(TDataFiles& files) : Files_(files) {}

    void Next(unsigned char* out) {
        Files_.ReadPair(Minuend_, Subtrahend_);
        PutLittleEndian(out, Minuend_);
        PutLittleEndian(out + 4, Subtrahend_);
        if (Ended_ || Minuend_ == TPreprocessorModel::EndMarker) {
            Ended_ = true;
            Minuend_ = Subtrahend_ = 0;
        }
    }

private:
    TDataFiles& Files_;
    TRegister Minuend_ = 0, Subtrahend_ = 0;
    bool Ended_ = false;
};

}  // namespace

TBatchResult RunOnBoard(const TBatchOptions& options) {
    const std::string port = PathToUtf8(*options.Board);
    TSerialPort line;
    if (const auto opened = line.Open(*options.Board, options.Baud);
        opened.Failure != TSerialPort::TFailure::None) {
        return {1, (opened.Failure == TSerialPort::TFailure::Open
                        ? "cannot open the port " + port
                        : "cannot set up " + port + " as a serial line at " +
                              std::to_string(options.Baud) + " baud") +
                       ": " + opened.Reason.message()};
    }
    TDataFiles files(options.Input, options.Output);
    files.SetScanning(TDecimalReader::TScanning::OnItsOwnThread);
    if (const TDataOpenResult opened = files.Open(); opened != drOk) {
        const auto& path = opened == drInputFailed ? options.Input : options.Output;
        return {1, DescribeFailure(OpenFailureMessage(opened), path, files.LastError())};
    }
    // Each value is on the file as it comes, a write a value: a run however it
    // ends, even killed, keeps all the board gave. (The line is the bottleneck.)
    files.SetFlushPolicy(TFlushPolicy::EveryWrite);

    TPairSource pairs(files);
    std::array<unsigned char, InFlight * PairBytes> sending;
    std::array<unsigned char, InFlight * ValueBytes> replies;
    std::size_t partial = 0;  // bytes of a value begun at the front of `replies`
    std::uint64_t sent = 0, received = 0;
    auto heard = std::chrono::steady_clock::now();
    // Every value received is on output.txt before any failure is told.
    const auto failed = [&](std::string what) -> TBatchResult {
        what += "; " + std::to_string(received) + " of " + std::to_string(options.Steps) +
                " values received, " +
                (files.Close()
                     ? "all written to " + PathToUtf8(options.Output)
                     : DescribeFailure(WriteFailedMessage, options.Output, files.LastError()));
        if (partial != 0)
            what += ", and " + std::to_string(partial) + " bytes of the next, which takes 4";
        return {1, what};
    };
    const auto reason = [] { return std::error_code(errno, std::generic_category()).message(); };

    while (received < options.Steps) {
        // Pairs out until the line holds enough of them ...
        std::size_t bytes = 0;
        for (; sent < options.Steps && sent - received < InFlight; ++sent, bytes += PairBytes)
            pairs.Next(sending.data() + bytes);
        if (bytes != 0 && (std::fwrite(sending.data(), 1, bytes, line.Output()) != bytes ||
                           std::fflush(line.Output()) != 0))
            return failed("cannot write to the port " + port + ": " + reason());
        // ... and replies in, until half as many are due; all at the end.
        const std::uint64_t due = sent - received - (sent < options.Steps ? InFlight / 2 : 0);
        const std::size_t wanted = static_cast<std::size_t>(due) * ValueBytes - partial;
        errno = 0;
        const std::size_t got = std::fread(replies.data() + partial, 1, wanted, line.Input());
        const auto now = std::chrono::steady_clock::now();
        if (got != 0) heard = now;
        partial += got;
        for (std::size_t at = 0; at + ValueBytes <= partial; at += ValueBytes, ++received)
            files.WriteOutput(GetLittleEndian(replies.data() + at));
        std::memmove(replies.data(), replies.data() + partial / ValueBytes * ValueBytes,
                     partial % ValueBytes);
        partial %= ValueBytes;
        if (got == wanted) continue;
        if (std::ferror(line.Input()))
            return failed("cannot read from the port " + port + ": " + reason());
        std::clearerr(line.Input());  // a read that waited in vain
        if (now - heard >= Silence)
            return failed("the board has stopped answering (nothing for 2 s)");
    }
    if (!files.Close())
        return {1, DescribeFailure(WriteFailedMessage, options.Output, files.LastError())};
    return {};
}
