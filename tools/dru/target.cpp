#include "target.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "dru01000.h"
#include "host/clock.h"
#include "host/trace.h"
#include "link/counter_memory.h"
#include "module/counter_file.h"
#include "ports.h"
#include "module/module.h"
#include "printer_model.h"
#include "pty_server.h"
#include "sim_port.h"

namespace dru::cli {

namespace fs = std::filesystem;

namespace {

// The port name the calls use for a device path and for the simulator.
constexpr const char* kDevicePort = "COM1";

}  // namespace

// A sale already on the simulated printer's counters, so the day totals have
// something to show: 10000 paid 6000 in cash (form 01), 4000 by cheque (02).
void RingUpSale(sim::PrinterModel& printer) {
    const char* commands[] = {"000",
                              "12",
                              "13112"
                              "0000000000001"
                              "000002000"
                              "000001500"
                              "000003000"
                              "CAFE EXPRESO",
                              "13112"
                              "0000000000002"
                              "000001000"
                              "000007000"
                              "000007000"
                              "SANDWICH MIXTO",
                              "20"
                              "0000010000",
                              "26"
                              "11"
                              "01"
                              "0000006000",
                              "26"
                              "11"
                              "02"
                              "0000004000",
                              "27"
                              "1000000000",
                              printer.type() == 30 ? "99" : "98"};
    for (const char* command : commands) printer.execute(command);
    // The boleta's last lines print when the next command comes: the state
    // query, which prints nothing, ends it.
    printer.execute("35");
    printer.take_output();  // nobody asked: its reply is not the driver's
}

namespace {

// What the driver kept of the printer's counter after the first sale: the
// counter and serial its reply to 481 carries, under the port name used.
void RememberCounter(sim::PrinterModel& printer, const std::string& port, const HostFolder& folder) {
    const std::string reply = printer.execute("481");
    printer.take_output();  // asked here, not on the line: nobody reads it
    if (const std::optional<PrinterCounter> counter = CounterOf(reply)) CounterFile(folder.path()).remember(port, *counter);
}

// The paper printed after the sale already on the counters.
std::string PaperSince(const sim::PrinterModel& printer, std::size_t first_line) {
    std::string out;
    const auto& paper = printer.paper();
    for (std::size_t i = first_line; i < paper.size(); ++i)
        out += (paper[i].style ? "[" + std::to_string(paper[i].style) + "] " : "") + paper[i].text +
               "\n";
    return out;
}

// "COM3" as the driver names it, or empty when `port` is no COM name.
std::string ComName(const std::string& port) {
    std::string upper;
    for (char c : port) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("COM", 0) != 0 || upper.size() < 4 || upper.size() > 5) return {};
    for (std::size_t i = 3; i < upper.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(upper[i]))) return {};
    const int n = std::stoi(upper.substr(3));
    return n >= 1 && n <= kLastComPort && upper[3] != '0' ? upper : std::string();
}

// A COM name pointed at a device for as long as the object lives.
class PortOverride {
  public:
    void point(const std::string& port, const std::string& device) {
        if (std::find(ports_.begin(), ports_.end(), port) != ports_.end()) return;
        dru_set_port_device(port.c_str(), device.c_str());
        ports_.push_back(port);
    }
    ~PortOverride() {
        for (const std::string& p : ports_) dru_set_port_device(p.c_str(), nullptr);
    }

  private:
    std::vector<std::string> ports_;
};

// A printer on a serial port.
class DeviceTarget final : public Target {
  public:
    explicit DeviceTarget(const std::string& port) {
        if (port.starts_with("/")) {
            device_ = port;
            override_.point(kDevicePort, device_);
            name_ = kDevicePort;
            return;
        }
        name_ = ComName(port);
        if (name_.empty())
            throw UsageError("--port takes COM1 ... COM12 or a device path, not \"" + port + "\"");
    }
    std::string port_name() const override { return name_; }
    std::string device() const override { return device_; }
    void also_answer_to(const std::string& port) override {
        if (!device_.empty()) override_.point(port, device_);
    }
    const std::atomic<int>* count_frames() override;
    ~DeviceTarget() override;

