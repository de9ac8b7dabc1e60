// Every exported entry point against a silent printer, on the virtual clock:
// each returns within the bound its pauses, read time-outs and retry rule
// give, the figure the README writes next to it. A new entry point in
// export_names.h must bring its bound here: the coverage test fails until it
// does. The entry points run as their C exports run them (the operation on a
// session; the same documents handed in), against the in-process printer
// simulator switched silent.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "api/export_names.h"
#include "day/date_check.h"
#include "day/day_operations.h"
#include "day/printer_startup.h"
#include "documents/bill_check.h"
#include "documents/cash_closing.h"
#include "documents/cash_supply.h"
#include "documents/cash_withdrawal.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/credit_voucher.h"
#include "documents/product_report.h"
#include "documents/sale_ticket.h"
#include "host/clock.h"
#include "link/commands.h"
#include "payments/payment_totals_export.h"
#include "payments/payment_type_loading.h"
#include "receipt/sale_printing.h"
#include "support/driver_fixture.h"
#include "support/operation_inputs.h"
#include "support/sim_session.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM1";
// One read that gets no reply lasts its whole time-out.
constexpr std::int64_t kRead = kReadTotalTimeoutMs;

// The simulated printer switched off, on the virtual clock; its messages the
// data module's own.
struct SilentPrinter : SimSession {
    SilentPrinter() : SimSession(VirtualClock().now()) { printer.knobs().silent = true; }
    std::int64_t elapsed() const { return clock.steady_ms(); }
};

// What an entry point does on a silent printer, for one input size `n`.
struct BoundCase {
    std::function<void(SilentPrinter&, int n)> run;
    std::function<std::int64_t(int n)> bound_ms;
};

const SaleDocuments kSaleDocuments{&ImpDebito_Consumidor_IBM, &ImprimeNaoFiscal};

CashClosing Closing(ClosingInput& in) {
    CashClosing c;
    c.stCdPortaImpFis = kPort;
    c.stECF = "0007";
    c.idTipoImpFis = 16;
    c.stEmiRelProd = "N";
    c.stIdEsquema = "Azul";
    c.boImpRelSan = true;
    c.boAccessImpRedz = true;
    c.tables = {&in.movFecha,     &in.sangria, &in.products, &in.operators,   &in.movTot,
                &in.paymentTypes, &in.redz,    &in.formRedz, &in.impostoRedz, &in.totNFis};
    return c;
}

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

