// A whole fiscal receipt as a C++ host rings it up, through dru01000.hpp and
// the real serial code, against the printer simulator on a pseudo-terminal:
// one the printer accepts, one it rejects, both seen on its paper roll.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>

#include "dru01000.hpp"
#include "host/clock.h"
#include "link/frames.h"
#include "printer_model.h"
#include "support/host_table.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM7";

void AddItem(DruDataSet* ds, double qty, double price, const char* code, const char* name) {
    dru_dataset_append(ds);
    dru_dataset_set_number(ds, "QTPRODCOMVEN", qty);
    dru_dataset_set_number(ds, "VRPRECCOMVEN", price);
    dru_dataset_set_number(ds, "VRDESCCOMVEN", 0);
    dru_dataset_set_text(ds, "CDARVPROD", code);
    dru_dataset_set_text(ds, "NMPRODUTO", name);
    dru_dataset_post(ds);
}

void AddPayment(DruDataSet* ds, double amount, const char* code) {
    dru_dataset_append(ds);
    dru_dataset_set_number(ds, "VRMOVIVEND", amount);
    dru_dataset_set_text(ds, "CDFPIMPFIS", code);
    dru_dataset_post(ds);
}

class ReceiptOverPty : public PtyHost {
protected:
    ReceiptOverPty() : PtyHost(kPort) {}

    void SetUp() override {
        PtyHost::SetUp();
        if (IsSkipped()) return;
        for (const auto& [name, type] : {std::pair{"QTPRODCOMVEN", DRU_FT_FLOAT}, {"VRPRECCOMVEN", DRU_FT_FLOAT},
                                         {"VRDESCCOMVEN", DRU_FT_FLOAT}})
            dru_dataset_add_field(items.ds, name, type, 0);
        dru_dataset_add_field(items.ds, "CDARVPROD", DRU_FT_STRING, 20);
        dru_dataset_add_field(items.ds, "NMPRODUTO", DRU_FT_STRING, 40);
        dru_dataset_create(items.ds);
        dru_dataset_add_field(payments.ds, "VRMOVIVEND", DRU_FT_FLOAT, 0);
        dru_dataset_add_field(payments.ds, "CDFPIMPFIS", DRU_FT_STRING, 10);
        dru_dataset_create(payments.ds);
    }
    void Command(const std::string& code, bool read = true) {
        dru01000::Comand_Porta(Frame(code), true, read, false, kPort, "Azul");
    }

    // 000 and 12, the items, 20, the payments, 98 and the closing block.
    bool RingUp() {
        Command("000");
        Command("12");
        total = dru01000::Venda_Item(kPort, items.ds, 0, "16");
        Command("20");
        EXPECT_TRUE(dru01000::Pagamento(kPort, payments.ds, 0));
        Command("98", false);
        return dru01000::Final_Cupom("Azul", kPort, "MARIA", "", "4821", "Gracias por su visita", 0, 0, "3", "",
                                     nullptr, nullptr, nullptr, 0, 0, 0, 0, "16", "");
    }

    HostTable items, payments;
    double total = 0;
};

TEST_F(ReceiptOverPty, TheSimulatorAcceptsAWholeReceipt) {
    const int before = inspect([](sim::PrinterModel& m) { return m.receipt_count(); });
    AddItem(items.ds, 2, 1500, "7801234567890", "CAFE");
    AddItem(items.ds, 1, 2000, "42", "T\u00c9 VERDE");
    AddPayment(payments.ds, 4000, "01");
    AddPayment(payments.ds, 2000, "02");
    EXPECT_TRUE(RingUp()) << dru_last_error();
    EXPECT_DOUBLE_EQ(total, 5000);
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.receipt_count(); }), before + 1);
    const std::string roll = inspect([](sim::PrinterModel& m) { return m.paper_text(); });
    for (const char* shown : {"CAFE", "T\u00c9 VERDE", "5000", "Vuelto", "MARIA", "Gracias por su visita"})
        EXPECT_NE(roll.find(shown), std::string::npos) << shown << " not on the roll:\n" << roll;
    EXPECT_EQ(roll.find("ANULADA"), std::string::npos) << roll;
    if (std::getenv("DRU_SHOW_ROLL")) std::cout << roll;
}

TEST_F(ReceiptOverPty, TheSimulatorRejectsPaymentsShortOfTheTotal) {
    const int before = inspect([](sim::PrinterModel& m) { return m.receipt_count(); });
    AddItem(items.ds, 1, 3000, "1", "PISCO");
    AddPayment(payments.ds, 2500, "01");
    RingUp();  // the analysis of the printer's refusal decides the result
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.receipt_count(); }), before);
    const std::string roll = inspect([](sim::PrinterModel& m) { return m.paper_text(); });
    EXPECT_NE(roll.find("ANULADA"), std::string::npos) << roll;
    EXPECT_EQ(std::string(dru_last_error()), "");
}

}  // namespace
}  // namespace dru::test
