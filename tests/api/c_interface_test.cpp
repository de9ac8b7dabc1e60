// The C interface end to end: the shared library loaded as a host loads it,
// the real serial code, and the simulated printer behind a pseudo-terminal.
#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

#include "support/driver_fixture.h"
#include "support/library_loader.h"
#include "dru01000.h"
#include "pty_server.h"

namespace dru::test {
namespace {

struct HandlerCall {
    std::string text, question, scheme;
};

bool RecordAndSayYes(void* user, const char* text, const char*, const char*, const char* question, int32_t,
                     const char*, const char* scheme, int32_t, const DruDataSet*) {
    static_cast<std::vector<HandlerCall>*>(user)->push_back({text, question, scheme});
    return true;
}

class CInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.loaded()) << lib.error();
        try {
            server = std::make_unique<sim::PtyServer>(printer);
        } catch (const std::system_error& e) {
            GTEST_SKIP() << "no pseudo-terminal: " << e.what();
        }
        DRU_LOOKUP(lib, dru_set_host_folder)(folder.path().c_str());
        DRU_LOOKUP(lib, dru_set_port_device)("COM5", server->device_path().c_str());
        DRU_LOOKUP(lib, dru_set_message_handler)(RecordAndSayYes, &calls);
    }
    void TearDown() override {
        if (!lib.loaded()) return;
        DRU_LOOKUP(lib, dru_set_message_handler)(nullptr, nullptr);
        DRU_LOOKUP(lib, dru_set_port_device)("COM5", nullptr);
        DRU_LOOKUP(lib, dru_set_host_folder)(nullptr);
    }
    std::vector<std::string> frames() {
        std::vector<std::string> out;
        server->with_model([&](sim::PrinterModel& m) { out = m.frames(); });
        return out;
    }

    LoadedLibrary lib;
    TempFolder folder;
    RealClock clock;
    sim::PrinterModel printer{clock, sim::PrinterConfig{.type = 30}};
    std::unique_ptr<sim::PtyServer> server;
    std::vector<HandlerCall> calls;
};

TEST_F(CInterfaceTest, DateCheckWithOverdueZThenPrinterData) {
    std::ofstream(folder.file("DedOvor.cds")) << PrinterConfigPacket("COM5", 30);
    server->with_model([](sim::PrinterModel& m) { m.set_overdue_indicator("3"); });

    double date = 0;
    EXPECT_TRUE(DRU_LOOKUP(lib, VerificaData)("Azul", &date, nullptr, nullptr, true))
        << DRU_LOOKUP(lib, dru_last_error)();
    EXPECT_EQ(date, DateOf(clock.now()));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].question, "S");
    EXPECT_EQ(calls[0].scheme, "Azul");
    EXPECT_EQ(frames(), (std::vector<std::string>{"481", "021", "32", "35"}));

    DruParams* params = DRU_LOOKUP(lib, dru_params_new)();
    DRU_LOOKUP(lib, dru_params_add_text)(params, "CDPORTAIMPFIS", "COM5");
    DRU_LOOKUP(lib, dru_params_add_text)(params, "REDIMP", "42");
    EXPECT_TRUE(DRU_LOOKUP(lib, Carrega_Dados_Impressora)(params));
    ASSERT_EQ(DRU_LOOKUP(lib, dru_params_count)(params), 5);
    EXPECT_STREQ(DRU_LOOKUP(lib, dru_params_name)(params, 4), "DATAIMP");
    EXPECT_EQ(DRU_LOOKUP(lib, dru_params_text)(params, 4), FormatDateTime("ddmmyy", clock.now(), FormatSettings{}));
    EXPECT_STREQ(DRU_LOOKUP(lib, dru_params_text)(params, 2), "42");
    DRU_LOOKUP(lib, dru_params_free)(params);

    // Every exchange went to the debug log in the host folder.
    EXPECT_TRUE(std::filesystem::exists(folder.file("ANALISA_ERRO.txt")));
}

TEST_F(CInterfaceTest, ReceiptNumberAndDrawer) {
    DruText* number = DRU_LOOKUP(lib, dru_text_new)("unchanged");
    DRU_LOOKUP(lib, Nr_Cupom)("COM5", "Azul", number);
    EXPECT_STREQ(DRU_LOOKUP(lib, dru_text_get)(number), "0000001000");
    DRU_LOOKUP(lib, dru_text_free)(number);
    EXPECT_TRUE(DRU_LOOKUP(lib, Abre_Gaveta_Imp)("COM5", "Azul", false));
    EXPECT_EQ(frames(), (std::vector<std::string>{"481", "34255255"}));
}

// A host whose folder lacks DedOvor.cds on the first call: a clear error,
// the date untouched, nothing logged. In a fresh process, so that no earlier
// call has loaded the file.
int MissingConfigurationInFreshProcess() {
    TempFolder folder;
    LoadedLibrary lib;
    if (!lib.loaded() || folder.path().empty()) return 10;
    DRU_LOOKUP(lib, dru_set_host_folder)(folder.path().c_str());
    double date = 5.0;
    if (DRU_LOOKUP(lib, VerificaData)("Azul", &date, "", "", true)) return 1;
    if (date != 5.0) return 2;
    const std::string error = DRU_LOOKUP(lib, dru_last_error)();
    if (error.find("DedOvor.cds") == std::string::npos || error.find(folder.path()) == std::string::npos) return 3;
    return folder.entries().empty() ? 0 : 4;
}

TEST(CInterfaceLoadTest, MissingConfigurationReachesTheHostAsAClearError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(MissingConfigurationInFreshProcess()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace dru::test