  private:
    std::string name_;
    std::string device_;
    PortOverride override_;
    std::unique_ptr<PortProvider> counter_;
};

// Counts each write on the module's own serial ports, for the progress bar.
class CountingPorts final : public PortProvider {
  public:
    explicit CountingPorts(PortProvider& ports) : ports_(ports) {}
    PortHandle open(std::string_view name) override {
        PortHandle port = ports_.open(name);
        return port ? std::make_unique<Counted>(std::move(port), writes_) : nullptr;
    }
    std::string why_not_opened() const override { return ports_.why_not_opened(); }
    const std::atomic<int>& writes() const { return writes_; }

  private:
    class Counted final : public SerialPort {
      public:
        Counted(PortHandle port, std::atomic<int>& writes)
            : port_(std::move(port)), writes_(writes) {}
        bool get_state() override { return port_->get_state(); }
        bool setup_queues(int rx, int tx) override { return port_->setup_queues(rx, tx); }
        bool set_state() override { return port_->set_state(); }
        bool set_timeouts(int r, int w) override { return port_->set_timeouts(r, w); }
        long write(std::string_view bytes) override {
            const long n = port_->write(bytes);
            ++writes_;
            return n;
        }
        long read(char* buffer, std::size_t max) override { return port_->read(buffer, max); }
        void discard_input() override { port_->discard_input(); }
        std::string failure() const override { return port_->failure(); }

      private:
        PortHandle port_;
        std::atomic<int>& writes_;
    };

    PortProvider& ports_;
    std::atomic<int> writes_{0};
};

const std::atomic<int>* DeviceTarget::count_frames() {
    auto counter = std::make_unique<CountingPorts>(ModuleState::get().serial_ports());
    const std::atomic<int>* writes = &counter->writes();
    ModuleState::get().use_ports(counter.get());
    counter_ = std::move(counter);
    return writes;
}

DeviceTarget::~DeviceTarget() {
    if (counter_) ModuleState::get().use_ports(nullptr);
}

// The simulator on a pseudo-terminal, in real time.
class SimulatorTarget final : public Target {
  public:
    explicit SimulatorTarget(int type) : model_(clock_, sim::PrinterConfig{.type = type}) {
        RingUpSale(model_);
        first_line_ = model_.paper().size();
        try {
            server_ = std::make_unique<sim::PtyServer>(model_);
        } catch (const std::system_error& e) {
            throw std::runtime_error(std::string("the printer simulator could not start: ") +
                                     e.what());
        }
        device_ = std::make_unique<DeviceTarget>(server_->device_path());
    }
    std::string port_name() const override { return device_->port_name(); }
    void also_answer_to(const std::string& port) override { device_->also_answer_to(port); }
    void remember_counter(const HostFolder& folder) override {
        server_->with_model([&](sim::PrinterModel& m) { RememberCounter(m, port_name(), folder); });
    }
    const std::atomic<int>* count_frames() override { return device_->count_frames(); }
    std::string device() const override { return device_->device(); }
    void finish(Report& report) override {
        server_->with_model([&](sim::PrinterModel& m) {
            report.paper = PaperSince(m, first_line_);
            first_line_ = m.paper().size();
        });
    }
    std::optional<std::string> paper_roll() const override {
        std::string roll;
        server_->with_model([&](sim::PrinterModel& m) { roll = PaperSince(m, 0); });
        return roll;
    }

  private:
    RealClock clock_;
    sim::PrinterModel model_;
    std::size_t first_line_ = 0;
    std::unique_ptr<sim::PtyServer> server_;
    std::unique_ptr<DeviceTarget> device_;  // the terminal's device as COM1; goes before the server
};

