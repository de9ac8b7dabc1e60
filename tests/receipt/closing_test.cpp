// The closing blocks of a fiscal receipt: Final_Cupom with its consumer and
// balance lines, Isento_Composto with its breakdown, and the receipt footer
// they share; each against its golden trace.
#include <gtest/gtest.h>

#include "host/errors.h"
#include "link/frames.h"
#include "print/receipt_footer.h"
#include "receipt/exempt_closing.h"
#include "receipt/receipt_closing.h"
#include "receipt/receipt_rig.h"

namespace dru::test {
namespace {

using Strings = std::vector<std::string>;

struct Closing {
    std::string operador = "MARIA";
    std::string senha = "4821";
    std::string obs = "Gracias por su visita\r\nVuelva pronto";
    ClosingSale sale{"3", "", 0, 0, 0, 0, ""};
    BalanceTables balances{};
    std::string type = "16";

    bool run(ReceiptLink& link) const {
        return Final_Cupom(link.ctx, "Azul", "COM1", operador, "LOJA1", senha, obs, 10, 20, sale, balances, type);
    }
};

void MakeBalances(TClientDataSet& ds, const std::vector<std::pair<std::string, double>>& rows) {
    ds.AddFieldDef("CDFAMILISALD", FieldType::String, 10);
    ds.AddFieldDef("NMFAMILISALD", FieldType::String, 40);
    ds.AddFieldDef("VRSALDCONFAM", FieldType::Float);
    ds.CreateDataSet();
    for (const auto& [code, value] : rows) {
        ds.Append();
        ds.FieldByName("CDFAMILISALD").SetAsString(code);
        ds.FieldByName("NMFAMILISALD").SetAsString("FAMILIA " + code);
        ds.FieldByName("VRSALDCONFAM").SetAsFloat(value);
        ds.Post();
    }
}

void MakeLoans(TClientDataSet& ds, const std::vector<std::tuple<std::string, std::string, double>>& rows) {
    ds.AddFieldDef("CDFAMILISALD", FieldType::String, 10);
    ds.AddFieldDef("IDTPMOVEXT", FieldType::String, 1);
    ds.AddFieldDef("VRMOVEXTCONS", FieldType::Float);
    ds.CreateDataSet();
    for (const auto& [code, type, value] : rows) {
        ds.Append();
        ds.FieldByName("CDFAMILISALD").SetAsString(code);
        ds.FieldByName("IDTPMOVEXT").SetAsString(type);
        ds.FieldByName("VRMOVEXTCONS").SetAsFloat(value);
        ds.Post();
    }
}

// The frame text of the comment line that follows the consumer line.
std::string LineAfterConsumer(const ReceiptLink& link) {
    const Strings frames = link.ports.frames_text();
    for (std::size_t i = 0; i + 1 < frames.size(); ++i)
        if (frames[i].find("Consumidor : ") != std::string::npos) return frames[i + 1];
    return {};
}

TEST(FinalCupom, FooterOnlyOnEachPrinterType) {
    for (const char* type : {"16", "30", "31"}) {
        ReceiptLink link;
        link.ports.queue_reply("1\r", "61");
        Closing c;
        c.type = type;
        EXPECT_TRUE(c.run(link)) << type;
        EXPECT_EQ(link.ports.open_now(), 0);
        ExpectTraceMatchesGolden(link.trace, std::string("receipt/final_cupom_type_") + type + ".trace");
    }
}

TEST(FinalCupom, FamilyBalanceAsAPlainSum) {
    ReceiptLink link;
    link.ports.queue_reply("1\r", "61");
    TClientDataSet cred;
    MakeBalances(cred, {{"7", 100}, {"8", 250}});
    Closing c;
    c.sale = {"1", "JUAN PEREZ", 0, 0, 0, 50, "0"};
    c.balances.cdsSaldCred = &cred;
    c.obs = "";
    c.senha = "";
    EXPECT_TRUE(c.run(link));
    EXPECT_EQ(LineAfterConsumer(link), Frame("111", "FAMILIA 8        300,00"));
    ExpectTraceMatchesGolden(link.trace, "receipt/final_cupom_family_plain_sum.trace");
}

TEST(FinalCupom, FamilyRuleCountsTwoRowsAndTheDebitMovementFirst) {
    ReceiptLink link;
    TClientDataSet cred, fam, loans;
    // Family 1: committed 30, a "D" and a "C" loan: only D counts: (100-30)-5.
    // Family 2: unknown, a D loan: 200-20. Row 3 is ignored however large.
    MakeBalances(cred, {{"1", 100}, {"2", 200}, {"3", 99999}});
    MakeBalances(fam, {{"1", 30}});
    MakeLoans(loans, {{"1", "C", 7}, {"1", "d", 5}, {"2", "D", 20}});
    Closing c;
    c.type = "30";
    c.sale = {"1", "ANA", 0, 0, 0, 0, "1"};
    c.balances = {&cred, &fam, &loans};
    EXPECT_TRUE(c.run(link));
    EXPECT_EQ(LineAfterConsumer(link), Frame("111", "FAMILIA 3        245,00"));
}

TEST(FinalCupom, FamilyRuleWithACreditMovementOnly) {
    ReceiptLink link;
    TClientDataSet cred, fam, loans;
    MakeBalances(cred, {{"1", 0}, {"4", 100}});
    MakeBalances(fam, {{"4", 10}});
    MakeLoans(loans, {{"4", "C", 5}});
    Closing c;
    c.type = "30";
    c.sale = {"1", "ANA", 0, 0, 0, 0, "1"};
    c.balances = {&cred, &fam, &loans};
    EXPECT_TRUE(c.run(link));
    EXPECT_EQ(LineAfterConsumer(link), Frame("111", "FAMILIA 4        95,00"));
}

TEST(FinalCupom, NoCreditTableNoFamilyLineAndAMissingFieldIsRefusedBeforePrinting) {
    ReceiptLink link;
    Closing c;
    c.type = "30";
    c.sale = {"1", "ANA", 0, 0, 0, 0, "0"};
    EXPECT_TRUE(c.run(link));
    EXPECT_EQ(LineAfterConsumer(link), Frame("111", "MARIA"));  // the operator follows at once

    ReceiptLink other;
    TClientDataSet cred;
    cred.AddFieldDef("VRSALDCONFAM", FieldType::Float);
    cred.CreateDataSet();
    c.balances.cdsSaldCred = &cred;
    EXPECT_THROW(c.run(other), EDatabaseError);
    EXPECT_TRUE(other.trace.entries().empty());
}

// The balance switch decides the family line, not the rows: the family rule
// over a credit table without rows still prints it, with no name and 0,00;
// a switch other than "0" or "1" prints the consumer line alone.
TEST(FinalCupom, FamilyLineFollowsTheBalanceSwitch) {
    TClientDataSet empty;
    MakeBalances(empty, {});
    for (const char* rule : {"0", "1"}) {
        ReceiptLink link;
        Closing c;
        c.type = "30";
        c.sale = {"1", "ANA", 0, 0, 0, 50, rule};
        c.balances.cdsSaldCred = &empty;
        EXPECT_TRUE(c.run(link));
        EXPECT_EQ(LineAfterConsumer(link), Frame("111", std::string(15, ' ') + "  0,00")) << rule;
    }
    TClientDataSet cred;
    MakeBalances(cred, {{"7", 100}});
    ReceiptLink link;
    Closing c;
    c.type = "30";
    c.sale = {"1", "ANA", 0, 0, 0, 0, "2"};
    c.balances.cdsSaldCred = &cred;
    EXPECT_TRUE(c.run(link));
    EXPECT_EQ(LineAfterConsumer(link), Frame("111", "MARIA"));
}

TEST(FinalCupom, DebitBalance) {
    ReceiptLink link;
    Closing c;
    c.type = "30";
    c.sale = {"2", "JUAN", 5000, 200, 1200, 0, ""};
    EXPECT_TRUE(c.run(link));
    EXPECT_EQ(LineAfterConsumer(link), Frame("111", "Saldo Final :  4000"));
    ExpectTraceMatchesGolden(link.trace, "receipt/final_cupom_debit_balance.trace");
}

TEST(FinalCupom, FinalReplyDecidesOnType16) {
    const struct {
        const char* name;
        std::string reply;  // empty: silent
        bool result;
    } cases[] = {{"accepted", "1\r", true},
                 {"silent", "", false},
                 {"zero colon is data", "0:5:\r", true},
                 {"error 43", "04361\r", false},
                 {"error 59", "05961\r", true}};
    for (const auto& k : cases) {
        ReceiptLink link;
        if (!k.reply.empty()) link.ports.queue_reply(k.reply, "61");
        EXPECT_EQ(Closing{}.run(link), k.result) << k.name;
        EXPECT_EQ(link.ports.open_now(), 0) << k.name;
    }
}

TEST(FinalCupom, APortThatDoesNotOpenPrintsNothing) {
    ReceiptLink link;
    link.ports.fail_open = true;
    EXPECT_FALSE(Closing{}.run(link));
    EXPECT_TRUE(link.log_messages().empty());
}

TEST(ReceiptFooter, ObservationLines) {
    EXPECT_EQ(ObservationLines("A\r\nB"), (Strings{"A", "B"}));
    EXPECT_EQ(ObservationLines("A\r\nB\r\n"), (Strings{"A", "B"}));      // a trailing break adds no line
    EXPECT_EQ(ObservationLines("A\r\n\r\nB"), (Strings{"A", "", "B"}));  // two breaks: one empty line
    EXPECT_EQ(ObservationLines("Abc\rDef"), (Strings{"Abc", "Def"}));   // a bare CR loses nothing
    EXPECT_EQ(ObservationLines("Abc\nDef\n\nG"), (Strings{"Abc", "Def", "", "G"}));
    EXPECT_EQ(ObservationLines("   "), Strings{});
    EXPECT_EQ(ObservationLines(""), Strings{});
}

TEST(ReceiptFooter, EmptyPasswordTakesNoLineAndOnePauseFewer) {
    ReceiptLink with, without;
    Closing c;
    c.type = "30";
    c.obs = "";
    c.run(with);
    c.senha = "";
    c.run(without);
    EXPECT_EQ(with.ports.frames().size(), without.ports.frames().size() + 1);
    EXPECT_EQ(with.clock.pauses().size(), without.clock.pauses().size() + 1);
}

struct Exempt {
    ExemptSale sale{"500", 3000, 3500, 0, true};
    std::string type = "16";
    std::string obs = "Gracias";

