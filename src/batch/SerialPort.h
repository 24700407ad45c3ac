#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

// A serial port set up as the line to a board: raw bytes, 8 data bits, no
// parity, 1 stop bit, no flow control, at the rate asked for. Once open it is
// read and written through the C library's streams, alike on every system; a
// read waits at most a tenth of a second for the first byte, and then gives
// what has come (fewer bytes than asked for, and the end-of-file flag set).
class TSerialPort {
public:
    enum class TFailure { None, Open, SetUp };
    struct TOpening {
        TFailure Failure = TFailure::None;
        std::error_code Reason;  // the system's
    };

    TSerialPort() = default;
    ~TSerialPort();
    TSerialPort(const TSerialPort&) = delete;
    TSerialPort& operator=(const TSerialPort&) = delete;

    // `port` as the system names it: /dev/ttyUSB1, COM3. What the board sent
    // before is dropped.
    TOpening Open(const std::filesystem::path& port, std::uint32_t baud);

    std::FILE* Input() const { return Input_; }
    std::FILE* Output() const { return Output_; }

private:
    std::FILE* Input_ = nullptr;
    std::FILE* Output_ = nullptr;
};
