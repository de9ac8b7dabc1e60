// Start-up (32, then the state of 35) and the printer's data from 481,
// handed back as a five-pair array.
#include <gtest/gtest.h>

#include "support/driver_fixture.h"
#include "day/printer_startup.h"
#include "host/text.h"
#include "link/frames.h"

namespace dru::test {
namespace {

std::vector<std::pair<std::string, std::string>> Pairs(const TParams& p) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& pair : p.pairs()) out.emplace_back(pair.name, pair.value);
    return out;
}

TEST(CarregaDadosImpressoraTest, FiveResultPairsInOrderFromTheFields) {
    FakeSession f;
    f.link.ports.queue_reply(Counters481({{30, "7"}, {42, "ABCD12345"}, {44, "31122024"}, {45, "2359"}}));
    // More names than the result has, and output names with values that must not count.
    TParams params{{"CDPORTAIMPFIS", "COM3"}, {"ESQUEMA", "Azul"},   {"DATAATUIMP", "x"}, {"ECFIMP", "x"},
                   {"REDIMP", "R-17 ñ"},      {"SERIEIMP", "x"},      {"DATAIMP", "x"},    {"EXTRA", "y"}};

    EXPECT_TRUE(Carrega_Dados_Impressora(f.session, params));

    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(Pairs(params), (std::vector<P>{{"DATAATUIMP", "3112242359"},
                                              {"ECFIMP", "0007"},
                                              {"REDIMP", "R-17 ñ"},
                                              {"SERIEIMP", "12345"},
                                              {"DATAIMP", "311224"}}));
    EXPECT_EQ(f.link.ports.frames_text(), std::vector<std::string>{Frame("481")});
    EXPECT_EQ(f.link.ports.events().front(), "open COM3");
    EXPECT_EQ(f.link.ports.open_now(), 0);
}

TEST(CarregaDadosImpressoraTest, SerialLosesItsFirstFourCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ABCD12345", "12345"}, {"ABCDE", "E"}, {"ABCD", ""}, {"AB", ""}, {"", ""}, {"ñÑçÇ99", "99"}};
    for (const auto& [field, serial] : cases) {
        FakeSession f;
        f.link.ports.queue_reply(text::to_latin1(Counters481({{42, field}})));
        TParams params{{"CDPORTAIMPFIS", "COM1"}};
        Carrega_Dados_Impressora(f.session, params);
        EXPECT_EQ(RecebeParams(params, "SERIEIMP"), serial) << field;
    }
}

TEST(CarregaDadosImpressoraTest, SilentPrinterStillGivesFivePairsAndTrue) {
    for (const std::string reply : {"", "garbage\r", "1:2:3:\r"}) {
        FakeSession f;
        if (!reply.empty()) f.link.ports.queue_reply(reply);
        TParams params{{"REDIMP", "5"}};  // no port, no scheme: both read as empty
        EXPECT_TRUE(Carrega_Dados_Impressora(f.session, params)) << reply;
        ASSERT_EQ(params.size(), 5u) << reply;
        EXPECT_EQ(params[0].value, "") << reply;
        EXPECT_EQ(params[1].value, "") << reply;  // the zero adjuster keeps an empty text empty
        EXPECT_EQ(params[2].value, "5") << reply;
        EXPECT_EQ(params[3].value, "") << reply;
        EXPECT_EQ(params[4].value, "") << reply;
    }
}

TEST(CarregaDadosImpressoraTest, ShortDateFieldLosesOnlyWhatItHas) {
    EXPECT_EQ(PrinterDateDDMMYY("31122024"), "311224");
    EXPECT_EQ(PrinterDateDDMMYY("31122"), "3112");
    EXPECT_EQ(PrinterDateDDMMYY("311"), "311");
    EXPECT_EQ(PrinterDateDDMMYY(""), "");
}

TEST(StartImpFiscalTest, SendsPeriodThenStateAndJudgesTheState) {
    struct Case {
        std::string state_reply;  // as sent, terminator included; empty: silent
        bool result;
    };
    const std::vector<Case> cases = {
        {"00\r", true}, {"0012\r", true}, {"01\r", false}, {"1\r", false}, {"", false}};
    for (const auto& c : cases) {
        FakeSession f;
        f.link.ports.queue_reply("1\r", "32");
        if (!c.state_reply.empty()) f.link.ports.queue_reply(c.state_reply, "35");
        const TParams params{{"ESQUEMA", "Azul"}, {"CDPORTAIMPFIS", "COM2"}};
        EXPECT_EQ(StartImpFiscal(f.session, params), c.result) << c.state_reply;
        EXPECT_EQ(f.link.ports.frames_text(), (std::vector<std::string>{Frame("32"), Frame("35")}))
            << c.state_reply;
        EXPECT_EQ(f.link.ports.events().front(), "open COM2");
        EXPECT_EQ(f.link.ports.open_now(), 0);
    }
}

TEST(StartImpFiscalTest, OpensTheSimulatedPrintersSalesPeriod) {
    sim::PrinterConfig config;
    config.sales_period_open = false;
    SimSession s(EncodeDate(2025, 3, 5) + EncodeTime(10, 0, 0, 0), config);

    EXPECT_TRUE(StartImpFiscal(s.session, TParams{{"CDPORTAIMPFIS", "COM1"}, {"ESQUEMA", "Azul"}}));
    EXPECT_TRUE(s.printer.sales_period_open());
    EXPECT_EQ(s.printer.frames(), (std::vector<std::string>{"32", "35"}));
}

TEST(CarregaDadosImpressoraTest, ReadsTheSimulatedPrinter) {
    sim::PrinterConfig config;
    config.ecf_number = "12";
    config.serial = "A1234567";
    SimSession s(EncodeDate(2024, 12, 31) + EncodeTime(23, 59, 0, 0), config);
    TParams params{{"CDPORTAIMPFIS", "COM1"}, {"REDIMP", "41"}};

    EXPECT_TRUE(Carrega_Dados_Impressora(s.session, params));

    EXPECT_EQ(RecebeParams(params, "DATAATUIMP"), "3112242359");
    EXPECT_EQ(RecebeParams(params, "DATAIMP"), "311224");
    EXPECT_EQ(RecebeParams(params, "ECFIMP"), "0012");
    EXPECT_EQ(RecebeParams(params, "SERIEIMP"), "A1234567");
    EXPECT_EQ(RecebeParams(params, "REDIMP"), "41");
}

}  // namespace
}  // namespace dru::test