    bool run(ReceiptLink& link) const {
        return Isento_Composto(link.ctx, "COM1", "Azul", "PEDRO", "77", obs, sale, 1, 2, type);
    }
};

TEST(IsentoComposto, CompositeOnEachPrinterType) {
    for (const char* type : {"16", "30", "31"}) {
        ReceiptLink link;
        link.ports.queue_reply("1\r", "61");
        Exempt e;
        e.type = type;
        EXPECT_TRUE(e.run(link)) << type;
        ExpectTraceMatchesGolden(link.trace, std::string("receipt/isento_composto_type_") + type + ".trace");
    }
}

TEST(IsentoComposto, SimpleWithAndWithoutChange) {
    for (const double troco : {0.0, 200.0}) {
        ReceiptLink link;
        link.ports.queue_reply("1\r", "61");
        Exempt e;
        e.sale = {"1.234", 0, 1234, troco, false};
        EXPECT_TRUE(e.run(link));
        ExpectTraceMatchesGolden(link.trace, "receipt/isento_simple_change_" + std::to_string(int(troco)) + ".trace");
    }
}

// The port is still held when a simple breakdown ends: no command 99 could
// reach the printer, so none is attempted.
TEST(IsentoComposto, ASimpleBreakdownOnType30EndsWithItsBlock) {
    ReceiptLink link;
    Exempt e;
    e.type = "30";
    e.sale.boCupomComposto = false;
    EXPECT_TRUE(e.run(link));
    EXPECT_EQ(link.ports.frames_text().back(), Frame("61"));
    EXPECT_EQ(link.ports.opens() + link.ports.failed_opens(), 1);
}

TEST(IsentoComposto, BreakdownLinesUseThePaddedLabelsAndTheThousandsSeparator) {
    ReceiptLink link;
    Exempt e;
    e.type = "30";
    e.run(link);
    const Strings frames = link.ports.frames_text();
    ASSERT_GE(frames.size(), 5u);
    // The label in 15 columns, the value right-aligned in 10.
    EXPECT_EQ(frames[1], Frame("116", std::string("Total Afecto:  ") + "     3.000"));
    EXPECT_EQ(frames[2], Frame("116", std::string("Exento:        ") + "       500"));
    EXPECT_EQ(frames[3], Frame("116", std::string("Total Compra:  ") + "     3.500"));
    EXPECT_EQ(frames[4], Frame("116", std::string("Vuelto:        ") + "         0"));
}

}  // namespace
}  // namespace dru::test
