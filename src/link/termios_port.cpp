#include "link/termios_port.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include "host/text.h"
#include "link/commands.h"

namespace dru {

namespace {

constexpr int kComPorts = 12;  // COM1 ... COM12

// The COM number of a port name (1 ... 12), or 0 when it is none.
int com_number(std::string_view upper) {
    if (!upper.starts_with("COM")) return 0;
    const std::string_view digits = upper.substr(3);
    if (digits.empty() || digits.size() > 2 || digits[0] == '0') return 0;
    int n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= kComPorts ? n : 0;
}

class TermiosPort final : public SerialPort {
public:
    TermiosPort(int fd, const Clock& clock) : fd_(fd), clock_(clock) {}
    ~TermiosPort() override { ::close(fd_); }  // also releases the lock
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    bool get_state() override {
        have_state_ = ::tcgetattr(fd_, &state_) == 0;
        return have_state_;
    }

    // termios has no driver queue sizes: the kernel's are larger than the
    // printer needs, so the request is accepted and kept.
    bool setup_queues(int rx_bytes, int tx_bytes) override {
        if (rx_bytes <= 0 || tx_bytes <= 0) return false;
        rx_bytes_ = rx_bytes;
        tx_bytes_ = tx_bytes;
        return true;
    }

    bool set_state() override {
        if (!have_state_ && !get_state()) return false;
        termios tio = state_;  // every field not named here keeps its value
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        static_assert(kBaudRate == 19200, "the speed constant below must match");
        if (::cfsetispeed(&tio, B19200) != 0 || ::cfsetospeed(&tio, B19200) != 0) return false;
        if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return false;
        state_ = tio;
        return true;
    }

    bool set_timeouts(int read_total_ms, int write_total_ms) override {
        if (read_total_ms < 0 || write_total_ms < 0) return false;
        read_timeout_ms_ = read_total_ms;
        write_timeout_ms_ = write_total_ms;
        return true;
    }

    long write(std::string_view bytes) override {
        const std::int64_t deadline = clock_.steady_ms() + write_timeout_ms_;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return done > 0 ? static_cast<long>(done) : -1;
            if (!wait_for(POLLOUT, deadline)) break;  // the printer did not take it in time
        }
        return static_cast<long>(done);
    }

    long read(char* buffer, std::size_t max) override {
        const std::int64_t deadline = clock_.steady_ms() + read_timeout_ms_;
        std::size_t got = 0;
        while (got < max) {
            const ssize_t n = ::read(fd_, buffer + got, max - got);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            // End of file: the line hung up (device gone, far end closed).
            const bool failed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            if (failed) return got > 0 ? static_cast<long>(got) : -1;
            if (!wait_for(POLLIN, deadline)) break;
        }
        return static_cast<long>(got);
    }

private:
    // Waits until the port is ready for `events` or the deadline passes; false
    // on time-out or failure. A poll that ran its whole time ends the wait even
    // if the clock says otherwise, so the wait is always bounded.
    bool wait_for(short events, std::int64_t deadline) {
        for (;;) {
            const std::int64_t left = deadline - clock_.steady_ms();
            if (left <= 0) return false;
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left));
            if (r < 0 && errno == EINTR) continue;
            return r > 0;
        }
    }

    int fd_;
    const Clock& clock_;
    termios state_{};
    bool have_state_ = false;
    int rx_bytes_ = 0;
    int tx_bytes_ = 0;
    int read_timeout_ms_ = kReadTotalTimeoutMs;
    int write_timeout_ms_ = kWriteTotalTimeoutMs;
};

}  // namespace

std::string TermiosPortProvider::resolve(std::string_view port_name) const {
    if (port_name.starts_with('/')) return std::string(port_name);
    const std::string upper = text::upper_ascii(port_name);
    const int n = com_number(upper);
    if (n == 0) return {};
    {
        std::lock_guard lock(mutex_);
        if (const auto it = overrides_.find(upper); it != overrides_.end()) return it->second;
    }
    const std::string variable = "DRU_PORT_" + upper;
    if (const char* env = std::getenv(variable.c_str()); env != nullptr && *env != '\0') return env;
    return "/dev/ttyS" + std::to_string(n - 1);
}

bool TermiosPortProvider::set_device(std::string_view port_name, std::string_view device) {
    const std::string upper = text::upper_ascii(port_name);
    if (com_number(upper) == 0) return false;
    std::lock_guard lock(mutex_);
    if (device.empty())
        overrides_.erase(upper);
    else
        overrides_[upper] = std::string(device);
    return true;
}

PortHandle TermiosPortProvider::open(std::string_view port_name) {
    const std::string path = resolve(port_name);
    if (path.empty()) return nullptr;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // Not shared: a second handle, from this process too, is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<TermiosPort>(fd, clock_);
}

}  // namespace dru
