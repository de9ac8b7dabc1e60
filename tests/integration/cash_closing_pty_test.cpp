// A whole cash closing through the C contract, as a host runs it when the
// register closes, with the real serial code against the printer simulator
// on a pseudo-terminal: the withdrawal receipt, "no" to opening again, "yes"
// to the Z question, the product report and the day totals handed back.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "dru01000.h"
#include "printer_model.h"
#include "support/host_table.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM7";

// Answers the operator's questions in order and remembers what was asked.
struct Operator {
    std::deque<bool> answers;
    std::vector<std::string> asked;
    static bool Answer(void* user, const char* text, const char*, const char*, const char*, int32_t,
                       const char*, const char*, int32_t, const DruDataSet*) {
        auto* self = static_cast<Operator*>(user);
        self->asked.emplace_back(text);
        if (self->answers.empty()) return false;
        const bool yes = self->answers.front();
        self->answers.pop_front();
        return yes;
    }
};

class CashClosingOverPty : public PtyHost {
  protected:
    CashClosingOverPty() : PtyHost(kPort) {}

    void SetUp() override {
        PtyHost::SetUp();
        if (IsSkipped()) return;
        // The day so far: one boleta of 5000, 3000 in cash and 2000 by credit card.
        server->with_model([](sim::PrinterModel& m) {
            for (const char* c : {"000", "12",
                                  "13112"
                                  "7790001000017"
                                  "000002000"
                                  "000002500"
                                  "000005000"
                                  "CAFE",
                                  "200000005000",
                                  "261101"
                                  "0000003000",
                                  "261103"
                                  "0000002000",
                                  "271000000000", "98", "60", "111Gracias", "61"})
                m.execute(c);
        });
        dru_set_message_handler(&Operator::Answer, &op);
    }
    void TearDown() override {
        dru_set_message_handler(nullptr, nullptr);
        PtyHost::TearDown();
    }

    Operator op;
};

TEST_F(CashClosingOverPty, ZConfirmedPrintsTheReceiptAndTheReportAndHandsBackTheTotals) {
    HostTable fecha, sangria, products, operators, movTot, types, unread;
    HostTable redz, formRedz, impostoRedz, totNFis;
    fecha.field("NMTIPORECE", DRU_FT_STRING, 40).field("VRFECHAINF", DRU_FT_FLOAT).create();
    fecha.row({{"NMTIPORECE", "EFECTIVO"}, {"VRFECHAINF", "3000"}});
    fecha.row({{"NMTIPORECE", "TARJETA CREDITO"}, {"VRFECHAINF", "2000"}});
    sangria.field("VRSANGRIA", DRU_FT_FLOAT).create();
    products.field("CDPRODUTO", DRU_FT_STRING, 13)
        .field("NMPRODUTO", DRU_FT_STRING, 40)
        .field("QTPRODVEND", DRU_FT_FLOAT)
        .field("VRTOTAL", DRU_FT_FLOAT)
        .create()
        .row({{"CDPRODUTO", "7790001000017"},
              {"NMPRODUTO", "CAFE"},
              {"QTPRODVEND", "2"},
              {"VRTOTAL", "5000"}});
    operators.field("CDOPERADOR", DRU_FT_STRING, 10)
        .field("NMOPERADOR", DRU_FT_STRING, 60)
        .create();
    operators.row({{"CDOPERADOR", "007"}, {"NMOPERADOR", "MARIA GONZALEZ"}});
    movTot.field("VRTOTAL", DRU_FT_FLOAT).create();
    types.field("CDTIPORECE", DRU_FT_STRING, 3)
        .field("NMTIPORECE", DRU_FT_STRING, 40)
        .field("CDFPIMPFIS", DRU_FT_STRING, 10)
        .create()
        .row({{"CDTIPORECE", "001"}, {"NMTIPORECE", "EFECTIVO"}, {"CDFPIMPFIS", "01"}});
    op.answers = {false, true};  // do not open the register again; print the Z

    const int z_before = inspect([](sim::PrinterModel& m) { return m.z_count(); });
    bool reduced = false;
    const bool reopen =
        GeraReciboSangria(kPort, "", "", "", "0007", 16, nullptr, fecha.ds, sangria.ds, products.ds,
                          operators.ds, movTot.ds, unread.ds, unread.ds, unread.ds, 0, true, false,
                          false, redz.ds, formRedz.ds, impostoRedz.ds, totNFis.ds, &reduced,
                          types.ds, "N", "", "", "", "Azul", false, false, true, "", "");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << dru_last_error();
    EXPECT_FALSE(reopen);
    EXPECT_TRUE(reduced);
    EXPECT_EQ(op.asked, (std::vector<std::string>{"Deseja abrir o caixa?",
                                                  "Confirma impressão da redução z?"}));

    const std::string roll = inspect([](sim::PrinterModel& m) { return m.paper_text(); });
    for (const char* shown : {"Relatório de Sangria", "TARJETA CREDITO", "Operador : 007 MARIA",
                              "Relatório de Produtos", "7790001000017CAFE", "5000,00"})
        EXPECT_NE(roll.find(shown), std::string::npos) << shown << " not on the roll:\n" << roll;
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.z_count(); }), z_before)
        << "no Z is performed";

    ASSERT_EQ(dru_dataset_record_count(redz.ds), 1);
    dru_dataset_first(redz.ds);
    EXPECT_EQ(std::stod(redz.text("VRVENBRUREDZ")), 5000);
    ASSERT_EQ(dru_dataset_record_count(formRedz.ds), 1);  // only cash has a printer code here
    dru_dataset_first(formRedz.ds);
    EXPECT_EQ(formRedz.text("CDTIPORECE"), "001");
    EXPECT_EQ(std::stod(formRedz.text("VRFORMPGTORZ")), 3000);
}

}  // namespace
}  // namespace dru::test
