#include "SerialPort.h"

#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#endif

TSerialPort::~TSerialPort() {
    if (Input_) std::fclose(Input_);
    if (Output_) std::fclose(Output_);
}

// Platform corner: each system opens and sets up a serial port its own way;
// past this, the port is two C streams.
#ifdef _WIN32

TSerialPort::TOpening TSerialPort::Open(const std::filesystem::path& port, std::uint32_t baud) {
    const auto lastError = [] {
        return std::error_code(static_cast<int>(GetLastError()), std::system_category());
    };
    // COM10 and above open only under the device namespace; COM1 to COM9 too.
    std::wstring name = port.wstring();
    if (!name.starts_with(L"\\\\")) name = L"\\\\.\\" + name;
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {TFailure::Open, lastError()};
    DCB line{};
    line.DCBlength = sizeof line;
    COMMTIMEOUTS timeouts{};
    // A read returns at once with what has come, or waits up to 100 ms for a byte.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = 100;
    bool setUp = GetCommState(handle, &line);
    if (setUp) {
        line.BaudRate = baud;
        line.ByteSize = 8;
        line.Parity = NOPARITY;
        line.StopBits = ONESTOPBIT;
        line.fBinary = TRUE;
        line.fParity = FALSE;
        line.fOutxCtsFlow = line.fOutxDsrFlow = line.fDsrSensitivity = FALSE;
        line.fOutX = line.fInX = line.fNull = line.fAbortOnError = FALSE;
        line.fDtrControl = DTR_CONTROL_ENABLE;
        line.fRtsControl = RTS_CONTROL_ENABLE;
        setUp = SetCommState(handle, &line) && SetCommTimeouts(handle, &timeouts) &&
                PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    }
    if (!setUp) {
        const std::error_code reason = lastError();
        CloseHandle(handle);
        return {TFailure::SetUp, reason};
    }
    const int input = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    const int output = input < 0 ? -1 : _dup(input);
    Input_ = input < 0 ? nullptr : _fdopen(input, "rb");
    Output_ = output < 0 ? nullptr : _fdopen(output, "wb");
    if (!Input_ || !Output_)
        return {TFailure::SetUp, std::error_code(errno, std::generic_category())};
    return {};
}

#else

namespace {

// The rates termios names.
std::optional<speed_t> Speed(std::uint32_t baud) {
    static constexpr std::pair<std::uint32_t, speed_t> Speeds[] = {
        {1200, B1200},       {2400, B2400},       {4800, B4800},       {9600, B9600},
        {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
        {230400, B230400},
#ifdef B460800
        {460800, B460800},   {500000, B500000},   {921600, B921600},   {1000000, B1000000},
        {1500000, B1500000}, {2000000, B2000000}, {3000000, B3000000},
#endif
    };
    for (const auto& [rate, speed] : Speeds)
        if (rate == baud) return speed;
    return {};
}

}  // namespace

TSerialPort::TOpening TSerialPort::Open(const std::filesystem::path& port, std::uint32_t baud) {
    const auto lastError = [] { return std::error_code(errno, std::generic_category()); };
    // Not blocking in the open, for a line whose modem signals say it is not ready.
    const int descriptor = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return {TFailure::Open, lastError()};
    termios line{};
    const std::optional<speed_t> speed = Speed(baud);
    bool setUp = tcgetattr(descriptor, &line) == 0;
    if (setUp && !speed) {
        errno = EINVAL;
        setUp = false;
    }
    if (setUp) {
        cfmakeraw(&line);
        line.c_cflag |= CLOCAL | CREAD;
        line.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
        line.c_iflag &= ~(IXON | IXOFF | IXANY);
        line.c_cc[VMIN] = 0;   // a read returns what has come,
        line.c_cc[VTIME] = 1;  // or nothing after a tenth of a second
        setUp = cfsetispeed(&line, *speed) == 0 && cfsetospeed(&line, *speed) == 0 &&
                tcsetattr(descriptor, TCSANOW, &line) == 0 && tcflush(descriptor, TCIOFLUSH) == 0 &&
                fcntl(descriptor, F_SETFL, 0) == 0;
    }
    const int output = setUp ? dup(descriptor) : -1;
    if (output < 0) {
        const std::error_code reason = lastError();
        close(descriptor);
        return {TFailure::SetUp, reason};
    }
    Input_ = fdopen(descriptor, "rb");
    Output_ = fdopen(output, "wb");
    if (!Input_ || !Output_) {
        const std::error_code reason = lastError();
        if (!Input_) close(descriptor);
        if (!Output_) close(output);
        return {TFailure::SetUp, reason};
    }
    return {};
}

#endif
