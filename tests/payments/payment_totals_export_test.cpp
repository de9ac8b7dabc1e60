#include "payments/payment_totals_export.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/errors.h"
#include "host/format.h"
#include "host/routines.h"
#include "payments/payments_rig.h"

namespace dru::test {
namespace {

constexpr const char* kECF = "0007";

// The host's tables of one call.
struct HostTables {
    TClientDataSet tipos, reducao, formas, impostos, naoFiscais;
    ErrorReport swallowed;  // what the export swallowed, if anything

    explicit HostTables(std::string_view without = {}) {
        MakePaymentTypes(tipos,
                         {
                             {"EFECTIVO", "4", "5", "01", "N", "001"},
                             {"Cheque", "3", "5", "02", "S", "002"},        // mixed case: never matched
                             {"CHEQUE", "3", "5", "", "", "012"},           // no printer code: never matched
                             {"TARJETA CR\u00e9DITO", "1", "5", "03", "S", "003"},
                             {"TARJETA D\u00c9BITO", "2", "5", "04", "S", "004"},  // capital accent
                             {"TARJETA PROPIA", "7", "5", "05", "S", "005"},
                         },
                         without);
        AddReductionZFields(reducao, false);
        reducao.CreateDataSet();
        formas.AddFieldDef("NRECFREDZ", FieldType::String, 4);
        formas.AddFieldDef("DTREDUCAOZ", FieldType::DateTime);
        formas.AddFieldDef("CDTIPORECE", FieldType::String, 3);
        formas.AddFieldDef("VRFORMPGTORZ", FieldType::Float);
        formas.AddFieldDef("CDTPRECEORIG", FieldType::String, 3);
        formas.CreateDataSet();
        // What the host held before: must come back when the forms are not rebuilt.
        formas.Append();
        formas.FieldByName("CDTIPORECE").SetAsString("999");
        formas.FieldByName("VRFORMPGTORZ").SetAsFloat(1);
        formas.Post();
        for (auto* ds : {&impostos, &naoFiscais}) {
            ds->AddFieldDef("NRECFREDZ", FieldType::String, 4);
            ds->CreateDataSet();
        }
    }

    bool run(PaymentsRig& rig) {
        return ExportRedZ(rig.session, "COM1", "Azul", kECF, 16, tipos, reducao, formas, impostos, naoFiscais,
                          &swallowed);
    }

