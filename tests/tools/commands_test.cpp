// Every subcommand against the in-process simulator: what it prints and its
// exit code. Documents run as previews (at once, on the virtual clock); a
// few short runs go over a pseudo-terminal in real time.
#include <gtest/gtest.h>

#include "dru_rig.h"

namespace dru::test {
namespace {

using cli::Json;

class Commands : public DruRig {};

bool Printed(const Json& j, const std::string& text) {
    return j.contains("paper") && j["paper"].get<std::string>().find(text) != std::string::npos;
}

TEST_F(Commands, DayOperationsAnswerAndSayWhatTheyRead) {
    const Json drawer = Preview({"drawer"});
    EXPECT_EQ(drawer["result"], true);
    EXPECT_EQ(drawer["exchange"]["outcome"], "answered");
    EXPECT_EQ(drawer["exchange"]["reply"], "1");
    EXPECT_TRUE(Printed(drawer, "(gaveta abierta)")) << drawer.dump(2);

    EXPECT_TRUE(Printed(Preview({"x"}), "LECTURA X"));
    // In a preview nothing real is closed: no confirmation is asked.
    EXPECT_TRUE(Printed(Preview({"z"}), "REDUCCION Z NRO 0042"));

    EXPECT_EQ(Preview({"start"})["result"], true);
    const Json data = Preview({"printer-data"});
    EXPECT_EQ(data["outputs"]["ECFIMP"], "0007");
    EXPECT_EQ(data["outputs"]["SERIEIMP"], "A1234567");
    const Json number = Preview({"receipt-number"});
    EXPECT_EQ(number["receipt_number"], "0000001001");
    EXPECT_EQ(number["calls"], Json::array({"Nr_Cupom"}));
}

TEST_F(Commands, TheDateCheckWritesAMissingPrinterConfigurationAndUsesAnExistingOne) {
    const Json first = Preview({"date-check"});
    EXPECT_EQ(first["result"], true);
    EXPECT_TRUE(first["outputs"].contains("dtDate"));
    // A preview writes into its own temporary folder, never the host's.
    EXPECT_TRUE(folder.entries().empty());

    const DruRun written = Dru({"--preview", "date-check"});
    EXPECT_NE(written.out.find("wrote DedOvor.cds"), std::string::npos) << written.out;
}

TEST_F(Commands, PaymentTypesSayWhyATypeGotNoCode) {
    const Json j = Preview({"payment-types", Example("payment_types.json")});
    const Json& rows = j["outputs"]["cdsTipoRece"];
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0]["CDFPIMPFIS"], "01");
    EXPECT_EQ(rows[3]["CDFPIMPFIS"], "04");
    const Json& uncoded = j["outputs"]["uncoded"];
    ASSERT_FALSE(uncoded.empty());
    EXPECT_EQ(uncoded[0]["NMTIPORECE"], "TARJETA CRÉDITO");
    EXPECT_EQ(uncoded[0]["why"], "the printer's list spells it \"TARJETA CREDITO\"");
}

TEST_F(Commands, DayTotalsReadTheCountersAndPrintNothing) {
    const Json j = Preview({"day-totals", "--types", Example("payment_types.json")});
    EXPECT_EQ(j["calls"], Json::array({"Carrega_Dados_Impressora", "ExportRedZ"}));
    ASSERT_EQ(j["outputs"]["cdsReducaoZ"].size(), 1u);
    EXPECT_EQ(j["outputs"]["cdsReducaoZ"][0]["VRVENBRUREDZ"], 10000);
    EXPECT_EQ(j["paper"], "");
    // The printer's number given: one exchange fewer.
    EXPECT_EQ(Preview({"day-totals", "--ecf", "0007"})["calls"], Json::array({"ExportRedZ"}));
}

TEST_F(Commands, ASaleFromTheExampleIsPrintedWithItsReceiptNumber) {
    const Json j = Preview({"sale", Example("sale.json")});
    EXPECT_EQ(j["receipt_number"], "0000001002");
    EXPECT_EQ(j["verdict"]["kind"], "confirmed");
    EXPECT_EQ(j["verdict"]["detail"], "receipt 0000001002 was counted for this sale");
    for (const char* shown :
         {"CAFE EXPRESO", "TORTA DE MANZANA", "TOTAL                               5000", "Vuelto",
          "Gracias por su visita", "FIN BOLETA NRO 0000001002"})
        EXPECT_TRUE(Printed(j, shown)) << shown << "\n" << j["paper"].get<std::string>();
    // The drawer first, the receipt number read back last.
    EXPECT_EQ(j["frames"].front()["sent"], "<87>34255255<88>");
    EXPECT_EQ(j["frames"].back()["received"].get<std::string>().substr(0, 3), "41:");
}

