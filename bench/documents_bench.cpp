// Two long non-fiscal documents on printer type "16": a bill check of 200
// products (Conferencia_Outras, 13 block breaks) and a managerial product
// report of 500 products (Relatorio_Produto with stEmiRelProd "N", blocks
// of 27 product lines).
//
// Pty/BillCheck200, Pty/ProductReport500: the real serial code over a
//   pseudo-terminal to the printer_sim program (a child process, found
//   beside this program), with the real clock and the debug log written to
//   a temporary folder.
// Pty/.../Split: the same, with the driver thread's CPU taken apart by
//   where it is spent: in the pauses (the sleep and the wake-up), on the
//   port (open, settings, writes, reads, close), in the debug log (each
//   line's file opened, written, closed) and the rest, the driver's own
//   code. Measuring costs two clock readings per event, so these are not
//   the figures to compare with the target.
// InProcess/...: the same documents on the in-process simulator port and
//   the virtual clock, the log on disk: no waiting, so the time is the
//   driver's own work per document with the model's (both on this thread).
//
// Counters, per document (Pty):
//   wall_ms      the document's wall time;
//   schedule_ms  what the document mandates, counted from what was actually
//                done: every clock pause (sleep_ms) plus the whole read
//                time-out for each read that got less than it asked for (the
//                one read after the last end comment takes the printer's
//                short replies and waits out its time-out);
//   ratio        wall_ms / schedule_ms;
//   cpu_ms       the driver thread's CPU time (the simulator runs in its own
//                process, so none of its work is in it);
//   user_ms, system_ms  the same split into the driver's own code and the
//                kernel's work on its behalf (sleeps, port, log file);
//   pauses, frames, log_lines  the clock pauses taken, the frames written
//                and the debug log lines.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include "documents/bill_check.h"
#include "documents/product_report.h"
#include "host/clock.h"
#include "host/dataset.h"
#include "host/dialog.h"
#include "host/format.h"
#include "link/commands.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "module/data_module.h"
#include "module/session.h"
#include "printer_model.h"
#include "sim_port.h"