const std::map<std::string, BoundCase>& Cases() {
    static const std::map<std::string, BoundCase> cases = {
        {"Abre_Gaveta_Imp",
         {[](SilentPrinter& p, int) { Abre_Gaveta_Imp(p.link, kPort, "Azul", false); },
          [](int) { return kRead; }}},
        {"Leitura_X_Imp",
         {[](SilentPrinter& p, int) { Leitura_X_Imp(p.link, kPort, "Azul", ""); },
          [](int) { return kRead; }}},
        {"Reducao_Z_Imp",
         {[](SilentPrinter& p, int) { Reducao_Z_Imp(p.link, kPort, "Azul", ""); },
          [](int) { return kRead; }}},
        {"Nr_Cupom",
         {[](SilentPrinter& p, int) {
              std::string number;
              Nr_Cupom(p.link, kPort, "Azul", number);
          },
          [](int) { return kRead; }}},
        {"Carrega_Dados_Impressora",
         {[](SilentPrinter& p, int) {
              TParams params{{"CDPORTAIMPFIS", kPort}, {"ESQUEMA", "Azul"}, {"REDIMP", "41"}};
              Carrega_Dados_Impressora(p.session, params);
          },
          [](int) { return kRead; }}},
        {"StartImpFiscal",
         {[](SilentPrinter& p, int) {
              StartImpFiscal(p.session, TParams{{"CDPORTAIMPFIS", kPort}, {"ESQUEMA", "Azul"}});
          },
          [](int) { return 2 * kRead; }}},  // 32, then 35
        {"VerificaData",
         {[](SilentPrinter& p, int) {
              std::ofstream(p.folder.file(std::string(kPrinterConfigFile)), std::ios::binary)
                  << PrinterConfigPacket(kPort, 30);
              TDateTime date = 0;
              VerificaData(p.session, "Azul", date, "", "", true);
          },
          [](int) { return kRead; }}},  // 481; no date read, no Z offered
        {"CarregaRecebimento",
         {[](SilentPrinter& p, int) {
              TClientDataSet types;
              FillPaymentTypes(types);
              CarregaRecebimento(p.session, kPort, "Azul", 16, types);
          },
          [](int) { return kSlowReplyPauseMs + kRead; }}},  // 432 is read after its pause
        {"ExportRedZ",
         {[](SilentPrinter& p, int) {
              TClientDataSet types, redz, forms, taxes, totals;
              FillPaymentTypes(types);
              ExportRedZ(p.session, kPort, "Azul", "0007", 16, types, redz, forms, taxes, totals);
          },
          [](int) { return kRead; }}},
        {"ImpressaoVenda",
         {[](SilentPrinter& p, int n) {
              SaleInput sale(kPort, n, 1);
              ImpressaoVenda(p.link, sale.params, {sale.vendas, sale.movi, sale.receb, {}}, "0",
                             kSaleDocuments);
          },
          // Type 16, n items, m = 1 payment, k = 1 observation line.
          [](int n) { return 4950 + 200 * n + 200 * 1 + 220 * (7 + 1 + 1); }}},
        {"Suprimento",
         {[](SilentPrinter& p, int) { Suprimento(p.link, kPort, "Azul", 15000, true); },
          [](int) { return 6 * 180 + kRead; }}},
        {"Sangria",
         {[](SilentPrinter& p, int) { Sangria(p.link, kPort, "Azul", 15000); },
          [](int) { return 3 * 200 + 1 + kRead; }}},
        {"Conferencia_Outras",
         {[](SilentPrinter& p, int n) {
              const BillCheck bill{"12", "4", "PEDRO", "08-12-2026", 0, 0, 0, 300, 3300};
              Conferencia_Outras(p.session, kPort, "Azul", bill, BillProducts(n), 16);
          },
          [](int n) { return BillBound(n, 2); }}},
        {"Compr_CredPessoal",
         {[](SilentPrinter& p, int) {
              TClientDataSet movements;
              FillCreditMovements(movements, {"4500"});
              Compr_CredPessoal(p.link, kPort, movements, 500, "JUAN", "123", "PEREZ");
          },
          [](int) { return 2 * (12 * 200 + 1); }}},  // two copies, never read
        {"Relatorio_Produto",
         {[](SilentPrinter& p, int n) {
              TClientDataSet products;
              FillProductsSold(products, n);
              Relatorio_Produto(p.session, kPort, products, "N", "Azul");
          },
          [](int n) { return ProductReportBound(n); }}},
        {"GeraReciboSangria",
         {[](SilentPrinter& p, int n) {
              ClosingInput in(n, n);
              p.dialog.answers = {false, false,
                                  true};  // the notice; do not open again; print the Z
              bool reduced = false;
              GeraReciboSangria(p.session, Closing(in), reduced);
          },
          // The receipt of n amounts, the report of n products, the 481 read.
          [](int n) { return 3 * (2401 + 200 * n) + ProductReportBound(n) + kRead; }}},
    };
    return cases;
}

// The entry points that drive the printer: every export but the host-side
// dru_ helpers (they never touch the printer) and the fixed answers (they
// return at once, touching neither printer nor log).
std::vector<std::string> PrinterEntryPoints() {
    std::vector<std::string> names;
    for (const auto* group :
         {&kDriverExports, &kPaymentExports, &kSaleExports, &kCashExports, &kBillCheckExports,
          &kCreditVoucherExports, &kProductReportExports, &kCashClosingExports})
        names.insert(names.end(), group->begin(), group->end());
    return names;
}

TEST(BoundedTime, EveryEntryPointThatDrivesThePrinterHasItsBound) {
    for (const std::string& name : PrinterEntryPoints())
        EXPECT_TRUE(Cases().contains(name)) << name;
}

TEST(BoundedTime, ASilentPrinterHoldsEachEntryPointWithinItsBound) {
    for (const std::string& name : PrinterEntryPoints()) {
        const auto it = Cases().find(name);
        if (it == Cases().end()) continue;
        for (const int n : {1, 2, 30}) {
            SilentPrinter printer;
            SCOPED_TRACE(name + " with n = " + std::to_string(n));
            EXPECT_NO_THROW(it->second.run(printer, n));
            EXPECT_LE(printer.elapsed(), it->second.bound_ms(n));
            EXPECT_FALSE(printer.ports.is_open()) << "the port was left open";
        }
    }
}

}  // namespace
}  // namespace dru::test
