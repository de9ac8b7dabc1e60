// Serves a printer model on a pseudo-terminal, so the driver's real serial
// code (termios) talks to it as to a printer on a serial line. The server
// owns the pseudo-terminal and a background thread; destroying it stops and
// joins the thread and closes the terminal.
//
// While no program holds the terminal's device open, whatever the model had
// to say is dropped, as a printer's replies are lost on a closed port.
#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "host/clock.h"
#include "host/unique_fd.h"
#include "printer_model.h"

namespace dru::sim {

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

private:
    void serve();
    void drain_input();
    void flush_output(bool peer_present);
    int poll_timeout_ms();

    PrinterModel& model_;
    std::mutex mutex_;
    UniqueFd master_;
    UniqueFd wake_read_, wake_write_;  // wakes the thread to stop
    std::string path_;
    std::string unsent_;               // reply bytes the terminal has not taken yet
    std::size_t paper_seen_ = 0;
    std::function<void(const PaperLine&)> paper_fn_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace dru::sim
