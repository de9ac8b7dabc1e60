// Items and payments of a fiscal receipt: the exact frames, their pauses and
// log lines, and the refusal of figures that do not fit the printer's fields.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dru01000.hpp"
#include "host/errors.h"
#include "link/frames.h"
#include "receipt/item_registration.h"
#include "receipt/payment_registration.h"
#include "receipt/receipt_rig.h"

namespace dru::test {
namespace {

TEST(VendaItem, FramesPausesAndLogOnTypes16And30) {
    for (const char* type : {"16", "30", "31"}) {
        ReceiptLink link;
        TClientDataSet items;
        MakeItems(items, {{1, 1500, 0, "7801234567890", "CAFE"},
                          {2.5, 1000, 100, "42", "T\u00c9 VERDE \u0087"},
                          {1, 990, 0, "12345678901234567", "PAN \u20ac"}});
        const double total = Venda_Item(link.ctx, "COM1", items, 999999, type);
        EXPECT_DOUBLE_EQ(total, 1500 + 2250 + 990) << type;
        EXPECT_TRUE(items.Eof());
        EXPECT_EQ(link.ports.open_now(), 0);
        ExpectTraceMatchesGolden(link.trace, std::string("receipt/venda_item_type_") + type + ".trace");
    }
}

TEST(VendaItem, TheItemFrameOfTheSpecimenSale) {
    ReceiptLink link;
    TClientDataSet items;
    MakeItems(items, {{1, 1500, 0, "7801234567890", "CAFE"}});
    items.Last();
    items.Next();  // a table handed in at its end is sent from its first row
    Venda_Item(link.ctx, "COM1", items, 0, "16");
    ASSERT_EQ(link.ports.frames_text().size(), 1u);
    EXPECT_EQ(link.ports.frames_text()[0], Frame("13", "1127801234567890000001000000001500000001500CAFE"));
}

// The item frame's fields keep their places: a code of none is 13 zeros
// (the quantity stays where the printer reads it), and a name of any length
// (a packet's field of any size) is cut to what one printed line holds.
TEST(VendaItem, TheProductCodeKeepsItsWidthAndTheNameItsPrintedLine) {
    const std::string megabyte(1 << 20, 'A');
    const struct {
        std::string code, name, operands;
    } cases[] = {
        {"", "AGUA", "1120000000000000000001000000001000000001000AGUA"},
        {"78", megabyte, "1120000000000078000001000000001000000001000" + std::string(48, 'A')},
    };
    for (const auto& c : cases) {
        ReceiptLink link;
        TClientDataSet items;
        MakeItems(items, {{1, 1000, 0, c.code, c.name}}, 2 << 20);
        Venda_Item(link.ctx, "COM1", items, 0, "16");
        ASSERT_EQ(link.ports.frames_text().size(), 1u) << c.code;
        EXPECT_EQ(link.ports.frames_text()[0], Frame("13", c.operands)) << c.code;
    }
}

TEST(VendaItem, AnEmptyTableOpensAndClosesThePortAndSendsNothing) {
    ReceiptLink link;
    TClientDataSet items;
    MakeItems(items, {});
    EXPECT_EQ(Venda_Item(link.ctx, "COM1", items, 0, "16"), 0);
    EXPECT_EQ(link.ports.opens(), 1);
    EXPECT_EQ(link.ports.closes(), 1);
    EXPECT_TRUE(link.ports.frames().empty());
}

TEST(VendaItem, APortThatDoesNotOpenGivesZeroAndNoLine) {
    ReceiptLink link;
    link.ports.fail_open = true;
    TClientDataSet items;
    MakeItems(items, {{1, 1500, 0, "1", "CAFE"}});
    EXPECT_EQ(Venda_Item(link.ctx, "COM1", items, 0, "16"), 0);
    EXPECT_TRUE(link.log_messages().empty());
    EXPECT_TRUE(link.clock.pauses().empty());
}

// A figure that does not fit its fixed field would shift every position after
// it: the whole call is refused before the port opens.
TEST(VendaItem, FiguresThatDoNotFitRefuseTheWholeCall) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        ItemRow bad;
        const char* field;
    } cases[] = {
        {{-1, 100, 0, "1", "X"}, "QTPRODCOMVEN"},
        {{1000000, 1, 0, "1", "X"}, "QTPRODCOMVEN"},
        {{nan, 1, 0, "1", "X"}, "QTPRODCOMVEN"},
        {{1, -5, 0, "1", "X"}, "VRPRECCOMVEN"},
        {{1, 1000000000, 0, "1", "X"}, "VRPRECCOMVEN"},
        {{3, 400000000, 0, "1", "X"}, "item total"},
    };
    for (const auto& c : cases) {
        ReceiptLink link;
        TClientDataSet items;
        MakeItems(items, {{1, 100, 0, "1", "OK"}, c.bad});
        try {
            Venda_Item(link.ctx, "COM1", items, 0, "16");
            ADD_FAILURE() << c.field << ": not refused";
        } catch (const EBadArgument& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("row 2"), std::string::npos) << what;
            EXPECT_NE(what.find(c.field), std::string::npos) << what;
        }
        EXPECT_TRUE(link.trace.entries().empty()) << c.field << ": something reached the line or the log";
    }
}

