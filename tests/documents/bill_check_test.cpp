// Conferencia_Outras: the bill's lines and pauses on each printer type
// against golden traces, where long bills break into blocks, the header and
// adjustment lines, the closing loop bounded by the retry rule, and the
// inputs it refuses before anything is sent.
#include "documents/bill_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "documents/documents_rig.h"
#include "dru01000.h"
#include "host/errors.h"
#include "link/frames.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

struct Product {
    std::string name;
    double qty;
    double price;
};

std::string ProductPacket(const std::vector<Product>& rows) {
    TClientDataSet ds;
    ds.AddFieldDef("NMPRODUTO", FieldType::String, 60);
    ds.AddFieldDef("QTPRODCOMVEN", FieldType::Float);
    ds.AddFieldDef("VRPRECCOMVEN", FieldType::Float);
    ds.CreateDataSet();
    for (const Product& r : rows) {
        ds.Append();
        ds.FieldByName("NMPRODUTO").SetAsString(r.name);
        ds.FieldByName("QTPRODCOMVEN").SetAsFloat(r.qty);
        ds.FieldByName("VRPRECCOMVEN").SetAsFloat(r.price);
        ds.Post();
    }
    return ds.GetDataPacket();
}

std::vector<Product> Products(int n) {
    std::vector<Product> rows;
    for (int i = 1; i <= n; ++i) rows.push_back({"PLATO " + std::to_string(i), 1, 1000});
    return rows;
}

struct BillRig : DocumentLink {
    DataModuleSlot dm{format, clock};
    Session session{ctx, dm, {}};
};

struct Bill {
    BillCheck bill{"1234", "12", "PEDRO", "08-12-2026", 1500, 2000, 500, 3000, 37500};
    std::vector<Product> products = {{"LOMO A LO POBRE", 2, 12500}, {"PISCO SOUR", 1.5, 4000}};
    int type = 30;
    bool answered = true;  // the printer accepts the closing end comment

    bool run(BillRig& rig) const { return run(rig, ProductPacket(products)); }
    bool run(BillRig& rig, const std::string& packet) const {
        if (answered) rig.ports.queue_reply("1\r", "61");
        return Conferencia_Outras(rig.session, "COM1", "Azul", bill, packet, type);
    }
};

std::string Rule() {
    return "112" + std::string(44, '-');
}

// Positions in the lines written of every frame equal to `line`.
std::vector<std::size_t> Positions(const Strings& lines, const std::string& line) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line) at.push_back(i);
    return at;
}

std::string LineStarting(const Strings& lines, std::string_view start) {
    for (const std::string& l : lines)
        if (l.starts_with(start)) return l;
    return {};
}

TEST(BillCheck, LinesAndPausesOnEachPrinterType) {
    for (int type : {30, 16}) {
        BillRig rig;
        Bill b;
        b.type = type;
        EXPECT_TRUE(b.run(rig)) << type;
        EXPECT_EQ(rig.ports.open_now(), 0);
        EXPECT_TRUE(rig.log_messages().empty());  // the bill logs nothing of its own
        ExpectTraceMatchesGolden(rig.trace,
                                 "documents/bill_check_type_" + std::to_string(type) + ".trace");
    }
    // Any type but 30 is paced like 16.
    BillRig t16, t31;
    Bill b;
    b.type = 16;
    b.run(t16);
    b.type = 31;
    b.run(t31);
    EXPECT_EQ(t16.clock.pauses(), t31.clock.pauses());
}

