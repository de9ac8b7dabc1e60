// ImprimeNaoFiscal: the voucher ticket's lines and its 150 ms after every
// frame against golden traces, its sale, total and voucher lines, the footer
// it shares with the fiscal receipt, and what it refuses before sending.
#include "documents/sale_ticket.h"

#include <gtest/gtest.h>

#include <limits>

#include "documents/documents_rig.h"
#include "host/errors.h"
#include "link/frames.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

struct Ticket {
    double monto = 1500;
    std::string senha = "4821";
    std::string receipt = "000123";
    std::string operador = "MARIA";
    std::string obs = "Gracias\r\nVuelva pronto";
    std::vector<Movement> movements = {{"1", "EFECTIVO", 2000},
                                       {"5", "VALE SODEXO", 1000},
                                       {"7", "TICKET RESTAURANT", 500},
                                       {"9", "CUENTA", 300}};

    bool run(DocumentLink& link) const {
        TClientDataSet movi;
        MakeMovements(movi, movements);
        return run(link, movi);
    }
    bool run(DocumentLink& link, TClientDataSet& movi) const {
        return ImprimeNaoFiscal(link.ctx, monto, "COM1", senha, receipt, operador, obs, movi);
    }
};

TEST(SaleTicket, LinesAndPauses) {
    DocumentLink link;
    link.ports.queue_reply("1\r", "61");  // the ticket never reads it
    EXPECT_TRUE(Ticket{}.run(link));
    EXPECT_EQ(link.ports.open_now(), 0);
    EXPECT_EQ(link.ports.replies_left(), 0u);
    ExpectTraceMatchesGolden(link.trace, "documents/sale_ticket.trace");
}

TEST(SaleTicket, SaleTotalAndVoucherLines) {
    DocumentLink link;
    TClientDataSet movi;
    Ticket t;
    MakeMovements(movi, t.movements);
    ASSERT_TRUE(t.run(link, movi));
    const Strings lines = link.lines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[1], "111Venta: 000123           Caja: 0001");
    EXPECT_EQ(lines[2], "112" + std::string(38, '-'));
    EXPECT_EQ(lines[3], "113TOTAL" + std::string(28, ' ') + "1.500");
    EXPECT_EQ(lines[4], "30");
    EXPECT_EQ(lines[5], "111VALE SODEXO                      1.000");
    EXPECT_EQ(lines[6], "111TICKET RESTAURANT                  500");
    EXPECT_EQ(lines[7], "30");
    EXPECT_FALSE(movi.Filtered());
    EXPECT_EQ(movi.Filter(), "IDTIPORECE = 5 OR IDTIPORECE = 7");
    EXPECT_EQ(movi.RecordCount(), 4);
}

TEST(SaleTicket, TotalLineWidths) {
    const struct {
        double monto;
        std::string line;
    } cases[] = {{0, "113TOTAL" + std::string(32, ' ') + "0"},
                 {1499.5, "113TOTAL" + std::string(28, ' ') + "1.500"},
                 // A total longer than its 33 columns follows "TOTAL" at once.
                 {1e30, "113TOTAL1.000.000.000.000.000.000.000.000.000.000"}};
    for (const auto& k : cases) {
        DocumentLink link;
        Ticket t;
        t.monto = k.monto;
        t.run(link);
        EXPECT_EQ(link.lines().at(3), k.line) << k.monto;
    }
}

// One that the printed line cannot hold is refused before the ticket's first line.
TEST(SaleTicket, ATotalThePrintedLineCannotHoldIsRefused) {
    DocumentLink link;
    Ticket t;
    t.monto = 1e40;
    EXPECT_THROW(t.run(link), EBadArgument);
    EXPECT_TRUE(link.lines().empty());
}

TEST(SaleTicket, EmptyReceiptNumberPasswordFooterAndNoVouchers) {
    DocumentLink link;
    Ticket t;
    t.receipt = "  ";
    t.senha = "";
    t.obs = "";
    t.movements = {{"1", "EFECTIVO", 2000}};
    ASSERT_TRUE(t.run(link));
    const Strings expected = {"60",
                              "111Caja: 0001",
                              "112" + std::string(38, '-'),
                              "113TOTAL" + std::string(28, ' ') + "1.500",
                              "30",
                              "30",
                              "111      Fecha: 08-12-2026 Hora: 09:05:07",
                              "111MARIA",
                              "113se\u00f1a: ",
                              "112" + std::string(38, '-'),
                              "113www.example.com - Fono (2) 2345 6789",
                              "61"};
    EXPECT_EQ(link.lines(), expected);
    EXPECT_EQ(link.clock.pauses(), std::vector<int>(expected.size(), 150));
    EXPECT_TRUE(link.log_messages().empty());  // only footer lines are logged
}