TEST_F(Commands, APreviewGivesTheTimeOfThePrintersSchedule) {
    // The sale: 4.53 s of pauses and three reads waiting out their 1 s.
    const Json sale = Preview({"sale", Example("sale.json")});
    EXPECT_EQ(sale["pauses_ms"], 4530);
    EXPECT_EQ(sale["read_timeouts_ms"], 3000);
    EXPECT_EQ(sale["schedule_ms"], 7530);
    // Each frame is placed at its time on the schedule.
    long long last = 0;
    for (const Json& f : sale["frames"]) {
        EXPECT_GE(f["at_ms"].get<long long>(), last);
        last = f["at_ms"];
    }
    EXPECT_EQ(last, 7530);
    // The credit voucher never reads: its time is its pauses alone.
    // Its reply is never read: unconfirmed, so dru fails it.
    const Json voucher = Preview({"credit-voucher", Example("credit_voucher.json")}, 1);
    EXPECT_EQ(voucher["verdict"]["kind"], "unconfirmed");
    EXPECT_EQ(voucher["read_timeouts_ms"], 0);
    EXPECT_EQ(voucher["schedule_ms"], voucher["pauses_ms"]);
    EXPECT_EQ(voucher["exchange"]["outcome"], "not read");
}

TEST_F(Commands, TheOtherDocumentsPrintFromTheirExamples) {
    const Json bill = Preview({"bill", Example("bill.json")});
    EXPECT_EQ(bill["result"], true);
    EXPECT_TRUE(Printed(bill, "PARCIAL CUENTA"));
    EXPECT_TRUE(Printed(bill, "$ 21.120"));

    EXPECT_TRUE(Printed(Preview({"supply", "20000"}), "Ingresso de Efectivo  : $ 20.000"));
    EXPECT_TRUE(Printed(Preview({"withdrawal", "1499.6"}), "$ 1.500"));

    const Json report = Preview({"product-report", Example("product_report.json")});
    EXPECT_TRUE(Printed(report, "CAFE EXPRESO"));
    EXPECT_TRUE(Printed(report, "133500,00"));

    const Json voucher = Preview({"credit-voucher", Example("credit_voucher.json")}, 1);
    EXPECT_EQ(voucher["result"], true);
    EXPECT_TRUE(Printed(voucher, "Saldo Final : $ 10.500,00"));
}

TEST_F(Commands, TheClosingAsksTheOperatorAndHandsBackTheZTablesOnAConfirmedZ) {
    // At a terminal (a preview asks for no confirmation): "no" to opening again, "yes" to the Z.
    const DruRun run =
        Dru({"--preview", "--json", "closing", Example("closing.json")}, "n\ny\n", true);
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    const Json closing = run.json();
    EXPECT_EQ(closing["result"], false);
    EXPECT_EQ(closing["outputs"]["boReduziu"], true);
    EXPECT_EQ(closing["messages"].size(), 2u);
    EXPECT_TRUE(Printed(closing, "Relatório de Sangria"));
    EXPECT_TRUE(Printed(closing, "CAFE EXPRESO"));
    ASSERT_EQ(closing["outputs"]["cdsRedzAux"].size(), 1u);
    EXPECT_EQ(closing["outputs"]["cdsRedzAux"][0]["NRECFREDZ"], "0007");

    // --yes answers every question yes: the register opens again, no Z question follows.
    const Json reopened = Preview({"--yes", "closing", Example("closing.json")});
    EXPECT_EQ(reopened["result"], true);
    EXPECT_EQ(reopened["outputs"]["boReduziu"], false);
}

TEST_F(Commands, TheHumanFormShowsTheRollTheFramesAndTheTime) {
    const DruRun run = Dru({"--preview", "supply", "20000"});
    EXPECT_EQ(run.code, 0);
    for (const char* shown :
         {"Suprimento: the cash supply was printed.", "Frames (time on the printer's schedule):", "> <87>60<88>",
          "Paper roll:", "  | [6] Ingresso de Efectivo  : $ 20.000",
          "On a real printer this takes 2.08 s"})
        EXPECT_NE(run.out.find(shown), std::string::npos) << shown << "\n" << run.out;
}

