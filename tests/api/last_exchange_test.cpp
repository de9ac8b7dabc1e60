// dru_last_exchange(): what the last exchange of the last call came to, for
// the calls whose result does not say (the drawer, X and Z return true
// whatever the printer does). The calls run through the C interface on the
// in-process simulator, put in place of the module's clock and ports.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dru01000.h"
#include "host/clock.h"
#include "module/module.h"
#include "printer_model.h"
#include "sim_port.h"
#include "support/temp_folder.h"

namespace dru::test {
namespace {

class LastExchange : public ::testing::Test {
  protected:
    void SetUp() override {
        ModuleState::get().use_clock(&clock);
        ModuleState::get().use_ports(&ports);
        dru_set_host_folder(folder.path().c_str());
    }
    void TearDown() override {
        dru_set_host_folder(nullptr);
        ModuleState::get().use_ports(nullptr);
        ModuleState::get().use_clock(nullptr);
    }
    // The outcome and the reply text.
    std::pair<int, std::string> Last() {
        DruText* reply = dru_text_new("before");
        const int outcome = dru_last_exchange(reply);
        std::pair<int, std::string> got{outcome, dru_text_get(reply)};
        dru_text_free(reply);
        return got;
    }

    TempFolder folder;
    VirtualClock clock;
    sim::PrinterModel printer{clock};
    sim::SimPortProvider ports{printer, clock};
};

TEST_F(LastExchange, TheDrawerTellsWhetherThePrinterAnswered) {
    EXPECT_TRUE(Abre_Gaveta_Imp("COM1", "Azul", false));
    EXPECT_EQ(Last(), std::make_pair(DRU_EXCHANGE_ANSWERED, std::string("1")));

    printer.knobs().silent = true;
    EXPECT_TRUE(Abre_Gaveta_Imp("COM1", "Azul", false))
        << "the host's contract: true whatever happens";
    EXPECT_EQ(Last(), std::make_pair(DRU_EXCHANGE_SILENT, std::string()));
}

TEST_F(LastExchange, APortThatDoesNotOpenOrFailsOnTheLine) {
    ports.faults().refuse_open = true;
    EXPECT_TRUE(Leitura_X_Imp("COM1", "Azul", ""));
    EXPECT_EQ(Last().first, DRU_EXCHANGE_PORT_FAILED);

    ports.faults() = {.set_timeouts = true};
    Leitura_X_Imp("COM1", "Azul", "");
    EXPECT_EQ(Last().first, DRU_EXCHANGE_SILENT) << "nothing written, and the read got nothing";

    ports.faults() = {.read = true};
    Leitura_X_Imp("COM1", "Azul", "");
    EXPECT_EQ(Last().first, DRU_EXCHANGE_LINE_FAILED);
}

TEST_F(LastExchange, ADocumentEndsWithItsFinalReplyOrItsLastWrite) {
    EXPECT_TRUE(Suprimento("COM1", "Azul", 1500, false));
    EXPECT_EQ(Last(), std::make_pair(DRU_EXCHANGE_ANSWERED, std::string("1")));

    // The credit purchase voucher never reads the printer.
    DruDataSet* movements = dru_dataset_new();
    dru_dataset_add_field(movements, "VRMOVIVEND", DRU_FT_FLOAT, 0);
    dru_dataset_create(movements);
    EXPECT_TRUE(Compr_CredPessoal("COM1", "", "", "", "", "Azul", nullptr, nullptr, movements, 0,
                                  "JUAN", "1", "", "", "", "", "", "", "", "", "", "", "", "",
                                  false, "PEREZ", ""));
    EXPECT_EQ(Last().first, DRU_EXCHANGE_NOT_READ);
    dru_dataset_free(movements);
}

TEST_F(LastExchange, ACallThatSentNothingLeavesNoneAndTheReaderKeepsTheError) {
    Abre_Gaveta_Imp("COM1", "Azul", false);
    EXPECT_FALSE(Suprimento("COM1", "Azul", std::nan(""), false));
    ASSERT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(dru_last_exchange(nullptr), DRU_EXCHANGE_NONE);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT) << "a reader leaves the last error";
    EXPECT_EQ(Last(), std::make_pair(DRU_EXCHANGE_NONE, std::string()));
}

}  // namespace
}  // namespace dru::test
