// ImpDebito_Consumidor_IBM: the debit receipt's lines and pauses on each
// printer type against golden traces, its total and balance lines, the
// footer it shares with the fiscal receipt, the printer's one reply on type
// "16", and the figures it refuses before anything is sent.
#include "documents/consumer_debit_receipt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "documents/documents_rig.h"
#include "host/errors.h"
#include "link/frames.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

struct Debit {
    std::string senha = "4821";
    std::string consumer = "JUAN PEREZ";
    std::string operador = "MARIA";
    std::string obs = "Gracias\r\nVuelva pronto";
    double saldo = 5000;
    double subsidio = 200;
    std::vector<SaleItem> items = {{2, 150, 25, "EMPANADA"}, {0.5, 1000.555, 0, "QUESO"}};
    std::string type = "16";
    std::string balance_switch = "1";

    bool run(DocumentLink& link) const {
        TClientDataSet vendas;
        MakeSaleItems(vendas, items);
        return run(link, vendas);
    }
    bool run(DocumentLink& link, TClientDataSet& vendas) const {
        return ImpDebito_Consumidor_IBM(link.ctx, "Azul", "COM1", senha, consumer, operador, obs,
                                        saldo, subsidio, vendas, type, balance_switch);
    }
};

// The first line written that begins with `start`, or "" when none does.
std::string LineStarting(const DocumentLink& link, std::string_view start) {
    for (const std::string& l : link.lines())
        if (l.starts_with(start)) return l;
    return {};
}

TEST(DebitReceipt, LinesAndPausesOnEachPrinterType) {
    for (const char* type : {"16", "30", "31"}) {
        DocumentLink link;
        link.ports.queue_reply("1\r", "61");
        Debit d;
        d.type = type;
        EXPECT_TRUE(d.run(link)) << type;
        EXPECT_EQ(link.ports.open_now(), 0);
        ExpectTraceMatchesGolden(link.trace,
                                 std::string("documents/debit_receipt_type_") + type + ".trace");
    }
}

TEST(DebitReceipt, ItemTotalAndBalanceLines) {
    DocumentLink link;
    Debit d;
    d.type = "30";
    // 2 x (150 - 25) = 250; 0.5 x 1000.555 = 500.2775, cut to 500.27; total 750.27.
    ASSERT_TRUE(d.run(link));
    EXPECT_EQ(LineStarting(link, "1112"), "1112    EMPANADA                     250");
    EXPECT_EQ(LineStarting(link, "1110,5"), "1110,5  QUESO                     500,27");
    EXPECT_EQ(LineStarting(link, "113"), "113                    Total      750,27");
    // 5000 - 750.27 + 200.
    EXPECT_EQ(LineStarting(link, "111Saldo"), "111Saldo Final :  4449,73");
}

TEST(DebitReceipt, BalanceLineSwitch) {
    for (const char* value : {"0", "1", "", "X"}) {
        DocumentLink link;
        Debit d;
        d.type = "30";
        d.balance_switch = value;
        d.run(link);
        EXPECT_NE(LineStarting(link, "111Saldo Final"), "") << value;
    }
    DocumentLink with, without;
    Debit d;
    d.type = "30";
    d.run(with);
    d.balance_switch = "2";
    d.run(without);
    EXPECT_EQ(LineStarting(without, "111Saldo Final"), "");
    EXPECT_EQ(with.ports.frames().size(), without.ports.frames().size() + 1);
    EXPECT_EQ(with.clock.pauses().size(), without.clock.pauses().size() + 1);
}

TEST(DebitReceipt, SaleWithoutRows) {
    DocumentLink link;
    Debit d;
    d.type = "30";
    d.items = {};
    d.obs = "";
    d.senha = "";
    ASSERT_TRUE(d.run(link));
    const Strings lines = link.lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2],
              "113                    Total           0");  // right after the first line feed
    EXPECT_EQ(LineStarting(link, "111Saldo"), "111Saldo Final :  5200");
    // No password and no footer text: the vendor line and the end comment follow the second dashes.
    const Strings expected_end = {"111MARIA", "111" + std::string(39, '-'),
                                  "113www.example.com - Fono (2) 2345 6789", "61"};
    EXPECT_EQ(Strings(lines.end() - 4, lines.end()), expected_end);
}

