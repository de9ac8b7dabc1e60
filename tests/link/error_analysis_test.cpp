#include <gtest/gtest.h>

#include "host/errors.h"
#include "link/commands.h"
#include "link/error_analysis.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "support/fake_link.h"
#include "support/golden.h"

namespace dru {
namespace {

using test::FakeLink;
using Strings = std::vector<std::string>;

std::string Sent(const std::string& frame) { return "Comando Enviado Generico" + frame; }
std::string Header(const std::string& erro, const std::string& comando) {
    return "*********Aconteceu um Erro******** Erro " + erro + " Comando " + comando;
}

struct Row {
    std::string codigo;
    Strings frames;          // recovery frames, in order
    Strings log;             // every log line of the analysis, recovery exchanges included
    Strings messages;        // message keys shown, "?" suffix for a yes/no question
    bool result;
    bool port_held;          // a port is held in hPort on return
    std::string golden = {}; // the whole trace's file under tests/golden/, where the order is the point
};

class AnalisaErroRows : public ::testing::TestWithParam<Row> {};

TEST_P(AnalisaErroRows, LogsTellsSendsAndHandsThePortOver) {
    const Row& row = GetParam();
    FakeLink link;
    for (const char* key : {"Erro013", "Erro018", "Erro043", "Erro064", "Erro067", "Erro068", "Erro080", "Erro082"})
        link.messages.padrao2.set(key, key);
    PortHandle hPort = link.ports.open("COM2");  // the failed exchange's port
    const bool result = AnalisaErro(link.ctx, "COM2", "Azul", row.codigo, hPort);

    EXPECT_EQ(result, row.result);
    EXPECT_EQ(link.ports.frames_text(), row.frames);
    EXPECT_EQ(link.log_messages(), row.log);
    Strings shown;
    for (const auto& call : link.dialog.calls) shown.push_back(call.text + (call.question == "S" ? "?" : ""));
    EXPECT_EQ(shown, row.messages);
    // Each recovery exchange could open the port: the caller's was closed first.
    EXPECT_EQ(link.ports.failed_opens(), 0);
    EXPECT_EQ(link.ports.opens(), 1 + static_cast<int>(row.frames.size()));
    EXPECT_EQ(static_cast<bool>(hPort), row.port_held);
    EXPECT_EQ(link.ports.open_now(), row.port_held ? 1 : 0);
    hPort.reset();  // the caller's final close
    EXPECT_EQ(link.ports.open_now(), 0);
    EXPECT_EQ(link.ctx.analysis_depth, 0);
    if (!row.golden.empty()) test::ExpectTraceMatchesGolden(link.trace, row.golden);
}

const std::string k27 = Frame("27", "1000000000"), k98 = Frame("98"), k32 = Frame("32"), k01 = Frame("01"),
                  k021 = Frame("021"), k60 = Frame("60"), k18 = Frame("18");

// Shown texts are given by their keys: the test stores each key as its text.
INSTANTIATE_TEST_SUITE_P(
    EveryRow, AnalisaErroRows,
    ::testing::Values(
        Row{"01398", {}, {Header("13", "98"), "Impressora nao Responde Erro 13 Comando 98"}, {"Erro013"}, false, true},
        Row{"01800", {}, {Header("18", "00")}, {"Erro018"}, false, true},
        Row{"01998",
            {k27, k98},
            {Header("19", "98"), "Sequencia de comando invalida Erro 19 Comando 98", Sent(k27),
             "Tentativa Finalizar o forma de Pagamento", Sent(k98), "Tentativa de Cortar o Papel novamente"},
            {},
            true,
            true,
            "link/error_19_after_98.trace"},
        Row{"01927", {k98}, {Header("19", "27"), "Sequencia de comando invalida Erro 19 Comando 27", Sent(k98)}, {}, true, true},
        Row{"01960", {k32}, {Header("19", "60"), "Sequencia de comando invalida Erro 19 Comando 60", Sent(k32)}, {}, false, true},
        Row{"01913", {}, {Header("19", "13"), "Sequencia de comando invalida Erro 19 Comando 13"}, {}, false, true},
        Row{"01900", {}, {Header("19", "00"), "Sequencia de comando invalida Erro 19 Comando 00"}, {}, false, true},
        Row{"01920", {k32}, {Header("19", "20"), "Sequencia de comando invalida Erro 19 Comando 20", Sent(k32)}, {}, false, false},
        Row{"04300", {}, {Header("43", "00"), "Fim de Papel o Tampa aberta Erro 43 Comando 00"}, {"Erro043"}, false, true},
        Row{"05900", {}, {Header("59", "00"), "Comando nao pode ser executado em periodo de venda Erro 59 Comando 00"}, {}, true, true},
        Row{"06001",
            {k32, k01},
            {Header("60", "01"), "Abertura de Periodo de Venda Fechado Erro 60 Comando 01", Sent(k32),
             "Abertura de Periodo", Sent(k01), "Impressao da leitura X"},
            {},
            true,
            true},
        Row{"06002",
            {k32, k021},
            {Header("60", "02"), "Abertura de Periodo de Venda Fechado Erro 60 Comando 02", Sent(k32),
             "Abertura Periodo e Retornou False na Funcao", Sent(k021)},
            {},
            true,
            true},
        Row{"06000",
            {k32},
            {Header("60", "00"), "Abertura de Periodo de Venda Fechado Erro 60 Comando 00", Sent(k32),
             "Abertura Periodo e Retornou False na Funcao"},
            {},
            false,
            false},
        Row{"06060",
            {k32, k60},
            {Header("60", "60"), "Abertura de Periodo de Venda Fechado Erro 60 Comando 60", Sent(k32),
             "Abertura Periodo", Sent(k60), "Enviou o Comando 60"},
            {},
            true,
            true},
        Row{"06013", {}, {Header("60", "13"), "Abertura de Periodo de Venda Fechado Erro 60 Comando 13"}, {}, false, true},
        Row{"06400", {}, {Header("64", "00"), "Comando no permitido en  Modo Entrenamiento Erro 64 Comando 00"}, {}, false, true},
        Row{"06437", {}, {Header("64", "37"), "Comando no permitido en  Modo Entrenamiento Erro 64 Comando 37"}, {"Erro064?"}, false, true},
        Row{"06713",
            {k021, k32, Frame("13")},
            {Header("67", "13"), "Emitindo Reducao Z Erro 67 Comando 13", Sent(k021), Sent(k32), Sent(Frame("13"))},
            {"Erro067"},
            true,
            true,
            "link/error_67_z_reduction_due.trace"},
        Row{"06800", {}, {Header("68", "00"), "Aviso para Emitir a Red Z Erro 68 Comando 00"}, {"Erro068"}, true, true},
        Row{"08000", {k18}, {Header("80", "00"), "Erro de impressao espera o Comando Repetir Erro 80 Comando 00", Sent(k18)}, {"Erro080"}, true, true},
        Row{"08226", {k18}, {Header("82", "26"), "Erro de impressao espera o Comando Repetir Erro 82 Comando 26", Sent(k18)}, {"Erro082"}, true, true},
        Row{"00000", {}, {Header("0", "00")}, {}, false, true},
        Row{"09900", {}, {Header("99", "00")}, {}, false, true},
        Row{"019", {k32}, {Header("19", ""), "Sequencia de comando invalida Erro 19 Comando ", Sent(k32)}, {}, false, false}));

}  // namespace

namespace {

TEST(AnalisaErro, MessageGoesThroughTheDialogWithItsNineArguments) {
    FakeLink link;
    link.messages.padrao2.set("Erro013", "Impressora nao responde");
    PortHandle hPort = link.ports.open("COM1");
    AnalisaErro(link.ctx, "COM1", "Verde", "01300", hPort);
    ASSERT_EQ(link.dialog.calls.size(), 1u);
    const auto& c = link.dialog.calls[0];
    EXPECT_EQ(c.text, "Impressora nao responde");
    EXPECT_EQ(c.arg2, "");
    EXPECT_EQ(c.arg3, "N");
    EXPECT_EQ(c.question, "N");
    EXPECT_EQ(c.kind, TTipoMsg::Tipo3);
    EXPECT_EQ(c.arg6, "");
    EXPECT_EQ(c.scheme, "Verde");
    EXPECT_EQ(c.arg8, 0);
    EXPECT_EQ(c.table, nullptr);
}

TEST(AnalisaErro, RecoveryReplyIsAnalysedOnceMoreThenOnlyLogged) {
    FakeLink link;
    // The printer answers every repeat with the same printing error.
    for (int i = 0; i < 5; ++i) link.ports.queue_reply("08018\x03", "18");
    PortHandle hPort = link.ports.open("COM1");
    EXPECT_TRUE(AnalisaErro(link.ctx, "COM1", "Azul", "08000", hPort));
    // Depth 0 and depth 1 each send a repeat; depth 2 only logs.
    EXPECT_EQ(link.ports.frames_text(), (Strings{Frame("18"), Frame("18")}));
    const Strings log = link.log_messages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], Header("80", "18"));
    EXPECT_EQ(log.back(), "Erro em comando de recuperacao: analise nao repetida");
    EXPECT_EQ(link.ctx.analysis_depth, 0);
    hPort.reset();
    EXPECT_EQ(link.ports.open_now(), 0);
    test::ExpectTraceMatchesGolden(link.trace, "link/nested_analysis_stops_at_its_bound.trace");
}