TEST(BillCheck, HeaderProductAndTotalLines) {
    BillRig rig;
    ASSERT_TRUE(Bill{}.run(rig));
    const Strings lines = rig.lines();
    const Strings head = {"60",
                          Rule(),
                          "114             PARCIAL CUENTA ",
                          Rule(),
                          "112COMANDA     :  1234      ",
                          "114Mesa     12",
                          "112Garzon   PEDRO",
                          "112Fecha    08-12-2026",
                          Rule(),
                          "111 -> LOMO A LO POBRE                         ",
                          "1112      X $ 12.500                  $ 25.000",
                          "111 -> PISCO SOUR                              ",
                          "1111,5    X $ 4.000                    $ 6.000",
                          "30",
                          Rule()};
    ASSERT_GE(lines.size(), head.size());
    EXPECT_EQ(Strings(lines.begin(), lines.begin() + head.size()), head);
    // 37500 - (1500 + 2000 + 500 + 3000); the long labels cut to 13 columns.
    const Strings tail = {"112Sub-Total                     $ 30.500",
                          "112Acrecimo                       $ 1.500",
                          "112Consumo Minim                  $ 2.000",
                          "112Couver                           $ 500",
                          "112Propina Suger                  $ 3.000",
                          "30",
                          "115TOTAL                              $ 37.500",
                          Rule(),
                          "112Korvane Sistemas - www.example.com",
                          "112Fono (2) 2345 6789",
                          "114Doc. sin valor fiscal.",
                          Rule(),
                          "61"};
    EXPECT_EQ(Strings(lines.end() - tail.size(), lines.end()), tail);
}

TEST(BillCheck, ReservationOrderHasNoOrderLine) {
    BillRig with, without;
    Bill b;
    b.run(with);
    b.bill.stNrComanda = "RES0042";
    b.run(without);
    EXPECT_EQ(LineStarting(without.lines(), "112COMANDA"), "");
    EXPECT_EQ(with.lines().size(), without.lines().size() + 1);
    // "RE" alone is no reservation.
    BillRig re;
    b.bill.stNrComanda = "RE42";
    b.run(re);
    EXPECT_EQ(LineStarting(re.lines(), "112COMANDA"), "112COMANDA     :  RE42      ");
}

TEST(BillCheck, AdjustmentLinesOnlyForAmountsAboveZero) {
    BillRig rig;
    Bill b;
    b.bill.doVrDesc = -100;
    b.bill.doConsMin = 0;
    b.bill.doCouver = 50;
    b.bill.doVrTxSer = 0;
    ASSERT_TRUE(b.run(rig));
    const Strings lines = rig.lines();
    // Sum -50: no sub-total; only the cover charge is above zero.
    EXPECT_EQ(LineStarting(lines, "112Sub-Total"), "");
    EXPECT_EQ(LineStarting(lines, "112Acrecimo"), "");
    EXPECT_EQ(LineStarting(lines, "112Couver"), "112Couver                            $ 50");

    BillRig none;
    b.bill.doCouver = 0;
    b.run(none);
    // After the hyphens the line feed comes at once, then the total.
    const Strings l = none.lines();
    const auto total =
        std::find(l.begin(), l.end(), "115TOTAL                              $ 37.500");
    ASSERT_NE(total, l.end());
    EXPECT_EQ(*(total - 1), "30");
    EXPECT_EQ(*(total - 2), Rule());
    EXPECT_EQ(rig.clock.pauses().size(), none.clock.pauses().size() + 1);
}

// The counter starts at 10, each product adds 2, a product printed at 28
// breaks the block (every 15 products from the 10th on).
TEST(BillCheck, ProductListBreaksEveryFifteenProductsFromTheTenth) {
    BillRig rig;
    Bill b;
    b.products = Products(25);
    ASSERT_TRUE(b.run(rig));
    const Strings lines = rig.lines();
    const std::vector<std::size_t> ends = Positions(lines, "61");
    ASSERT_EQ(ends.size(), 3u);  // two breaks and the closing frame
    // Header: 9 lines with the order line; product n's detail line is at 8 + 2n.
    EXPECT_EQ(ends[0], 8u + 2 * 10 + 1);
    EXPECT_EQ(lines[ends[0] + 1], "60");
    EXPECT_EQ(lines[ends[0] - 2], "111 -> PLATO 10                                ");
    EXPECT_EQ(ends[1], 8u + 2 * 25 + 2 + 1);
    EXPECT_EQ(ends[2], lines.size() - 1);
    // A break inside the list: the line pause, 61, the line pause, 60, 800 ms.
    const Strings& trace = rig.trace.entries();
    const auto at = std::find(trace.begin(), trace.end(), "write <87>61<88>");
    ASSERT_NE(at, trace.end());
    EXPECT_EQ(Strings(at - 1, at + 5), (Strings{"pause 80", "write <87>61<88>", "pause 80",
                                                "write <87>60<88>", "pause 800", "pause 80"}));
}