TEST(DebitReceipt, FooterLinesTheirPausesAndLabels) {
    DocumentLink link;
    Debit d;
    d.type = "30";
    d.obs = "A\r\nB\r\n";
    ASSERT_TRUE(d.run(link));
    const Strings logs = link.log_messages();
    EXPECT_NE(std::find(logs.begin(), logs.end(),
                        "Imprime Mensagem Rodape (Linha 1):" + Frame("111", "A")),
              logs.end());
    EXPECT_NE(std::find(logs.begin(), logs.end(),
                        "Imprime Mensagem Rodape (Linha 2):" + Frame("111", "B")),
              logs.end());
    const Strings lines = link.lines();
    const Strings expected_end = {"111A", "111B", "112" + std::string(44, ' '),
                                  "113www.example.com - Fono (2) 2345 6789", "61"};
    EXPECT_EQ(Strings(lines.end() - 5, lines.end()), expected_end);
    // Footer lines and the blank line: base + 50; the end comment: base + 210.
    const std::vector<int>& pauses = link.clock.pauses();
    EXPECT_EQ(std::vector<int>(pauses.end() - 5, pauses.end()),
              (std::vector<int>{210, 210, 210, 160, 370}));
}

// The receipt footer's splitting: a bare CR ends a line and loses nothing.
TEST(DebitReceipt, FooterSplitsLinesLikeTheReceipt) {
    DocumentLink link;
    Debit d;
    d.type = "30";
    d.obs = "Abc\rDef";
    d.run(link);
    const Strings lines = link.lines();
    EXPECT_EQ(Strings(lines.end() - 5, lines.end() - 3), (Strings{"111Abc", "111Def"}));
}

TEST(DebitReceipt, EmptyPasswordTakesNoLineAndNoPause) {
    DocumentLink with, without;
    Debit d;
    d.type = "30";
    d.run(with);
    d.senha = "";
    d.run(without);
    EXPECT_NE(LineStarting(with, "113se\u00f1a: "), "");
    EXPECT_EQ(LineStarting(without, "113se\u00f1a: "), "");
    EXPECT_EQ(with.clock.pauses().size(), without.clock.pauses().size() + 1);
}

TEST(DebitReceipt, FinalReplyOnType16Only) {
    const struct {
        const char* name;
        std::string reply;  // empty: silent
        bool result;
    } cases[] = {{"accepted", "1\r", true},
                 {"silent", "", false},
                 {"zero colon is data", "0:5:\r", true},
                 {"error 43", "04361\r", false}};
    for (const auto& k : cases) {
        DocumentLink link;
        if (!k.reply.empty()) link.ports.queue_reply(k.reply, "61");
        EXPECT_EQ(Debit{}.run(link), k.result) << k.name;
        EXPECT_EQ(link.ports.open_now(), 0) << k.name;
        const Strings logs = link.log_messages();
        const bool reply_logged = std::any_of(logs.begin(), logs.end(), [](const std::string& m) {
            return m.starts_with("Resultado : ");
        });
        EXPECT_EQ(reply_logged, !k.reply.empty()) << k.name;
    }
    DocumentLink silent;
    Debit{}.run(silent);
    ExpectTraceMatchesGolden(silent.trace, "documents/debit_receipt_silent_after_61.trace");

    DocumentLink type30;
    type30.ports.queue_reply("04361\r", "61");
    Debit d;
    d.type = "30";
    EXPECT_TRUE(d.run(type30));
    EXPECT_EQ(type30.ports.replies_left(), 0u);  // answered, and never read
    EXPECT_TRUE(type30.dialog.calls.empty());
}

TEST(DebitReceipt, APortThatDoesNotOpenPrintsNothing) {
    DocumentLink link;
    link.ports.fail_open = true;
    EXPECT_FALSE(Debit{}.run(link));
    EXPECT_TRUE(link.log_messages().empty());
    EXPECT_TRUE(link.ports.frames().empty());
    EXPECT_TRUE(link.clock.pauses().empty());
}

