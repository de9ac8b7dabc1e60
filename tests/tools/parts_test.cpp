// The pieces dru reads printer texts and devices with: the payment-form
// list against the host's names, the progress bar's arithmetic, the serial
// devices of a /dev tree, and the operator's questions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    EXPECT_EQ(cli::PaymentFormNames(list), (std::vector<std::string>{"EFECTIVO", "TARJETA CREDITO"}));
    EXPECT_TRUE(cli::PaymentFormNames("1").empty()) << "no header, no list";
    EXPECT_EQ(cli::Folded("Tarjeta Crédito ñ"), "TARJETA CREDITO N");
}

TEST(PaymentNames, EachUncodedTypeGetsItsReason) {
    const Json rows = Json::array({
        {{"CDTIPORECE", "1"}, {"NMTIPORECE", "EFECTIVO"}, {"IDTPBUTTON", "5"}, {"CDFPIMPFIS", "01"}},
        {{"CDTIPORECE", "2"}, {"NMTIPORECE", "BITCOIN"}, {"IDTPBUTTON", "5"}, {"IDTIPORECE", "8"}},
        {{"CDTIPORECE", "3"}, {"IDTPBUTTON", "5"}},
    });
    const auto with_list = cli::ExplainPaymentCodes(rows, "TOTALES POR FORMA DE PAGO\r01 EFECTIVO\r");
    ASSERT_EQ(with_list.uncoded.size(), 2u);
    EXPECT_EQ(with_list.uncoded[0]["why"],
              "no line of the printer's list holds \"BITCOIN\" (its forms: EFECTIVO)");
    EXPECT_EQ(with_list.uncoded[1]["why"], "it has no name (NMTIPORECE) to look up in the printer's list");
    const auto silent = cli::ExplainPaymentCodes(rows, "");
    EXPECT_EQ(silent.uncoded[0]["why"],
              "the printer gave no list of payment forms, and the fixed codes by class give none to class 8");
}

TEST(Progress, LinesAndTimeLeftFollowTheSchedule) {
    const cli::Schedule s{{0, 1000, 3000}, 5000};
    EXPECT_EQ(cli::ProgressBar::Text(s, 0, 0), "[------------------------------] 0/3 lines, 5 s left");
    EXPECT_EQ(cli::ProgressBar::Text(s, 1, 0), "[##########--------------------] 1/3 lines, 5 s left");
    // Time passes after a line, but the next line's time bounds it.
    EXPECT_EQ(cli::ProgressBar::Text(s, 2, 1500), "[####################----------] 2/3 lines, 3 s left");
    EXPECT_EQ(cli::ProgressBar::Text(s, 2, 9000), "[####################----------] 2/3 lines, 2 s left");
    EXPECT_EQ(cli::ProgressBar::Text(s, 3, 0), "[##############################] 3/3 lines, 2 s left");
}

TEST(Ports, SerialDevicesWithTheirStableNames) {
    TempFolder root;
    const fs::path dev = fs::path(root.path()) / "dev", sys = fs::path(root.path()) / "sys";
    fs::create_directories(dev / "serial/by-id");
    for (const char* name : {"ttyUSB0", "ttyS0", "ttyS1", "tty0", "null"}) std::ofstream(dev / name).put('\n');
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
