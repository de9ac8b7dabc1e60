// Comment blocks on the printer model: an open block refuses every command
// but its lines, line feeds and its end, and carries none of them out; a
// non-fiscal block prints as a slip, a block break as two; the receipt's own
// blocks (its closing block, the footer after 98, 99 on type 30) go on as
// before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/clock.h"
#include "printer_model.h"
#include "sim/model_rig.h"

namespace dru::sim {
namespace {

using test::Join;
using test::Printer;

const std::string kCut = std::string(kCutLine) + "\n";

long Count(const std::string& text, const std::string& what) {
    long n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// An item: sub-code, product code, quantity in thousandths, price, total, name.
std::string Item(const char* quantity, const char* price, const char* total, const char* name) {
    return std::string("13112") + "7790001000017" + quantity + price + total + name;
}

const std::vector<std::string> kGoodSale = {"000",
                                            "12",
                                            Item("000002000", "000001500", "000003000", "CAFE"),
                                            "200000003000",
                                            "2611010000003000",
                                            "271000000000"};

TEST(CommentBlockModel, AnOpenBlockRefusesWhatIsNotALineAndCarriesNothingOut) {
    struct Case {
        const char* name;
        std::string command;
        const char* answer;     // at once (commands that answer)
        const char* end_reply;  // the block's 61
    };
    const Case cases[] = {
        {"fiscal receipt", "000", "", "01900\r"},
        {"boleta", "12", "", "01912\r"},
        {"item", Item("000001000", "000000100", "000000100", "X"), "", "01913\r"},
        {"paper cut", "98", "", "01998\r"},
        {"end of a type 30 receipt", "99", "", "01999\r"},
        {"a second block", "60", "", "01960\r"},
        {"X reading", "01", "01901\r", "1\r"},
        {"Z reduction", "021", "01902\r", "1\r"},
        {"counters", "481", "01948\r", "1\r"},
        {"payment forms", "432", "01943\r", "1\r"},
        {"drawer", "34255255", "01934\r", "1\r"},
        {"state", "35", "01935\r", "1\r"},
        {"open period", "32", "01932\r", "1\r"},
        {"repeat", "18", "01918\r", "1\r"},
    };
    for (const auto& c : cases) {
        Printer p;
        EXPECT_EQ(p.send({"60", "111antes", c.command}), c.answer) << c.name;
        // The block is still open and takes its lines on the same slip.
        EXPECT_TRUE(p.m.comment_open()) << c.name;
        EXPECT_EQ(p.send({"112despues", "30", "61"}), c.end_reply) << c.name;
        EXPECT_EQ(p.m.paper_text(), "[1] antes\n[2] despues\n\n")
            << c.name << ": nothing else printed";
        EXPECT_EQ(p.m.receipt_phase(), ReceiptPhase::None) << c.name;
        EXPECT_EQ(p.m.z_count(), 41) << c.name;
        EXPECT_TRUE(p.m.sales_period_open()) << c.name;
        // Once the block is ended the printer takes the command again.
        EXPECT_EQ(p.counter(2), "1000") << c.name;
        EXPECT_EQ(p.send({"01"}), "1\r") << c.name;
    }
}

TEST(CommentBlockModel, LinesOfEveryStyleAndLineFeedsAreTaken) {
    Printer p;
    EXPECT_EQ(p.send({"60", "111a", "112b", "113c", "114d", "115e", "116f", "30", "61"}), "1\r");
    EXPECT_EQ(p.m.paper_text(), "[1] a\n[2] b\n[3] c\n[4] d\n[5] e\n[6] f\n\n");
}

TEST(CommentBlockModel, ABlockBreakPrintsTwoSlips) {
    Printer p;
    // As a bill check breaks its blocks: the first 61's reply waits on the
    // line and is read together with the last one.
    EXPECT_EQ(p.send({"60", "114PARCIAL CUENTA", "111PLATO 1", "61", "60", "111PLATO 2", "115TOTAL",
                      "61"}),
              "1\r1\r");
    EXPECT_EQ(p.m.paper_text(),
              "[4] PARCIAL CUENTA\n[1] PLATO 1\n" + kCut + "[1] PLATO 2\n[5] TOTAL\n")
        << "the last slip is still in the printer";
    // The next command moves the paper on: the second slip is cut as well.
    p.counter(2);
    EXPECT_EQ(Count(p.m.paper_text(), kCut), 2);

    // A block that printed nothing leaves no slip (the bill's break after its
    // last hyphens ends in one).
    Printer q;
    EXPECT_EQ(q.send({"60", "112------", "61", "60", "61", "60", "111siguiente", "61"}),
              "1\r1\r1\r");
    EXPECT_EQ(q.m.paper_text(), "[2] ------\n" + kCut + "[1] siguiente\n");
}

TEST(CommentBlockModel, AnErrorOnTheFirstSlipIsReportedByItsOwnEnd) {
    Printer p;
    EXPECT_EQ(p.send({"60", "111uno", "000", "61", "60", "111dos", "61"}), "01900\r1\r");
}

TEST(CommentBlockModel, ReceiptsKeepTheirBlocks) {
    const std::vector<std::string> footer = {"60", "111Gracias por su visita", "61"};
    // Type 16: 98, then the footer; a bill check between two sales.
    Printer p;
    EXPECT_EQ(p.send(Join(Join(kGoodSale, {"98"}), footer)), "1\r");
    EXPECT_EQ(p.send({"60", "114PARCIAL CUENTA", "61"}), "1\r");
    EXPECT_EQ(p.send(Join(Join(kGoodSale, {"98"}), footer)), "1\r");
    EXPECT_EQ(p.counter(2), "1002");
    const std::string paper = p.m.paper_text();
    EXPECT_NE(paper.find("FIN BOLETA NRO 0000001001\n" + kCut + "[4] PARCIAL CUENTA\n" + kCut +
                         "COMERCIAL EJEMPLO LTDA.\n"),
              std::string::npos)
        << paper;
    EXPECT_EQ(Count(paper, "ANULADA"), 0) << paper;

    // Type 30: the closing block closes the receipt, 99 ends it.
    PrinterConfig type30;
    type30.type = 30;
    Printer q(type30);
    EXPECT_EQ(q.send(Join(Join(kGoodSale, {"30"}), footer)), "1\r");
    EXPECT_EQ(q.send({"99"}), "");
    EXPECT_EQ(q.counter(2), "1001");
    EXPECT_NE(q.m.paper_text().find("FIN BOLETA NRO 0000001001\n" + kCut), std::string::npos);
}

TEST(CommentBlockModel, ARefusalInsideTheReceiptsBlocks) {
    // In the closing block it is an error of the receipt: voided, not counted.
    PrinterConfig type30;
    type30.type = 30;
    Printer closing(type30);
    EXPECT_EQ(closing.send(Join(kGoodSale, {"60", "111x", "98", "61", "99"})), "01998\r");
    EXPECT_EQ(closing.counter(2), "1000");
    EXPECT_NE(closing.m.paper_text().find("BOLETA NRO 0000001001 ANULADA"), std::string::npos);

    // In the footer after 98 the receipt is already counted; the 61 reports it.
    Printer footer;
    EXPECT_EQ(footer.send(Join(kGoodSale, {"98", "60", "000", "111Gracias", "61"})), "01900\r");
    EXPECT_EQ(footer.counter(2), "1001");
    EXPECT_NE(footer.m.paper_text().find("[1] Gracias\nFIN BOLETA NRO 0000001001\n"),
              std::string::npos);
}

}  // namespace
}  // namespace dru::sim
