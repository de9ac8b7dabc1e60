// The cost of one exchange (command 481) against the printer simulator.
//
// Pty/481: the real serial code over a pseudo-terminal with the real clock.
//   The reply (about 150 bytes) is shorter than the 4001 bytes the exchange
//   asks for, so the read lasts its whole 1000 ms time-out: that is the floor.
//   `overhead_ms` is the wall time above it; the CPU time is the driver
//   thread's own (the simulator serves on another thread).
// InProcess/481: the same exchange on the in-process simulator port and the
//   virtual clock: no waiting at all, so the time is the driver's own work
//   per frame (open, settings, write, read, reply text, two log lines, close).
//
// Both write the debug log to a file, as the driver does.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "host/clock.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "link/commands.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "printer_model.h"
#include "pty_server.h"
#include "sim_port.h"

namespace {

class EmptyMessages final : public dru::MessageTables {
public:
    const dru::TMessages& msgPadrao() override { return none_; }
    const dru::TMessages& msgPadrao2() override { return none_; }

private:
    dru::TMessages none_;
};

std::string LogFolder() {
    const auto dir = std::filesystem::temp_directory_path() / "dru_exchange_bench";
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Everything an exchange needs besides the port and the clock.
struct Host {
    explicit Host(const dru::Clock& clock) : log(sink, clock, format) {}
    ~Host() {
        std::error_code ignored;
        std::filesystem::remove(sink.path(), ignored);
    }
    dru::FileLogSink sink{LogFolder()};
    dru::FormatSettings format;
    dru::DebugLog log;
    dru::NoDialog dialog;
    EmptyMessages messages;
};

void Pty481(benchmark::State& state) {
    dru::RealClock clock;
    dru::sim::PrinterModel model(clock);
    std::unique_ptr<dru::sim::PtyServer> server;
    try {
        server = std::make_unique<dru::sim::PtyServer>(model);
    } catch (const std::system_error& e) {
        state.SkipWithError(e.what());
        return;
    }
    dru::PortNames names;
    dru::SerialBackend ports(names, clock);
    names.set_device("COM1", server->device_path());
    Host host(clock);
    dru::LinkContext ctx{ports, clock, host.log, host.dialog, host.messages, host.format};
    const std::string frame = dru::Frame(dru::cmd::kReadCounters);

    double wall_ms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string reply = dru::Comand_Porta(ctx, frame, dru::kCommandExchange, "COM1", "");
        wall_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (dru::ReadField(reply, 2).empty()) state.SkipWithError("no counters reply");
        benchmark::DoNotOptimize(reply);
    }
    const double per = wall_ms / static_cast<double>(state.iterations());
    state.counters["floor_ms"] = dru::kReadTotalTimeoutMs;
    state.counters["overhead_ms"] = per - dru::kReadTotalTimeoutMs;
}

void InProcess481(benchmark::State& state) {
    dru::VirtualClock clock;
    dru::sim::PrinterModel model(clock);
    dru::sim::SimPortProvider ports(model, clock);
    Host host(clock);
    dru::LinkContext ctx{ports, clock, host.log, host.dialog, host.messages, host.format};
    const std::string frame = dru::Frame(dru::cmd::kReadCounters);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dru::Comand_Porta(ctx, frame, dru::kCommandExchange, "COM1", ""));
    }
    state.counters["frames"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(Pty481)->Name("Pty/481")->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(InProcess481)->Name("InProcess/481")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
