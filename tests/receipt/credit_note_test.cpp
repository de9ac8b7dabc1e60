// The credit note: its exact frames and pauses on each printer type, which
// payments it sends, the filters it leaves, the bounded repetition of its
// closing, amounts that do not fit, and the note on the simulated printer.
#include "receipt/credit_note.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dru01000.h"
#include "dru01000.hpp"
#include "host/errors.h"
#include "host/routines.h"
#include "link/frames.h"
#include "receipt/receipt_rig.h"
#include "support/sim_session.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

struct Movement {
    std::string type;  // IDTIPOMOVIVE
    std::string kind;  // IDTIPORECE
    double amount;     // VRMOVIVEND
    std::string form;  // CDFPIMPFIS
};

void MakeMovements(TClientDataSet& ds, const std::vector<Movement>& rows) {
    ds.AddFieldDef("IDTIPOMOVIVE", FieldType::String, 1);
    ds.AddFieldDef("IDTIPORECE", FieldType::String, 2);
    ds.AddFieldDef("VRMOVIVEND", FieldType::Float);
    ds.AddFieldDef("CDFPIMPFIS", FieldType::String, 10);
    ds.CreateDataSet();
    for (const Movement& r : rows) {
        ds.Append();
        ds.FieldByName("IDTIPOMOVIVE").SetAsString(r.type);
        ds.FieldByName("IDTIPORECE").SetAsString(r.kind);
        ds.FieldByName("VRMOVIVEND").SetAsFloat(r.amount);
        ds.FieldByName("CDFPIMPFIS").SetAsString(r.form);
        ds.Post();
    }
}

// Items of the sale as the sale driver hands them in: filtered to the taxable ones.
void MakeSaleItems(TClientDataSet& ds,
                   const std::vector<std::pair<std::string, std::string>>& kind_operator) {
    ds.AddFieldDef("IDTPIMPOSFIS", FieldType::String, 1);
    ds.AddFieldDef("NMOPERADOR", FieldType::String, 30);
    ds.AddFieldDef("CDLOJA", FieldType::String, 5);
    ds.CreateDataSet();
    for (const auto& [kind, op] : kind_operator) {
        ds.Append();
        ds.FieldByName("IDTPIMPOSFIS").SetAsString(kind);
        ds.FieldByName("NMOPERADOR").SetAsString(op);
        ds.FieldByName("CDLOJA").SetAsString("L1");
        ds.Post();
    }
    SetTableFilter(ds, "IDTPIMPOSFIS <> 'I'");
    ds.First();
}

// A purchase of 4800: vouchers 3000 and 500, cash 1000 with 200 change, a card 700.
const std::vector<Movement> kSale = {{"E", "1", 1000, "01"},
                                     {"E", "5", 3000, "04"},
                                     {"E", "2", 700, "03"},
                                     {"S", "1", 200, "01"},
                                     {"E", "7", 500, "04"}};

struct Note {
    std::string monto = "0000001500";
    std::string type = "16";
    std::string obs = "Gracias por su visita";

    void run(LinkContext& ctx, TClientDataSet& movi, TClientDataSet& vendas) const {
        Nota_Credito(ctx, "COM1", "Azul", monto, movi, vendas, "4821", obs, 10, 20, 0, type, "0");
    }
};

const std::string kDifferenceItem = "111" + std::string(13, '0') + "000001000" + "000001500" +
                                    "000001500" + std::string(14, ' ') +
                                    "DIFERENCIA MEDIO DE PAGO CIRCULAR 37";

// The frames up to the closing block, as text.
Strings FramesBeforeClosing(const ReceiptLink& link) {
    Strings frames = link.ports.frames_text();
    frames.erase(std::find(frames.begin(), frames.end(), Frame("60")), frames.end());
    return frames;
}

long CountFrames(const ReceiptLink& link, const std::string& frame) {
    const Strings frames = link.ports.frames_text();
    return std::count(frames.begin(), frames.end(), frame);
}

