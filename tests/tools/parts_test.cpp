// The pieces dru reads printer texts and devices with: the payment-form
// list against the host's names, the progress bar's arithmetic, the serial
// devices of a /dev tree, and the operator's questions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "command_set.h"
#include "dru_rig.h"
#include "payment_names.h"
#include "ports.h"
#include "terminal.h"

namespace dru::test {
namespace {

namespace fs = std::filesystem;
using cli::Json;

TEST(PaymentNames, TheListGivesOneNamePerFormUpToTheDashLine) {
    const std::string list =
        "TOTALES POR FORMA DE PAGO\r01 EFECTIVO\r   MONTO 0\r   ANULACIONES 0\r03 TARJETA CREDITO\r"
        "   MONTO 0\r   ANULACIONES 0\r---------\r09 AFTER THE LIST\r";
    EXPECT_EQ(cli::PaymentFormNames(list),
              (std::vector<std::string>{"EFECTIVO", "TARJETA CREDITO"}));
    EXPECT_TRUE(cli::PaymentFormNames("1").empty()) << "no header, no list";
    EXPECT_EQ(cli::Folded("Tarjeta Crédito ñ"), "TARJETA CREDITO N");
}

TEST(PaymentNames, EachUncodedTypeGetsItsReason) {
    const Json rows = Json::array({
        {{"CDTIPORECE", "1"},
         {"NMTIPORECE", "EFECTIVO"},
         {"IDTPBUTTON", "5"},
         {"CDFPIMPFIS", "01"}},
        {{"CDTIPORECE", "2"}, {"NMTIPORECE", "BITCOIN"}, {"IDTPBUTTON", "5"}, {"IDTIPORECE", "8"}},
        {{"CDTIPORECE", "3"}, {"IDTPBUTTON", "5"}},
    });
    const auto with_list =
        cli::ExplainPaymentCodes(rows, "TOTALES POR FORMA DE PAGO\r01 EFECTIVO\r");
    ASSERT_EQ(with_list.uncoded.size(), 2u);
    EXPECT_EQ(with_list.uncoded[0]["why"],
              "no line of the printer's list holds \"BITCOIN\" (its forms: EFECTIVO)");
    EXPECT_EQ(with_list.uncoded[1]["why"],
              "it has no name (NMTIPORECE) to look up in the printer's list");
    const auto silent = cli::ExplainPaymentCodes(rows, "");
    EXPECT_EQ(silent.uncoded[0]["why"],
              "the printer gave no list of payment forms, and the fixed codes by class give none "
              "to class 8");
}

TEST(Progress, LinesAndTimeLeftFollowTheSchedule) {
    const cli::Schedule s{{0, 1000, 3000}, 5000};
    EXPECT_EQ(cli::ProgressBar::Text(s, 0, 0),
              "[------------------------------] 0/3 lines, 5 s left");
    EXPECT_EQ(cli::ProgressBar::Text(s, 1, 0),
              "[##########--------------------] 1/3 lines, 5 s left");
    // Time passes after a line, but the next line's time bounds it.
    EXPECT_EQ(cli::ProgressBar::Text(s, 2, 1500),
              "[####################----------] 2/3 lines, 3 s left");
    EXPECT_EQ(cli::ProgressBar::Text(s, 2, 9000),
              "[####################----------] 2/3 lines, 2 s left");
    EXPECT_EQ(cli::ProgressBar::Text(s, 3, 0),
              "[##############################] 3/3 lines, 2 s left");
}

TEST(Ports, SerialDevicesWithTheirStableNames) {
    TempFolder root;
    const fs::path dev = fs::path(root.path()) / "dev", sys = fs::path(root.path()) / "sys";
    fs::create_directories(dev / "serial/by-id");
    for (const char* name : {"ttyUSB0", "ttyS0", "ttyS1", "tty0", "null"})
        std::ofstream(dev / name).put('\n');
    fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0");
    for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}}) {
        fs::create_directories(sys / "class/tty" / name);
        std::ofstream(sys / "class/tty" / name / "type") << type << "\n";
    }
    const auto devices = cli::ListSerialDevices(dev.string(), sys.string());
    ASSERT_EQ(devices.size(), 2u) << "ttyS1 has no UART, tty0 and null are no serial ports";
    EXPECT_EQ(devices[0].device, (dev / "ttyS0").string());
    EXPECT_EQ(devices[0].com, "COM1");
    EXPECT_EQ(devices[1].device, (dev / "ttyUSB0").string());
    EXPECT_EQ(devices[1].by_id, (dev / "serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0").string());
}

