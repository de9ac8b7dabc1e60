// The printer a subcommand drives, and the host folder it runs in.
//
//   --port COMn|DEVICE   a printer on a serial port (COMn maps as the driver
//                        maps it; a device path is handed to the driver as COM1)
//   (no --port)          the printer simulator, started in this process on a
//                        pseudo-terminal: the driver's own serial code talks
//                        to it in real time; the paper roll is shown at the end
//   --preview            the simulator in this process on a virtual clock: the
//                        call finishes at once; the paper roll, every frame and
//                        the time the printer's pauses and read time-outs add
//                        up to are shown
//
// How the C interface is bypassed, and only here: a preview (and the quiet
// run that measures a document's schedule for the progress bar) sets the
// module state's stand-ins (dru::ModuleState::use_clock / use_ports, in the
// static archive) to a dru::VirtualClock and a dru::sim::SimPortProvider; a
// real run with a progress bar sets a port stand-in that counts the frames
// written on the module's own serial ports. The simulator itself is the
// sim/ library (PrinterModel, PtyServer, SimPortProvider). Every driver
// operation is still called through dru01000.h, as a host calls it.
#pragma once
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "report.h"

namespace dru::sim {
class PrinterModel;
}

namespace dru::cli {

// The driver's configuration file in the host folder.
inline constexpr const char* kConfigFile = "DedOvor.cds";

// The simulator's day so far: one sale of 10000 (6000 cash, 4000 cheque) on
// its counters, as every simulator dru starts has it.
void RingUpSale(sim::PrinterModel& printer);

// The folder of the debug log and DedOvor.cds for one run: --host-folder,
// else DRU_HOST_FOLDER, else the current folder; a preview gets a temporary
// one (with a copy of DedOvor.cds), so its lines on the virtual clock never
// join the real log. Set in the driver while the object lives.
class HostFolder {
  public:
    HostFolder(const GlobalOptions& options, bool temporary);
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;
    ~HostFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
    bool temporary_ = false;
};

// The folder a run without --preview uses (also the default of `log`).
std::string ChosenHostFolder(const GlobalOptions& options);

// When each frame goes out on a document's schedule, for the progress bar.
struct Schedule {
    std::vector<long long> frame_at_ms;  // the scheduled time of each write
    long long total_ms = 0;
};

class Target {
  public:
    // Raises UsageError for a bad --port, std::runtime_error when the
    // simulator cannot start.
    static std::unique_ptr<Target> Choose(const GlobalOptions& options);
    // A preview target whatever the options (the quiet measuring run).
    static std::unique_ptr<Target> Preview(const GlobalOptions& options);
    virtual ~Target() = default;

    // The port name handed to the calls.
    virtual std::string port_name() const = 0;
    // Points another port name (DedOvor.cds's) at this printer.
    virtual void also_answer_to(const std::string& port) { (void)port; }
    // The paper roll printed since the last finish (or the start) and, for a
    // preview, the frames and the time since then.
    virtual void finish(Report& report) { (void)report; }
    // The device the port name is pointed at ("" when the driver maps it).
    virtual std::string device() const { return {}; }
    // The simulator's whole paper roll, its day's sale included; nullopt for a
    // real printer. Called between calls, never during one.
    virtual std::optional<std::string> paper_roll() const { return std::nullopt; }
    virtual Schedule schedule() const { return {}; }
    // Counts the frames written from now on (real runs); null when not counted.
    virtual const std::atomic<int>* count_frames() { return nullptr; }
    // The simulator's till read the printer's receipt counter when it rang up
    // the day's first sale: the driver's memory of it goes into `folder`, so
    // a sale on the simulator can be told to be counted (real printers: nothing).
    virtual void remember_counter(const HostFolder& folder) { (void)folder; }
};

}  // namespace dru::cli
