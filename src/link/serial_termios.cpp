// The POSIX serial backend: termios on the device, opened
// O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC and locked with an exclusive flock,
// so a port held by anyone (this process included) does not open again.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>

#include "host/unique_fd.h"
#include "link/commands.h"
#include "link/serial_backend.h"

namespace dru {

namespace {

constexpr int kOpenFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
constexpr std::string_view kDefaultDevicePrefix = "/dev/ttyS";  // COM1 is /dev/ttyS0

// True when `fd` is a terminal line the printer may be on: a character
// device with line settings (a serial port, or the simulator's
// pseudo-terminal) that is not the process's controlling terminal. The
// host's own terminal (/dev/tty, or the same line by its own name) is
// therefore refused, and so is any file, FIFO or other device, before a byte
// is written or a setting changed (so no write can raise SIGPIPE either).
// errno tells why when it is not.
bool IsPrinterLine(int fd) {
    struct stat st{};
    if (::fstat(fd, &st) != 0) return false;
    termios settings{};
    if (!S_ISCHR(st.st_mode) || ::tcgetattr(fd, &settings) != 0) {
        errno = ENOTTY;
        return false;
    }
    // tcgetsid answers only for the caller's own controlling terminal.
    if (::tcgetsid(fd) != -1) {
        errno = EBUSY;
        return false;
    }
    return true;
}

// Waits, within the write time-out, until the line has sent what was
// written, so settings put back at close never garble the last frame's tail.
// The wait is the device's, like the waits of reads and writes: a bounded
// count of short polls, whatever clock the calls run on; a line that has hung
// up sends nothing more, so it is not waited for.
void DrainBounded(int fd) {
    constexpr int kDrainPollMs = 10;  // a few bytes' time at 19200 baud
    int queued = 0;
    for (int waited = 0; waited < kWriteTotalTimeoutMs; waited += kDrainPollMs) {
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kDrainPollMs) < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return;
        if (p.revents & POLLOUT) ::poll(nullptr, 0, kDrainPollMs);  // room, but the line still sends
    }
}

class TermiosPort final : public SerialPort {
public:
    // Closing `fd` when the port goes also releases the lock.
    TermiosPort(UniqueFd fd, std::string device, const Clock& clock)
        : fd_(std::move(fd)), device_(std::move(device)), clock_(clock) {}
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;
    ~TermiosPort() override { restore_settings(); }

    bool get_state() override {
        have_state_ = ::tcgetattr(fd_.get(), &state_) == 0;
        if (!have_state_) note_failure(errno == ENOTTY ? "not a serial line" : "its line settings cannot be read");
        if (have_state_ && !have_found_) {
            found_ = state_;
            have_found_ = true;
        }
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
        if (::cfsetispeed(&tio, B19200) != 0 || ::cfsetospeed(&tio, B19200) != 0) {
            note_failure("it does not take the line settings");
            return false;
        }
        changed_ = true;  // a refused change may have taken in part: put back either way
        if (::tcsetattr(fd_.get(), TCSANOW, &tio) != 0) {
            note_failure("it does not take the line settings");
            return false;
        }
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
            const ssize_t n = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
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
            const ssize_t n = ::read(fd_.get(), buffer + got, max - got);
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

    void discard_input() override { ::tcflush(fd_.get(), TCIFLUSH); }

    std::string failure() const override { return failure_; }

private:
    void note_failure(const char* what) {
        const int error = errno;  // before anything else can change it
        failure_ = device_ + ": " + what + " (" + std::strerror(error) + ")";
    }

    // The line's settings as the port found them, put back when it closes
    // (only if they were changed here).
    void restore_settings() noexcept {
        if (!have_found_ || !changed_) return;
        DrainBounded(fd_.get());
        ::tcsetattr(fd_.get(), TCSANOW, &found_);
    }

    // Waits until the port is ready for `events` or the deadline passes; false
    // on time-out or failure. A poll that ran its whole time ends the wait even
    // if the clock says otherwise, so the wait is always bounded.
    bool wait_for(short events, std::int64_t deadline) {
        for (;;) {
            const std::int64_t left = deadline - clock_.steady_ms();
            if (left <= 0) return false;
            pollfd p{fd_.get(), events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left));
            if (r < 0 && errno == EINTR) continue;
            return r > 0;
        }
    }

    UniqueFd fd_;
    std::string device_;
    std::string failure_;  // why the last settings step failed
    const Clock& clock_;
    termios state_{};
    bool have_state_ = false;
    termios found_{};
    bool have_found_ = false;
    bool changed_ = false;
    int rx_bytes_ = 0;
    int tx_bytes_ = 0;
    int read_timeout_ms_ = kReadTotalTimeoutMs;
    int write_timeout_ms_ = kWriteTotalTimeoutMs;
};

}  // namespace

std::string DefaultComDevice(int com) { return std::string(kDefaultDevicePrefix) + std::to_string(com - 1); }

PortHandle SerialBackend::open(std::string_view port_name) {
    why_not_opened_.clear();
    const std::string path = names_.resolve(port_name);
    if (path.empty()) {
        why_not_opened_ = "the name resolves to no device";
        return nullptr;
    }
    // Owned from here: any way out below, a throw included, closes it.
    UniqueFd fd(::open(path.c_str(), kOpenFlags));
    if (!fd) {
        const int error = errno;
        why_not_opened_ = path + ": " + std::strerror(error);
        return nullptr;
    }
    if (!IsPrinterLine(fd.get())) {
        const int error = errno;  // ENOTTY: no serial line; EBUSY: the process's own terminal
        why_not_opened_ = path + ": " + (error == EBUSY ? std::string("the program's own terminal, not a printer line")
                                                        : "not a serial line (" + std::string(std::strerror(error)) + ")");
        return nullptr;
    }
    // Not shared: a second handle, from this process too, is refused.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        why_not_opened_ = path + ": " +
                          (e == EWOULDBLOCK ? std::string("held by another program or handle") : std::strerror(e));
        return nullptr;
    }
    return std::make_unique<TermiosPort>(std::move(fd), path, clock_);
}

}  // namespace dru