namespace {

constexpr int kBillProducts = 200;
constexpr int kReportProducts = 500;
constexpr int kPrinterType16 = 16;
// The simulator prints its device path within this time, or it did not start.
constexpr int kSimStartTimeoutMs = 5000;
const std::string kPort = "COM1";

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The driver thread's user and system CPU so far, in ms.
struct CpuSplit {
    double user = 0, system = 0;
};
CpuSplit ThreadCpuSplit() {
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

// Where the driver's CPU goes, for the Split runs.
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

// The debug log file, counting its lines, the final reply checks' verdicts
// ("Resultado : " and the reply) and the CPU of writing them.
class CountingLogSink final : public dru::LogSink {
  public:
    CountingLogSink(const std::string& folder, CpuMeter& meter) : file_(folder), meter_(meter) {}
    void append(std::string_view line) override {
        ++lines_;
        if (const auto at = line.find(kResult); at != std::string_view::npos) {
            ++results_;
            last_accepted_ = line.substr(at + kResult.size()).starts_with('1');
        }
        meter_([&] { file_.append(line); });
    }
    std::string path() const { return file_.path(); }
    long lines() const { return lines_; }
    long results() const { return results_; }
    bool last_accepted() const { return last_accepted_; }

  private:
    static constexpr std::string_view kResult = " - Resultado : ";
    dru::FileLogSink file_;
    CpuMeter& meter_;
    long lines_ = 0;
    long results_ = 0;
    bool last_accepted_ = false;
};

// A fresh folder for the debug log, removed with its contents at the end.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "dru_documents_bench_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string SiblingProgram(const char* name) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (self.parent_path() / name).string();
}

// printer_sim as a child process: it prints its device path first and stops
// at the end of its stdin, which the destructor closes.
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

// The bill's products as the host hands them over: an XML data packet.
std::string BillProducts(double& total) {
    dru::TClientDataSet ds;
    ds.AddFieldDef("NMPRODUTO", dru::FieldType::String, 40);
    ds.AddFieldDef("QTPRODCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRPRECCOMVEN", dru::FieldType::Float);
    ds.CreateDataSet();
    total = 0;
    for (int i = 1; i <= kBillProducts; ++i) {
        const double qty = 1 + i % 3, price = 500 + 10 * i;
        ds.Append();
        ds.FieldByName("NMPRODUTO").SetAsString("PRODUCTO " + std::to_string(i));
        ds.FieldByName("QTPRODCOMVEN").SetAsFloat(qty);
        ds.FieldByName("VRPRECCOMVEN").SetAsFloat(price);
        ds.Post();
        total += qty * price;
    }
    return ds.GetDataPacket();
}

// The products sold, in an order the report sorts by code.
void MakeProductsSold(dru::TClientDataSet& ds) {
    ds.AddFieldDef("CDPRODUTO", dru::FieldType::String, 20);
    ds.AddFieldDef("NMPRODUTO", dru::FieldType::String, 40);
    ds.AddFieldDef("QTPRODVEND", dru::FieldType::Float);
    ds.AddFieldDef("VRTOTAL", dru::FieldType::Float);
    ds.CreateDataSet();
    for (int i = 1; i <= kReportProducts; ++i) {
        const int code = (i * 7919) % kReportProducts + 1;  // a shuffled permutation of 1..500
        const double qty = 1 + i % 4;
        ds.Append();
        ds.FieldByName("CDPRODUTO").SetAsString(std::to_string(7800000000000LL + code));
        ds.FieldByName("NMPRODUTO").SetAsString("PRODUCTO " + std::to_string(code));
        ds.FieldByName("QTPRODVEND").SetAsFloat(qty);
        ds.FieldByName("VRTOTAL").SetAsFloat(qty * (500 + 10 * code));
        ds.Post();
    }
}

// Everything a document needs besides the port and the clock.
struct Host {
    Host(dru::Clock& clock, dru::PortProvider& ports, const std::string& folder,
         CpuMeter& log_meter)
        : sink(folder, log_meter),
          log(sink, clock, format),
          dm(format, clock),
          ctx{ports, clock, log, dialog, dm, format},
          session{ctx, dm, folder} {}
    CountingLogSink sink;
    dru::FormatSettings format;
    dru::DebugLog log;
    dru::NoDialog dialog;
    dru::DataModuleSlot dm;
    dru::LinkContext ctx;
    dru::Session session;
};

// One document; false when the printer did not accept it.
using RunFn = std::function<bool(Host&)>;

RunFn BillCheck() {
    auto total = std::make_shared<double>(0);
    auto packet = std::make_shared<std::string>(BillProducts(*total));
    return [total, packet](Host& host) {
        const dru::BillCheck bill{"1234", "12", "PEDRO", "08-12-2026", 0, 0, 0, 0, *total};
        return dru::Conferencia_Outras(host.session, kPort, "", bill, *packet, kPrinterType16);
    };
}

// Relatorio_Produto returns nothing: the report was accepted at its first
// attempt when one final reply check ran and the printer answered "1".
RunFn ProductReport() {
    auto products = std::make_shared<dru::TClientDataSet>();
    MakeProductsSold(*products);
    return [products](Host& host) {
        const long before = host.sink.results();
        dru::Relatorio_Produto(host.session, kPort, *products, "N", "");
        return host.sink.results() == before + 1 && host.sink.last_accepted();
    };
}

void OverPty(benchmark::State& state, const RunFn& run, const char* what, bool split) {
    SimProcess sim(SiblingProgram("printer_sim"));
    if (sim.device_path().empty()) {
        state.SkipWithError("printer_sim did not start (it is built beside this program)");
        return;
    }
    TempFolder folder;
    CpuPlaces places;
    if (split) places.switch_on();
    PauseCountingClock clock(places.pauses);
    dru::PortNames names;
    names.set_device(kPort, sim.device_path());
    dru::SerialBackend serial(names, clock);
    CountingPorts ports(serial, places.port);
    Host host(clock, ports, folder.path(), places.log);
    host.dm.get();  // the data module is made once per process, not per document

    double wall_ms = 0, cpu_ms = 0, user_ms = 0, system_ms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = ThreadCpuMs();
        const CpuSplit split_start = ThreadCpuSplit();
        const bool ok = run(host);
        cpu_ms += ThreadCpuMs() - cpu_start;
        const CpuSplit split_end = ThreadCpuSplit();
        user_ms += split_end.user - split_start.user;
        system_ms += split_end.system - split_start.system;
        wall_ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!ok) state.SkipWithError("the printer did not accept the document");
    }

    const auto n = static_cast<double>(state.iterations());
    const double schedule_ms =
        static_cast<double>(clock.paused_ms() +
                            ports.counts.timed_out_reads * dru::kReadTotalTimeoutMs) /
        n;
    const double per_wall = wall_ms / n, per_cpu = cpu_ms / n;
    state.counters["wall_ms"] = per_wall;
    state.counters["schedule_ms"] = schedule_ms;
    state.counters["ratio"] = per_wall / schedule_ms;
    state.counters["cpu_ms"] = per_cpu;
    state.counters["user_ms"] = user_ms / n;
    state.counters["system_ms"] = system_ms / n;
    state.counters["pauses"] = static_cast<double>(clock.pauses()) / n;
    state.counters["frames"] = static_cast<double>(ports.counts.frames) / n;
    state.counters["log_lines"] = static_cast<double>(host.sink.lines()) / n;
    std::printf(
        "%s: wall %.1f ms, schedule %.0f ms (%.0f pauses, %.0f ms; %.0f reads waiting out %d "
        "ms), ratio %.4f, driver CPU %.2f ms (user %.2f, system %.2f), %.0f frames, %.0f log "
        "lines\n",
        what, per_wall, schedule_ms, static_cast<double>(clock.pauses()) / n,
        static_cast<double>(clock.paused_ms()) / n,
        static_cast<double>(ports.counts.timed_out_reads) / n, dru::kReadTotalTimeoutMs,
        per_wall / schedule_ms, per_cpu, user_ms / n, system_ms / n,
        static_cast<double>(ports.counts.frames) / n, static_cast<double>(host.sink.lines()) / n);
    if (split) {
        const double pauses = places.pauses.ms / n, port = places.port.ms / n,
                     log = places.log.ms / n;
        state.counters["in_pauses_ms"] = pauses;
        state.counters["on_port_ms"] = port;
        state.counters["in_log_ms"] = log;
        state.counters["own_code_ms"] = per_cpu - pauses - port - log;
        std::printf(
            "%s, CPU by place: pauses %.2f ms, port %.2f ms, log %.2f ms, own code %.2f ms\n", what,
            pauses, port, log, per_cpu - pauses - port - log);
    }
    std::fflush(stdout);
}