TEST(VendaItem, AMissingFieldIsTheTablesErrorAndNothingIsSent) {
    ReceiptLink link;
    TClientDataSet items;
    items.AddFieldDef("QTPRODCOMVEN", FieldType::Float);
    items.CreateDataSet();
    items.Append();
    items.FieldByName("QTPRODCOMVEN").SetAsFloat(1);
    items.Post();
    EXPECT_THROW(Venda_Item(link.ctx, "COM1", items, 0, "16"), EDatabaseError);
    EXPECT_TRUE(link.trace.entries().empty());
}

TEST(Pagamento, FramesPausesAndLog) {
    ReceiptLink link;
    TClientDataSet movi;
    MakePayments(movi, {{4500, "01"}, {1999.6, "03"}, {0.4, "01"}});
    EXPECT_TRUE(Pagamento(link.ctx, "COM1", movi, 123));
    EXPECT_EQ(link.ports.frames_text(),
              (std::vector<std::string>{Frame("26", "11010000004500"), Frame("26", "11030000002000"),
                                        Frame("26", "11010000000000"), Frame("27", "1000000000")}));
    EXPECT_EQ(link.clock.pauses(), (std::vector<int>{200, 200, 200, 200, 200}));
    ExpectTraceMatchesGolden(link.trace, "receipt/pagamento.trace");
}

TEST(Pagamento, AnEmptyTableSendsOnlyTheEndOfPayments) {
    ReceiptLink link;
    TClientDataSet movi;
    MakePayments(movi, {});
    EXPECT_TRUE(Pagamento(link.ctx, "COM1", movi, 0));
    EXPECT_EQ(link.ports.frames_text(), (std::vector<std::string>{Frame("27", "1000000000")}));
}

TEST(Pagamento, TrueWhenThePortDoesNotOpen) {
    ReceiptLink link;
    link.ports.fail_open = true;
    TClientDataSet movi;
    MakePayments(movi, {{4500, "01"}});
    EXPECT_TRUE(Pagamento(link.ctx, "COM1", movi, 0));
    EXPECT_TRUE(link.log_messages().empty());
}

TEST(Pagamento, AnAmountThatDoesNotFitTenDigitsIsRefused) {
    for (const double amount : {-1.0, 1e10, std::numeric_limits<double>::infinity()}) {
        ReceiptLink link;
        TClientDataSet movi;
        MakePayments(movi, {{100, "01"}, {amount, "02"}});
        EXPECT_THROW(Pagamento(link.ctx, "COM1", movi, 0), EBadArgument) << amount;
        EXPECT_TRUE(link.trace.entries().empty()) << amount;
    }
}

}  // namespace
}  // namespace dru::test

namespace dru::test {
namespace {

// Through the C++ interface a NULL table is the bad-argument error, nothing sent.
TEST(ReceiptCppInterface, NullTablesAreRefused) {
    EXPECT_EQ(dru01000::Venda_Item("COM1", nullptr, 0, "16"), 0);
    EXPECT_STREQ(dru_last_error(), "Venda_Item: cdsVendas is NULL");
    EXPECT_FALSE(dru01000::Pagamento("COM1", nullptr, 0));
    EXPECT_STREQ(dru_last_error(), "Pagamento: cdsMovi is NULL");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
}

}  // namespace
}  // namespace dru::test
