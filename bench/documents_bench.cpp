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

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "bench_support.h"
#include "documents/bill_check.h"
#include "documents/product_report.h"
#include "host/clock.h"
#include "host/dataset.h"
#include "host/dialog.h"
#include "host/format.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "module/data_module.h"
#include "module/session.h"

namespace {

using namespace dru::bench;

constexpr int kBillProducts = 200;
constexpr int kReportProducts = 500;
constexpr int kPrinterType16 = 16;
const std::string kPort = "COM1";

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
// attempt when one final reply check ran and the printer's replies begin
// with its success, "1".
RunFn ProductReport() {
    auto products = std::make_shared<dru::TClientDataSet>();
    MakeProductsSold(*products);
    return [products](Host& host) {
        const std::size_t before = host.sink.replies().size();
        dru::Relatorio_Produto(host.session, kPort, *products, "N", "");
        const auto& replies = host.sink.replies();
        return replies.size() == before + 1 && replies.back().starts_with('1');
    };
}

void OverPty(benchmark::State& state, const RunFn& run, const char* what, bool split) {
    PtyPrinter printer(kPort, split);
    if (!printer.started()) {
        state.SkipWithError("printer_sim did not start (it is built beside this program)");
        return;
    }
    TempFolder folder;
    Host host(printer.clock, printer.ports, folder.path(), printer.places.log);
    host.dm.get();  // the data module is made once per process, not per document

    const RunCosts costs = MeasureRuns(
        state, [&] { return run(host); }, "the printer did not accept the document");

    const auto n = static_cast<double>(state.iterations());
    const PtyFigures f = ReportPtyFigures(state, costs, printer);
    const double log_lines = static_cast<double>(host.sink.lines()) / n;
    state.counters["log_lines"] = log_lines;
    std::printf(
        "%s: wall %.1f ms, schedule %.0f ms (%.0f pauses, %.0f ms; %.0f reads waiting out %d "
        "ms), ratio %.4f, driver CPU %.2f ms (user %.2f, system %.2f), %.0f frames, %.0f log "
        "lines\n",
        what, f.wall_ms, f.schedule_ms, f.pauses, f.paused_ms, f.timed_out_reads,
        dru::kReadTotalTimeoutMs, f.ratio, f.cpu_ms, f.user_ms, f.system_ms, f.frames, log_lines);
    if (split) {
        const CpuPlaces& places = printer.places;
        const double pauses = places.pauses.ms / n, port = places.port.ms / n,
                     log = places.log.ms / n, own_code = f.cpu_ms - pauses - port - log;
        state.counters["in_pauses_ms"] = pauses;
        state.counters["on_port_ms"] = port;
        state.counters["in_log_ms"] = log;
        state.counters["own_code_ms"] = own_code;
        std::printf(
            "%s, CPU by place: pauses %.2f ms, port %.2f ms, log %.2f ms, own code %.2f ms\n", what,
            pauses, port, log, own_code);
    }
    std::fflush(stdout);
}

void InProcess(benchmark::State& state, const RunFn& run) {
    TempFolder folder;
    InProcessPrinter printer;
    Host host(printer.clock, printer.ports, folder.path(), printer.places.log);
    host.dm.get();
    RunInProcess(
        state, printer, host.sink.path(), [&] { return run(host); },
        "the printer did not accept the document");
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
