#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <vector>

namespace dru::sim {

namespace {

// While nobody holds the terminal open the master side reports a hang-up at
// every poll; the server looks again this often instead of spinning.
constexpr int kIdlePollMs = 10;
constexpr std::size_t kReadChunk = 512;
// The byte that ends a frame: frames are fed one by one, so a fault after the
// nth frame keeps the ones behind it from the printer.
constexpr char kFrameEnd = '\x88';

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

void PtyServer::on_frame(std::function<void(std::size_t)> fn) {
    std::lock_guard lock(mutex_);
    frame_fn_ = std::move(fn);
}

void PtyServer::set_faults(const LineFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void PtyServer::serve() {
    while (!stop_) {
        // Hung up: the terminal is gone, only the stop request is left to wait for.
        const int master = hung_up_ ? -1 : master_.get();
        const bool blocked = static_cast<bool>(filler_);
        pollfd fds[2] = {{master, 0, 0}, {wake_read_.get(), POLLIN, 0}};
        if (!blocked) fds[0].events |= POLLIN;
        if (unsent_due()) fds[0].events |= POLLOUT;
        const int timeout = hung_up_ ? -1 : blocked ? kIdlePollMs : poll_timeout_ms();
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;  // nothing sensible left to serve
        }
        if (fds[1].revents != 0) return;
        if (hung_up_) continue;
        if (blocked) fill_line();  // room the terminal made since: taken again
        if (fds[0].revents & POLLIN) drain_input();
        if (hung_up_ || filler_) continue;  // the printer answers no more
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
        std::string_view bytes(buf, static_cast<std::size_t>(n));
        while (!bytes.empty()) {
            const std::size_t end = bytes.find(kFrameEnd);
            const std::size_t take = end == std::string_view::npos ? bytes.size() : end + 1;
            {
                std::lock_guard lock(mutex_);
                model_.feed(bytes.substr(0, take));
            }
            bytes.remove_prefix(take);
            after_frames();
            if (hung_up_ || filler_) return;  // what followed never reached the printer
        }
    }
}

// Tells the hook of each new frame and starts a fault whose frame has come.
void PtyServer::after_frames() {
    std::size_t received = 0;
    std::function<void(std::size_t)> frame_fn;
    LineFaults faults;
    {
        std::lock_guard lock(mutex_);
        received = model_.frames().size();
        frame_fn = frame_fn_;
        faults = faults_;
    }
    while (frames_seen_ < received) {
        ++frames_seen_;
        if (frame_fn) frame_fn(frames_seen_);
        if (faults.hang_up_after_frames && frames_seen_ >= *faults.hang_up_after_frames) return hang_up();
        if (faults.block_writes_after_frames && frames_seen_ >= *faults.block_writes_after_frames && !filler_)
            block_line();
    }
}

void PtyServer::hang_up() {
    {
        std::lock_guard lock(mutex_);
        model_.disconnect();
    }
    unsent_.clear();
    filler_.reset();
    hung_up_ = true;  // before the line goes: whoever sees it gone sees this
    master_.reset();  // the device node goes with the terminal's master side
}

// The line stops taking bytes: the server holds the terminal's device itself
// and keeps the way towards the printer full, which is what a printer that
// has stopped reading leaves behind; a write then waits for room that never
// comes. Pending replies are lost. The terminal makes room on its own for a
// moment after a fill (it moves bytes between its buffers) and says nothing
// of it, so the server fills again at every idle poll while blocked.
void PtyServer::block_line() {
    {
        std::lock_guard lock(mutex_);
        model_.disconnect();
    }
    unsent_.clear();
    filler_.reset(::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (filler_) fill_line();
}

void PtyServer::fill_line() {
    // Large pieces first, then single bytes for the room a large one does not get.
    const char filler[kReadChunk] = {};
    while (::write(filler_.get(), filler, sizeof filler) > 0) {
    }
    while (::write(filler_.get(), filler, 1) > 0) {
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
    write_due_bytes();
}

// Writes what may leave now: everything, or one byte when the reply trickles
// and its next byte is due. Stops when the terminal is full (POLLOUT brings
// the server back).
bool PtyServer::write_due_bytes() {
    int trickle_ms = 0;
    {
        std::lock_guard lock(mutex_);
        trickle_ms = faults_.trickle_ms;
    }
    while (!unsent_.empty()) {
        const std::int64_t now = model_.clock().steady_ms();
        if (trickle_ms > 0 && now < next_byte_ms_) return true;
        const std::size_t count = trickle_ms > 0 ? 1 : unsent_.size();
        const ssize_t n = ::write(master_.get(), unsent_.data(), count);
        if (n <= 0) return false;
        unsent_.erase(0, static_cast<std::size_t>(n));
        if (trickle_ms > 0) next_byte_ms_ = now + trickle_ms;
    }
    return true;
}

// True when reply bytes wait and one may leave now (a trickling reply's next
// byte only when its time has come).
bool PtyServer::unsent_due() {
    if (unsent_.empty()) return false;
    std::lock_guard lock(mutex_);
    return faults_.trickle_ms <= 0 || model_.clock().steady_ms() >= next_byte_ms_;
}

// How long the server may sleep: until the next held reply is due or, while
// a reply trickles, until its next byte may leave; -1 when nothing waits (a
// full terminal wakes the server with POLLOUT).
int PtyServer::poll_timeout_ms() {
    std::lock_guard lock(mutex_);
    std::optional<std::int64_t> due = model_.next_output_due();
    if (!unsent_.empty() && faults_.trickle_ms > 0) due = std::min(due.value_or(next_byte_ms_), next_byte_ms_);
    if (!due) return -1;
    const auto wait = *due - model_.clock().steady_ms();
    return wait <= 0 ? 0 : static_cast<int>(wait);
}

}  // namespace dru::sim
