// The fiscal receipt on the printer model: whole receipts in the orders the
// driver sends them, the verdict after the closing block, the counters 481
// reports, and the boleta on the paper roll.
#include <gtest/gtest.h>

#include "host/clock.h"
#include "host/text.h"
#include "link/frames.h"
#include "printer_model.h"
#include "sim/model_rig.h"

namespace dru::sim {
namespace {

using test::Join;
using test::Printer;

std::string Item(const std::string& code, const char* qty, const char* price, const char* total,
                 const std::string& name) {
    return "13112" + code + qty + price + total + name;
}
std::string Pay(const char* form, const char* amount) {
    return std::string("2611") + form + amount;
}

const std::string kCafe = Item("7790001000017", "000002000", "000001500", "000003000", "CAFE");
const std::string kTe = Item("7790001000024", "000001000", "000002000", "000002000", "T\u00c9");
const std::string kEnd = "271000000000";
const std::vector<std::string> kFooter = {"60",
                                          "111Operador: ANA",
                                          "112" + std::string(44, '-'),
                                          "111Gracias por su visita",
                                          "113www.ejemplo.cl 555-1234",
                                          "61"};

// Paid 5500 for 5000: cash 3000 and a credit card 2500.
const std::vector<std::string> kGoodSale = {
    "000", "12", kCafe, kTe, "200000005000", Pay("01", "0000003000"), Pay("03", "0000002500"),
    kEnd};

TEST(ReceiptModel, GoodReceiptOnType16ClosesCountsAndPrintsTheBoleta) {
    Printer p;
    EXPECT_EQ(p.counter(2), "1000");
    EXPECT_EQ(p.send(Join(Join(kGoodSale, {"98"}), kFooter)), "1\r");
    EXPECT_EQ(p.m.receipt_phase(), ReceiptPhase::None);
    EXPECT_EQ(p.counter(2), "1001") << "the receipt number goes up by one";
    EXPECT_EQ(p.counter(1), "1001");
    EXPECT_EQ(p.counter(3), "5000") << "gross sales: the total, not what was paid";
    EXPECT_EQ(p.counter(4), "2500") << "cash net of the 500 change";
    EXPECT_EQ(p.counter(6), "2500");

    // The boleta in the order the customer reads it.
    const std::string paper = p.m.paper_text();
    std::size_t at = 0;
    for (const char* line : {"COMERCIAL EJEMPLO LTDA.\n",
                             "BOLETA NRO 0000001001\n",
                             "CAFE\n",
                             "  2.000 x 1500",
                             "3000\n",
                             "T\u00c9\n",
                             "  1.000 x 2000",
                             "2000\n",
                             "TOTAL",
                             "5000\n",
                             "EFECTIVO",
                             "3000\n",
                             "TARJETA CREDITO",
                             "2500\n",
                             "Vuelto",
                             "500\n",
                             "[1] Operador: ANA\n",
                             "[1] Gracias por su visita\n",
                             "[3] www.ejemplo.cl 555-1234\n",
                             "FIN BOLETA NRO 0000001001\n",
                             "-------- corte --------\n"}) {
        const std::size_t found = paper.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << paper;
        at = found + 1;
    }
}

TEST(ReceiptModel, TheTotalsByFormAndTheXReadingCountPaymentsNetOfChange) {
    struct Case {
        std::vector<std::string> payments;
        const char *cash, *cheque, *card;  // 481 fields 4, 5 and 6
    };
    const std::vector<Case> cases = {
        {{Pay("01", "0000006000")}, "5000", "0", "0"},  // 6000 cash, 1000 back
        {{Pay("02", "0000002000"), Pay("01", "0000004000")}, "3000", "2000", "0"},
        {{Pay("03", "0000005500")}, "0", "0", "5000"},  // no cash taken: back out of the card's
        {{Pay("01", "0000005000")}, "5000", "0", "0"},
    };
    for (const Case& c : cases) {
        Printer p;
        const std::vector<std::string> sale =
            Join(Join({"000", "12", kCafe, kTe, "200000005000"}, c.payments), {kEnd, "98"});
        ASSERT_EQ(p.send(Join(sale, kFooter)), "1\r");
        EXPECT_EQ(p.counter(4), c.cash) << c.payments.front();
        EXPECT_EQ(p.counter(5), c.cheque);
        EXPECT_EQ(p.counter(6), c.card);
    }
    Printer p;
    p.send(Join({"000", "12", kCafe, kTe, "200000005000", Pay("01", "0000006000"), kEnd, "98"},
                kFooter));
    p.send({"01"});  // the X reading
    const std::string paper = p.m.paper_text();
    const std::size_t x = paper.find("LECTURA X");
    ASSERT_NE(x, std::string::npos) << paper;
    const std::size_t cash = paper.find("EFECTIVO", x);
    ASSERT_NE(cash, std::string::npos) << paper.substr(x);
    EXPECT_EQ(paper.substr(cash, paper.find('\n', cash) - cash).find("5000") == std::string::npos,
              false)
        << paper.substr(x);
    EXPECT_EQ(paper.find("6000", x), std::string::npos) << paper.substr(x);
}

TEST(ReceiptModel, GoodReceiptOnType30ClosesAtItsBlockAnd99EndsIt) {
    PrinterConfig config;
    config.type = 30;
    Printer p(config);
    EXPECT_EQ(p.send(Join(Join(kGoodSale, {"30"}), kFooter)), "1\r");
    EXPECT_EQ(p.counter(2), "1001");
    EXPECT_EQ(p.send({"99", "60", "61"}), "1\r") << "99 after the closed receipt is no error";
    EXPECT_EQ(p.send({"99", "60", "61"}), "01999\r") << "a second 99 has no receipt to end";
    const std::string paper = p.m.paper_text();
    EXPECT_LT(paper.find("[1] Gracias por su visita"), paper.find("FIN BOLETA NRO 0000001001"));
    // Exempt breakdown on type 30: the block follows 27 directly.
    EXPECT_EQ(p.send(Join(kGoodSale, {"60", "116Exento:          500", "61", "99"})), "1\r");
    EXPECT_EQ(p.counter(2), "1002");
}

TEST(ReceiptModel, TotalWithoutAmountIsTheSumOfTheItems) {
    Printer p;
    EXPECT_EQ(p.send({"000", "12", kCafe, kTe, "20"}), "");
    EXPECT_EQ(p.m.receipt_total(), 5000);
    EXPECT_EQ(p.send({Pay("01", "0000004999"), kEnd, "98", "60", "61"}), "01927\r")
        << "1 short of the total";
    EXPECT_EQ(p.counter(2), "1000");
}

TEST(ReceiptModel, RoundingOfTheDriverIsNoError) {
    Printer p;
    // 2.5 × 999 = 2497.5, sent rounded up; two items of 2498 and 1500 sum to
    // 3998, a total of 3997 is within the half units of two roundings.
    EXPECT_EQ(
        p.send({"000", "12", Item("0000000000001", "000002500", "000000999", "000002498", "A"),
                Item("0000000000002", "000001000", "000001500", "000001500", "B"), "200000003997",
                Pay("01", "0000003997"), kEnd, "98", "60", "61"}),
        "1\r");
    EXPECT_EQ(p.counter(2), "1001");
}

TEST(ReceiptModel, WrongReceiptsGetTheirErrorAndAreVoided) {
    struct Case {
        const char* name;
        std::vector<std::string> frames;
        const char* reply;
    };
    const std::string open_and_cafe[] = {"000", "12", kCafe};
    auto sale = [&](std::vector<std::string> rest) {
        return Join({open_and_cafe[0], open_and_cafe[1], open_and_cafe[2]}, rest);
    };
    const std::vector<Case> cases = {
        {"item total off by 2",
         {"000", "12", Item("0000000000001", "000002000", "000001500", "000003002", "X"), "20",
          Pay("01", "0000003002"), kEnd, "98"},
         "01813\r"},
        {"item with a short operand",
         {"000", "12",
          "13112"
          "0000000000001"
          "000001000",
          "20", kEnd, "98"},
         "01813\r"},
        {"total off the items", sale({"200000003002", Pay("01", "0000003002"), kEnd, "98"}),
         "01820\r"},
        {"total of no items",
         {"000", "12", "200000000100", Pay("01", "0000000100"), kEnd, "98"},
         "01820\r"},
        {"payments below the total", sale({"200000003000", Pay("01", "0000002000"), kEnd, "98"}),
         "01927\r"},
        {"no payment at all", sale({"200000003000", kEnd, "98"}), "01927\r"},
        {"unknown payment code", sale({"20", Pay("09", "0000003000"), kEnd, "98"}), "01826\r"},
        {"payment code 00", sale({"20", Pay("00", "0000003000"), kEnd, "98"}), "01826\r"},
        {"payment without its code", sale({"20", "26110000003000", kEnd, "98"}), "01826\r"},
        {"end of payments with another operand", sale({"20", Pay("01", "0000003000"), "27", "98"}),
         "01827\r"},
        {"comment line outside a block",
         sale({"20", Pay("01", "0000003000"), kEnd, "111Gracias", "98"}), "01911\r"},
        {"item before the boleta",
         {"000", kCafe, "12", kCafe, "20", Pay("01", "0000003000"), kEnd, "98"},
         "01913\r"},
        {"payment before the total", sale({Pay("01", "0000003000"), "20", kEnd, "98"}), "01926\r"},
        {"receipt opened twice",
         {"000", "000", "12", kCafe, "20", Pay("01", "0000003000"), kEnd, "98"},
         "01900\r"},
        {"closing block before the payments end", sale({"20", Pay("01", "0000003000")}), "01960\r"},
    };
    for (const auto& c : cases) {
        Printer p;
        EXPECT_EQ(p.send(Join(c.frames, kFooter)), c.reply) << c.name;
        EXPECT_EQ(p.m.receipt_phase(), ReceiptPhase::None)
            << c.name << ": the block ends the receipt";
        EXPECT_EQ(p.counter(2), "1000") << c.name << ": a voided receipt is not counted";
        EXPECT_EQ(p.counter(3), "0") << c.name;
        EXPECT_NE(p.m.paper_text().find("BOLETA NRO 0000001001 ANULADA"), std::string::npos)
            << c.name;
        // The printer is ready for the next receipt, which gets the unused number.
        EXPECT_EQ(p.send(Join(Join(kGoodSale, {"98"}), kFooter)), "1\r") << c.name;
        EXPECT_EQ(p.counter(2), "1001") << c.name;
    }
}

TEST(ReceiptModel, OpeningOutOfOrderOrRefusedByTheFiscalDay) {
    Printer no_receipt;
    EXPECT_EQ(
        no_receipt.send(Join({"12", kCafe, "20", Pay("01", "0000003000"), kEnd, "98"}, kFooter)),
        "01912\r");
    EXPECT_EQ(no_receipt.counter(2), "1000");

    Printer overdue;
    overdue.m.set_overdue_indicator("3");
    EXPECT_EQ(overdue.send(Join(Join(kGoodSale, {"98"}), kFooter)), "06700\r");
    EXPECT_EQ(overdue.counter(2), "1000");

    PrinterConfig closed;
    closed.sales_period_open = false;
    Printer p(closed);
    EXPECT_EQ(p.send(Join(kGoodSale, {"98", "60", "61"})), "06000\r");
    EXPECT_EQ(p.m.receipt_phase(), ReceiptPhase::None);
}

TEST(ReceiptModel, ReceiptsVerdictIsItsOwn) {
    Printer p;
    // A stray line before the receipt does not spoil the receipt's reply.
    EXPECT_EQ(p.send(Join(Join({"111suelta"}, Join(kGoodSale, {"98"})), kFooter)), "1\r");
    EXPECT_EQ(p.counter(2), "1001");
    // Closed by 98 without a footer block: counted at once, as 481 then shows.
    EXPECT_EQ(p.send(Join(kGoodSale, {"98"})), "");
    EXPECT_EQ(p.m.gross_sales(), 10000);
    EXPECT_EQ(p.counter(2), "1002");
    EXPECT_NE(p.m.paper_text().find("FIN BOLETA NRO 0000001002\n-------- corte --------\n"),
              std::string::npos)
        << "the next command ends the boleta's paper";
}

}  // namespace
}  // namespace dru::sim
