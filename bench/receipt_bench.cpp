// One whole fiscal receipt of 100 items and 3 payments on printer type "16".
//
// Pty/Receipt100: the real serial code over a pseudo-terminal to the
//   printer_sim program (a child process, found beside this program), with
//   the real clock and the debug log written to a temporary folder.
// Pty/Sale100: the same items and payments as one sale through ImpressaoVenda
//   (drawer, 000 and 12, items, 20, payments, 98, closing, receipt number),
//   its own pauses between the steps included.
// InProcess/Receipt100: the same receipt on the in-process simulator port
//   and the virtual clock: no waiting, so the time is the driver's own work
//   per receipt with the model's (both on this thread), caches warm.
//
// The receipt: 000 and 12 (open), Venda_Item (100 rows), 20 (total),
// Pagamento (3 rows covering the total), 98 without reading, Final_Cupom.
// Only the pacing of these operations is counted; the sale driver's own
// pauses between its steps are not part of this receipt.
//
// Counters, per receipt (Pty):
//   wall_ms      the receipt's wall time;
//   schedule_ms  what these operations mandate, counted from what was
//                actually done: every clock pause (sleep_ms) plus the whole
//                read time-out for each read that got less than it asked for
//                (the printer answers 000, 12 and 20 with nothing and the
//                block's end with two bytes, so each such read waits it out);
//   ratio        wall_ms / schedule_ms;
//   user_ms, system_ms  the same split into the driver's own code and the
//                kernel's work on its behalf (sleeps, port, log file);
//   cpu_ms       the driver thread's CPU time (the simulator runs in its own
//                process, so none of its work is in it);
//   pauses       the clock pauses taken; frames: the frames written.
// Nearly all of cpu_ms goes with the pauses, not with the frames: each pause
// is a sleep and a wake-up, and the little work between two pauses (one
// frame, one log line) then runs on cold caches, several times slower than
// back to back, as InProcess/Receipt100 shows it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/sale_ticket.h"
#include "host/dataset.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "link/commands.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "module/data_module.h"
#include "receipt/item_registration.h"
#include "receipt/payment_registration.h"
#include "receipt/receipt_closing.h"
#include "receipt/sale_printing.h"

namespace {

using namespace dru::bench;

constexpr int kItemCount = 100;
constexpr int kPaymentCount = 3;
const std::string kPort = "COM1";
const std::string kType16{dru::printer_type::k16};

class DefaultMessages final : public dru::MessageTables {
  public:
    const dru::TMessages& msgPadrao() override { return padrao_; }
    const dru::TMessages& msgPadrao2() override { return padrao2_; }

  private:
    dru::TMessages padrao_ = dru::TdtmImpressoraIBM::DefaultMsgPadrao();
    dru::TMessages padrao2_ = dru::TdtmImpressoraIBM::DefaultMsgPadrao2();
};

void MakeItems(dru::TClientDataSet& ds) {
    ds.AddFieldDef("QTPRODCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRPRECCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRDESCCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRACRCOMANDA", dru::FieldType::Float);
    ds.AddFieldDef("CDARVPROD", dru::FieldType::String, 20);
    ds.AddFieldDef("NMPRODUTO", dru::FieldType::String, 40);
    // What the sale driver reads besides: taxable items of one operator.
    ds.AddFieldDef("IDTPIMPOSFIS", dru::FieldType::String, 1);
    ds.AddFieldDef("VRTXSERVICO", dru::FieldType::Float);
    ds.AddFieldDef("NMOPERADOR", dru::FieldType::String, 30);
    ds.AddFieldDef("CDLOJA", dru::FieldType::String, 4);
    ds.CreateDataSet();
    for (int i = 1; i <= kItemCount; ++i) {
        ds.Append();
        ds.FieldByName("IDTPIMPOSFIS").SetAsString("T");
        ds.FieldByName("VRTXSERVICO").SetAsFloat(0);
        ds.FieldByName("NMOPERADOR").SetAsString("MARIA");
        ds.FieldByName("CDLOJA").SetAsString("1");
        ds.FieldByName("QTPRODCOMVEN").SetAsFloat(1 + i % 3);
        ds.FieldByName("VRPRECCOMVEN").SetAsFloat(500 + 10 * i);
        ds.FieldByName("VRDESCCOMVEN").SetAsFloat(i % 5 == 0 ? 50 : 0);
        ds.FieldByName("VRACRCOMANDA").SetAsFloat(0);
        ds.FieldByName("CDARVPROD").SetAsString(std::to_string(7800000000000LL + i));
        ds.FieldByName("NMPRODUTO").SetAsString("PRODUCTO " + std::to_string(i));
        ds.Post();
    }
}

// Three payments that cover `total` exactly: two thirds and the rest.
void MakePayments(dru::TClientDataSet& ds, double total) {
    ds.AddFieldDef("IDTIPOMOVIVE", dru::FieldType::String, 1);
    ds.AddFieldDef("VRMOVIVEND", dru::FieldType::Float);
    ds.AddFieldDef("CDFPIMPFIS", dru::FieldType::String, 10);
    ds.AddFieldDef("IDTIPORECE", dru::FieldType::String, 1);  // cash, cheque, card: no voucher
    ds.AddFieldDef("CDTIPORECE", dru::FieldType::String, 3);
    ds.CreateDataSet();
    const double third = static_cast<double>(static_cast<long long>(total / kPaymentCount));
    const char* codes[kPaymentCount] = {"01", "02", "03"};
    for (int i = 0; i < kPaymentCount; ++i) {
        ds.Append();
        ds.FieldByName("IDTIPOMOVIVE").SetAsString("E");
        ds.FieldByName("VRMOVIVEND").SetAsFloat(i + 1 < kPaymentCount ? third : total - 2 * third);
        ds.FieldByName("CDFPIMPFIS").SetAsString(codes[i]);
        ds.FieldByName("IDTIPORECE").SetAsString(std::to_string(i + 1));
        ds.FieldByName("CDTIPORECE").SetAsString("00" + std::to_string(i + 1));
        ds.Post();
    }
}

// The sum of the item totals, as Venda_Item returns it: the figures are whole
// units, so its truncation to cents changes nothing.
double ItemsTotal(dru::TClientDataSet& items) {
    double total = 0;
    for (items.First(); !items.Eof(); items.Next()) {
        const double price = items.FieldByName("VRPRECCOMVEN").AsFloat() -
                             items.FieldByName("VRDESCCOMVEN").AsFloat();
        total += price * items.FieldByName("QTPRODCOMVEN").AsFloat();
    }
    return total;
}

// Everything a receipt needs besides the port and the clock, and its items
// and payments.
struct Host {
    Host(dru::Clock& clock, dru::PortProvider& ports, const std::string& folder,
         CpuMeter& log_meter)
        : sink(folder, log_meter),
          log(sink, clock, format),
          ctx{ports, clock, log, dialog, messages, format} {
        MakeItems(items);
        MakePayments(payments, ItemsTotal(items));
    }
    CountingLogSink sink;
    dru::FormatSettings format;
    dru::DebugLog log;
    dru::NoDialog dialog;
    DefaultMessages messages;
    dru::LinkContext ctx;
    dru::TClientDataSet items, payments;
};

// One receipt; false when Final_Cupom fails (no port, or an error reply).
bool RunReceipt(dru::LinkContext& ctx, dru::TClientDataSet& items, dru::TClientDataSet& payments) {
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kOpenFiscalReceipt), dru::kCommandExchange, kPort,
                      "");
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kOpenBoleta), dru::kCommandExchange, kPort, "");
    const double total = dru::Venda_Item(ctx, kPort, items, 0, kType16);
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kTotalReceipt, dru::Amount10(total, ctx.format)),
                      dru::kCommandExchange, kPort, "");
    dru::Pagamento(ctx, kPort, payments, 0);
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kCutPaper), dru::kNoReplyExchange, kPort, "");
    const dru::ClosingSale sale{"3", "", 0, 0, 0, 0, ""};
    return dru::Final_Cupom(ctx, "", kPort, "MARIA", "LOJA1", "4821",
                            "Gracias por su visita\r\nVuelva pronto", 0, 0, sale,
                            dru::BalanceTables{}, kType16);
}

