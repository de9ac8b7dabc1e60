// A bill check long enough to break into two comment blocks, through the C
// contract as a host prints it, with the real serial code against the
// printer simulator on a pseudo-terminal: the printer accepts it, and its
// roll shows two slips, the header on the first, products on both, the
// totals on the second.
#include <gtest/gtest.h>

#include <string>

#include "dru01000.h"
#include "printer_model.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM7";
// The first block break follows the 10th product.
constexpr int kProducts = 12;
constexpr int kProductsOnTheFirstSlip = 10;
// Type 30 paces the bill's lines at 80 ms, the shortest pause.
constexpr int32_t kFastType = 30;

// The product table as the host hands it over: an XML data packet.
std::string ProductPacket(int count) {
    DruDataSet* ds = dru_dataset_new();
    dru_dataset_add_field(ds, "NMPRODUTO", DRU_FT_STRING, 40);
    dru_dataset_add_field(ds, "QTPRODCOMVEN", DRU_FT_FLOAT, 0);
    dru_dataset_add_field(ds, "VRPRECCOMVEN", DRU_FT_FLOAT, 0);
    dru_dataset_create(ds);
    for (int i = 1; i <= count; ++i) {
        dru_dataset_append(ds);
        dru_dataset_set_text(ds, "NMPRODUTO", ("PLATO " + std::to_string(i)).c_str());
        dru_dataset_set_number(ds, "QTPRODCOMVEN", 1);
        dru_dataset_set_number(ds, "VRPRECCOMVEN", 1000);
        dru_dataset_post(ds);
    }
    DruText* packet = dru_text_new(nullptr);
    dru_dataset_get_data(ds, packet);
    std::string text = dru_text_get(packet);
    dru_text_free(packet);
    dru_dataset_free(ds);
    return text;
}

// The product's name line as the roll shows it (style 1, cut to 44 columns).
std::string NameLine(int product) {
    std::string line = " -> PLATO " + std::to_string(product);
    line.resize(44, ' ');
    return "[1] " + line + "\n";
}

// A roll line of a left column and a right-aligned figure.
std::string Columns(std::string left, std::size_t left_width, const std::string& figure,
                    std::size_t figure_width) {
    left.resize(left_width, ' ');
    return left + std::string(figure_width - figure.size(), ' ') + figure + "\n";
}

class BillCheckOverPty : public PtyHost {
  protected:
    BillCheckOverPty() : PtyHost(kPort) {}
};

TEST_F(BillCheckOverPty, ALongBillIsAcceptedAndPrintsAsTwoSlips) {
    const std::string packet = ProductPacket(kProducts);
    ASSERT_FALSE(packet.empty());
    EXPECT_TRUE(Conferencia_Outras(kPort, "Azul", "", "01", nullptr, "", "1234", "12", "PEDRO",
                                   "08-12-2026", packet.c_str(), 0, 0, 0, 0, 2, 12000, 0,
                                   kFastType));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << dru_last_error();

    const std::string roll = inspect([](sim::PrinterModel& m) { return m.paper_text(); });
    const std::string cut = std::string(sim::kCutLine) + "\n";
    const std::size_t first_cut = roll.find(cut);
    ASSERT_NE(first_cut, std::string::npos) << "no block break on the roll:\n" << roll;
    EXPECT_EQ(roll.find(cut, first_cut + 1), std::string::npos)
        << "two slips, the last still in the printer:\n"
        << roll;
    const std::string first = roll.substr(0, first_cut);
    const std::string second = roll.substr(first_cut + cut.size());

    for (const std::string& header :
         {"[4] " + std::string(13, ' ') + "PARCIAL CUENTA \n",
          std::string("[2] COMANDA     :  1234      \n"), std::string("[4] Mesa     12\n"),
          std::string("[2] Garzon   PEDRO\n"), std::string("[2] Fecha    08-12-2026\n")})
        EXPECT_NE(first.find(header), std::string::npos) << header << " not on the first slip:\n"
                                                         << roll;
    for (int i = 1; i <= kProducts; ++i) {
        const std::string& slip = i <= kProductsOnTheFirstSlip ? first : second;
        EXPECT_NE(slip.find(NameLine(i)), std::string::npos)
            << "product " << i << " not on its slip:\n"
            << roll;
    }
    for (const std::string& tail : {Columns("[1] 1      X $ 1.000", 4 + 28, "$ 1.000", 15),
                                    Columns("[5] TOTAL", 4 + 5, "$ 12.000", 38),
                                    std::string("[2] Korvane Sistemas - www.example.com\n"),
                                    std::string("[4] Doc. sin valor fiscal.\n")})
        EXPECT_NE(second.find(tail), std::string::npos) << tail << " not on the second slip:\n"
                                                        << roll;
    EXPECT_FALSE(inspect([](sim::PrinterModel& m) { return m.comment_open(); }));
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.receipt_count(); }), 1000)
        << "a bill check is no fiscal receipt";
}

}  // namespace
}  // namespace dru::test