TEST(BillCheck, NineProductsBreakAfterTheHyphensThatFollowThem) {
    BillRig rig;
    Bill b;
    b.products = Products(9);
    b.type = 16;
    ASSERT_TRUE(b.run(rig));
    const Strings lines = rig.lines();
    const std::vector<std::size_t> ends = Positions(lines, "61");
    ASSERT_EQ(ends.size(), 2u);
    // 28 after the list, 29 after the line feed, the hyphens then break.
    EXPECT_EQ(lines[ends[0] - 1], Rule());
    EXPECT_EQ(lines[ends[0] - 2], "30");
    EXPECT_EQ(lines[ends[0] + 1], "60");
    EXPECT_TRUE(lines[ends[0] + 2].starts_with("112Sub-Total"));
    const Strings& trace = rig.trace.entries();
    const auto at = std::find(trace.begin(), trace.end(), "write <87>61<88>");
    ASSERT_NE(at, trace.end());
    EXPECT_EQ(Strings(at - 1, at + 4), (Strings{"pause 200", "write <87>61<88>", "pause 200",
                                                "write <87>60<88>", "pause 200"}));
}

// A list ending with the counter at 26 counts 29 at the total and breaks
// after the hyphens below it, before the vendor lines.
TEST(BillCheck, ListEndingAtTwentySixBreaksAfterTheTotal) {
    for (int n : {8, 23}) {
        BillRig rig;
        Bill b;
        b.products = Products(n);
        ASSERT_TRUE(b.run(rig));
        const Strings lines = rig.lines();
        const std::vector<std::size_t> ends = Positions(lines, "61");
        ASSERT_EQ(ends.size(), n == 8 ? 2u : 3u) << n;
        const std::size_t at = ends[ends.size() - 2];
        EXPECT_TRUE(lines[at - 2].starts_with("115TOTAL")) << n;
        EXPECT_EQ(lines[at - 1], Rule()) << n;
        EXPECT_EQ(lines[at + 1], "60") << n;
        EXPECT_EQ(lines[at + 2], "112Korvane Sistemas - www.example.com") << n;
    }
}

TEST(BillCheck, EmptyProductTablePrintsTheRestOfTheBill) {
    BillRig rig;
    Bill b;
    b.products = {};
    ASSERT_TRUE(b.run(rig));
    const Strings lines = rig.lines();
    EXPECT_EQ(lines[9], "30");  // right after the header's hyphens
    EXPECT_EQ(lines[10], Rule());
    EXPECT_EQ(Positions(lines, "61").size(), 1u);
    EXPECT_EQ(rig.dm.get().cdsParcProdutos.RecordCount(), 0);
}

TEST(BillCheck, ProductTableStaysLoadedAndIsReplacedEachCall) {
    BillRig rig;
    Bill b;
    b.products = Products(3);
    b.run(rig);
    EXPECT_EQ(rig.dm.get().cdsParcProdutos.RecordCount(), 3);
    b.products = Products(1);
    b.run(rig);
    EXPECT_EQ(rig.dm.get().cdsParcProdutos.RecordCount(), 1);
}

TEST(BillCheck, ClosingLoopIsBoundedByTheRetryRule) {
    BillRig rig;
    Bill b;
    b.products = {};
    b.answered = false;
    EXPECT_FALSE(b.run(rig));  // the printer never answers
    EXPECT_EQ(rig.ports.open_now(), 0);
    const Strings lines = rig.lines();
    EXPECT_EQ(Strings(lines.end() - 4, lines.end()), (Strings{Rule(), "61", "61", "61"}));
    EXPECT_EQ(rig.log_messages(),
              (Strings{"Impressora sem resposta apos 3 tentativas: Conferencia_Outras"}));
    ASSERT_EQ(rig.dialog.calls.size(), 1u);
    EXPECT_EQ(rig.dialog.calls[0].text, rig.messages.padrao.Msg("IMP_SEM_RESPOSTA"));
    EXPECT_EQ(rig.dialog.calls[0].scheme, "Azul");
    ExpectTraceMatchesGolden(rig.trace, "documents/bill_check_silent.trace");
}