    // (CDTIPORECE, amount) of every payment-form record, in order.
    std::vector<std::pair<std::string, double>> forms() {
        std::vector<std::pair<std::string, double>> out;
        for (formas.First(); !formas.Eof(); formas.Next())
            out.emplace_back(formas.FieldByName("CDTIPORECE").AsString(),
                             formas.FieldByName("VRFORMPGTORZ").AsFloat());
        return out;
    }
};

using Forms = std::vector<std::pair<std::string, double>>;
const Forms kUnchanged{{"999", 1}};

TEST(PaymentTotalsExport, DayTotalsGiveTheReductionAndOneRecordPerPaidForm) {
    PaymentsRig rig;
    rig.raw_reply("481", "41:1001:1055:250000:150000:0:100000:0:0:\r");
    HostTables host;
    EXPECT_TRUE(host.run(rig));

    ASSERT_EQ(host.reducao.RecordCount(), 1);
    host.reducao.First();
    const auto text = [&](const char* f) { return host.reducao.FieldByName(f).AsString(); };
    EXPECT_EQ(text("NRECFREDZ"), kECF);
    EXPECT_EQ(host.reducao.FieldByName("DTREDUCAOZ").AsDateTime(), DateOf(rig.clock.now()));
    EXPECT_EQ(text("NRREDREDZ"), Ajusta("42", 4));
    EXPECT_EQ(text("NRPRIMCFREDZ"), "1001");
    EXPECT_EQ(text("NRULTCFREDZ"), "1055");
    EXPECT_EQ(host.reducao.FieldByName("VRVENBRUREDZ").AsFloat(), 250000);
    EXPECT_EQ(host.reducao.FieldByName("VRVENLIQREDZ").AsFloat(), 250000);
    EXPECT_FALSE(host.reducao.FieldByName("VRTOTCANREDZ").IsNull());
    EXPECT_EQ(host.reducao.FieldByName("VRTOTCANREDZ").AsFloat(), 0);
    EXPECT_TRUE(host.reducao.FieldByName("NRREINIREDZ").IsNull());
    EXPECT_TRUE(host.reducao.FieldByName("VRGTREDZ").IsNull());

    EXPECT_EQ(host.forms(), (Forms{{"001", 150000}, {"003", 100000}}));
    for (host.formas.First(); !host.formas.Eof(); host.formas.Next()) {
        EXPECT_EQ(host.formas.FieldByName("NRECFREDZ").AsString(), kECF);
        EXPECT_EQ(host.formas.FieldByName("CDTPRECEORIG").AsString(),
                  host.formas.FieldByName("CDTIPORECE").AsString());
        EXPECT_EQ(host.formas.FieldByName("DTREDUCAOZ").AsDateTime(), DateOf(rig.clock.now()));
    }
    EXPECT_EQ(rig.printer.frames(), (std::vector<std::string>{"481"}));
    EXPECT_TRUE(rig.clock.pauses().empty());  // no slow-reply pause for 481
    EXPECT_FALSE(rig.ports.is_open());
    EXPECT_EQ(host.impostos.RecordCount(), 0);
}

// ---- Replies that read through -------------------------------------------------------

struct ReplyCase {
    const char* name;
    std::string reply;
    std::optional<double> gross;  // nullopt: no reduction record
    std::string number;           // NRREDREDZ when there is a record
    Forms forms;
};

class Replies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(Replies, ReductionAndForms) {
    const ReplyCase& c = GetParam();
    PaymentsRig rig;
    rig.raw_reply("481", c.reply + "\r");
    HostTables host;
    EXPECT_TRUE(host.run(rig));
    if (c.gross) {
        ASSERT_EQ(host.reducao.RecordCount(), 1);
        host.reducao.First();
        EXPECT_DOUBLE_EQ(host.reducao.FieldByName("VRVENBRUREDZ").AsFloat(), *c.gross);
        EXPECT_EQ(host.reducao.FieldByName("NRREDREDZ").AsString(), Ajusta(c.number, 4));
    } else {
        EXPECT_EQ(host.reducao.RecordCount(), 0);
    }
    EXPECT_EQ(host.forms(), c.forms);
}

INSTANTIATE_TEST_SUITE_P(
    ExportRedZ, Replies,
    ::testing::Values(
        // Only coded types named exactly as the printer's form, upper-cased in ASCII, match.
        ReplyCase{"all_five_amounts", "41:1:2:500:100:100:100:100:100:", 500, "42",
                  {{"001", 100}, {"003", 100}, {"005", 100}}},
        ReplyCase{"fifth_amount_without_colon_not_read", "41:1:2:500:100:100:100:100:100", 500, "42",
                  {{"001", 100}, {"003", 100}}},
        ReplyCase{"zero_amount_skips_only_its_form", "41:1:2:500:0:0:100:0:50:", 500, "42",
                  {{"003", 100}, {"005", 50}}},
        ReplyCase{"decimals_with_point_or_comma", "41:1:2:500,5:100.25:0:0,75:0:0:", 500.5, "42",
                  {{"001", 100.25}, {"003", 0.75}}},
        ReplyCase{"gross_zero_with_decimals_is_posted", "41:1:2:0,00:0:0:0:0:0:", 0.0, "42", {}},
        ReplyCase{"zero_padded_reduction_number", "0041:1:2:300:300:0:0:0:0:", 300, "42", {{"001", 300}}},
        ReplyCase{"reduction_number_beyond_four_digits", "99999:1:2:300:0:0:0:0:0:", 300, "100000", {}},
        // Nothing sold: no reduction record and the forms come back as they were.
        ReplyCase{"gross_exactly_zero", "41:1:2:0:100:0:0:0:0:", std::nullopt, "", kUnchanged}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Errors are caught; what was built is handed back ------------------------------

struct ErrorCase {
    const char* name;
    std::string reply;     // empty: the printer stays silent
    const char* without;   // payment-type field left out of the host's table
    bool reduction;        // the reduction record comes back
    Forms forms;
};

class Errors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Errors, AreCaughtAndTheTablesComeBackAsFarAsBuilt) {
    const ErrorCase& c = GetParam();
    PaymentsRig rig;
    if (c.reply.empty()) rig.printer.knobs().silent = true;
    else rig.raw_reply("481", c.reply + "\r");
    HostTables host(c.without);
    bool result = false;
    EXPECT_NO_THROW(result = host.run(rig));
    EXPECT_TRUE(result);
    // The swallowed error is handed to the caller for diagnosis.
    EXPECT_NE(host.swallowed.kind, ErrorKind::None);
    EXPECT_TRUE(host.swallowed.message.starts_with("ExportRedZ: ")) << host.swallowed.message;
    EXPECT_EQ(host.reducao.RecordCount(), c.reduction ? 1 : 0);
    EXPECT_EQ(host.forms(), c.forms);
    EXPECT_EQ(host.reducao.State(), DataSetState::Browse);
}

INSTANTIATE_TEST_SUITE_P(
    ExportRedZ, Errors,
    ::testing::Values(
        ErrorCase{"silent_printer", "", "", false, kUnchanged},
        ErrorCase{"reduction_number_not_a_number", "4X:1:2:300:300:0:0:0:0:", "", false, kUnchanged},
        ErrorCase{"gross_not_a_number", "41:1:2:1e3:300:0:0:0:0:", "", false, kUnchanged},
        ErrorCase{"gross_with_grouping", "41:1:2:1.000,50:300:0:0:0:0:", "", false, kUnchanged},
        ErrorCase{"amount_not_a_number_after_a_good_one", "41:1:2:300:100:0:abc:0:0:", "", true, {{"001", 100}}},
        ErrorCase{"payment_types_lack_the_name", "41:1:2:300:300:0:0:0:0:", "NMTIPORECE", true, {}},
        ErrorCase{"payment_types_lack_the_code", "41:1:2:300:300:0:0:0:0:", "CDFPIMPFIS", true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PaymentTotalsExport, ReadsTheSimulatorsDayTotals) {
    PaymentsRig rig;
    for (const char* command : {"000", "12", "13" "112" "0000000000001" "000001000" "000010000" "000010000" "ITEM",
                                "20" "0000010000", "26" "11" "01" "0000006000", "26" "11" "03" "0000004000",
                                "27" "1000000000", "98"})
        rig.printer.execute(command);
    ASSERT_EQ(rig.printer.gross_sales(), 10000);
    HostTables host;
    EXPECT_TRUE(host.run(rig));
    ASSERT_EQ(host.reducao.RecordCount(), 1);
    host.reducao.First();
    EXPECT_EQ(host.reducao.FieldByName("NRREDREDZ").AsString(), Ajusta(std::to_string(rig.printer.z_count() + 1), 4));
    EXPECT_EQ(host.reducao.FieldByName("NRPRIMCFREDZ").AsString(), std::to_string(rig.printer.first_receipt_of_day()));
    EXPECT_EQ(host.reducao.FieldByName("NRULTCFREDZ").AsString(), std::to_string(rig.printer.receipt_count()));
    EXPECT_EQ(host.reducao.FieldByName("VRVENBRUREDZ").AsFloat(), 10000);
    EXPECT_EQ(host.forms(), (Forms{{"001", 6000}, {"003", 4000}}));
}

TEST(AmountFromReply, WholeNumbersAndOneDecimalPoint) {
    EXPECT_EQ(AmountFromReply("250000"), 250000);
    EXPECT_EQ(AmountFromReply(" 12 "), 12);
    EXPECT_EQ(AmountFromReply("-3,5"), -3.5);
    EXPECT_EQ(AmountFromReply("0.00"), 0);
    for (const char* bad : {"", " ", "-", ".", "1,000.5", "1e3", "+5", "12a", "0x10", "1-"})
        EXPECT_THROW(AmountFromReply(bad), EConvertError) << bad;
}

}  // namespace
}  // namespace dru::test
