// Every exported entry point against a silent printer, on the virtual clock:
// each returns within the bound its pauses, read time-outs and retry rule
// give, the figure the README writes next to it. A new entry point in
// export_names.h must bring its bound here: the coverage test fails until it
// does. The entry points run as their C exports run them (the operation on a
// session; the same documents handed in), against the in-process printer
// simulator switched silent.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "api/export_names.h"
#include "host/clock.h"
#include "link/commands.h"
#include "support/entry_point_calls.h"
#include "support/sim_session.h"

namespace dru::test {
namespace {

// One read that gets no reply lasts its whole time-out.
constexpr std::int64_t kRead = kReadTotalTimeoutMs;

// The simulated printer switched off, on the virtual clock.
struct SilentPrinter : SimSession {
    SilentPrinter() : SimSession(VirtualClock().now()) {
        printer.knobs().silent = true;
        // The cash closing: the notice that the receipt went unconfirmed, no
        // to opening again, yes to the Z (the longest way through).
        dialog.answers = {false, false, true};
    }
    std::int64_t elapsed() const { return clock.steady_ms(); }
};

// The bill check on type 16 (lines paced p = 200 ms) with n products and a
// adjustment lines: every line's pauses, a break after the 10th product and
// every 15th after it (2p + 800 each; one more allowed for the lines after
// the list), the 1 ms delay, and three tries of the closing read.
std::int64_t BillBound(int n, int a) {
    constexpr int p = 200;
    const int breaks = (n >= 10 ? 1 + (n - 10) / 15 : 0) + 1;
    return p * (2 * n + a + 19) + breaks * (2 * p + 800) + 1 + 3 * kRead;
}

// Three attempts of the product report of n products in blocks of 27.
std::int64_t ProductReportBound(int n) {
    const int breaks = (n - 1) / 27;
    return 3 * (2081 + 200 * n + 1001 * breaks);
}

// The bound of each entry point on a silent printer, for the input size n
// of EntryPointCalls(); the README gives the same figures.
const std::map<std::string, std::function<std::int64_t(int n)>>& Bounds() {
    static const std::map<std::string, std::function<std::int64_t(int n)>> bounds = {
        {"Abre_Gaveta_Imp", [](int) { return kRead; }},
        {"Leitura_X_Imp", [](int) { return kRead; }},
        {"Reducao_Z_Imp", [](int) { return kRead; }},
        {"Nr_Cupom", [](int) { return kRead; }},
        {"Carrega_Dados_Impressora", [](int) { return kRead; }},
        {"StartImpFiscal", [](int) { return 2 * kRead; }},  // 32, then 35
        {"VerificaData", [](int) { return kRead; }},        // 481; no date read, no Z offered
        {"CarregaRecebimento",
         [](int) { return kSlowReplyPauseMs + kRead; }},  // 432 read after its pause
        {"ExportRedZ", [](int) { return kRead; }},
        // Type 16, n items, m = 1 payment, k = 1 observation line.
        {"ImpressaoVenda", [](int n) { return 4950 + 200 * n + 200 * 1 + 220 * (7 + 1 + 1); }},
        {"Suprimento", [](int) { return 6 * 180 + kRead; }},
        {"Sangria", [](int) { return 3 * 200 + 1 + kRead; }},
        {"Conferencia_Outras", [](int n) { return BillBound(n, 2); }},
        {"Compr_CredPessoal", [](int) { return 2 * (12 * 200 + 1); }},  // two copies, never read
        {"Relatorio_Produto", [](int n) { return ProductReportBound(n); }},
        // The receipt of n amounts, the report of n products, the 481 read.
        {"GeraReciboSangria",
         [](int n) { return 3 * (2401 + 200 * n) + ProductReportBound(n) + kRead; }},
    };
    return bounds;
}

// The entry points that drive the printer: every export but the host-side
// dru_ helpers (they never touch the printer) and the fixed answers (they
// return at once, touching neither printer nor log).
std::vector<std::string> PrinterEntryPoints() {
    return kDriverExports;
}

TEST(BoundedTime, EveryEntryPointThatDrivesThePrinterHasItsBound) {
    for (const std::string& name : PrinterEntryPoints()) {
        EXPECT_TRUE(Bounds().contains(name)) << name;
        EXPECT_TRUE(EntryPointCalls().contains(name)) << name;
    }
}

TEST(BoundedTime, ASilentPrinterHoldsEachEntryPointWithinItsBound) {
    for (const std::string& name : PrinterEntryPoints()) {
        if (!Bounds().contains(name) || !EntryPointCalls().contains(name)) continue;
        for (const int n : {1, 2, 30}) {
            SCOPED_TRACE(name + " with n = " + std::to_string(n));
            SilentPrinter printer;
            EXPECT_NO_THROW(EntryPointCalls().at(name)(printer.session, n));
            EXPECT_LE(printer.elapsed(), Bounds().at(name)(n));
            EXPECT_FALSE(printer.ports.is_open()) << "the port was left open";
        }
    }
}

// Host texts of any length (a product name, the observation line, the
// consumer's name) leave in frames the printer takes within the write
// time-out, and the sale keeps its bound.
TEST(BoundedTime, HostTextsOfAnyLengthKeepEveryFrameWithinTheWriteTimeOut) {
    constexpr std::size_t kBytesWithinWriteTimeout = kBaudRate / 10 * kWriteTotalTimeoutMs / 1000;
    const std::string megabyte(1 << 20, 'N');
    SaleInput sale("COM1", 2, 1);
    TClientDataSet vendas;  // the same items with a product name field as wide as the host likes
    for (const FieldDef& d : sale.vendas.FieldDefs())
        vendas.AddFieldDef(d.name, d.type, d.name == "NMPRODUTO" ? 2 << 20 : d.size);
    vendas.CreateDataSet();
    for (sale.vendas.First(); !sale.vendas.Eof(); sale.vendas.Next()) {
        vendas.Append();
        for (const FieldDef& d : sale.vendas.FieldDefs())
            if (!sale.vendas.FieldByName(d.name).IsNull())
                vendas.FieldByName(d.name).SetAsString(sale.vendas.FieldByName(d.name).AsString());
        vendas.FieldByName("NMPRODUTO").SetAsString(megabyte);
        vendas.Post();
    }
    TParams params;
    for (const Param& p : sale.params.pairs())
        params.add(p.name, p.name == "DSOBSCUPFIS" || p.name == "NMCONSUMIDOR" ? megabyte : p.value);
    SimSession printer{VirtualClock().now()};
    const SaleDocuments documents{&ImpDebito_Consumidor_IBM, &ImprimeNaoFiscal};
    ImpressaoVenda(printer.session.link, params, {vendas, sale.movi, sale.receb, {}}, "0", documents);
    ASSERT_FALSE(printer.printer.frames().empty());
    for (const std::string& frame : printer.printer.frames()) EXPECT_LE(frame.size(), kBytesWithinWriteTimeout);
    EXPECT_LE(printer.clock.steady_ms(), Bounds().at("ImpressaoVenda")(2));
}

}  // namespace
}  // namespace dru::test