// The simulator in this process, on a virtual clock that starts now.
class PreviewTarget final : public Target {
  public:
    explicit PreviewTarget(int type)
        : clock_(RealClock().now()),
          model_(clock_, sim::PrinterConfig{.type = type}),
          ports_(model_, clock_) {
        RingUpSale(model_);
        first_line_ = model_.paper().size();
        clock_.set_trace(&trace_);
        ports_.set_trace(&trace_);
        ModuleState::get().use_clock(&clock_);
        ModuleState::get().use_ports(&ports_);
    }
    ~PreviewTarget() override {
        ModuleState::get().use_ports(nullptr);
        ModuleState::get().use_clock(nullptr);
    }
    std::string port_name() const override { return kDevicePort; }
    void remember_counter(const HostFolder& folder) override { RememberCounter(model_, kDevicePort, folder); }
    void finish(Report& report) override;
    Schedule schedule() const override;
    std::optional<std::string> paper_roll() const override { return PaperSince(model_, 0); }

  private:
    VirtualClock clock_;
    sim::PrinterModel model_;
    sim::SimPortProvider ports_;
    Trace trace_;
    std::size_t first_line_ = 0;
};

// The number after a trace entry's word ("pause 350" -> 350).
long long EntryNumber(const std::string& entry) {
    return std::atoll(entry.c_str() + entry.find(' ') + 1);
}

void PreviewTarget::finish(Report& report) {
    report.paper = PaperSince(model_, first_line_);
    long long at = 0;
    for (const std::string& e : trace_.entries()) {
        if (e.starts_with("pause ")) {
            at += EntryNumber(e);
            report.pauses_ms += static_cast<int>(EntryNumber(e));
        } else if (e.starts_with("wait ")) {
            at += EntryNumber(e);
            report.waits_ms += static_cast<int>(EntryNumber(e));
        } else if (e.starts_with("write ")) {
            report.frames.push_back({{"at_ms", at}, {"sent", e.substr(6)}});
        } else if (e.starts_with("read ")) {
            const std::string got = e.substr(e.find("-> ") + 3);
            report.frames.push_back({{"at_ms", at}, {"received", got}});
        } else if (e.starts_with("open ") && e.ends_with("<failed>")) {
            report.frames.push_back({{"at_ms", at}, {"received", "(the port did not open)"}});
        }
    }
    report.schedule_ms = at;
    first_line_ = model_.paper().size();  // the next call's report starts after this one's
    trace_.clear();
}

Schedule PreviewTarget::schedule() const {
    Schedule s;
    for (const std::string& e : trace_.entries()) {
        if (e.starts_with("pause ") || e.starts_with("wait "))
            s.total_ms += EntryNumber(e);
        else if (e.starts_with("write "))
            s.frame_at_ms.push_back(s.total_ms);
    }
    return s;
}

std::string TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "dru_XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "a temporary folder");
    return pattern;
}

}  // namespace

std::string ChosenHostFolder(const GlobalOptions& options) {
    if (!options.host_folder.empty()) return options.host_folder;
    if (const char* env = std::getenv("DRU_HOST_FOLDER"); env && *env) return env;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    return ec ? "." : here.string();
}

HostFolder::HostFolder(const GlobalOptions& options, bool temporary) {
    const std::string chosen = ChosenHostFolder(options);
    if (temporary) {
        path_ = TemporaryFolder();
        temporary_ = true;
        std::error_code ec;  // without a configuration the date check says so itself
        fs::copy_file(fs::path(chosen) / kConfigFile, fs::path(path_) / kConfigFile, ec);
    } else {
        path_ = chosen;
        std::error_code ec;
        fs::create_directories(path_, ec);
    }
    dru_set_host_folder(path_.c_str());
}

HostFolder::~HostFolder() {
    dru_set_host_folder(nullptr);
    std::error_code ec;
    if (temporary_) fs::remove_all(path_, ec);
}

std::unique_ptr<Target> Target::Choose(const GlobalOptions& options) {
    if (options.preview) return Preview(options);
    if (!options.port.empty()) return std::make_unique<DeviceTarget>(options.port);
    return std::make_unique<SimulatorTarget>(options.type);
}

std::unique_ptr<Target> Target::Preview(const GlobalOptions& options) {
    return std::make_unique<PreviewTarget>(options.type);
}

}  // namespace dru::cli
