// Both payment entry points through the C interface and the real serial code,
// against the simulated printer behind a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "api/c_handles.h"
#include "dru01000.h"
#include "host/clock.h"
#include "host/routines.h"
#include "payments/payments_rig.h"
#include "pty_server.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM9";

class PaymentsOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "dru_payments_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        try {
            server = std::make_unique<sim::PtyServer>(printer);
        } catch (const std::system_error& e) {
            GTEST_SKIP() << "no pseudo-terminal: " << e.what();
        }
        dru_set_host_folder(folder.c_str());
        dru_set_port_device(kPort, server->device_path().c_str());
    }
    void TearDown() override {
        dru_set_port_device(kPort, nullptr);
        dru_set_host_folder(nullptr);
        server.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string folder;
    RealClock clock;
    sim::PrinterModel printer{clock, ConfigOfType(30)};
    std::unique_ptr<sim::PtyServer> server;
};

TEST_F(PaymentsOverPty, CodesFromThePrintersListThenTheDayTotals) {
    server->with_model([](sim::PrinterModel& m) {
        for (const char* command :
             {"000", "12", "13" "112" "0000000000001" "000001000" "000010000" "000010000" "ITEM", "20" "0000010000",
              "26" "11" "01" "0000006000", "26" "11" "02" "0000004000", "27" "1000000000", "99"})
            m.execute(command);
    });

    DruDataSet tipos;
    MakePaymentTypes(tipos.table, {{"EFECTIVO", "4", "5", "", "", "001"},
                                   {"CHEQUE", "3", "5", "", "", "002"},
                                   {"EFECTIVO CAJA 2", "4", "1", "", "", "011"}});
    CarregaRecebimento(kPort, "Azul", 30, &tipos);
    EXPECT_STREQ(dru_last_error(), "");
    EXPECT_TRUE(tipos.table.Filtered());
    EXPECT_EQ(tipos.table.Filter(), "IDTPBUTTON = '5'");
    EXPECT_EQ(Column(tipos.table, "CDFPIMPFIS"), (std::vector<std::string>{"01", "02", "01"}));
    EXPECT_EQ(Column(tipos.table, "IDEMIVALE"), (std::vector<std::string>{"N", "S", "N"}));

    // Result tables the host never created come back with the module's layouts.
    DruDataSet reducao, formas;
    EXPECT_TRUE(ExportRedZ(kPort, "Azul", "0007", 30, &tipos, &reducao, &formas, nullptr, nullptr));
    EXPECT_STREQ(dru_last_error(), "");
    ASSERT_EQ(reducao.table.RecordCount(), 1);
    reducao.table.First();
    EXPECT_EQ(reducao.table.FieldByName("NRREDREDZ").AsString(), Ajusta("42", 4));
    EXPECT_EQ(reducao.table.FieldByName("NRPRIMCFREDZ").AsString(), "1001");
    EXPECT_EQ(reducao.table.FieldByName("VRVENBRUREDZ").AsFloat(), 10000);
    EXPECT_EQ(Column(formas.table, "CDTIPORECE"), (std::vector<std::string>{"001", "002"}));
    EXPECT_EQ(Column(formas.table, "VRFORMPGTORZ"), (std::vector<std::string>{"6000", "4000"}));

    std::vector<std::string> frames;
    server->with_model([&](sim::PrinterModel& m) { frames = m.frames(); });
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2], "432");
    EXPECT_EQ(frames.back(), "481");
}

TEST(PaymentsCInterface, NullTablesAreRefused) {
    CarregaRecebimento(kPort, "Azul", 16, nullptr);
    EXPECT_NE(std::string(dru_last_error()).find("cdsTipoRece1"), std::string::npos);
    DruDataSet tipos, reducao;
    EXPECT_FALSE(ExportRedZ(kPort, "Azul", "0007", 16, &tipos, &reducao, nullptr, nullptr, nullptr));
    EXPECT_NE(std::string(dru_last_error()).find("cdsFormPgtoZ"), std::string::npos);
}

}  // namespace
}  // namespace dru::test
