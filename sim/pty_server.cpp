#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace dru::sim {

namespace {

// While nobody holds the terminal open the master side reports a hang-up at
// every poll; the server looks again this often instead of spinning.
constexpr int kIdlePollMs = 10;
constexpr std::size_t kReadChunk = 512;

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PtyServer::PtyServer(PrinterModel& model) : model_(model) {
    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master_) fail("posix_openpt");
    if (::grantpt(master_.get()) != 0) fail("grantpt");
    if (::unlockpt(master_.get()) != 0) fail("unlockpt");
    char name[128];
    if (::ptsname_r(master_.get(), name, sizeof name) != 0) fail("ptsname_r");
    path_ = name;
    // Raw from the start: no echo of replies back to the printer, no line
    // editing, bytes 0x87/0x88 and CR pass untouched.
    termios tio{};
    if (::tcgetattr(master_.get(), &tio) != 0) fail("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(master_.get(), TCSANOW, &tio) != 0) fail("tcsetattr");
    if (::fcntl(master_.get(), F_SETFL, ::fcntl(master_.get(), F_GETFL) | O_NONBLOCK) != 0) fail("fcntl");
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) fail("pipe2");
    wake_read_.reset(wake[0]);
    wake_write_.reset(wake[1]);
    thread_ = std::thread([this] { serve(); });
}

PtyServer::~PtyServer() {
    stop_ = true;
    const char byte = 0;
    [[maybe_unused]] const auto n = ::write(wake_write_.get(), &byte, 1);
    if (thread_.joinable()) thread_.join();
}

void PtyServer::with_model(const std::function<void(PrinterModel&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(model_);
}

void PtyServer::on_paper(std::function<void(const PaperLine&)> fn) {
    std::lock_guard lock(mutex_);
    paper_fn_ = std::move(fn);
}

void PtyServer::serve() {
    while (!stop_) {
        pollfd fds[2] = {{master_.get(), POLLIN, 0}, {wake_read_.get(), POLLIN, 0}};
        if (!unsent_.empty()) fds[0].events |= POLLOUT;
        const int r = ::poll(fds, 2, poll_timeout_ms());
        if (r < 0) {
            if (errno == EINTR) continue;
            return;  // nothing sensible left to serve
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents & POLLIN) drain_input();
        const bool hang_up = (fds[0].revents & POLLHUP) != 0;
        flush_output(!hang_up);
        if (hang_up) ::poll(&fds[1], 1, kIdlePollMs);
    }
}

void PtyServer::drain_input() {
    char buf[kReadChunk];
    for (;;) {
        const ssize_t n = ::read(master_.get(), buf, sizeof buf);
        if (n <= 0) return;  // EAGAIN: all read; EIO: the other side closed
        std::lock_guard lock(mutex_);
        model_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
    }
}

void PtyServer::flush_output(bool peer_present) {
    std::function<void(const PaperLine&)> paper_fn;
    std::vector<PaperLine> printed;
    {
        std::lock_guard lock(mutex_);
        if (!peer_present) {
            model_.disconnect();
            unsent_.clear();
        } else {
            unsent_ += model_.take_output();
        }
        const auto& paper = model_.paper();
        printed.assign(paper.begin() + static_cast<long>(paper_seen_), paper.end());
        paper_seen_ = paper.size();
        paper_fn = paper_fn_;
    }
    if (paper_fn)
        for (const auto& line : printed) paper_fn(line);
    while (!unsent_.empty()) {
        const ssize_t n = ::write(master_.get(), unsent_.data(), unsent_.size());
        if (n <= 0) return;  // the terminal is full: POLLOUT brings us back
        unsent_.erase(0, static_cast<std::size_t>(n));
    }
}

int PtyServer::poll_timeout_ms() {
    std::lock_guard lock(mutex_);
    const auto due = model_.next_output_due();
    if (!due) return -1;
    const auto wait = *due - model_.clock().steady_ms();
    return wait <= 0 ? 0 : static_cast<int>(wait);
}

}  // namespace dru::sim
