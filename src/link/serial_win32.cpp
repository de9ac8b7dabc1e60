// The Windows serial backend: the COM device opened with CreateFileW and no
// sharing (share mode 0), so a port held by anyone does not open again, and
// set up with the comm API in the steps the exchange takes. Reads and writes
// are synchronous; their time-outs are the device's (SetCommTimeouts).
#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "host/unique_handle_win32.h"
#include "host/wide_text_win32.h"
#include "link/commands.h"
#include "link/serial_backend.h"

namespace dru {

namespace {

// "\\.\COM10": the device namespace opens every COM number, not only 1 to 9.
constexpr std::string_view kDevicePrefix = "\\\\.\\COM";

class Win32Port final : public SerialPort {
  public:
    Win32Port(UniqueHandle handle, std::string device) : handle_(std::move(handle)), device_(std::move(device)) {
        dcb_.DCBlength = sizeof dcb_;
    }

    bool get_state() override {
        have_state_ = ::GetCommState(handle_.get(), &dcb_) != 0;
        if (!have_state_) note_failure("its line settings cannot be read");
        return have_state_;
    }

    bool setup_queues(int rx_bytes, int tx_bytes) override {
        if (rx_bytes <= 0 || tx_bytes <= 0) return false;
        return ::SetupComm(handle_.get(), static_cast<DWORD>(rx_bytes),
                           static_cast<DWORD>(tx_bytes)) != 0;
    }

    // 19200 baud, 8N1, binary, no software flow control and no byte
    // replaced or dropped; every field not named here keeps its value.
    bool set_state() override {
        if (!have_state_ && !get_state()) return false;
        DCB dcb = dcb_;
        dcb.BaudRate = kBaudRate;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        if (!::SetCommState(handle_.get(), &dcb)) {
            note_failure("it does not take the line settings");
            return false;
        }
        dcb_ = dcb;
        return true;
    }

    // A read returns when its bytes have come or the total time has passed,
    // however the bytes are spaced (no interval time-out); so does a write.
    bool set_timeouts(int read_total_ms, int write_total_ms) override {
        if (read_total_ms < 0 || write_total_ms < 0) return false;
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = 0;
        t.ReadTotalTimeoutMultiplier = 0;
        t.ReadTotalTimeoutConstant = static_cast<DWORD>(read_total_ms);
        t.WriteTotalTimeoutMultiplier = 0;
        t.WriteTotalTimeoutConstant = static_cast<DWORD>(write_total_ms);
        return ::SetCommTimeouts(handle_.get(), &t) != 0;
    }

    long write(std::string_view bytes) override {
        DWORD done = 0;
        const BOOL ok = ::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                    &done, nullptr);
        if (!ok && done == 0) return -1;
        return static_cast<long>(done);
    }

    long read(char* buffer, std::size_t max) override {
        DWORD got = 0;
        const BOOL ok = ::ReadFile(handle_.get(), buffer, static_cast<DWORD>(max), &got, nullptr);
        if (!ok && got == 0) return -1;
        return static_cast<long>(got);
    }

    // Drops what the port received and nobody read; nothing is sent.
    void discard_input() override { ::PurgeComm(handle_.get(), PURGE_RXABORT | PURGE_RXCLEAR); }

    std::string failure() const override { return failure_; }

  private:
    void note_failure(const char* what) {
        const DWORD error = ::GetLastError();  // before anything else can change it
        failure_ = device_ + ": " + what + " " + win32::ErrorText(error);
    }

    UniqueHandle handle_;
    std::string device_;
    std::string failure_;  // why the last settings step failed
    DCB dcb_{};
    bool have_state_ = false;
};

}  // namespace

std::string DefaultComDevice(int com) {
    return std::string(kDevicePrefix) + std::to_string(com);
}

PortHandle SerialBackend::open(std::string_view port_name) {
    why_not_opened_.clear();
    const std::string path = names_.resolve(port_name);
    if (path.empty()) {
        why_not_opened_ = "the name resolves to no device";
        return nullptr;
    }
    // Share mode 0: not shared, a second handle (from this process too) is refused.
    UniqueHandle handle(::CreateFileW(win32::ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        why_not_opened_ = path + ": " + win32::ErrorText(error);
        return nullptr;
    }
    return std::make_unique<Win32Port>(std::move(handle), path);
}

}  // namespace dru
