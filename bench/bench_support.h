// What the benchmarks that drive whole documents share: the printer (printer_sim
// on a pseudo-terminal, or the in-process simulator), the clock, ports and
// debug log that count what the driver does, the driver thread's CPU taken
// apart by place, and the per-run figures every pseudo-terminal run reports.
#pragma once
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "../tests/support/temp_folder.h"
#include "host/clock.h"
#include "link/commands.h"
#include "link/debug_log.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "printer_model.h"
#include "sim_port.h"

namespace dru::bench {

// A fresh folder for the debug log, removed with its contents at the end.
using dru::test::TempFolder;

// The simulator prints its device path within this time, or it did not start.
inline constexpr int kSimStartTimeoutMs = 5000;

// The driver thread's CPU time so far, in ms.
inline double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The driver thread's user and system CPU so far, in ms.
struct CpuSplit {
    double user = 0, system = 0;
};
inline CpuSplit ThreadCpuSplit() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return {ms(u.ru_utime), ms(u.ru_stime)};
}

// The thread CPU spent inside the calls it wraps, when switched on.
struct CpuMeter {
    bool on = false;
    double ms = 0;
    template <class F>
    auto operator()(F&& fn) {
        if (!on) return fn();
        const double start = ThreadCpuMs();
        struct Add {
            CpuMeter& m;
            double start;
            ~Add() { m.ms += ThreadCpuMs() - start; }
        } add{*this, start};
        return fn();
    }
};

// Where the driver's CPU goes, for the runs that take it apart; off, the
// meters only pass the calls on.
struct CpuPlaces {
    CpuMeter pauses, port, log;
    void switch_on() { pauses.on = port.on = log.on = true; }
};

// The real clock, adding up the pauses it is asked for.
class PauseCountingClock final : public dru::Clock {
  public:
    explicit PauseCountingClock(CpuMeter& meter) : meter_(meter) {}
    dru::TDateTime now() const override { return real_.now(); }
    std::int64_t steady_ms() const override { return real_.steady_ms(); }
    void sleep_ms(int ms) override {
        paused_ms_ += ms;
        ++pauses_;
        meter_([&] { real_.sleep_ms(ms); });
    }
    void wait_ms(std::int64_t ms) override { real_.wait_ms(ms); }
    std::int64_t paused_ms() const { return paused_ms_; }
    long pauses() const { return pauses_; }

  private:
    dru::RealClock real_;
    CpuMeter& meter_;
    std::int64_t paused_ms_ = 0;
    long pauses_ = 0;
};

// What the counting ports have seen, over every port they opened.
struct LineCounts {
    long frames = 0;           // writes: one frame each
    long timed_out_reads = 0;  // reads that got less than they asked for
};

// A serial port that counts its writes and the reads that waited out their
// time-out, and forwards everything to the real port.
class CountingPort final : public dru::SerialPort {
  public:
    CountingPort(dru::PortHandle real, LineCounts& counts, CpuMeter& meter)
        : real_(std::move(real)), counts_(counts), meter_(meter) {}
    ~CountingPort() override {
        meter_([&] { real_.reset(); });
    }
    bool get_state() override {
        return meter_([&] { return real_->get_state(); });
    }
    bool setup_queues(int rx, int tx) override {
        return meter_([&] { return real_->setup_queues(rx, tx); });
    }
    bool set_state() override {
        return meter_([&] { return real_->set_state(); });
    }
    bool set_timeouts(int read_ms, int write_ms) override {
        return meter_([&] { return real_->set_timeouts(read_ms, write_ms); });
    }
    long write(std::string_view bytes) override {
        ++counts_.frames;
        return meter_([&] { return real_->write(bytes); });
    }
    long read(char* buffer, std::size_t max) override {
        const long got = meter_([&] { return real_->read(buffer, max); });
        if (got >= 0 && static_cast<std::size_t>(got) < max) ++counts_.timed_out_reads;
        return got;
    }