TEST(BillCheck, ClosingLoopRepliesAndTheirOutcomes) {
    const struct {
        const char* name;
        std::vector<FakeReply> replies;  // one per end-comment frame, in order
        bool result;
        std::size_t closing_frames;
    } cases[] = {
        {"accepted at once", {{"1\r", "61"}}, true, 1},
        {"silent, then accepted", {{"", "61"}, {"1\r", "61"}}, true, 2},
        {"one byte is an empty reply, accepted", {{"\r", "61"}}, true, 1},
        {"zero colon is data", {{"0:5:\r", "61"}}, true, 1},
        {"silent twice, then accepted",
         {{"", "61"}, {"", "61"}, {"2\r", "61"}},
         true,
         3},
    };
    for (const auto& k : cases) {
        BillRig rig;
        for (const FakeReply& r : k.replies) rig.ports.queue(r);
        Bill b;
        b.products = {};
        b.answered = false;
        EXPECT_EQ(b.run(rig), k.result) << k.name;
        EXPECT_EQ(rig.ports.replies_left(), 0u) << k.name;
        EXPECT_EQ(Positions(rig.lines(), "61").size(), k.closing_frames) << k.name;
        EXPECT_TRUE(rig.log_messages().empty()) << k.name;  // no "Resultado : " line either
        EXPECT_TRUE(rig.dialog.calls.empty()) << k.name;
    }
}

// A read that fails is the line gone: it confirms nothing and ends the bill
// (no second end comment), and the operator is told it went out once.
TEST(BillCheck, AFailedReadEndsTheBill) {
    BillRig rig;
    CallRecord record;
    rig.ctx.call = &record;
    rig.ports.queue({"", "61", true});
    rig.ports.queue_reply("1\r", "61");
    Bill b;
    b.products = {};
    b.answered = false;
    EXPECT_FALSE(b.run(rig));
    EXPECT_EQ(Positions(rig.lines(), "61").size(), 1u);
    EXPECT_EQ(rig.log_messages(), (Strings{"Falha na linha da impressora: documento encerrado",
                                           "Impressora sem resposta apos 1 tentativa: Conferencia_Outras"}));
    ASSERT_EQ(rig.dialog.calls.size(), 1u);
    EXPECT_EQ(rig.dialog.calls[0].text, rig.messages.padrao.Msg("IMP_SEM_RESPOSTA1"));
}

// The analysis decides: 59 (in the sales period) it takes as done, 43
// (paper out or cover open) it refuses, and the end comment goes again.
TEST(BillCheck, ErrorReplyGoesToTheErrorAnalysis) {
    BillRig accepted;
    accepted.ports.queue_reply("05961\r", "61");
    Bill b;
    b.products = {};
    b.answered = false;
    EXPECT_TRUE(b.run(accepted));
    EXPECT_EQ(Positions(accepted.lines(), "61").size(), 1u);
    EXPECT_FALSE(accepted.log_messages().empty());  // the analysis logged the error

    BillRig refused;
    refused.ports.queue_reply("04361\r", "61");
    refused.ports.queue_reply("1\r", "61");
    EXPECT_TRUE(b.run(refused));
    EXPECT_EQ(Positions(refused.lines(), "61").size(), 2u);
    EXPECT_EQ(refused.ports.replies_left(), 0u);
    EXPECT_EQ(refused.ports.open_now(), 0);
    ExpectTraceMatchesGolden(refused.trace, "documents/bill_check_error_43_then_accepted.trace");
}

