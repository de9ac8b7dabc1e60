#include "payments/payment_type_loading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/errors.h"
#include "host/text.h"
#include "link/frames.h"
#include "payments/payments_rig.h"

namespace dru::test {
namespace {

constexpr const char* kHeader = "TOTALES POR FORMA DE PAGO";
constexpr const char* kButtonFilter = "IDTPBUTTON = '5'";

// A reply to 432 as the printer sends it: lines ended by CR (type 16) or LF
// (other types), then the reply's own terminator, which the link drops.
std::string ListReply(int type, const std::vector<std::string>& lines, bool lastTerminated = true) {
    const std::string eol = type == 16 ? "\r" : "\n";
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += text::to_latin1(lines[i]);
        if (lastTerminated || i + 1 < lines.size()) out += eol;
    }
    return out + "\r";
}

void ExpectButtonFilter(const TClientDataSet& ds) {
    EXPECT_TRUE(ds.Filtered());
    EXPECT_EQ(ds.Filter(), kButtonFilter);
}

// ---- The printer's own list, both printer types ------------------------------------

class SimulatorList : public ::testing::TestWithParam<int> {};

TEST_P(SimulatorList, CodesComeFromTheListAndSpreadByClass) {
    PaymentsRig rig(GetParam());
    TClientDataSet ds;
    MakePaymentTypes(ds, {
                             {"EFECTIVO", "4"},                 // 01
                             {"Cheque", "3"},                   // 02: the name search ignores case
                             {"TARJETA", "2"},                  // 04, then 05: the last line naming only it
                             {"TARJETA CREDITO", "1"},          // 03: the longer name wins its own line
                             {"VALE", "5"},                     // 06
                             {"EFECTIVO", "4", "5", "", "X"},   // a second one: the completion gives it 01
                             {"EFECTIVO", "4", "1"},            // not a button: the completion gives it 01
                             {"CUPON", "6", "5", "09", "S"},    // not listed: keeps its code
                             {"OTRO", "8", "2"},                // no coded record of its class
                         });
    CarregaRecebimento(rig.session, "COM1", "Azul", GetParam(), ds);

    ExpectButtonFilter(ds);
    EXPECT_EQ(ds.RecordCount(), 7);
    EXPECT_EQ(Column(ds, "CDFPIMPFIS"),
              (std::vector<std::string>{"01", "02", "05", "03", "06", "01", "01", "09", "-"}));
    EXPECT_EQ(Column(ds, "IDEMIVALE"), (std::vector<std::string>{"N", "S", "S", "S", "S", "N", "N", "S", "-"}));
    ASSERT_FALSE(rig.printer.frames().empty());
    EXPECT_EQ(rig.printer.frames().front(), "432");
    // The printer builds the list slowly: the link waits before reading it.
    EXPECT_EQ(rig.clock.pauses(), (std::vector<int>{800}));
    EXPECT_FALSE(rig.ports.is_open());
}

INSTANTIATE_TEST_SUITE_P(PrinterTypes, SimulatorList, ::testing::Values(16, 30));

// ---- No usable list: the fixed mapping -----------------------------------------------

struct NoListCase {
    const char* name;
    int type;
    bool silent;
    std::string reply;  // raw bytes when not silent
};

class NoUsableList : public ::testing::TestWithParam<NoListCase> {};

TEST_P(NoUsableList, FirstButtonRecordOfEachClassGetsTheFixedCode) {
    const NoListCase& c = GetParam();
    PaymentsRig rig(c.type);
    if (c.silent) rig.printer.knobs().silent = true;
    else rig.raw_reply("432", c.reply);
    TClientDataSet ds;
    MakePaymentTypes(ds, {
                             {"A", "1", "5", "", "X"},
                             {"A2", "1", "5", "", "X"},   // second of its class: untouched
                             {"B", "2", "1", "", "X"},    // not a button: untouched
                             {"B2", "2", "5", "", "X"},
                             {"C", "3", "5", "", "X"},
                             {"D", "4", "5", "", "X"},
                             {"E", "5", "5", "", "X"},
                             {"F", "6", "5", "77", "X"},  // no fixed code: only the flag
                             {"G", "7", "5", "", "X"},
                             {"H", "8", "5", "", "X"},    // class outside the mapping: flag only
                         });
    CarregaRecebimento(rig.session, "COM1", "Azul", c.type, ds);

    ExpectButtonFilter(ds);
    EXPECT_EQ(Column(ds, "CDFPIMPFIS"),
              (std::vector<std::string>{"03", "-", "-", "04", "02", "01", "06", "77", "07", "-"}));
    EXPECT_EQ(Column(ds, "IDEMIVALE"),
              (std::vector<std::string>{"S", "X", "X", "S", "S", "N", "S", "S", "S", "S"}));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, NoUsableList,
    ::testing::Values(NoListCase{"silent_printer", 16, true, ""},
                      NoListCase{"one_byte_reply", 16, false, "\r"},
                      NoListCase{"no_header", 30, false, ListReply(30, {"TOTALES", "01 A", "-----"})},
                      NoListCase{"header_not_alone_on_its_line", 16, false,
                                 ListReply(16, {" TOTALES POR FORMA DE PAGO", "01 A"})},
                      // Other printer types end no line: the whole reply is one line.
                      NoListCase{"other_printer_type", 20, false, ListReply(20, {kHeader, "01 A", "-----"})}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Shapes of the list --------------------------------------------------------------

struct ListCase {
    const char* name;
    int type;
    std::vector<std::string> lines;
    bool lastTerminated;
    // CDFPIMPFIS of: EFECTIVO, CHEQUE, TARJETA, TARJETA CREDITO, TARJETA CRéDITO, VALE
    std::vector<std::string> codes;
};

class ListShapes : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListShapes, AssignCodes) {
    const ListCase& c = GetParam();
    PaymentsRig rig(c.type);
    rig.raw_reply("432", ListReply(c.type, c.lines, c.lastTerminated));
    TClientDataSet ds;
    MakePaymentTypes(ds, {{"EFECTIVO", "4"},
                          {"CHEQUE", "3"},
                          {"TARJETA", "2"},
                          {"TARJETA CREDITO", "1"},
                          {"TARJETA CR\u00e9DITO", "7"},
                          {"VALE", "5"}});
    CarregaRecebimento(rig.session, "COM1", "Azul", c.type, ds);
    ExpectButtonFilter(ds);
    EXPECT_EQ(Column(ds, "CDFPIMPFIS"), c.codes);
}

std::vector<std::string> Groups(int count) {
    std::vector<std::string> lines{kHeader};
    for (int i = 1; i <= count; ++i) lines.insert(lines.end(), {"FORMA " + std::to_string(i), "", ""});
    return lines;
}

std::vector<std::string> TenthIsVale() {
    auto lines = Groups(9);
    lines.insert(lines.end(), {"", "", "10 VALE", "-----"});
    return lines;
}

const std::vector<std::string> kNone(6, "-");

INSTANTIATE_TEST_SUITE_P(
    Replies, ListShapes,
    ::testing::Values(
        ListCase{"dash_line_right_after_header", 16, {kHeader, "-----", "01 EFECTIVO"}, true, kNone},
        ListCase{"only_the_header", 16, {kHeader}, true, kNone},
        ListCase{"name_in_second_and_third_line_of_a_group",
                 16,
                 {kHeader, "01 X", "EFECTIVO 100", "", "02 Y", "", "total CHEQUE", "-----"},
                 true,
                 {"01", "02", "-", "-", "-", "-"}},
        ListCase{"tenth_form_without_leading_zero", 30, TenthIsVale(), true, {"-", "-", "-", "-", "-", "10"}},
        ListCase{"two_names_on_a_line_first_in_table_order",
                 16,
                 {kHeader, "EFECTIVO Y CHEQUE", "", "", "-----"},
                 true,
                 {"01", "-", "-", "-", "-", "-"}},
        ListCase{"name_inside_a_longer_name_yields_to_it",
                 16,
                 {kHeader, "03 TARJETA CREDITO", "", "", "04 TARJETA DEBITO", "-----"},
                 true,
                 {"-", "-", "02", "01", "-", "-"}},
        ListCase{"capital_accent_does_not_match_small_one",
                 16,
                 {kHeader, "TARJETA CR\u00c9DITO", "", "", "TARJETA CR\u00e9DITO", "-----"},
                 true,
                 {"-", "-", "01", "-", "02", "-"}},
        ListCase{"no_dash_line_scan_ends_at_last_line",
                 30,
                 {kHeader, "01 EFECTIVO", "", "", "02 CHEQUE"},
                 true,
                 {"01", "02", "-", "-", "-", "-"}},
        ListCase{"type_16_last_line_unterminated_loses_last_character",
                 16,
                 {kHeader, "01 EFECTIVO", "", "", "02 CHEQUE"},
                 false,
                 {"01", "-", "-", "-", "-", "-"}},
        ListCase{"type_16_dash_line_needs_column_1",
                 16,
                 {kHeader, "01 EFECTIVO", "", " -----", "02 CHEQUE", "-----", "VALE"},
                 true,
                 {"01", "02", "-", "-", "-", "-"}},
        ListCase{"type_30_dash_line_needs_column_2",
                 30,
                 {kHeader, "01 EFECTIVO", "", "-----", "02 CHEQUE", " -----", "VALE"},
                 true,
                 {"01", "02", "-", "-", "-", "-"}},
        ListCase{"header_letter_case_ignored",
                 16,
                 {"Totales por Forma de Pago", "01 EFECTIVO", "-----"},
                 true,
                 {"01", "-", "-", "-", "-", "-"}},
        ListCase{"lines_before_the_header_ignored",
                 30,
                 {"VALE", kHeader, "01 CHEQUE", "-----"},
                 true,
                 {"-", "01", "-", "-", "-", "-"}},
        ListCase{"repeated_header_counts_from_the_first",
                 16,
                 {kHeader, "01 EFECTIVO", "", "", kHeader, "", "", "03 CHEQUE", "-----"},
                 true,
                 {"01", "03", "-", "-", "-", "-"}},
        ListCase{"very_long_line",
                 30,
                 {kHeader, std::string(3000, 'x') + " VALE", "-----"},
                 true,
                 {"-", "-", "-", "-", "-", "01"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Completion step --------------------------------------------------------------

TEST(PaymentTypeLoading, CompletionGivesEveryUncodedRecordTheCodeOfItsClass) {
    PaymentsRig rig(16);
    rig.raw_reply("432", ListReply(16, {kHeader, "-----"}));
    TClientDataSet ds;
    // Consecutive uncoded records of one class: each leaves the "no code"
    // view as it gets its code, and none may be skipped.
    MakePaymentTypes(ds, {{"A", "1", "1"},
                          {"B", "1", "2"},
                          {"C", "1", "5", "03", "S"},
                          {"D", "1", "5"},
                          {"E", "4", "3"},
                          {"F", "4", "5", "01", "N"},
                          {"G", "6", "5"},
                          {"H", "", "5"},
                          {"I", "1", "7"}});
    CarregaRecebimento(rig.session, "COM1", "Azul", 16, ds);
    ExpectButtonFilter(ds);
    EXPECT_EQ(Column(ds, "CDFPIMPFIS"),
              (std::vector<std::string>{"03", "03", "03", "03", "01", "01", "-", "-", "03"}));
    EXPECT_EQ(Column(ds, "IDEMIVALE"), (std::vector<std::string>{"S", "S", "S", "S", "N", "N", "-", "-", "S"}));
}

// ---- Bad tables ----------------------------------------------------------------------

class MissingField : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingField, RaisesNamingTheFieldBeforeAskingThePrinter) {
    PaymentsRig rig(16);
    TClientDataSet ds;
    MakePaymentTypes(ds, {{"EFECTIVO", "4"}}, GetParam());
    try {
        CarregaRecebimento(rig.session, "COM1", "Azul", 16, ds);
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam()), std::string::npos) << e.what();
    }
    EXPECT_TRUE(rig.printer.frames().empty());
    if (std::string(GetParam()) == "IDTPBUTTON") {
        EXPECT_FALSE(ds.Filtered());  // cannot be filtered by a field it lacks
    } else {
        ExpectButtonFilter(ds);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, MissingField,
                         ::testing::Values("NMTIPORECE", "IDTIPORECE", "IDTPBUTTON", "CDFPIMPFIS", "IDEMIVALE"));

TEST(PaymentTypeLoading, ErrorMidwayPutsTheRecordsBackAndLeavesTheFilterOn) {
    PaymentsRig rig(16);
    rig.raw_reply("432", ListReply(16, {kHeader, "01 EFECTIVO", "CASH", "", "-----"}));
    TClientDataSet ds;
    MakePaymentTypes(ds, {{"EFECTIVO", "4", "5", "08", "S"}, {"CASH", "4", "5", "09", "S"}});
    // The host's unique index refuses the second record of the group the same code.
    ds.AddIndex({"IdxCodigo", "CDFPIMPFIS", false, false, true, ""});
    ds.SetIndexName("IdxCodigo");
    EXPECT_THROW(CarregaRecebimento(rig.session, "COM1", "Azul", 16, ds), EDatabaseError);
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    ExpectButtonFilter(ds);
    EXPECT_EQ(ds.IndexName(), "IdxCodigo");
    EXPECT_EQ(Column(ds, "CDFPIMPFIS"), (std::vector<std::string>{"08", "09"}));
    EXPECT_EQ(Column(ds, "IDEMIVALE"), (std::vector<std::string>{"S", "S"}));
}

// ---- Line cutting ------------------------------------------------------------------

TEST(CutPaymentFormLines, TerminatorsByPrinterType) {
    EXPECT_EQ(CutPaymentFormLines("A\rB\nC\r", 16), (std::vector<std::string>{"A", "B\nC"}));
    EXPECT_EQ(CutPaymentFormLines("A\rB\nC\n", 30), (std::vector<std::string>{"A\rB", "C"}));
    EXPECT_EQ(CutPaymentFormLines("A\nB\n", 20), (std::vector<std::string>{"A\nB"}));
    // An unterminated last piece loses its last character, a whole one.
    EXPECT_EQ(CutPaymentFormLines("A\rCR\u00c9", 16), (std::vector<std::string>{"A", "CR"}));
    EXPECT_EQ(CutPaymentFormLines("\r\rX", 16), (std::vector<std::string>{"", "", ""}));
    EXPECT_TRUE(CutPaymentFormLines("", 16).empty());
}

}  // namespace
}  // namespace dru::test