  private:
    dru::PortHandle real_;
    LineCounts& counts_;
    CpuMeter& meter_;
};

class CountingPorts final : public dru::PortProvider {
  public:
    CountingPorts(dru::PortProvider& real, CpuMeter& meter) : real_(real), meter_(meter) {}
    dru::PortHandle open(std::string_view name) override {
        dru::PortHandle port = meter_([&] { return real_.open(name); });
        if (!port) return nullptr;
        return std::make_unique<CountingPort>(std::move(port), counts, meter_);
    }
    LineCounts counts;

  private:
    dru::PortProvider& real_;
    CpuMeter& meter_;
};

// The debug log file, counting its lines, keeping the replies the final reply
// checks log ("Resultado : " and the reply) and metering the CPU of writing
// them. A block's replies come in one read: "1" for each command, "1\r1\r1".
class CountingLogSink final : public dru::LogSink {
  public:
    CountingLogSink(const std::string& folder, CpuMeter& meter) : file_(folder), meter_(meter) {}
    void append(std::string_view line) override {
        ++lines_;
        if (const auto at = line.find(kResult); at != std::string_view::npos) {
            std::string_view reply = line.substr(at + kResult.size());
            if (reply.ends_with(kLineEnd)) reply.remove_suffix(kLineEnd.size());
            replies_.emplace_back(reply);
        }
        meter_([&] { file_.append(line); });
    }
    std::string path() const { return file_.path(); }
    long lines() const { return lines_; }
    // Latin-1, in the order they were logged.
    const std::vector<std::string>& replies() const { return replies_; }

  private:
    static constexpr std::string_view kResult = " - Resultado : ";
    static constexpr std::string_view kLineEnd = "\r\n";
    dru::FileLogSink file_;
    CpuMeter& meter_;
    long lines_ = 0;
    std::vector<std::string> replies_;
};

inline std::string SiblingProgram(const char* name) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (self.parent_path() / name).string();
}