TEST(NotaCredito, FramesPausesAndLogOnEachPrinterType) {
    const Strings before_closing = {Frame("000"),
                                    Frame("12"),
                                    Frame("13", kDifferenceItem),
                                    Frame("20", "0000001500"),
                                    Frame("26", "11010000001000"),
                                    Frame("26", "11030000000700"),
                                    Frame("27", "1000000000")};
    const struct {
        const char* type;
        int pause;
        bool cut_98, end_99;
    } cases[] = {{"16", 350, true, false}, {"30", 200, false, true}, {"31", 350, false, false}};
    for (const auto& k : cases) {
        ReceiptLink link;
        link.ports.queue_reply("1\r", "61");
        TClientDataSet movi, vendas;
        MakeMovements(movi, kSale);
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        Note note;
        note.type = k.type;
        note.run(link.ctx, movi, vendas);

        Strings expected = before_closing;
        if (k.cut_98) expected.push_back(Frame("98"));
        EXPECT_EQ(FramesBeforeClosing(link), expected) << k.type;
        EXPECT_EQ(link.ports.frames_text().back(), k.end_99 ? Frame("99") : Frame("61")) << k.type;
        EXPECT_EQ(CountFrames(link, Frame("60")), 1) << k.type;
        // After 000, 12, 13, 20 and each payment; before 98 on type "16"; none after 27 otherwise.
        const std::vector<int> pauses = link.clock.pauses();
        const std::size_t own = k.cut_98 ? 7 : 6;
        ASSERT_GT(pauses.size(), own);
        EXPECT_EQ(std::vector<int>(pauses.begin(), pauses.begin() + own),
                  std::vector<int>(own, k.pause))
            << k.type;
        EXPECT_NE(pauses[own], k.pause) << k.type << ": the closing's own pause comes next";
        EXPECT_EQ(link.ports.open_now(), 0);
        ExpectTraceMatchesGolden(link.trace,
                                 std::string("receipt/credit_note_type_") + k.type + ".trace");
    }
}

TEST(NotaCredito, PaymentsSkipVouchersAndChangeAndCopyThePaymentCode) {
    {
        ReceiptLink link;
        TClientDataSet movi, vendas;
        MakeMovements(movi, {{"E", "5", 1000, "04"}, {"E", "7", 500, "04"}, {"S", "1", 100, "01"}});
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        Note{}.run(link.ctx, movi, vendas);
        const Strings frames = FramesBeforeClosing(link);
        ASSERT_EQ(frames.size(), 6u);
        EXPECT_EQ(frames[3], Frame("20", "0000001500"));
        EXPECT_EQ(frames[4], Frame("27", "1000000000")) << "no payment frame at all";
    }
    {
        // A movement type other than "S" counts as a payment; classes compare exactly.
        ReceiptLink link;
        TClientDataSet movi, vendas;
        MakeMovements(movi, {{"T", "9", 300, "03"}, {"s", "1", 100, "01"}, {"E", "57", 1200, "02"}});
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        Note{}.run(link.ctx, movi, vendas);
        const Strings frames = FramesBeforeClosing(link);
        ASSERT_EQ(frames.size(), 9u);
        EXPECT_EQ(frames[4], Frame("26", "11030000000300"));
        EXPECT_EQ(frames[5], Frame("26", "11010000000100"));
        EXPECT_EQ(frames[6], Frame("26", "11020000001200"));
    }
    {
        // The code keeps its two characters in the frame: an empty one would
        // make the printer read the amount's first digits as the code.
        ReceiptLink link;
        TClientDataSet movi, vendas;
        MakeMovements(movi, {{"T", "9", 300, ""}});
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        EXPECT_THROW(Note{}.run(link.ctx, movi, vendas), EBadArgument);
        EXPECT_TRUE(link.ports.frames().empty());
    }
}

TEST(NotaCredito, AmountsRoundToWholeUnits) {
    ReceiptLink link;
    TClientDataSet movi, vendas;
    MakeMovements(movi, {{"E", "1", 1499.5, "01"}});
    MakeSaleItems(vendas, {{"T", "MARIA"}});
    Note note;
    note.monto = "1499,5";  // read with the settings' decimal separator
    note.run(link.ctx, movi, vendas);
    const Strings frames = FramesBeforeClosing(link);
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames[2], Frame("13", kDifferenceItem)) << "1499,5 is sent as 1500";
    EXPECT_EQ(frames[3], Frame("20", "0000001500"));
    EXPECT_EQ(frames[4], Frame("26", "11010000001500"));
}