// One receipt through the sale driver, as the host prints a finished sale:
// the drawer, the receipt, the closing and the receipt number read back.
bool RunSale(dru::LinkContext& ctx, dru::TClientDataSet& items, dru::TClientDataSet& payments) {
    dru::TClientDataSet types;  // the payment types: no voucher among them
    types.AddFieldDef("CDTIPORECE", dru::FieldType::String, 3);
    types.CreateDataSet();
    const dru::TParams params{{"ESQUEMACOR", ""},           {"SENHACUPOM", "4821"},
                              {"TIPOVENDA", "3"},           {"DSOBSCUPFIS", "Gracias por su visita\r\nVuelva pronto"},
                              {"CDPORTAIMPFIS", kPort},     {"IDTIPOIMPFIS", kType16}};
    const dru::SaleDocuments documents{&dru::ImpDebito_Consumidor_IBM, &dru::ImprimeNaoFiscal};
    return !dru::ImpressaoVenda(ctx, params, {items, payments, types, {}}, "0", documents).empty();
}

using RunFn = bool (*)(dru::LinkContext&, dru::TClientDataSet&, dru::TClientDataSet&);

void OverPty(benchmark::State& state, RunFn run, const char* what) {
    PtyPrinter printer(kPort, false);
    if (!printer.started()) {
        state.SkipWithError("printer_sim did not start (it is built beside this program)");
        return;
    }
    TempFolder folder;
    Host host(printer.clock, printer.ports, folder.path(), printer.places.log);
    const RunCosts costs = MeasureRuns(
        state, [&] { return run(host.ctx, host.items, host.payments); },
        "the printer did not accept the receipt");
    // Every receipt's closing block must have been answered with success.
    const auto& replies = host.sink.replies();
    if (std::count(replies.begin(), replies.end(), "1") != state.iterations())
        state.SkipWithError("a closing block was not answered with success");

    const PtyFigures f = ReportPtyFigures(state, costs, printer);
    std::printf(
        "%s of %d items, %d payments: wall %.1f ms, schedule %.0f ms (%.0f pauses, %.0f ms; "
        "%.0f reads waiting out %d ms), ratio %.4f, driver CPU %.2f ms, %.0f frames\n",
        what, kItemCount, kPaymentCount, f.wall_ms, f.schedule_ms, f.pauses, f.paused_ms,
        f.timed_out_reads, dru::kReadTotalTimeoutMs, f.ratio, f.cpu_ms, f.frames);
}

void PtyReceipt(benchmark::State& state) { OverPty(state, RunReceipt, "receipt"); }
void PtySale(benchmark::State& state) { OverPty(state, RunSale, "sale"); }

void InProcessReceipt(benchmark::State& state) {
    TempFolder folder;
    InProcessPrinter printer;
    Host host(printer.clock, printer.ports, folder.path(), printer.places.log);
    RunInProcess(
        state, printer, host.sink.path(),
        [&] { return RunReceipt(host.ctx, host.items, host.payments); },
        "the printer did not accept the receipt");
}

}  // namespace

BENCHMARK(PtyReceipt)
    ->Name("Pty/Receipt100")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PtySale)
    ->Name("Pty/Sale100")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(InProcessReceipt)->Name("InProcess/Receipt100")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