// printer_sim (type "16") as a child process: it prints its device path first
// and stops at the end of its stdin, which the destructor closes.
class SimProcess {
  public:
    explicit SimProcess(const std::string& program) {
        int to_child[2], from_child[2];
        if (::pipe(to_child) != 0) return;
        if (::pipe(from_child) != 0) {
            ::close(to_child[0]);
            ::close(to_child[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(to_child[0], STDIN_FILENO);
            ::dup2(from_child[1], STDOUT_FILENO);
            for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) ::close(fd);
            ::execl(program.c_str(), program.c_str(), "--type", "16", "--quiet",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(to_child[0]);
        ::close(from_child[1]);
        stdin_ = to_child[1];
        if (pid_ > 0) read_path(from_child[0]);
        ::close(from_child[0]);
    }
    ~SimProcess() {
        if (stdin_ >= 0) ::close(stdin_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    // Empty when the simulator did not start.
    const std::string& device_path() const { return path_; }

  private:
    void read_path(int fd) {
        pollfd p{fd, POLLIN, 0};
        char c;
        while (::poll(&p, 1, kSimStartTimeoutMs) > 0 && ::read(fd, &c, 1) == 1 && c != '\n')
            path_ += c;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string path_;
};

// printer_sim (beside this program) on a pseudo-terminal, opened as `port`
// through the real serial code on the real clock; pauses, frames and read
// time-outs are counted, and with `split` the CPU is metered by place.
struct PtyPrinter {
    PtyPrinter(const std::string& port, bool split) {
        if (split) places.switch_on();
        if (started()) names.set_device(port, sim.device_path());
    }
    bool started() const { return !sim.device_path().empty(); }

    SimProcess sim{SiblingProgram("printer_sim")};
    CpuPlaces places;
    PauseCountingClock clock{places.pauses};
    dru::PortNames names;
    dru::SerialBackend serial{names, clock};
    CountingPorts ports{serial, places.port};
};

// The in-process simulator on the virtual clock: no waiting, nothing metered.
struct InProcessPrinter {
    CpuPlaces places;  // left off
    dru::VirtualClock clock;
    dru::sim::PrinterModel model{clock};
    dru::sim::SimPortProvider sim_ports{model, clock};
    CountingPorts ports{sim_ports, places.port};
};

// The wall time and the driver thread's CPU, added up over the runs.
struct RunCosts {
    double wall_ms = 0, cpu_ms = 0, user_ms = 0, system_ms = 0;
};

// Runs `run` (returning false when the printer refused) once per iteration,
// adding up what each run costs.
template <class Run>
RunCosts MeasureRuns(benchmark::State& state, Run&& run, const char* refused) {
    RunCosts costs;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = ThreadCpuMs();
        const CpuSplit split_start = ThreadCpuSplit();
        const bool ok = run();
        costs.cpu_ms += ThreadCpuMs() - cpu_start;
        const CpuSplit split_end = ThreadCpuSplit();
        costs.user_ms += split_end.user - split_start.user;
        costs.system_ms += split_end.system - split_start.system;
        costs.wall_ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!ok) state.SkipWithError(refused);
    }
    return costs;
}

// One run's figures over the pseudo-terminal, averaged over the iterations.
struct PtyFigures {
    double wall_ms, schedule_ms, ratio, cpu_ms, user_ms, system_ms;
    double pauses, paused_ms, timed_out_reads, frames;
};

// The figures per run, also set as the counters wall_ms, schedule_ms, ratio,
// cpu_ms, user_ms, system_ms, pauses and frames. The schedule is what the run
// mandates, counted from what was done: every clock pause plus the whole read
// time-out for each read that got less than it asked for.
inline PtyFigures ReportPtyFigures(benchmark::State& state, const RunCosts& costs,
                                   const PtyPrinter& printer) {
    const auto n = static_cast<double>(state.iterations());
    const LineCounts& counts = printer.ports.counts;
    PtyFigures f{};
    f.wall_ms = costs.wall_ms / n;
    f.schedule_ms = static_cast<double>(printer.clock.paused_ms() +
                                        counts.timed_out_reads * dru::kReadTotalTimeoutMs) /
                    n;
    f.ratio = f.wall_ms / f.schedule_ms;
    f.cpu_ms = costs.cpu_ms / n;
    f.user_ms = costs.user_ms / n;      // the driver's own code
    f.system_ms = costs.system_ms / n;  // the kernel on its behalf: sleeps, port, log file
    f.pauses = static_cast<double>(printer.clock.pauses()) / n;
    f.paused_ms = static_cast<double>(printer.clock.paused_ms()) / n;
    f.timed_out_reads = static_cast<double>(counts.timed_out_reads) / n;
    f.frames = static_cast<double>(counts.frames) / n;
    state.counters["wall_ms"] = f.wall_ms;
    state.counters["schedule_ms"] = f.schedule_ms;
    state.counters["ratio"] = f.ratio;
    state.counters["cpu_ms"] = f.cpu_ms;
    state.counters["user_ms"] = f.user_ms;
    state.counters["system_ms"] = f.system_ms;
    state.counters["pauses"] = f.pauses;
    state.counters["frames"] = f.frames;
    return f;
}

// Runs `run` once per iteration on the in-process printer, removing the debug
// log at `log_path` between runs untimed (it would grow by a document's lines
// each time), and sets the counter frames per run.
template <class Run>
void RunInProcess(benchmark::State& state, const InProcessPrinter& printer,
                  const std::string& log_path, Run&& run, const char* refused) {
    for (auto _ : state) {
        if (!run()) state.SkipWithError(refused);
        state.PauseTiming();
        std::error_code ignored;
        std::filesystem::remove(log_path, ignored);
        state.ResumeTiming();
    }
    state.counters["frames"] =
        static_cast<double>(printer.ports.counts.frames) / static_cast<double>(state.iterations());
}

}  // namespace dru::bench