class Questions : public DruRig {};

// The product report asks before it prints when stEmiRelProd is "S".
constexpr const char* kAskedReport =
    R"({"stEmiRelProd": "S", "cdsProdAux": [{"CDPRODUTO": "1", "NMPRODUTO": "CAFE", "QTPRODVEND": 2, "VRTOTAL": 3000}]})";

TEST_F(Questions, TheDriversQuestionIsAskedOnTheTerminal) {
    const std::string file = File("report.json", kAskedReport);
    const DruRun yes = Dru({"--preview", "product-report", file}, "y\n", /*terminal=*/true);
    EXPECT_EQ(yes.code, 0) << yes.err;
    EXPECT_NE(yes.err.find("[y/N] "), std::string::npos) << yes.err;
    EXPECT_NE(yes.out.find("| [1] 1            CAFE"), std::string::npos) << yes.out;
    const DruRun no = Dru({"--preview", "product-report", file}, "n\n", /*terminal=*/true);
    EXPECT_EQ(no.out.find("CAFE"), std::string::npos) << no.out;
}

TEST_F(Questions, YesAndNoAnswerThemAllAndWithoutATerminalTheAnswerIsNo) {
    const std::string file = File("report.json", kAskedReport);
    const Json yes = Preview({"--yes", "product-report", file});
    ASSERT_EQ(yes["messages"].size(), 1u);
    EXPECT_EQ(yes["messages"][0]["answer"], "yes");
    EXPECT_EQ(yes["messages"][0]["by"], "--yes");
    const Json unasked = Preview({"product-report", file});
    EXPECT_EQ(unasked["messages"][0]["answer"], "no");
    EXPECT_EQ(unasked["messages"][0]["by"], "no terminal");
    EXPECT_EQ(unasked["paper"], "");
    EXPECT_EQ(Dru({"--yes", "--no", "x"}).code, 2) << "one or the other";
}

}  // namespace
}  // namespace dru::test