TEST_F(Commands, WithoutAPortTheSimulatorRunsOnAPseudoTerminal) {
    WirePrinter probe;
    if (!probe.ready()) GTEST_SKIP() << "no pseudo-terminal";
    const DruRun run = Dru({"drawer"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("last reply from the printer: \"1\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  | (gaveta abierta)"), std::string::npos) << run.out;
    // The driver logged the exchange in the host folder, which `log` reads.
    const DruRun log = Dru({"log"});
    EXPECT_NE(log.out.find(">  34 open cash drawer  pulse [255255]"), std::string::npos) << log.out;
    EXPECT_NE(log.out.find("<  1  done"), std::string::npos) << log.out;
}

TEST_F(Commands, ADocumentOfMoreThanTwoSecondsShowsItsProgressOnATerminal) {
    WirePrinter probe;
    if (!probe.ready()) GTEST_SKIP() << "no pseudo-terminal";
    // The supply's schedule: 1.08 s of pauses and its one read, 2.08 s.
    const DruRun run = Dru({"supply", "20000"}, "", false, /*bar_terminal=*/true);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("/6 lines, "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("[##############################] 6/6 lines"), std::string::npos)
        << run.err;
    EXPECT_TRUE(run.err.ends_with("\r\033[K")) << "the bar's line is cleared at the end";
    EXPECT_EQ(run.out.find("lines,"), std::string::npos) << "never on stdout";
    // The measuring run left nothing in the host folder but the real run's
    // log and the simulated till's receipt counter.
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"ANALISA_ERRO.txt", "CONTADOR_CUPOM.txt"}));
    // Not with --json, not in a preview.
    EXPECT_EQ(Dru({"--json", "--preview", "supply", "1"}, "", false, true).err, "");
}

TEST_F(Commands, APrinterThatDoesNotAnswerFailsTheDrawer) {
    WirePrinter printer;
    if (!printer.ready()) GTEST_SKIP() << "no pseudo-terminal";
    printer.silence();
    const DruRun run = Dru({"--port", printer.device(), "--json", "drawer"});
    EXPECT_EQ(run.code, 1);
    const Json j = run.json();
    EXPECT_EQ(j["result"], true) << "the drawer's own result stays true";
    EXPECT_EQ(j["exchange"]["outcome"], "silent");
    EXPECT_EQ(j["failure"], "the printer did not answer");
}

TEST_F(Commands, APortThatDoesNotOpenFailsTheCall) {
    const DruRun run = Dru({"--port", folder.file("no-such-device"), "x"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("did not open"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No such file or directory"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Not sent: "), std::string::npos) << run.out;
}

TEST_F(Commands, InJsonModeARefusalIsOneObjectToo) {
    const DruRun run = Dru({"--json", "supply", "lots"});
    EXPECT_EQ(run.code, 2);
    const Json j = run.json();
    EXPECT_EQ(j["exit_code"], 2);
    EXPECT_EQ(j["failure"],
              "AMOUNT: \"lots\" is not an amount: write it as 1500 or 1500.50 (\".\" before at "
              "most two decimals, no thousands separator)");
}

TEST_F(Commands, HelpListsEveryOptionWithAnExample) {
    const DruRun help = Dru({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* shown : {"--port", "--preview", "--json", "--yes", "sale", "payment-types",
                              "log", "ports", "simulate", "closing", "Example:"})
        EXPECT_NE(help.out.find(shown), std::string::npos) << shown;
    const DruRun sale = Dru({"sale", "--help"});
    EXPECT_EQ(sale.code, 0);
    EXPECT_NE(sale.out.find("dru sale examples/sale.json"), std::string::npos) << sale.out;
}

// `dru simulate` as a process: the device it names, from stdout's first line.
struct DaySimulator : DruProcess {
    explicit DaySimulator(const std::string& state)
        : DruProcess({"simulate", "--quiet", "--state", state}, STDOUT_FILENO), first_line(line()) {
        const std::string head = "printer simulator on ";
        if (first_line.starts_with(head))
            device = first_line.substr(head.size(), first_line.find(' ', head.size()) - head.size());
    }
    std::string first_line, device;
};

TEST_F(Commands, SimulateRunsAPrinterForADayThatOtherCommandsUse) {
    WirePrinter probe;
    if (!probe.ready()) GTEST_SKIP() << "no pseudo-terminal";
    const std::string state = folder.file("day.json");
    {
        DaySimulator day(state);
        ASSERT_FALSE(day.device.empty()) << day.first_line;
        EXPECT_NE(day.first_line.find("in the middle of its day"), std::string::npos);
        // Two commands, one printer: the Z of the first is what the second reads.
        const DruRun z = Dru({"--port", day.device, "--confirm", "z"});
        EXPECT_EQ(z.code, 0) << z.out << z.err;
        const DruRun data = Dru({"--port", day.device, "--json", "printer-data"});
        // The counters' first field is the last Z: 41 when the simulator started.
        EXPECT_TRUE(data.json()["exchange"]["reply"].get<std::string>().starts_with("42:")) << data.out;
        std::string said;
        const int status = day.stop(SIGTERM, said);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
        EXPECT_NE(said.find("its day is in " + state), std::string::npos) << said;
    }
    // Started again on its state, it goes on with the same day.
    DaySimulator again(state);
    ASSERT_FALSE(again.device.empty()) << again.first_line;
    EXPECT_NE(again.first_line.find("its day as " + state + " left it"), std::string::npos);
    const DruRun data = Dru({"--port", again.device, "--json", "printer-data"});
    EXPECT_TRUE(data.json()["exchange"]["reply"].get<std::string>().starts_with("42:")) << data.out;
}

}  // namespace
}  // namespace dru::test
