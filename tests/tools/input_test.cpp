// Bad input: one clear error (the file, the JSON path, the line and column
// of a syntax error), exit code 2, and nothing sent to the printer.
#include <gtest/gtest.h>

#include "dru_rig.h"

namespace dru::test {
namespace {

class BadInput : public DruRig {
  protected:
    void SetUp() override {
        if (!printer.ready()) GTEST_SKIP() << "no pseudo-terminal";
    }
    // `args` against the test's printer: exit code 2, the error on stderr,
    // and not one frame on the wire.
    std::string Refused(std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", printer.device()});
        const DruRun run = Dru(args);
        EXPECT_EQ(run.code, 2) << run.out << run.err;
        EXPECT_TRUE(printer.frames().empty()) << "sent: " << printer.frames().front();
        return run.err + run.out;
    }
    std::string Sale(const std::string& json) { return File("sale.json", json); }

    WirePrinter printer;
};

constexpr const char* kItem =
    R"({"IDTPIMPOSFIS": "T", "QTPRODCOMVEN": 1, "VRPRECCOMVEN": 1000, "NMPRODUTO": "CAFE"})";
constexpr const char* kCash = R"({"IDTIPOMOVIVE": "E", "VRMOVIVEND": 1000, "CDFPIMPFIS": "01"})";

std::string SaleWith(const std::string& item, const std::string& extra = "") {
    return std::string(R"({"cdsVendas": [)") + item + R"(], "cdsMovi": [)" + kCash + "]" + extra +
           "}";
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(BadInput, ASyntaxErrorNamesItsLineAndColumn) {
    const std::string file =
        Sale("{\n  \"cdsVendas\": [\n    {\"NMPRODUTO\": \"CAFE\",}\n  ]\n}\n");
    const std::string error = Refused({"sale", file});
    EXPECT_TRUE(Has(error, file + ": line 3, column 26: ")) << error;
}

// A number beyond a double is the parser's out-of-range error, not a
// syntax error: it too is bad input, placed at its literal.
TEST_F(BadInput, ANumberBeyondADoubleIsBadInputWithItsPlace) {
    const std::string file = Sale(SaleWith(
        "{\"IDTPIMPOSFIS\": \"T\", \"QTPRODCOMVEN\": 1,\n \"VRPRECCOMVEN\": 1E400, "
        "\"NMPRODUTO\": \"CAFE\"}"));
    const std::string error = Refused({"sale", file});
    EXPECT_TRUE(Has(error, file + ": line 2, column 18: a number out of range: number overflow"))
        << error;
}

TEST_F(BadInput, AnUnknownKeyIsRefusedWithItsPath) {
    std::string error =
        Refused({"sale", Sale(SaleWith(R"({"NMPRODUTO": "CAFE", "qtprodcomven": 1})"))});
    EXPECT_TRUE(
        Has(error, "$.cdsVendas[0].qtprodcomven: unknown key (did you mean \"QTPRODCOMVEN\"?)"))
        << error;
    error = Refused({"sale", Sale(SaleWith(kItem, R"(, "cdsItems": [])"))});
    EXPECT_TRUE(Has(error, "$.cdsItems: unknown key (the keys are: Params, cdsVendas, cdsMovi,"))
        << error;
}

TEST_F(BadInput, AWrongTypeATooLongTextAndAMissingFieldAreNamed) {
    EXPECT_TRUE(
        Has(Refused({"sale", Sale(SaleWith(
                                 R"({"IDTPIMPOSFIS": "T", "QTPRODCOMVEN": "1", "VRPRECCOMVEN": 1,
                                             "NMPRODUTO": "CAFE"})"))}),
            "$.cdsVendas[0].QTPRODCOMVEN: expected a number, got a text"));
    EXPECT_TRUE(Has(Refused({"sale", Sale(SaleWith(R"({"IDTPIMPOSFIS": "TT", "QTPRODCOMVEN": 1,
                                                       "VRPRECCOMVEN": 1, "NMPRODUTO": "CAFE"})"))}),
                    "$.cdsVendas[0].IDTPIMPOSFIS: 2 characters, more than the field's 1"));
    EXPECT_TRUE(Has(Refused({"sale", Sale(SaleWith(R"({"IDTPIMPOSFIS": "T", "QTPRODCOMVEN": 1,
                                                       "NMPRODUTO": "CAFE"})"))}),
                    "$.cdsVendas[0].VRPRECCOMVEN: missing (required)"));
    EXPECT_TRUE(
        Has(Refused({"sale", Sale(R"({"cdsVendas": []})")}), "$.cdsMovi: missing (required)"));
    EXPECT_TRUE(Has(Refused({"sale", Sale(R"([1, 2])")}), "$: expected an object, got an array"));
}

TEST_F(BadInput, ThePortAndTypeComeFromTheOptionsNotTheFile) {
    const std::string error =
        Refused({"sale", Sale(SaleWith(kItem, R"(, "Params": {"CDPORTAIMPFIS": "COM3"})"))});
    EXPECT_TRUE(Has(error, "$.Params.CDPORTAIMPFIS: set by dru from its options")) << error;
}

TEST_F(BadInput, AnAmountAndAFileThatCannotBeRead) {
    EXPECT_TRUE(Has(Refused({"supply", "1.500,00"}), "AMOUNT: \"1.500,00\" is not an amount"));
    EXPECT_TRUE(
        Has(Refused({"bill", folder.file("missing.json")}), "missing.json: cannot be read"));
    EXPECT_TRUE(Has(Refused({"frobnicate"}), "unknown subcommand \"frobnicate\""));
}

TEST_F(BadInput, AFigureTheDriverRefusesIsBadInputToo) {
    // Seven integer digits of quantity do not fit the item frame's six.
    const std::string error =
        Refused({"sale", Sale(SaleWith(R"({"IDTPIMPOSFIS": "T", "QTPRODCOMVEN": 1234567,
                                                                 "VRPRECCOMVEN": 1, "NMPRODUTO": "CAFE"})"))});
    EXPECT_TRUE(Has(error, "ImpressaoVenda: ")) << error;
    EXPECT_TRUE(Has(error, "QTPRODCOMVEN")) << error;
}

TEST_F(BadInput, TheZReductionNeedsAConfirmation) {
    const std::string error = Refused({"z"});
    EXPECT_TRUE(Has(error, "cannot be undone: confirm it on a terminal, or pass --confirm")) << error;
    // Declined on the terminal: nothing sent either.
    const DruRun declined = Dru({"--port", printer.device(), "z"}, "n\n", /*terminal=*/true);
    EXPECT_EQ(declined.code, 2);
    EXPECT_TRUE(Has(declined.err, "Go on? [y/N]")) << declined.err;
    EXPECT_TRUE(Has(declined.err, "not confirmed: nothing was sent"));
    EXPECT_TRUE(printer.frames().empty());
}

}  // namespace
}  // namespace dru::test