namespace dru::test {
namespace {

TEST(CommandSet, FramesSplitAtTheirFixedPositions) {
    const cli::DecodedCommand pay = cli::DecodeCommand("2611030000004000");
    EXPECT_EQ(pay.code, "26");
    EXPECT_EQ(pay.name, "register payment");
    ASSERT_EQ(pay.operands.size(), 3u);
    EXPECT_EQ(pay.operands[1].text, "03");
    EXPECT_EQ(pay.operands[2].text, "0000004000");
    // Three-digit codes are not taken for two-digit ones ("021" is no "02").
    EXPECT_EQ(cli::DecodeCommand("021").name, "Z reduction");
    EXPECT_EQ(cli::DecodeCommand("481").operands.size(), 0u);
    // Bytes after the last fixed operand are shown, not dropped.
    const cli::DecodedCommand drawer = cli::DecodeCommand("3425525599");
    ASSERT_EQ(drawer.operands.size(), 2u);
    EXPECT_EQ(drawer.operands[1].name, "rest");
    EXPECT_EQ(cli::DecodeCommand("77").code, "") << "not a command of the set";
}

TEST(CommandSet, ErrorRepliesAreNamedAndDataRepliesAreNot) {
    EXPECT_EQ(cli::DescribeErrorReply("06002"),
              "error 60 (the sales period is closed) on command 02 (Z reduction)");
    EXPECT_EQ(cli::DescribeErrorReply("09913"), "error 99 on command 13 (register item)");
    for (const char* data : {"1", "00", "0:1001:", "0199", "01998x"})
        EXPECT_EQ(cli::DescribeErrorReply(data), "");
}

TEST(JsonInput, DatesNumbersAndNullsAsTheTablesTakeThem) {
    double days = 0;
    ASSERT_TRUE(cli::ParseDateTime("2026-12-08 12:00", days));
    EXPECT_DOUBLE_EQ(days, 46364.5);
    ASSERT_TRUE(cli::ParseDateTime("1899-12-31", days));
    EXPECT_DOUBLE_EQ(days, 1);
    for (const char* bad :
         {"2026-02-30", "08-12-2026", "2026-12-08T12:00", "2026-12-08 25:00", "2026-12-0"})
        EXPECT_FALSE(cli::ParseDateTime(bad, days)) << bad;
    EXPECT_DOUBLE_EQ(cli::NumberArgument("1500.50", "AMOUNT"), 1500.5);
    EXPECT_THROW(cli::NumberArgument("inf", "AMOUNT"), cli::UsageError);
    EXPECT_THROW(cli::NumberArgument("15 00", "AMOUNT"), cli::UsageError);

    const cli::Schema schema = {
        {"rows",
         cli::Member::Type::Table,
         true,
         {{"NAME", cli::FieldKind::Text, 4, true},
          {"AT", cli::FieldKind::DateTime},
          {"N", cli::FieldKind::Float}}},
        {"Params", cli::Member::Type::Params, false, {{"SALDO", cli::FieldKind::Float}}}};
    const cli::Input in = cli::Input::Parse(
        R"({"rows": [{"NAME": "ÑAND", "AT": "2026-12-08 12:00", "N": null}], "Params": {"saldo": 12.5}})",
        "t.json", schema);
    cli::TableHandle t = in.table("rows");
    ASSERT_EQ(dru_dataset_record_count(t.get()), 1);
    dru_dataset_first(t.get());
    EXPECT_STREQ(dru_dataset_get_text(t.get(), "NAME"), "ÑAND") << "four characters, five bytes";
    EXPECT_DOUBLE_EQ(dru_dataset_get_number(t.get(), "AT"), 46364.5);
    EXPECT_TRUE(dru_dataset_is_null(t.get(), "N"));
    cli::ParamsHandle p = in.params("Params", {{"EXTRA", "x"}});
    ASSERT_EQ(dru_params_count(p.get()), 2);
    EXPECT_STREQ(dru_params_name(p.get(), 0), "SALDO") << "the name as the driver spells it";
    EXPECT_STREQ(dru_params_name(p.get(), 1), "EXTRA");

    try {
        cli::Input::Parse(R"({"rows": [{"NAME": "A", "AT": "tomorrow"}]})", "t.json", schema);
        FAIL() << "a date that is not one";
    } catch (const cli::InputError& e) {
        EXPECT_STREQ(
            e.what(),
            "t.json: $.rows[0].AT: expected a date \"YYYY-MM-DD\" or \"YYYY-MM-DD HH:MM[:SS]\"");
    }
}

class Target : public DruRig {};

TEST_F(Target, APortNameIsACOMNameOrADevice) {
    DruRun run = Dru({"--port", "LPT1", "x"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("--port takes COM1 ... COM12 or a device path, not \"LPT1\""),
              std::string::npos);
    run = Dru({"--port", "COM13", "x"});
    EXPECT_EQ(run.code, 2);
    run = Dru({"--preview", "--port", "COM1", "x"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("--preview runs on the simulator"), std::string::npos);
}

TEST_F(Target, TheDateCheckUsesTheHostFoldersPrinterConfiguration) {
    DruDataSet* config = dru_dataset_new();
    dru_dataset_add_field(config, "PORTAFISCAL", DRU_FT_STRING, 10);
    dru_dataset_add_field(config, "IDTIPOIMPFIS", DRU_FT_INTEGER, 0);
    dru_dataset_create(config);
    dru_dataset_append(config);
    dru_dataset_set_text(config, "PORTAFISCAL", "COM7");
    dru_dataset_set_number(config, "IDTIPOIMPFIS", 16);
    dru_dataset_post(config);
    ASSERT_TRUE(dru_dataset_save_to_file(config, folder.file("DedOvor.cds").c_str()));
    dru_dataset_free(config);
    const DruRun run = Dru({"--preview", "date-check"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("names port COM7"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("its clock agrees with this one."), std::string::npos) << run.out;
}

}  // namespace
}  // namespace dru::test
