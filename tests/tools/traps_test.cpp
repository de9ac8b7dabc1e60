// What a technician at a terminal runs into: the till's configuration,
// amounts, ports, logs, the closing's questions, mistyped names, unreadable
// files, help, results and an interrupted document.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "debug_log.h"
#include "dru_rig.h"

namespace dru::test {
namespace {

using cli::Json;

class Traps : public DruRig {
  protected:
    bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(Traps, TheDateCheckNeverWritesTheTillsConfigurationUnasked) {
    WirePrinter printer;
    if (!printer.ready()) GTEST_SKIP() << "no pseudo-terminal";
    const std::vector<std::string> check = {"--port", printer.device(), "date-check"};
    auto with = [&check](std::vector<std::string> more) {
        more.insert(more.begin(), check.begin(), check.end());
        return more;
    };
    const DruRun missing = Dru(check);
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(Has(missing.err, "no DedOvor.cds in ")) << missing.err;
    EXPECT_TRUE(Has(missing.err, "--write-config")) << missing.err;
    EXPECT_TRUE(folder.entries().empty());

    // One it cannot read is left as it is.
    const std::string config = File("DedOvor.cds", "the till's own bytes");
    const DruRun unreadable = Dru(check);
    EXPECT_EQ(unreadable.code, 2);
    EXPECT_TRUE(Has(unreadable.err, "it is left as it is")) << unreadable.err;
    std::ifstream in(config, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the till's own bytes");
    EXPECT_EQ(Dru(with({"--write-config"})).code, 2) << "an existing file is not replaced";
    EXPECT_TRUE(printer.frames().empty()) << "nothing was sent";

    // Asked twice over, it is replaced, and then read.
    const DruRun replaced = Dru(with({"--write-config", "--replace-config"}));
    EXPECT_EQ(replaced.code, 0) << replaced.out << replaced.err;
    EXPECT_TRUE(Has(replaced.out, "wrote DedOvor.cds")) << replaced.out;
    const DruRun used = Dru(check);
    EXPECT_EQ(used.code, 0) << used.err;
    EXPECT_TRUE(Has(used.out, "names port COM1")) << used.out;
}

// Amounts have one form, rounding is said, and results are sentences with the
// roll's marks explained.
TEST_F(Traps, AmountsHaveOneFormAndResultsAreSentences) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> said;  // on stdout (0) or stderr
    };
    const std::vector<Case> cases = {
        {{"supply", "20.000"}, 2, {"\"20.000\" is ambiguous"}},
        {{"supply", "1.500,50"}, 2, {"is not an amount"}},
        {{"supply", "1500,50"}, 2, {"is not an amount"}},
        {{"supply", "1.5e3"}, 2, {"is not an amount"}},
        {{"supply", "-5"}, 2, {"-5 is negative: pass --negative"}},
        {{"withdrawal", "-5"}, 2, {"-5 is negative"}},
        {{"supply", "20000"},
         0,
         {"Ingresso de Efectivo  : $ 20.000", "Suprimento: the cash supply was printed.\n",
          "| [6] Ingresso de Efectivo", "[n]: a comment line sent in print style n"}},
        {{"supply", "1500.50"}, 0, {"1500.50 is printed as 1501"}},
        {{"supply", "--negative", "-5"}, 0, {"Suprimento: the cash supply was printed."}},
        {{"withdrawal", "1499.6"}, 0, {"note: the slip prints whole units"}},
        {{"x"}, 0, {"Leitura_X_Imp: the X reading was printed."}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "--preview");
        const DruRun run = Dru(args);
        EXPECT_EQ(run.code, c.code) << c.args.back() << "\n" << run.out << run.err;
        for (const std::string& said : c.said)
            EXPECT_TRUE(Has(c.code == 0 ? run.out : run.err, said)) << said << "\n" << run.out << run.err;
    }
}

TEST_F(Traps, TheLogReadsLfLines) {
    const std::string lf = File("lf.txt",
                                "09-12-2026 5:08:37 - Comando Enviado Generico\x87"
                                "34255255\x88\n09-12-2026 5:08:38 - Retorno : 1\nno date here\n"
                                "09-12-2026 5:08:39 - the last line, unended");
    const DruRun run = Dru({"log", lf});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out,
              "09-12-2026 5:08:37  >  34 open cash drawer  pulse [255255]\n"
              "09-12-2026 5:08:38  <  1  done\n"
              "?  no date here\n"
              "09-12-2026 5:08:39  .  the last line, unended\n");
}

TEST_F(Traps, AFollowedLogThatIsNotThereYetIsWaitedFor) {
    cli::LogReader reader(folder.file("ANALISA_ERRO.txt"));
    std::vector<std::string> lines;
    EXPECT_FALSE(reader.read(lines));
    EXPECT_TRUE(reader.missing()) << "what --follow waits on";
    File("ANALISA_ERRO.txt", "09-12-2026 5:08:37 - one\r\n");
    EXPECT_TRUE(reader.read(lines));
    EXPECT_EQ(lines, std::vector<std::string>{"09-12-2026 5:08:37 - one"});
    cli::LogReader on_folder(folder.path());
    EXPECT_FALSE(on_folder.read(lines));
    EXPECT_FALSE(on_folder.missing()) << "a folder is no file to wait for";
}

TEST_F(Traps, EachQuestionOfTheClosingIsAnsweredOnTheCommandLine) {
    // "n" keeps the register shut, "y" confirms the Z: the Z tables are shown.
    const DruRun run = Dru({"--preview", "--answers", "n,y", "closing", Example("closing.json")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "GeraReciboSangria: the register stays closed.")) << run.out;
    EXPECT_TRUE(Has(run.out, "Z confirmed")) << run.out;
    EXPECT_TRUE(Has(run.out, "  Z 42    receipts 1001 to 1001")) << run.out;
    EXPECT_TRUE(Has(run.out, "  payment type 001  (printer form 001)  6000.00")) << run.out;
    EXPECT_TRUE(Has(run.err, "Deseja abrir o caixa? -> no (--answers)")) << run.err;

    // --no answers the driver, not dru's own confirmation (refused in the table
    // of refused command lines); --confirm gives that alone.
    WirePrinter printer;
    if (!printer.ready()) GTEST_SKIP() << "no pseudo-terminal";
    const DruRun confirmed =
        Dru({"--port", printer.device(), "--confirm", "--json", "--no", "x"});
    EXPECT_EQ(confirmed.code, 0) << confirmed.err;
    EXPECT_EQ(Dru({"--answers", "y,maybe", "x"}).code, 2);
}

// Mistyped names are named with the nearest one; nothing runs on a refused line.
TEST_F(Traps, RefusedCommandLinesSayWhy) {
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const std::vector<Case> cases = {
        {{"sael", "x.json"}, "unknown subcommand \"sael\" (did you mean \"sale\"?)"},
        {{"frobnicate"}, "unknown subcommand \"frobnicate\"; dru --help lists them"},
        {{"--frobnicate"}, "unknown option --frobnicate; --help lists the options"},
        {{"x", "--yse"}, "unknown option --yse (did you mean \"--yes\"?)"},
        {{"--prot", "COM1", "x"}, "unknown option --prot (did you mean \"--port\"?)"},
        {{"date-check", "--write-confg"}, "(did you mean \"--write-config\"?)"},
        {{"sale", folder.path()}, "cannot be read: a folder, not a file"},
        {{"sale", folder.file("none.json")}, "none.json: cannot be read: No such file or directory"},
        {{"--port", "", "x"}, "--port is empty"},
        {{"--no", "closing", Example("closing.json")}, "pass --confirm"},
        {{"log", File("notes.txt", "shopping list\r\nmilk\r\n")}, "notes.txt: not a debug log of the driver"},
        {{"log", folder.path()}, "a folder, not a log file"},
        {{"log", folder.file("none.txt")}, "cannot be read: No such file or directory"},
    };
    for (const Case& c : cases) {
        const DruRun run = Dru(c.args);
        EXPECT_EQ(run.code, 2) << c.args[0];
        EXPECT_TRUE(Has(run.err, c.said)) << c.said << "\n" << run.err;
        EXPECT_FALSE(Has(run.out, "Leitura_X_Imp")) << "nothing ran on the simulator";
    }
}

TEST_F(Traps, HelpIsShownBareAndEverySubcommandListsTheGlobalOptions) {
    std::istringstream in;
    std::ostringstream out, err;
    cli::Console console{in, out, err, false, false};
    EXPECT_EQ(cli::Run({}, console), 0);
    EXPECT_TRUE(Has(out.str(), "Subcommands:")) << out.str();
    const DruRun options_alone = Dru({"--preview"});
    EXPECT_EQ(options_alone.code, 2);
    EXPECT_TRUE(Has(options_alone.out, "Subcommands:")) << options_alone.out;
    const DruRun z = Dru({"z", "--help"});
    for (const char* shown : {"dru --port COM1 z --yes", "Global options", "--yes", "--confirm",
                              "--answers y,n,...", "--port PORT", "--host-folder DIR"})
        EXPECT_TRUE(Has(z.out, shown)) << shown << "\n" << z.out;
}

// dru as a process, on its own simulator in real time, stopped by Ctrl-C as
// the sale's first line reaches the debug log.
TEST_F(Traps, CtrlCInTheMiddleOfADocumentIsNeverSilent) {
    WirePrinter probe;
    if (!probe.ready()) GTEST_SKIP() << "no pseudo-terminal";
    DruProcess dru({"--host-folder", folder.path(), "sale", Example("sale.json")}, STDERR_FILENO);
    const std::string log = folder.file("ANALISA_ERRO.txt");
    for (;;) {  // until the sale has begun on the printer
        std::ifstream in(log);
        std::string line;
        if (std::getline(in, line) && line.find("\r") != std::string::npos) break;
        ASSERT_TRUE(dru.running()) << "dru ended before the sale began";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string err;
    const int status = dru.stop(SIGINT, err);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_TRUE(Has(err, "interrupted in the middle of the sale")) << err;
    EXPECT_TRUE(Has(err, "may now hold an unfinished document")) << err;
    EXPECT_TRUE(Has(err, "The next document will meet it")) << err;
}

}  // namespace
}  // namespace dru::test
