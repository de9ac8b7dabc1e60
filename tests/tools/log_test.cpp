// `dru log` on a recorded debug log with every kind of line, and the reader
// that follows a log as it grows.
#include <gtest/gtest.h>

#include <fstream>

#include "debug_log.h"
#include "dru_rig.h"

namespace dru::test {
namespace {

// A debug log as the driver writes it: Latin-1, CR LF, the frame bytes.
const std::string kRecorded =
    "09-12-2026 5:08:37 - %%%%%%%%%%%%%%%VENDA DE PRODUTO%%%%%%%%%%%%%%%%%%\r\n"
    "09-12-2026 5:08:37 - Comando Enviado Generico\x87"
    "34255255\x88\r\n"
    "09-12-2026 5:08:38 - Retorno : 1\r\n"
    "09-12-2026 5:08:39 - imprimindo Produto Venda_Item\x87"
    "13112"
    "0000000000001"
    "000002000"
    "000001500"
    "000003000"
    "CAFE EXPRESO\x88\r\n"
    "09-12-2026 5:08:40 - Inicio Comentario Suprimento\x87"
    "113se\xF1"
    "a: 4821\x88\r\n"
    "09-12-2026 5:08:41 - Retorno : 01998\r\n"
    "09-12-2026 5:08:41 - *********Aconteceu um Erro******** Erro 19 Comando 98\r\n"
    "09-12-2026 5:08:42 - Retorno : TOTALES POR FORMA DE PAGO\r01 EFECTIVO\r   MONTO    6000\r\r\n"
    "09-12-2026 5:08:43 - Resultado : 1\r\n"
    "09-12-2026 5:08:44 - Impressora sem resposta apos 3 tentativas: Conferencia_Outras\r\n"
    "a line the driver never wrote\r\n";

class Log : public DruRig {};

TEST_F(Log, EveryKindOfLineReadsForAPerson) {
    File("ANALISA_ERRO.txt", kRecorded);
    const DruRun run = Dru({"log"});
    EXPECT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> expected = {
        "09-12-2026 5:08:37  .  %%%%%%%%%%%%%%%VENDA DE PRODUTO%%%%%%%%%%%%%%%%%%",
        "09-12-2026 5:08:37  >  34 open cash drawer  pulse [255255]",
        "09-12-2026 5:08:38  <  1  done",
        "09-12-2026 5:08:39  >  13 register item  sub-code [112]  product [0000000000001]  "
        "quantity [000002000]"
        "  unit price [000001500]  line total [000003000]  description [CAFE EXPRESO]  (imprimindo "
        "Produto "
        "Venda_Item)",
        "09-12-2026 5:08:40  >  113 comment line, style 3  text [seña: 4821]  (Inicio Comentario "
        "Suprimento)",
        "09-12-2026 5:08:41  <  01998  error 19 (command out of sequence) on command 98 (cut "
        "paper)",
        "09-12-2026 5:08:41  !  printer error 19 (command out of sequence) on command 98",
        "09-12-2026 5:08:42  <  TOTALES POR FORMA DE PAGO\n"
        "                       01 EFECTIVO\n"
        "                          MONTO    6000",
        "09-12-2026 5:08:43  <  1  done  (end of the document's block)",
        "09-12-2026 5:08:44  .  Impressora sem resposta apos 3 tentativas: Conferencia_Outras",
        "?  a line the driver never wrote",
    };
    std::string all;
    for (const std::string& l : expected) all += l + "\n";
    EXPECT_EQ(run.out, all);
}

TEST_F(Log, AsJsonEachLineKeepsItsParts) {
    const cli::Json j = Dru({"--json", "log", File("other.txt", kRecorded)}).json();
    const cli::Json& lines = j["lines"];
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1]["kind"], "sent");
    EXPECT_EQ(lines[1]["command"], "34");
    EXPECT_EQ(lines[3]["operands"][2], (cli::Json{{"name", "quantity"}, {"text", "000002000"}}));
    EXPECT_EQ(lines[5]["meaning"], "error 19 (command out of sequence) on command 98 (cut paper)");
    EXPECT_EQ(lines[10]["kind"], "unreadable");
}

TEST_F(Log, AMissingLogIsBadInput) {
    const DruRun run = Dru({"log"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("ANALISA_ERRO.txt: cannot be read"), std::string::npos) << run.err;
}

TEST_F(Log, TheFollowerTakesOnlyCompleteLinesAndStartsOverOnANewFile) {
    const std::string path =
        File("ANALISA_ERRO.txt", "09-12-2026 5:08:37 - one\r\n09-12-2026 5:08:38 - tw");
    cli::LogReader reader(path);
    std::vector<std::string> lines;
    ASSERT_TRUE(reader.read(lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"09-12-2026 5:08:37 - one"}));
    std::ofstream(path, std::ios::app | std::ios::binary) << "o\r\n";
    lines.clear();
    reader.read(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"09-12-2026 5:08:38 - two"}));
    std::ofstream(path, std::ios::binary) << "x - new\r\n";  // shorter: a new log
    lines.clear();
    reader.read(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"x - new"}));
}

}  // namespace
}  // namespace dru::test