// Error 19 on the end comment: the analysis closes the bill's port to open
// the sales period on a port of its own, and refuses. The bill has no port
// left to write on, so its remaining attempts send nothing and it gives up
// at once, with no port left open, telling the operator that the printer
// refused the bill (the end comment went out once, not three times).
TEST(BillCheck, AnAnalysisThatTakesThePortEndsTheClosingLoop) {
    BillRig rig;
    CallRecord record;
    rig.ctx.call = &record;
    rig.ports.queue_reply("01961\r", "61");
    rig.ports.queue_reply("1\r", "32");
    Bill b;
    b.products = {};
    b.answered = false;
    EXPECT_FALSE(b.run(rig));
    const Strings lines = rig.lines();
    EXPECT_EQ(Strings(lines.end() - 3, lines.end()), (Strings{Rule(), "61", "32"}));
    EXPECT_EQ(rig.ports.replies_left(), 0u);
    EXPECT_EQ(rig.ports.open_now(), 0);
    const Strings logs = rig.log_messages();
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.front(), "*********Aconteceu um Erro******** Erro 19 Comando 61");
    EXPECT_EQ(logs.back(), "Impressora recusou o documento: Conferencia_Outras");
    ASSERT_EQ(rig.dialog.calls.size(), 1u);
    EXPECT_EQ(rig.dialog.calls[0].text, rig.messages.padrao.Msg("IMP_RECUSOU"));
    EXPECT_EQ(Judge(record).kind, VerdictKind::Refused);
}

TEST(BillCheck, PortThatDoesNotOpenPrintsNothing) {
    BillRig rig;
    rig.ports.fail_open = true;
    EXPECT_FALSE(Bill{}.run(rig));
    EXPECT_TRUE(rig.ports.frames().empty());
    EXPECT_TRUE(rig.clock.pauses().empty());
    EXPECT_TRUE(rig.log_messages().empty());
    EXPECT_TRUE(rig.dialog.calls.empty());
}

TEST(BillCheck, RefusedInputSendsNothing) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto refused = [](Bill b, const std::string& packet, const std::string& message) {
        BillRig rig;
        try {
            b.run(rig, packet);
            ADD_FAILURE() << "not refused: " << message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(rig.ports.opens(), 0) << message;
        EXPECT_TRUE(rig.trace.entries().empty()) << message;
    };
    refused(Bill{}, "", "Conferencia_Outras: DADOS is empty: no product table to print");

    Bill wide;
    wide.products = {{"CAVIAR", 1000, 1e12}};  // "$ 1.000.000.000.000.000" is 23 characters
    refused(wide, ProductPacket(wide.products),
            "Conferencia_Outras: row 1, amount: $ 1.000.000.000.000.000 does not fit the printed "
            "15-character field");
    Bill nan_price;
    nan_price.products = {{"AGUA", 1, 100}, {"VINO", 2, nan}};
    refused(nan_price, ProductPacket(nan_price.products),
            "Conferencia_Outras: row 2, VRPRECCOMVEN: nan is not a finite number");
    Bill big_total;
    big_total.bill.doTotal = inf;
    refused(big_total, ProductPacket(big_total.products),
            "Conferencia_Outras: Sub-Total: inf is not a finite number");
    big_total.bill = {"1", "2", "PEDRO", "", 0, 0, 0, 0, inf};  // no adjustment: the total itself
    refused(big_total, ProductPacket(big_total.products),
            "Conferencia_Outras: doTotal: inf is not a finite number");
    Bill big_tip;
    big_tip.bill.doVrTxSer = 1e25;
    refused(big_tip, ProductPacket(big_tip.products),
            "Conferencia_Outras: Sub-Total: -$ 10.000.000.000.000.000.000.000.000 does not fit the "
            "printed "
            "25-character field");

    // A packet without one of the three fields is the table's error, even with no row.
    TClientDataSet ds;
    ds.AddFieldDef("NMPRODUTO", FieldType::String, 20);
    ds.AddFieldDef("QTPRODCOMVEN", FieldType::Float);
    ds.CreateDataSet();
    BillRig rig;
    EXPECT_THROW(Bill{}.run(rig, ds.GetDataPacket()), EDatabaseError);
    EXPECT_EQ(rig.ports.opens(), 0);
    EXPECT_THROW(Bill{}.run(rig, "<DATAPACKET"), EDatabaseError);
    EXPECT_EQ(rig.ports.opens(), 0);
}

TEST(BillCheck, CEntryPointRefusesAMissingPacket) {
    EXPECT_FALSE(::Conferencia_Outras("COM1", "Azul", "", "", nullptr, "", "1", "2", "PEDRO",
                                      "08-12-2026", nullptr, 0, 0, 0, 0, 0, 100, 0, 30));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(std::string(dru_last_error()),
              "Conferencia_Outras: DADOS is empty: no product table to print");
}

}  // namespace
}  // namespace dru::test