void InProcess(benchmark::State& state, const RunFn& run) {
    TempFolder folder;
    dru::VirtualClock clock;
    dru::sim::PrinterModel model(clock);
    dru::sim::SimPortProvider sim_ports(model, clock);
    CpuMeter off;
    CountingPorts ports(sim_ports, off);
    Host host(clock, ports, folder.path(), off);
    host.dm.get();
    for (auto _ : state) {
        if (!run(host)) state.SkipWithError("the printer did not accept the document");
        // The log would grow by a document's lines each time: start afresh.
        state.PauseTiming();
        std::error_code ignored;
        std::filesystem::remove(host.sink.path(), ignored);
        state.ResumeTiming();
    }
    state.counters["frames"] =
        static_cast<double>(ports.counts.frames) / static_cast<double>(state.iterations());
}

void PtyBillCheck(benchmark::State& state) {
    OverPty(state, BillCheck(), "bill check", false);
}
void PtyProductReport(benchmark::State& state) {
    OverPty(state, ProductReport(), "product report", false);
}
void PtyBillCheckSplit(benchmark::State& state) {
    OverPty(state, BillCheck(), "bill check (split)", true);
}
void PtyProductReportSplit(benchmark::State& state) {
    OverPty(state, ProductReport(), "product report (split)", true);
}
void InProcessBillCheck(benchmark::State& state) {
    InProcess(state, BillCheck());
}
void InProcessProductReport(benchmark::State& state) {
    InProcess(state, ProductReport());
}

}  // namespace

BENCHMARK(PtyBillCheck)
    ->Name("Pty/BillCheck200")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PtyProductReport)
    ->Name("Pty/ProductReport500")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PtyBillCheckSplit)
    ->Name("Pty/BillCheck200/Split")
    ->UseRealTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PtyProductReportSplit)
    ->Name("Pty/ProductReport500/Split")
    ->UseRealTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(InProcessBillCheck)->Name("InProcess/BillCheck200")->Unit(benchmark::kMillisecond);
BENCHMARK(InProcessProductReport)
    ->Name("InProcess/ProductReport500")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