TEST(AnalisaErro, NestedAnalysisWorksOnTheRecoveryPort) {
    FakeLink link;
    link.ports.queue_reply("05918\x03", "18");  // the repeat answers error 59
    PortHandle hPort = link.ports.open("COM1");
    EXPECT_TRUE(AnalisaErro(link.ctx, "COM1", "Azul", "08200", hPort));
    const Strings log = link.log_messages();
    EXPECT_EQ(log.back(), "Comando nao pode ser executado em periodo de venda Erro 59 Comando 18");
    EXPECT_TRUE(hPort);  // the repeat's port, still open for the caller
    hPort.reset();
    EXPECT_EQ(link.ports.open_now(), 0);
}

TEST(AnalisaErro, RecoveryPortThatCannotOpenLeavesNothingOpen) {
    FakeLink link;
    PortHandle hPort = link.ports.open("COM1");
    link.ports.fail_open = true;  // the printer's port vanished
    EXPECT_TRUE(AnalisaErro(link.ctx, "COM1", "Azul", "06001", hPort));
    EXPECT_TRUE(link.ports.frames().empty());
    EXPECT_FALSE(hPort);
    EXPECT_EQ(link.ports.open_now(), 0);
}

TEST(AnalisaErro, ErrorNumberThatIsNotANumberIsAConversionError) {
    for (const std::string codigo : {"0A198", "0", "0:1:2", "0-198"}) {
        FakeLink link;
        PortHandle hPort = link.ports.open("COM1");
        if (codigo == "0") {
            EXPECT_FALSE(AnalisaErro(link.ctx, "COM1", "Azul", codigo, hPort));  // "0" is error 0
            continue;
        }
        EXPECT_THROW(AnalisaErro(link.ctx, "COM1", "Azul", codigo, hPort), EConvertError) << codigo;
        EXPECT_TRUE(link.ports.frames().empty()) << codigo;
    }
}

}  // namespace
}  // namespace dru