TEST(SaleTicket, FooterLinesFollowedByThePauseAndLogged) {
    DocumentLink link;
    Ticket t;
    t.obs = "A\rB\r\n";
    ASSERT_TRUE(t.run(link));
    EXPECT_EQ(link.log_messages(),
              (Strings{"ImPrime Mensagem Rodape (Linha 1):" + Frame("111", "A"),
                       "ImPrime Mensagem Rodape (Linha 2):" + Frame("111", "B")}));
    const Strings lines = link.lines();
    const Strings expected_end = {"112" + std::string(38, '-'),
                                  "111A",
                                  "111B",
                                  "112" + std::string(44, ' '),
                                  "113www.example.com - Fono (2) 2345 6789",
                                  "61"};
    EXPECT_EQ(Strings(lines.end() - 6, lines.end()), expected_end);
}

TEST(SaleTicket, APortThatDoesNotOpenPrintsNothing) {
    DocumentLink link;
    link.ports.fail_open = true;
    EXPECT_FALSE(Ticket{}.run(link));
    EXPECT_TRUE(link.log_messages().empty());
    EXPECT_TRUE(link.ports.frames().empty());
    EXPECT_TRUE(link.clock.pauses().empty());
}

TEST(SaleTicket, NamesWithLatin1AndFrameBytes) {
    DocumentLink link;
    Ticket t;
    t.operador = "Jos\u00e9 \u0087Mu\u00f1oz";
    t.movements = {{"5", "VALE \u00d1AND\u00da\u0088", 1000}};
    ASSERT_TRUE(t.run(link));
    const Strings lines = link.lines();
    EXPECT_EQ(lines.at(5), "111VALE \u00d1AND\u00da?" + std::string(14 + 8, ' ') +
                               "1.000");  // 25 characters, not bytes
    EXPECT_NE(std::find(lines.begin(), lines.end(), "111Jos\u00e9 ?Mu\u00f1oz"), lines.end());
    bool latin1 = false;
    for (const std::string& f : link.ports.frames())
        latin1 |= f ==
                  "\x87"
                  "111Jos\xe9 ?Mu\xf1oz\x88";
    EXPECT_TRUE(latin1);
}

TEST(SaleTicket, FiguresThatDoNotFitAreRefusedBeforeSending) {
    const struct {
        const char* name;
        double monto;
        double voucher;
        std::string message;
    } cases[] = {
        {"voucher", 1500, 12345678901.0,
         "ImprimeNaoFiscal: row 2, VRMOVIVEND: 12.345.678.901 does not fit the printed "
         "13-character field"},
        {"voucher not a number", 1500, std::numeric_limits<double>::quiet_NaN(),
         "ImprimeNaoFiscal: row 2, VRMOVIVEND: nan is not a finite number"},
        {"total", std::numeric_limits<double>::infinity(), 1000,
         "ImprimeNaoFiscal: doMontoTic: inf is not a finite number"},
    };
    for (const auto& k : cases) {
        DocumentLink link;
        Ticket t;
        t.monto = k.monto;
        t.movements = {{"5", "VALE", 1000}, {"7", "VALE 2", k.voucher}};
        TClientDataSet movi;
        MakeMovements(movi, t.movements);
        try {
            t.run(link, movi);
            ADD_FAILURE() << k.name << ": not refused";
        } catch (const EBadArgument& e) {
            EXPECT_EQ(std::string(e.what()), k.message) << k.name;
        }
        EXPECT_TRUE(link.trace.entries().empty()) << k.name;
        EXPECT_FALSE(movi.Filtered()) << k.name;
    }
}

TEST(SaleTicket, AMissingFieldIsRefusedBeforeSending) {
    DocumentLink link;
    TClientDataSet movi;
    movi.AddFieldDef("IDTIPORECE", FieldType::String, 1);
    movi.AddFieldDef("VRMOVIVEND", FieldType::Float);
    movi.CreateDataSet();
    movi.Append();
    movi.FieldByName("IDTIPORECE").SetAsString("5");
    movi.Post();
    EXPECT_THROW(Ticket{}.run(link, movi), EDatabaseError);
    EXPECT_TRUE(link.trace.entries().empty());
    EXPECT_FALSE(movi.Filtered());
}

}  // namespace
}  // namespace dru::test