TEST(NotaCredito, FiltersAndCursorsLeftBehind) {
    ReceiptLink link;
    link.ports.queue_reply("1\r", "61");
    TClientDataSet movi, vendas;
    MakeMovements(movi, kSale);
    SetTableFilter(movi, "IDTIPORECE = '2'");  // the walk sees only what the filter lets through
    MakeSaleItems(vendas, {{"T", "MARIA"}, {"I", "EXENTO"}, {"T", "PEDRO"}});
    vendas.Next();  // on PEDRO: the current record names the operator
    Note{}.run(link.ctx, movi, vendas);

    const Strings frames = FramesBeforeClosing(link);
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames[4], Frame("26", "11030000000700"));
    EXPECT_FALSE(movi.Filtered());
    EXPECT_EQ(movi.Filter(), "IDTIPORECE = '2'") << "the filter is switched off, its text kept";
    EXPECT_TRUE(vendas.Filtered());
    EXPECT_EQ(vendas.Filter(), "IDTPIMPOSFIS <> 'I'");
    EXPECT_EQ(link.ports.frames_text()[frames.size() + 1], Frame("111", "PEDRO"));
}

// A silent printer never confirms the closing: it is tried three times in
// all, then the operator is told, and the note goes on as after the loop.
TEST(NotaCredito, ASilentPrinterGetsThreeClosingsThenTheNotice) {
    ReceiptLink link;
    TClientDataSet movi, vendas;
    MakeMovements(movi, kSale);
    MakeSaleItems(vendas, {{"T", "MARIA"}});
    Note{}.run(link.ctx, movi, vendas);

    EXPECT_EQ(CountFrames(link, Frame("60")), 3);
    EXPECT_EQ(CountFrames(link, Frame("61")), 3);
    EXPECT_EQ(CountFrames(link, Frame("000")), 1) << "only the closing is repeated";
    const Strings log = link.log_messages();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         "Impressora sem resposta apos 3 tentativas: Nota_Credito"),
              1);
    ASSERT_EQ(link.dialog.calls.size(), 1u);
    EXPECT_EQ(link.dialog.calls[0].text, link.messages.padrao.Msg("IMP_SEM_RESPOSTA"));
    EXPECT_EQ(link.dialog.calls[0].scheme, "Azul");
    EXPECT_EQ(link.ports.open_now(), 0);
    ExpectTraceMatchesGolden(link.trace, "receipt/credit_note_silent_type_16.trace");
}

TEST(NotaCredito, AClosingConfirmedOnItsSecondAttemptIsNotTriedAgain) {
    ReceiptLink link;
    link.ports.queue_reply("04361\r", "61");  // paper out: the closing failed
    link.ports.queue_reply("1\r", "61");
    TClientDataSet movi, vendas;
    MakeMovements(movi, kSale);
    MakeSaleItems(vendas, {{"T", "MARIA"}});
    Note{}.run(link.ctx, movi, vendas);
    EXPECT_EQ(CountFrames(link, Frame("60")), 2);
    const Strings log = link.log_messages();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         "Impressora sem resposta apos 3 tentativas: Nota_Credito"),
              0);
}

TEST(NotaCredito, APortThatNeverOpensEndsTheBoundedClosingAndStillTries99) {
    ReceiptLink link;
    link.ports.fail_open = true;
    TClientDataSet movi, vendas;
    MakeMovements(movi, kSale);
    MakeSaleItems(vendas, {{"T", "MARIA"}});
    Note note;
    note.type = "30";
    note.run(link.ctx, movi, vendas);
    // 000, 12, 13, 20, two payments, 27, three closings, 99.
    EXPECT_EQ(link.ports.failed_opens(), 7 + 3 + 1);
    EXPECT_EQ(link.log_messages(),
              (Strings{"Abre Cupom000", "Abre Boleta Caixa12", "Total da Compra Total 20",
                       "Impressora sem resposta apos 3 tentativas: Nota_Credito"}));
    EXPECT_EQ(link.trace.entries().back(), "open COM1 -> <failed>");
}

