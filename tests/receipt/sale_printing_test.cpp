// ImpressaoVenda chooses the document of a sale and prints it: each of its
// five outcomes on the scripted line, with the exact frames, pauses and log
// lines (golden traces), the result, and the filters it leaves behind.
#include <gtest/gtest.h>

#include <limits>

#include "host/errors.h"
#include "host/routines.h"
#include "link/frames.h"
#include "receipt/receipt_rig.h"
#include "receipt/sale_printing.h"
#include "support/driver_fixture.h"

namespace dru::test {
namespace {

struct SaleItem {
    std::string kind;  // IDTPIMPOSFIS
    double qty, price;
    std::string name;
    double surcharge = 0;
};

struct Movement {
    std::string type;   // IDTIPOMOVIVE
    std::string klass;  // IDTIPORECE
    std::string code;   // CDTIPORECE
    double amount;
    std::string printer_code = "01";
};

// The documents of subsystem 4, recorded instead of printed.
struct RecordedDocuments {
    std::vector<std::string> calls;
    SaleDocuments documents() {
        return {[this](LinkContext&, const std::string&, const std::string&, const std::string&,
                       const std::string& cons, const std::string& op, const std::string&, double, double,
                       TClientDataSet&, const std::string&, const std::string&) {
                    calls.push_back("debit receipt for " + cons + " by " + op);
                    return true;
                },
                [this](LinkContext&, double tic, const std::string&, const std::string&, const std::string& nr,
                       const std::string& op, const std::string&, TClientDataSet&) {
                    calls.push_back("ticket " + std::to_string(static_cast<long long>(tic)) + " receipt [" + nr +
                                    "] by " + op);
                    return true;
                }};
    }
};

struct SaleRig {
    explicit SaleRig(std::string type = "16") : type(std::move(type)) {
        vendas.AddFieldDef("IDTPIMPOSFIS", FieldType::String, 1);
        for (const char* f : {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRACRCOMANDA", "VRDESCCOMVEN", "VRTXSERVICO"})
            vendas.AddFieldDef(f, FieldType::Float);
        vendas.AddFieldDef("CDARVPROD", FieldType::String, 20);
        vendas.AddFieldDef("NMPRODUTO", FieldType::String, 40);
        vendas.AddFieldDef("NMOPERADOR", FieldType::String, 30);
        vendas.AddFieldDef("CDLOJA", FieldType::String, 4);
        vendas.CreateDataSet();
        for (const char* f : {"IDTIPOMOVIVE", "IDTIPORECE"}) movi.AddFieldDef(f, FieldType::String, 1);
        movi.AddFieldDef("CDTIPORECE", FieldType::String, 3);
        movi.AddFieldDef("VRMOVIVEND", FieldType::Float);
        movi.AddFieldDef("CDFPIMPFIS", FieldType::String, 10);
        movi.AddFieldDef("DSIMPFISCAL", FieldType::String, 30);  // the voucher ticket's lines
        movi.CreateDataSet();
        receb.AddFieldDef("CDTIPORECE", FieldType::String, 3);
        receb.CreateDataSet();
        for (const char* code : {"001", "005", "007"}) {
            receb.Append();
            receb.FieldByName("CDTIPORECE").SetAsString(code);
            receb.Post();
        }
        params = {{"ESQUEMACOR", "Azul"},    {"SENHACUPOM", "4821"}, {"TIPOVENDA", "3"},
                  {"NMCONSUMIDOR", "JUAN"},  {"DSOBSCUPFIS", "Gracias"}, {"CDPORTAIMPFIS", "COM1"},
                  {"IDTIPOIMPFIS", this->type}};
    }

    void item(const SaleItem& i) {
        vendas.Append();
        vendas.FieldByName("IDTPIMPOSFIS").SetAsString(i.kind);
        vendas.FieldByName("QTPRODCOMVEN").SetAsFloat(i.qty);
        vendas.FieldByName("VRPRECCOMVEN").SetAsFloat(i.price);
        vendas.FieldByName("VRACRCOMANDA").SetAsFloat(i.surcharge);
        vendas.FieldByName("VRDESCCOMVEN").SetAsFloat(0);
        vendas.FieldByName("VRTXSERVICO").SetAsFloat(0);
        vendas.FieldByName("CDARVPROD").SetAsString("78");
        vendas.FieldByName("NMPRODUTO").SetAsString(i.name);
        vendas.FieldByName("NMOPERADOR").SetAsString("MARIA");
        vendas.FieldByName("CDLOJA").SetAsString("1");
        vendas.Post();
    }
    void movement(const Movement& m) {
        movi.Append();
        movi.FieldByName("IDTIPOMOVIVE").SetAsString(m.type);
        movi.FieldByName("IDTIPORECE").SetAsString(m.klass);
        movi.FieldByName("CDTIPORECE").SetAsString(m.code);
        movi.FieldByName("VRMOVIVEND").SetAsFloat(m.amount);
        movi.FieldByName("CDFPIMPFIS").SetAsString(m.printer_code);
        movi.Post();
    }
    // The printer's answers, in the order the sale reads them.
    void answers(bool closing_reply) {
        link.ports.queue_reply("1\r", "34");
        if (closing_reply) link.ports.queue_reply("1\r", "61");
        link.ports.queue_reply(Counters481({{2, "1234"}}), "481");
    }
    std::string run() {
        return ImpressaoVenda(link.ctx, params, {vendas, movi, receb, {}}, "0", docs_.documents());
    }
    std::string filter_state(const TClientDataSet& ds) const {
        return ds.Filter() + (ds.Filtered() ? " (on)" : " (off)");
    }

    std::string type;
    ReceiptLink link;
    TClientDataSet vendas, movi, receb;
    TParams params;
    RecordedDocuments docs_;
};

TEST(ImpressaoVenda, OrdinarySaleWithTaxableItems) {
    for (const char* type : {"16", "30"}) {
        SaleRig rig(type);
        rig.item({"T", 1, 1000, "CAFE"});
        rig.item({"T", 2, 1250, "PAN"});
        rig.movement({"E", "4", "001", 4000});
        rig.movement({"S", "4", "001", 500});
        rig.answers(std::string(type) == "16");
        EXPECT_EQ(rig.run(), "0000001234") << type;
        EXPECT_EQ(rig.filter_state(rig.vendas), "IDTPIMPOSFIS = 'I' (off)");
        EXPECT_EQ(rig.filter_state(rig.movi), "IDTIPOMOVIVE = 'E'OR IDTIPOMOVIVE = 'T' (off)");
        EXPECT_EQ(rig.link.ports.open_now(), 0);
        ExpectTraceMatchesGolden(rig.link.trace, std::string("receipt/sale_ordinary_type_") + type + ".trace");
    }
}

TEST(ImpressaoVenda, TaxableAndExemptItemsCloseWithTheBreakdown) {
    for (const char* type : {"16", "30"}) {
        SaleRig rig(type);
        rig.item({"T", 1, 1000, "CAFE"});
        rig.item({"T", 1, 2500, "TORTA"});
        rig.item({"I", 1, 250, "AGUA", 50});
        rig.movement({"E", "4", "001", 4000});
        rig.movement({"S", "4", "001", 200});
        rig.answers(std::string(type) == "16");
        EXPECT_EQ(rig.run(), "0000001234") << type;
        const auto frames = rig.link.ports.frames_text();
        EXPECT_NE(std::find(frames.begin(), frames.end(), Frame("20", "0000003500")), frames.end());
        ExpectTraceMatchesGolden(rig.link.trace, std::string("receipt/sale_with_exempt_type_") + type + ".trace");
    }
}

TEST(ImpressaoVenda, ExemptItemsOnlyPrintTheBreakdownAlone) {
    SaleRig rig("16");
    rig.item({"I", 2, 150, "AGUA"});
    rig.movement({"E", "4", "001", 300});
    rig.link.ports.queue_reply("1\r", "34");
    rig.link.ports.queue_reply("1\r", "61");
    EXPECT_EQ(rig.run(), "");
    EXPECT_EQ(rig.filter_state(rig.movi), " (off)") << "the movements are left alone";
    ExpectTraceMatchesGolden(rig.link.trace, "receipt/sale_exempt_only.trace");
}

// A printer that never confirms the breakdown: three attempts, then the
// operator is told and the sale ends; the till is never held for good.
TEST(ImpressaoVenda, AnUnconfirmedBreakdownIsTriedThreeTimes) {
    SaleRig rig("16");
    rig.item({"I", 1, 300, "AGUA"});
    rig.movement({"E", "4", "001", 300});
    EXPECT_EQ(rig.run(), "");
    const auto frames = rig.link.ports.frames_text();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame("61")), 3);
    ASSERT_EQ(rig.link.dialog.calls.size(), 1u);
    EXPECT_EQ(rig.link.dialog.calls[0].text,
              "A impressora não confirmou o documento após 3 tentativas. Verifique a impressora.");
    EXPECT_EQ(rig.link.log_messages().back(), "Impressora sem resposta apos 3 tentativas: Isento_Composto");
}

TEST(ImpressaoVenda, AnEmptyItemsTableGivesABreakdownWithZeroTotals) {
    SaleRig rig("30");
    rig.movement({"E", "4", "001", 0});
    EXPECT_EQ(rig.run(), "");
    const auto frames = rig.link.ports.frames_text();
    EXPECT_NE(std::find(frames.begin(), frames.end(), Frame("116", std::string("Exento:        ") + "         0")),
              frames.end());
}

TEST(ImpressaoVenda, AConsumerDebitMovementPrintsTheDebitReceiptOnly) {
    SaleRig rig("16");
    rig.item({"T", 1, 1000, "CAFE"});
    rig.movement({"E", "4", "001", 500});
    rig.movement({"t", "9", "009", 500});  // the search ignores case
    rig.link.ports.queue_reply("1\r", "34");
    rig.link.ports.queue_reply(Counters481({{2, "77"}}), "481");
    EXPECT_EQ(rig.run(), "0000000077");
    EXPECT_EQ(rig.docs_.calls, (std::vector<std::string>{"debit receipt for JUAN by MARIA"}));
    EXPECT_EQ(rig.filter_state(rig.vendas), " (off)");
    ExpectTraceMatchesGolden(rig.link.trace, "receipt/sale_consumer_debit.trace");
}

// The checks made before the drawer walk the host's tables and put them back
// as they were: the debit receipt's operator is the one of the row the host
// left current, in the host's own filtered view too.
TEST(ImpressaoVenda, TheChecksLeaveTheHostsCursorWhereItWas) {
    for (const bool filtered : {false, true}) {
        SaleRig rig("16");
        rig.item({"T", 1, 1000, "CAFE"});
        rig.item({"I", 1, 300, "AGUA"});
        rig.item({"T", 1, 500, "PAN"});
        rig.vendas.Last();
        rig.vendas.Edit();
        rig.vendas.FieldByName("NMOPERADOR").SetAsString("PEDRO");
        rig.vendas.Post();
        if (filtered) SetTableFilter(rig.vendas, "IDTPIMPOSFIS = 'T'");
        rig.vendas.First();
        rig.vendas.Next();  // the host stands on PAN (filtered) or AGUA
        rig.movement({"E", "4", "001", 800});
        rig.movement({"T", "9", "009", 1000});
        rig.movement({"S", "4", "001", 300});
        rig.link.ports.queue_reply("1\r", "34");
        rig.link.ports.queue_reply(Counters481({{2, "77"}}), "481");
        EXPECT_EQ(rig.run(), "0000000077");
        EXPECT_EQ(rig.docs_.calls,
                  (std::vector<std::string>{std::string("debit receipt for JUAN by ") +
                                            (filtered ? "PEDRO" : "MARIA")}));
        EXPECT_EQ(rig.vendas.RecNo(), 2) << filtered;
        EXPECT_EQ(rig.filter_state(rig.vendas), filtered ? "IDTPIMPOSFIS = 'T' (on)" : " (off)");
        EXPECT_EQ(rig.movi.RecNo(), 2) << "on the debit movement the search found";
    }

    // A refused figure leaves the host's filter and cursor as they were too.
    SaleRig rig("16");
    rig.item({"T", 1, 1000, "CAFE"});
    rig.item({"T", 1, 1e12, "ORO"});
    rig.movement({"E", "4", "001", 1000});
    SetTableFilter(rig.vendas, "IDTPIMPOSFIS = 'T'");
    rig.vendas.Last();
    EXPECT_THROW(rig.run(), EBadArgument);
    EXPECT_EQ(rig.filter_state(rig.vendas), "IDTPIMPOSFIS = 'T' (on)");
    EXPECT_EQ(rig.vendas.RecNo(), 2);
    EXPECT_TRUE(rig.vendas.Eof());
}

TEST(ImpressaoVenda, AVoucherSaleWithAnExemptItemIsRefused) {
    SaleRig rig("16");
    rig.item({"T", 1, 1000, "CAFE"});
    rig.item({"I", 1, 300, "AGUA"});
    rig.movement({"E", "5", "005", 1300});
    EXPECT_EQ(rig.run(), "Erro");
    ASSERT_EQ(rig.link.dialog.calls.size(), 1u);
    EXPECT_TRUE(rig.link.dialog.calls[0].text.starts_with("Operação bloqueada. Existem produtos isentos"));
    EXPECT_EQ(rig.link.dialog.calls[0].scheme, "Azul");
    EXPECT_EQ(rig.filter_state(rig.vendas), "IDTPIMPOSFIS <> 'T' (on)");
    EXPECT_EQ(rig.link.ports.frames_text(), (std::vector<std::string>{Frame("34", "255255")}));

    // The credit note it would need does not fit, but a refused sale prints
    // no credit note: the refusal stands.
    SaleRig wide("16");
    wide.item({"T", 1, 1000, "CAFE"});
    wide.item({"I", 1, 300, "AGUA"});
    wide.movement({"E", "5", "005", 1000});
    wide.movement({"E", "4", "001", 2e9});
    EXPECT_EQ(wide.run(), "Erro");
    EXPECT_EQ(wide.link.dialog.calls.size(), 1u);
}

TEST(ImpressaoVenda, AVoucherTypeMissingFromThePaymentTypesIsAnOrdinaryPayment) {
    SaleRig rig("30");
    rig.item({"I", 1, 300, "AGUA"});
    rig.movement({"E", "5", "999", 300});
    EXPECT_EQ(rig.run(), "");
    EXPECT_TRUE(rig.docs_.calls.empty());
}

TEST(ImpressaoVenda, AVoucherCoveringThePurchasePrintsOnlyTheTicket) {
    SaleRig rig("16");
    rig.item({"T", 1, 1000, "CAFE"});
    rig.movement({"E", "5", "005", 1000});
    rig.link.ports.queue_reply("1\r", "34");
    EXPECT_EQ(rig.run(), "");
    EXPECT_EQ(rig.docs_.calls, (std::vector<std::string>{"ticket 1000 receipt [] by MARIA"}));
    EXPECT_EQ(rig.filter_state(rig.vendas), "IDTPIMPOSFIS <> 'T' (off)");
    EXPECT_EQ(rig.link.ports.frames_text(), (std::vector<std::string>{Frame("34", "255255")}));
}

// The credit note is worth what the vouchers leave of the purchase: 2000 in
// cash for the 1500 the voucher leaves, 500 back, is a credit note of 1500.
TEST(ImpressaoVenda, AVoucherShortOfThePurchaseGivesACreditNoteForTheRest) {
    SaleRig rig("30");
    rig.item({"T", 1, 2500, "CAFE"});
    rig.movement({"E", "5", "005", 1000});
    rig.movement({"E", "4", "001", 2000});
    rig.movement({"S", "4", "001", 500});
    rig.link.ports.queue_reply("1\r", "34");
    rig.link.ports.queue_reply(Counters481({{2, "88"}}), "481");
    EXPECT_EQ(rig.run(), "0000000088");
    EXPECT_EQ(rig.docs_.calls, (std::vector<std::string>{"ticket 1000 receipt [0000000088] by MARIA"}));
    const auto frames = rig.link.ports.frames_text();
    const auto item = std::find_if(frames.begin(), frames.end(),
                                   [](const std::string& f) { return f.find("DIFERENCIA") != std::string::npos; });
    ASSERT_NE(item, frames.end());
    EXPECT_NE(item->find("000001500"), std::string::npos) << *item;
    EXPECT_EQ(rig.filter_state(rig.vendas).substr(0, 19), "IDTPIMPOSFIS <> 'I'");
}

// A silent printer holds the till for the sale's pauses plus one read
// time-out per read, no more (the README gives the formula).
TEST(ImpressaoVenda, ASilentPrinterHoldsTheSaleForABoundedTime) {
    SaleRig ordinary("16");
    ordinary.item({"T", 1, 1000, "CAFE"});
    ordinary.item({"T", 1, 2000, "PAN"});
    ordinary.movement({"E", "4", "001", 3000});
    ordinary.run();
    // 4950 + 200 per item + 200 per payment + 220 x (7 + 1 observation line + its blank line)
    EXPECT_EQ(ordinary.link.clock.steady_ms(), 4950 + 2 * 200 + 200 + 220 * 9);

    SaleRig exempt("16");
    exempt.item({"I", 1, 300, "AGUA"});
    exempt.movement({"E", "4", "001", 300});
    exempt.run();
    // The drawer's read, then three breakdowns of 200 x 13 + 1 + one read each.
    EXPECT_EQ(exempt.link.clock.steady_ms(), 1000 + 3 * (200 * 13 + 1 + 1000));
}

TEST(ImpressaoVenda, FiguresThatDoNotFitRefuseTheSaleBeforeTheDrawer) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double amount : {-10.0, 1e10, inf}) {
        SaleRig rig("16");
        rig.item({"T", 1, 1000, "CAFE"});
        rig.movement({"E", "4", "001", amount});
        EXPECT_THROW(rig.run(), EBadArgument) << amount;
        EXPECT_TRUE(rig.link.ports.frames().empty()) << amount;
        EXPECT_EQ(rig.link.ports.opens(), 0) << amount;
    }
    SaleRig rig("16");
    rig.item({"T", 2000000, 1, "CAFE"});
    rig.movement({"E", "4", "001", 100});
    EXPECT_THROW(rig.run(), EBadArgument);
    EXPECT_EQ(rig.link.ports.opens(), 0);

    // Figures that are never sent are not checked: a row of no kind is no
    // taxable item (the filter drops it), and without one no payment is sent.
    SaleRig unsent("30");
    unsent.item({"", 1, -50, "SIN TIPO"});
    unsent.movement({"E", "4", "001", -5});
    EXPECT_NO_THROW(unsent.run());

    // A credit note of a thousand million does not fit its 9-digit item.
    SaleRig voucher("30");
    voucher.item({"T", 1, 1500000000, "CAFE"});
    voucher.movement({"E", "5", "005", 1000});
    voucher.movement({"E", "4", "001", 1500000000});
    EXPECT_THROW(voucher.run(), EBadArgument);
    EXPECT_EQ(voucher.link.ports.opens(), 0);
}

}  // namespace
}  // namespace dru::test
