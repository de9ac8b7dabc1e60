// Serves a printer model on a pseudo-terminal, so the driver's real serial
// code (termios) talks to it as to a printer on a serial line. The server
// owns the pseudo-terminal and a background thread; destroying it stops and
// joins the thread and closes the terminal.
//
// While no program holds the terminal's device open, whatever the model had
// to say is dropped, as a printer's replies are lost on a closed port.
//
// Line faults (LineFaults) act on the line itself, whatever the model says:
// the line hanging up, a line that takes no more bytes, replies that trickle.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "host/clock.h"
#include "host/unique_fd.h"
#include "printer_model.h"

namespace dru::sim {

// Faults of the line, counted in frames received since the server started.
struct LineFaults {
    // Once this many frames have arrived the line hangs up for good (the
    // printer unplugged): the terminal closes, the device goes away, a read
    // or write on a port still open fails and a later open finds nothing.
    std::optional<std::size_t> hang_up_after_frames;
    // Once this many frames have arrived the printer takes no more bytes (off
    // line, its queue full): the line stays full, so a write blocks until the
    // writer gives up; nothing more is read or answered.
    std::optional<std::size_t> block_writes_after_frames;
    // Each reply byte leaves this long after the one before (0: at once).
    int trickle_ms = 0;
};

class PtyServer {
public:
    // Opens a pseudo-terminal in raw mode and starts serving `model`, whose
    // clock must be safe to read from the server thread (the RealClock is).
    // Raises std::system_error when no pseudo-terminal can be had.
    explicit PtyServer(PrinterModel& model);
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;
    ~PtyServer();

    // The device the driver opens ("/dev/pts/N").
    const std::string& device_path() const { return path_; }

    // Runs `fn` on the model while the server cannot touch it.
    void with_model(const std::function<void(PrinterModel&)>& fn);
    // Called (on the server thread) with each paper line as it is printed.
    void on_paper(std::function<void(const PaperLine&)> fn);
    // Called (on the server thread, the model not held) with the count of
    // frames received so far, as each frame arrives: a test's hook for a
    // fault halfway through a document.
    void on_frame(std::function<void(std::size_t frames)> fn);
    // Takes effect from the next frame; counts include the frames so far.
    void set_faults(const LineFaults& faults);
    // True once the line has hung up.
    bool hung_up() const { return hung_up_; }

private:
    void serve();
    void drain_input();
    void after_frames();
    void hang_up();
    void block_line();
    void fill_line();
    void flush_output(bool peer_present);
    bool write_due_bytes();
    bool unsent_due();
    int poll_timeout_ms();

    PrinterModel& model_;
    std::mutex mutex_;
    UniqueFd master_;
    UniqueFd wake_read_, wake_write_;  // wakes the thread to stop
    std::string path_;
    std::string unsent_;               // reply bytes the terminal has not taken yet
    std::size_t paper_seen_ = 0;
    std::function<void(const PaperLine&)> paper_fn_;
    std::size_t frames_seen_ = 0;
    std::function<void(std::size_t)> frame_fn_;
    LineFaults faults_;
    std::atomic<bool> hung_up_{false};
    UniqueFd filler_;                  // the server's own hold on a line it keeps full
    std::int64_t next_byte_ms_ = 0;    // when a trickled reply's next byte may leave
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace dru::sim