// An amount that does not fit its fixed field would shift every position
// after it: the note is refused before anything reaches the line or the log.
TEST(NotaCredito, AmountsThatDoNotFitRefuseTheNote) {
    const struct {
        std::string monto;
        std::vector<Movement> movi;
        const char* what;
    } cases[] = {
        {"1000000000", kSale, "Nota_Credito: row 1, difference item"},
        {"999999999,5", kSale, "Nota_Credito: row 1, difference item"},
        {"-1500", kSale, "Nota_Credito: row 1, difference item"},
        {"1500",
         {{"E", "1", 1000, "01"}, {"E", "2", 1e10, "03"}},
         "Nota_Credito: row 2, VRMOVIVEND"},
        {"1500", {{"E", "1", -1, "01"}}, "Nota_Credito: row 1, VRMOVIVEND"},
    };
    for (const auto& c : cases) {
        ReceiptLink link;
        TClientDataSet movi, vendas;
        MakeMovements(movi, c.movi);
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        Note note;
        note.monto = c.monto;
        try {
            note.run(link.ctx, movi, vendas);
            ADD_FAILURE() << c.what << ": not refused";
        } catch (const EBadArgument& e) {
            EXPECT_EQ(std::string(e.what()).find(c.what), 0u) << e.what();
        }
        EXPECT_TRUE(link.trace.entries().empty())
            << c.what << ": something reached the line or the log";
    }
}

TEST(NotaCredito, OnlyTheAmountsItSendsAreChecked) {
    ReceiptLink link;
    TClientDataSet movi, vendas;
    MakeMovements(movi, {{"E", "5", 1e12, "04"}, {"S", "1", -5, "01"}, {"E", "1", 1500, "01"}});
    MakeSaleItems(vendas, {{"T", "MARIA"}});
    EXPECT_NO_THROW(Note{}.run(link.ctx, movi, vendas));
    EXPECT_EQ(FramesBeforeClosing(link).size(), 7u);
}

TEST(NotaCredito, TextThatIsNoNumberAndAMissingFieldSendNothing) {
    {
        ReceiptLink link;
        TClientDataSet movi, vendas;
        MakeMovements(movi, kSale);
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        Note note;
        note.monto = "1.500";  // "." is the thousands separator here
        EXPECT_THROW(note.run(link.ctx, movi, vendas), EConvertError);
        EXPECT_TRUE(link.trace.entries().empty());
    }
    {
        ReceiptLink link;
        TClientDataSet movi, vendas;
        MakeMovements(movi, kSale);
        vendas.AddFieldDef("NMOPERADOR", FieldType::String, 30);
        vendas.CreateDataSet();
        EXPECT_THROW(Note{}.run(link.ctx, movi, vendas), EDatabaseError) << "no CDLOJA";
        EXPECT_TRUE(link.trace.entries().empty());
    }
}

// The note as the simulated printer takes it: accepted, counted, and the
// difference line on the boleta.
TEST(NotaCredito, TheSimulatedPrinterClosesAndPrintsTheNote) {
    for (int type : {16, 30}) {
        sim::PrinterConfig config;
        config.type = type;
        SimSession s(VirtualClock().now(), config);
        TClientDataSet movi, vendas;
        MakeMovements(movi, kSale);
        MakeSaleItems(vendas, {{"T", "MARIA"}});
        Note note;
        note.type = std::to_string(type);
        note.run(s.link, movi, vendas);
        EXPECT_EQ(s.printer.receipt_phase(), sim::ReceiptPhase::None) << type;
        const std::string paper = s.printer.paper_text();
        EXPECT_NE(paper.find("DIFERENCIA MEDIO DE PAGO CIRCULAR 37"), std::string::npos) << paper;
        EXPECT_EQ(paper.find("ANULADA"), std::string::npos) << paper;
        EXPECT_NE(paper.find("FIN BOLETA NRO"), std::string::npos) << paper;
        const Strings log = s.log_messages();
        EXPECT_EQ(std::count(log.begin(), log.end(),
                             "Impressora sem resposta apos 3 tentativas: Nota_Credito"),
                  0);
    }
}

TEST(NotaCredito, TheCppInterfaceRefusesAMissingTable) {
    DruDataSet* movi = dru_dataset_new();
    dru01000::Nota_Credito("COM1", "Azul", "1500", movi, nullptr, "", "", 0, 0, 0, "16", "0");
    EXPECT_STREQ(dru_last_error(), "Nota_Credito: cdsVendas is NULL");
    EXPECT_EQ(dru_last_error_code(), 1);
    dru01000::Nota_Credito("COM1", "Azul", "1500", nullptr, movi, "", "", 0, 0, 0, "16", "0");
    EXPECT_STREQ(dru_last_error(), "Nota_Credito: cdsMovi is NULL");
    dru_dataset_free(movi);
}

}  // namespace
}  // namespace dru::test