TEST(DebitReceipt, NamesWithLatin1AndFrameBytes) {
    DocumentLink link;
    Debit d;
    d.type = "30";
    d.consumer = "Mu\u00f1oz \u0087Jos\u00e9";
    d.items = {{1, 100, 0, "Pi\u00f1a\u0088colada"}};
    ASSERT_TRUE(d.run(link));
    EXPECT_EQ(LineStarting(link, "111Consumidor"), "111Consumidor : Mu\u00f1oz ?Jos\u00e9");
    EXPECT_EQ(LineStarting(link, "1111"), "1111    Pi\u00f1a?colada" + std::string(9 + 2 + 7, ' ') +
                                              "100");  // 20 characters, not bytes
    // The wire carries Latin-1: one byte for the "ñ".
    const Strings logs = link.log_messages();
    EXPECT_NE(std::find(logs.begin(), logs.end(),
                        "Nome do consumidor ImpDebito_Consumidor" +
                            Frame("111", "Consumidor : Mu\u00f1oz ?Jos\u00e9")),
              logs.end());
    bool latin1 = false;
    for (const std::string& f : link.ports.frames())
        latin1 |= f.find("Mu\xf1oz ?Jos\xe9") != std::string::npos;
    EXPECT_TRUE(latin1);
}

TEST(DebitReceipt, FiguresThatDoNotFitAreRefusedBeforeSending) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::vector<SaleItem> items;
        double saldo;
        std::string message;
    } cases[] = {
        {"line total",
         {{1, 5, 0, "A"}, {1, 12345678901.0, 0, "B"}},
         0,
         "ImpDebito_Consumidor_IBM: row 2, line total: 12345678901 does not fit the printed "
         "10-character field"},
        {"quantity",
         {{12.125, 1, 0, "A"}},
         0,
         "ImpDebito_Consumidor_IBM: row 1, QTPRODCOMVEN: 12,125 does not fit the printed "
         "5-character field"},
        {"price",
         {{1, nan, 0, "A"}},
         0,
         "ImpDebito_Consumidor_IBM: row 1, line total: nan is not a finite number"},
        {"total",
         {{1, 9999999999.0, 0, "A"}, {1, 9999999999.0, 0, "B"}},
         0,
         "ImpDebito_Consumidor_IBM: total: 19999999998 does not fit the printed 10-character "
         "field"},
        {"balance",
         {},
         std::numeric_limits<double>::infinity(),
         "ImpDebito_Consumidor_IBM: balance: inf is not a finite number"},
    };
    for (const auto& k : cases) {
        DocumentLink link;
        Debit d;
        d.items = k.items;
        d.saldo = k.saldo;
        try {
            d.run(link);
            ADD_FAILURE() << k.name << ": not refused";
        } catch (const EBadArgument& e) {
            EXPECT_EQ(std::string(e.what()), k.message) << k.name;
        }
        EXPECT_TRUE(link.trace.entries().empty()) << k.name;
    }
    // Without its line the balance is not looked at.
    DocumentLink link;
    Debit d;
    d.saldo = std::numeric_limits<double>::infinity();
    d.balance_switch = "2";
    d.type = "30";
    EXPECT_TRUE(d.run(link));
}

TEST(DebitReceipt, AMissingFieldIsRefusedBeforeSending) {
    DocumentLink link;
    TClientDataSet vendas;
    vendas.AddFieldDef("QTPRODCOMVEN", FieldType::Float);
    vendas.AddFieldDef("VRPRECCOMVEN", FieldType::Float);
    vendas.AddFieldDef("VRDESCCOMVEN", FieldType::Float);
    vendas.CreateDataSet();
    vendas.Append();
    vendas.Post();
    EXPECT_THROW(Debit{}.run(link, vendas), EDatabaseError);
    EXPECT_TRUE(link.trace.entries().empty());
}

}  // namespace
}  // namespace dru::test
