// GeraReciboSangria: each branch of the closing's dialogue with the tables it
// copies and hands back, the withdrawal receipt under the retry rule, and the
// calls refused before anything is copied, asked or sent.
#include "documents/cash_closing.h"

#include <gtest/gtest.h>

#include <optional>

#include "documents/documents_rig.h"
#include "host/errors.h"
#include "host/routines.h"
#include "link/debug_log.h"
#include "link/link_services.h"
#include "module/session.h"
#include "support/operation_inputs.h"

namespace dru::test {
namespace {

constexpr const char* kOpenAgain = "Deseja abrir o caixa?";
constexpr const char* kConfirmZ = "Confirma impressão da redução z?";
// Last reduction 41, receipts 1001 to 1055, 250000 sold: 150000 cash, 100000 by credit card.
constexpr const char* kDayTotals = "41:1001:1055:250000:150000:0:100000:0:0:\r";

struct ClosingRig {
    DocumentLink link;
    DataModuleSlot dm{link.format, link.clock};
    Session session{link.ctx, dm, {}};

    TClientDataSet movFecha, sangria, products, operators, movTot, paymentTypes;
    TClientDataSet redz, formRedz, impostoRedz, totNFis;
    CashClosing closing;
    ErrorReport swallowed;

    ClosingRig() {
        FillTable(movFecha, {{"NMTIPORECE", FieldType::String}, {"VRFECHAINF", FieldType::Float}},
                  {{"EFECTIVO", "150000"}, {"TARJETA CREDITO", "100000"}});
        FillTable(sangria, {{"VRSANGRIA", FieldType::Float}}, {{"20000"}});
        FillTable(products,
                  {{"CDPRODUTO", FieldType::String},
                   {"NMPRODUTO", FieldType::String},
                   {"QTPRODVEND", FieldType::Float},
                   {"VRTOTAL", FieldType::Float}},
                  {{"0000000000002", "CAFE", "3", "4500"}, {"0000000000001", "PAN", "2", "1800"}});
        FillTable(operators, {{"CDOPERADOR", FieldType::String}, {"NMOPERADOR", FieldType::String}},
                  {{"007", "MARIA GONZALEZ"}});
        FillTable(movTot, {{"VRTOTAL", FieldType::Float}}, {{"250000"}});
        AddPaymentTypeFields(paymentTypes);
        paymentTypes.CreateDataSet();
        for (const auto& [code, name, printer] :
             {std::tuple{"1", "EFECTIVO", "01"}, std::tuple{"3", "TARJETA CRéDITO", "03"}}) {
            paymentTypes.Append();
            paymentTypes.FieldByName("CDTIPORECE").SetAsString(code);
            paymentTypes.FieldByName("NMTIPORECE").SetAsString(name);
            paymentTypes.FieldByName("CDFPIMPFIS").SetAsString(printer);
            paymentTypes.Post();
        }
        closing.stCdPortaImpFis = "COM1";
        closing.stECF = "0007";
        closing.idTipoImpFis = 30;
        closing.stEmiRelProd = "N";
        closing.stIdEsquema = "Azul";
        closing.tables = {&movFecha,     &sangria, &products, &operators,   &movTot,
                          &paymentTypes, &redz,    &formRedz, &impostoRedz, &totNFis};
    }
    TdtmImpressoraIBM& module() { return dm.get(); }
    bool run(bool& reduced) { return GeraReciboSangria(session, closing, reduced, &swallowed); }
    std::vector<std::string> questions() const {
        std::vector<std::string> out;
        for (const DialogCall& c : link.dialog.calls) out.push_back(c.text);
        return out;
    }
    void accept_every_block() {
        for (int i = 0; i < 4; ++i) link.ports.queue_reply("1\r", "61");
    }
};

TEST(CashClosing, ZConfirmedRunsTheReportAndHandsBackTheDayTotals) {
    ClosingRig rig;
    rig.closing.boImpRelSan = true;
    rig.closing.boAccessImpRedz = true;
    rig.link.dialog.answers = {false, true};  // do not open again; print the Z
    rig.link.ports.queue_reply("1\r", "61");  // the withdrawal receipt
    rig.link.ports.queue_reply("1\r", "61");  // the product report
    rig.link.ports.queue_reply(kDayTotals, "481");
    bool reduced = false;
    EXPECT_FALSE(rig.run(reduced));
    EXPECT_TRUE(reduced);
    EXPECT_EQ(rig.questions(), (std::vector<std::string>{kOpenAgain, kConfirmZ}));
    for (const DialogCall& c : rig.link.dialog.calls) {
        EXPECT_EQ(c.arg3, "N");
        EXPECT_EQ(c.question, "S");
        EXPECT_EQ(c.kind, TTipoMsg::Tipo1);
        EXPECT_EQ(c.scheme, "Azul");
    }
    ExpectTraceMatchesGolden(rig.link.trace, "documents/cash_closing_z_confirmed.trace");

    ASSERT_EQ(rig.redz.RecordCount(), 1);
    EXPECT_EQ(rig.redz.FieldByName("NRREDREDZ").AsString(), Ajusta("42", 4));
    EXPECT_EQ(rig.redz.FieldByName("NRULTCFREDZ").AsString(), "1055");
    EXPECT_EQ(rig.redz.FieldByName("VRVENBRUREDZ").AsFloat(), 250000);
    ASSERT_EQ(rig.formRedz.RecordCount(), 2);
    rig.formRedz.First();
    EXPECT_EQ(rig.formRedz.FieldByName("CDTIPORECE").AsString(), "1");
    rig.formRedz.Next();
    EXPECT_EQ(rig.formRedz.FieldByName("CDTIPORECE").AsString(), "3");
    EXPECT_EQ(rig.formRedz.FieldByName("VRFORMPGTORZ").AsFloat(), 100000);
    EXPECT_TRUE(rig.impostoRedz.Active());  // the module's (empty) tax and non-fiscal tables
    EXPECT_TRUE(rig.totNFis.Active());
    EXPECT_EQ(rig.swallowed.kind, ErrorKind::None);
    EXPECT_EQ(rig.link.ports.open_now(), 0);
}

TEST(CashClosing, TheClosingTablesAreCopiedIntoTheModule) {
    ClosingRig rig;
    bool reduced = true;
    rig.run(reduced);
    EXPECT_FALSE(reduced);
    TdtmImpressoraIBM& m = rig.module();
    EXPECT_EQ(m.cdsMovFecha.RecordCount(), 2);
    EXPECT_EQ(m.cdsSangria.FieldByName("VRSANGRIA").AsFloat(), 20000);
    EXPECT_EQ(m.cdsOperadorSup.FieldByName("NMOPERADOR").AsString(), "MARIA GONZALEZ");
    EXPECT_EQ(m.cdsMovTot.FieldByName("VRTOTAL").AsFloat(), 250000);
    EXPECT_EQ(m.cdsTipoReceAux.RecordCount(), 2);
    EXPECT_TRUE(rig.link.ports.frames().empty());  // no receipt asked, the operator said no
}

struct Branch {
    const char* name;
    bool sangria, earlier_day, access_z;
    std::vector<bool> answers;
    bool result;
    std::vector<std::string> asked;
};

class CashClosingBranch : public ::testing::TestWithParam<Branch> {};

TEST_P(CashClosingBranch, AsksWhatTheFlagsAllowAndReturnsTheOperatorsChoice) {
    const Branch& b = GetParam();
    ClosingRig rig;
    rig.closing.boSangria = b.sangria;
    rig.closing.boFechDiaAnterior = b.earlier_day;
    rig.closing.boAccessImpRedz = b.access_z;
    rig.link.dialog.answers.assign(b.answers.begin(), b.answers.end());
    bool reduced = true;
    EXPECT_EQ(rig.run(reduced), b.result);
    EXPECT_FALSE(reduced);
    EXPECT_EQ(rig.questions(), b.asked);
    EXPECT_TRUE(rig.link.ports.frames().empty());  // neither report nor totals
    EXPECT_FALSE(rig.redz.Active());               // the host's Z tables untouched
    EXPECT_EQ(rig.module().cdsMovFecha.RecordCount(), b.earlier_day ? 0 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, CashClosingBranch,
    ::testing::Values(
        Branch{"OpenAgain", false, false, true, {true}, true, {kOpenAgain}},
        Branch{"NoZAccess", false, false, false, {false}, false, {kOpenAgain}},
        Branch{"ZDeclined", false, false, true, {false, false}, false, {kOpenAgain, kConfirmZ}},
        Branch{"WithdrawalOnly", true, false, true, {}, false, {}},
        Branch{"EarlierDay", false, true, true, {}, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CashClosing, WithdrawalWithReceiptPrintsItAndAsksNothing) {
    ClosingRig rig;
    rig.closing.boSangria = true;
    rig.closing.boImpRelSan = true;
    rig.link.ports.queue_reply("1\r", "61");
    bool reduced = true;
    EXPECT_FALSE(rig.run(reduced));
    EXPECT_FALSE(reduced);
    EXPECT_TRUE(rig.questions().empty());
    const std::vector<std::string> lines = rig.link.lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[4], "115EFECTIVO                  150000");
    EXPECT_EQ(lines[5], "115TARJETA CREDITO           100000");
}

TEST(CashClosing, AnEarlierDayPrintsTheReceiptFromWhatTheModuleHolds) {
    ClosingRig rig;
    bool reduced = false;
    rig.run(reduced);  // today's closing loads the module
    rig.link.dialog.calls.clear();

    rig.movFecha.EmptyDataSet();  // what the host holds now is not copied
    rig.closing.boFechDiaAnterior = true;
    rig.closing.boImpRelSan = true;
    rig.link.ports.queue_reply("1\r", "61");
    EXPECT_FALSE(rig.run(reduced));
    EXPECT_TRUE(rig.questions().empty());
    const std::vector<std::string> lines = rig.link.lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[4], "115EFECTIVO                  150000");
    EXPECT_EQ(lines[7], "113Operador : 007 MARIA GONZALEZ");
}

TEST(CashClosing, TheWithdrawalReceiptIsTriedThreeTimesFromTheFirstAmount) {
    ClosingRig rig;
    rig.closing.boImpRelSan = true;
    rig.closing.boSangria = true;  // a silent printer: no reply to any 61
    bool reduced = true;
    EXPECT_FALSE(rig.run(reduced));
    const std::vector<std::string> lines = rig.link.lines();
    ASSERT_EQ(lines.size(), 33u);
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(lines[11 * attempt + 4], "115EFECTIVO                  150000");
    ASSERT_EQ(rig.link.dialog.calls.size(), 1u);
    EXPECT_EQ(rig.link.dialog.calls[0].text,
              "A impressora não confirmou o documento após 3 tentativas. Verifique a impressora.");
    EXPECT_EQ(rig.link.log_messages().back(),
              "Impressora sem resposta apos 3 tentativas: ImpReciboSangria_IBM");
}

TEST(CashClosing, AReportRefusedDoesNotKeepTheTotalsFromBeingRead) {
    ClosingRig rig;
    rig.closing.boAccessImpRedz = true;
    rig.link.dialog.answers = {false, true};
    rig.products.First();
    rig.products.Edit();
    rig.products.FieldByName("VRTOTAL").SetAsFloat(1e12);  // wider than its column
    rig.products.Post();
    rig.link.ports.queue_reply(kDayTotals, "481");
    bool reduced = false;
    EXPECT_FALSE(rig.run(reduced));
    EXPECT_TRUE(reduced);
    EXPECT_EQ(rig.swallowed.kind, ErrorKind::BadArgument);
    EXPECT_EQ(rig.link.ports.frames_text(), (std::vector<std::string>{"\u0087481\u0088"}));
    EXPECT_EQ(rig.redz.RecordCount(), 1);
}

// The debug log on a disk that fills once the product report begins.
class FillingLogSink final : public LogSink {
public:
    explicit FillingLogSink(LogSink& next) : next_(next) {}
    void append(std::string_view line) override {
        if (line.find("ImpRelGerencial_IBM") != std::string_view::npos)
            throw EInOutError("Cannot write the debug log: No space left on device");
        next_.append(line);
    }

private:
    LogSink& next_;
};

TEST(CashClosing, ALogThatCannotBeWrittenDuringTheReportEndsTheClosing) {
    ClosingRig rig;
    FillingLogSink full(rig.link.sink);
    LinkServices services{full,          rig.link.clock,    rig.link.ports,
                          rig.link.dialog, rig.link.messages, rig.link.format};
    Session session{services.ctx, rig.dm, {}};
    rig.closing.boAccessImpRedz = true;
    rig.link.dialog.answers = {false, true};
    rig.link.ports.queue_reply(kDayTotals, "481");
    bool reduced = true;
    EXPECT_THROW(GeraReciboSangria(session, rig.closing, reduced, &rig.swallowed), EInOutError);
    EXPECT_FALSE(reduced);
    EXPECT_EQ(rig.swallowed.kind, ErrorKind::None);
    EXPECT_EQ(rig.link.ports.frames_text(), (std::vector<std::string>{"\u008760\u0088"}))
        << "the report stops at its first line; the day totals are not read";
    EXPECT_EQ(rig.redz.RecordCount(), 0);
}

TEST(CashClosing, ASilentPrinterLeavesTheReasonAndEmptyZTables) {
    ClosingRig rig;
    rig.closing.boAccessImpRedz = true;
    rig.closing.stEmiRelProd = "X";  // no product report
    rig.link.dialog.answers = {false, true};
    bool reduced = false;
    rig.run(reduced);
    EXPECT_TRUE(reduced);  // the operator confirmed and the export ran
    EXPECT_NE(rig.swallowed.kind, ErrorKind::None);
    EXPECT_EQ(rig.redz.RecordCount(), 0);
}

struct Refusal {
    const char* name;
    void (*arrange)(ClosingRig&);
    ErrorKind kind;
    const char* message;
};

class CashClosingRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(CashClosingRefusal, NothingIsCopiedAskedOrSent) {
    const Refusal& r = GetParam();
    ClosingRig rig;
    rig.closing.boAccessImpRedz = true;
    r.arrange(rig);
    bool reduced = true;
    try {
        rig.run(reduced);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(ReportOf(e).kind, r.kind);
        EXPECT_EQ(std::string(e.what()), r.message);
    }
    EXPECT_TRUE(reduced);  // untouched
    EXPECT_TRUE(rig.link.trace.entries().empty());
    EXPECT_TRUE(rig.link.dialog.calls.empty());
    EXPECT_EQ(rig.module().cdsMovFecha.RecordCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    BeforeAnything, CashClosingRefusal,
    ::testing::Values(
        Refusal{"EarlierDayOnAModuleNeverLoaded",
                [](ClosingRig& r) {
                    r.closing.boFechDiaAnterior = true;
                    r.closing.boImpRelSan = true;
                },
                ErrorKind::Table,
                "GeraReciboSangria: no earlier closing loaded the tables the withdrawal receipt "
                "prints from (cdsMovFecha, cdsOperadorSup)"},
        Refusal{"NoOperatorForTheReceipt",
                [](ClosingRig& r) {
                    r.closing.boImpRelSan = true;
                    r.operators.EmptyDataSet();
                },
                ErrorKind::Table,
                "GeraReciboSangria: cdsOperSup holds no operator for the withdrawal receipt"},
        Refusal{"ACopiedTableNull", [](ClosingRig& r) { r.closing.tables.cdsSangriaAux = nullptr; },
                ErrorKind::BadArgument, "GeraReciboSangria: cdsSangriaAux is NULL"},
        Refusal{"ACopiedTableNotOpen", [](ClosingRig& r) { r.movTot.Close(); }, ErrorKind::Table,
                "GeraReciboSangria: cdsMovTotAux is not open"},
        Refusal{"AZTableNullWhenZCanBeAsked",
                [](ClosingRig& r) { r.closing.tables.cdsTotNFisAux = nullptr; },
                ErrorKind::BadArgument, "GeraReciboSangria: cdsTotNFisAux is NULL"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CashClosing, TablesTheFlagsDoNotNeedMayBeNull) {
    ClosingRig rig;
    rig.closing.boFechDiaAnterior = true;
    rig.closing.tables = {};
    bool reduced = true;
    EXPECT_FALSE(rig.run(reduced));
    EXPECT_FALSE(reduced);
}

// A second closing whose reading has no sales hands back no payment-form
// totals: not the first closing's, which the module still holds.
TEST(CashClosing, AClosingWithoutSalesHandsBackNoPaymentFormTotals) {
    ClosingRig rig;
    rig.closing.boAccessImpRedz = true;
    bool reduced = false;
    for (const char* reading : {kDayTotals, "41:1056:1055:0:0:0:0:0:0:\r"}) {
        rig.link.dialog.answers = {false, true};
        rig.link.ports.queue_reply(reading, "481");
        rig.run(reduced);
    }
    EXPECT_TRUE(reduced);
    EXPECT_EQ(rig.redz.RecordCount(), 0);
    EXPECT_EQ(rig.formRedz.RecordCount(), 0);
}

}  // namespace
}  // namespace dru::test
