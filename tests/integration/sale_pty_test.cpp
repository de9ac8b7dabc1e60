// Whole sales through the C contract, as a host rings them up, with the real
// serial code against the printer simulator on a pseudo-terminal: an
// ordinary sale with its receipt number read back, and a voucher sale.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <system_error>

#include "dru01000.h"
#include "host/clock.h"
#include "printer_model.h"
#include "support/host_table.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM8";

class SaleOverPty : public PtyHost {
protected:
    SaleOverPty() : PtyHost(kPort) {}

    void SetUp() override {
        PtyHost::SetUp();
        if (IsSkipped()) return;
        dru_dataset_add_field(vendas.ds, "IDTPIMPOSFIS", DRU_FT_STRING, 1);
        for (const char* f : {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRACRCOMANDA", "VRDESCCOMVEN", "VRTXSERVICO"})
            dru_dataset_add_field(vendas.ds, f, DRU_FT_FLOAT, 0);
        dru_dataset_add_field(vendas.ds, "CDARVPROD", DRU_FT_STRING, 20);
        dru_dataset_add_field(vendas.ds, "NMPRODUTO", DRU_FT_STRING, 40);
        dru_dataset_add_field(vendas.ds, "NMOPERADOR", DRU_FT_STRING, 30);
        dru_dataset_add_field(vendas.ds, "CDLOJA", DRU_FT_STRING, 4);
        dru_dataset_create(vendas.ds);
        dru_dataset_add_field(movi.ds, "IDTIPOMOVIVE", DRU_FT_STRING, 1);
        dru_dataset_add_field(movi.ds, "IDTIPORECE", DRU_FT_STRING, 1);
        dru_dataset_add_field(movi.ds, "CDTIPORECE", DRU_FT_STRING, 3);
        dru_dataset_add_field(movi.ds, "VRMOVIVEND", DRU_FT_FLOAT, 0);
        dru_dataset_add_field(movi.ds, "CDFPIMPFIS", DRU_FT_STRING, 10);
        dru_dataset_add_field(movi.ds, "DSIMPFISCAL", DRU_FT_STRING, 50);
        dru_dataset_create(movi.ds);
        dru_dataset_add_field(receb.ds, "CDTIPORECE", DRU_FT_STRING, 3);
        dru_dataset_create(receb.ds);
        dru_dataset_append(receb.ds);
        dru_dataset_set_text(receb.ds, "CDTIPORECE", "005");
        dru_dataset_post(receb.ds);
        params = dru_params_new();
        for (const auto& [name, value] : {std::pair{"ESQUEMACOR", "Azul"}, {"SENHACUPOM", "4821"},
                                          {"TIPOVENDA", "3"}, {"DSOBSCUPFIS", "Gracias por su visita"},
                                          {"CDPORTAIMPFIS", kPort}, {"IDTIPOIMPFIS", "16"}})
            dru_params_add_text(params, name, value);
        result = dru_text_new(nullptr);
    }
    void TearDown() override {
        dru_params_free(params);
        dru_text_free(result);
        PtyHost::TearDown();
    }

    void Item(const char* kind, double qty, double price, const char* name) {
        dru_dataset_append(vendas.ds);
        dru_dataset_set_text(vendas.ds, "IDTPIMPOSFIS", kind);
        dru_dataset_set_number(vendas.ds, "QTPRODCOMVEN", qty);
        dru_dataset_set_number(vendas.ds, "VRPRECCOMVEN", price);
        for (const char* f : {"VRACRCOMANDA", "VRDESCCOMVEN", "VRTXSERVICO"}) dru_dataset_set_number(vendas.ds, f, 0);
        dru_dataset_set_text(vendas.ds, "CDARVPROD", "78");
        dru_dataset_set_text(vendas.ds, "NMPRODUTO", name);
        dru_dataset_set_text(vendas.ds, "NMOPERADOR", "MARIA");
        dru_dataset_set_text(vendas.ds, "CDLOJA", "1");
        dru_dataset_post(vendas.ds);
    }
    void Movement(const char* type, const char* klass, const char* code, double amount, const char* form) {
        dru_dataset_append(movi.ds);
        dru_dataset_set_text(movi.ds, "IDTIPOMOVIVE", type);
        dru_dataset_set_text(movi.ds, "IDTIPORECE", klass);
        dru_dataset_set_text(movi.ds, "CDTIPORECE", code);
        dru_dataset_set_number(movi.ds, "VRMOVIVEND", amount);
        dru_dataset_set_text(movi.ds, "CDFPIMPFIS", form);
        dru_dataset_set_text(movi.ds, "DSIMPFISCAL", klass[0] == '5' ? "VALE ALIMENTACION" : "EFECTIVO");
        dru_dataset_post(movi.ds);
    }
    std::string Sell() {
        ImpressaoVenda(params, vendas.ds, movi.ds, receb.ds, nullptr, nullptr, nullptr, nullptr, "0", result);
        return dru_text_get(result);
    }
    HostTable vendas, movi, receb;
    DruParams* params = nullptr;
    DruText* result = nullptr;
};

// The receipt number is returned once the driver can tell it is this sale's:
// the counter was read before (here as a host does at start-up), and moved
// by one.
TEST_F(SaleOverPty, AnOrdinarySaleComesBackWithItsReceiptNumber) {
    const int before = inspect([](sim::PrinterModel& m) { return m.receipt_count(); });
    DruText* start = dru_text_new(nullptr);
    Nr_Cupom(kPort, "Azul", start);
    dru_text_free(start);
    Item("T", 2, 1500, "CAFE");
    Item("T", 1, 2000, "TORTA");
    Movement("E", "4", "001", 6000, "01");
    Movement("S", "4", "001", 1000, "01");
    const std::string number = Sell();
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << dru_last_error();
    EXPECT_EQ(number, std::string(10 - std::to_string(before + 1).size(), '0') + std::to_string(before + 1));
    EXPECT_EQ(dru_last_verdict(nullptr), DRU_VERDICT_CONFIRMED);
    const std::string roll = inspect([](sim::PrinterModel& m) { return m.paper_text(); });
    for (const char* shown : {"CAFE", "TORTA", "5000", "Vuelto", "Gracias por su visita"})
        EXPECT_NE(roll.find(shown), std::string::npos) << shown << " not on the roll:\n" << roll;
    EXPECT_EQ(roll.find("ANULADA"), std::string::npos) << roll;
}

TEST_F(SaleOverPty, AVoucherSaleOfACoveredPurchasePrintsTheTicket) {
    const int before = inspect([](sim::PrinterModel& m) { return m.receipt_count(); });
    Item("T", 1, 1000, "CAFE");
    Movement("E", "5", "005", 1000, "06");
    EXPECT_EQ(Sell(), "");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << dru_last_error();
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.receipt_count(); }), before) << "no fiscal receipt";
    const std::string roll = inspect([](sim::PrinterModel& m) { return m.paper_text(); });
    for (const char* shown : {"VALE ALIMENTACION", "Gracias por su visita"})
        EXPECT_NE(roll.find(shown), std::string::npos) << shown << " not on the roll:\n" << roll;
}

}  // namespace
}  // namespace dru::test
