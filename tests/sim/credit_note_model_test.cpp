// The credit note on the printer model: its difference item (sub-code 111,
// no product code, one unit) and the non-voucher payments make a boleta the
// printer accepts, counts and prints, on each printer type's closing.
#include <gtest/gtest.h>

#include "host/clock.h"
#include "host/text.h"
#include "link/frames.h"
#include "printer_model.h"
#include "sim/model_rig.h"

namespace dru::sim {
namespace {

using test::Join;
using test::Printer;

// 1500 paid otherwise than with vouchers: cash 1000 (200 of it back) and a card 700.
const std::vector<std::string> kNote = {"000",
                                        "12",
                                        "131110000000000000000001000000001500000001500             "
                                        " DIFERENCIA MEDIO DE PAGO CIRCULAR 37",
                                        "200000001500",
                                        "2611010000001000",
                                        "2611030000000700",
                                        "271000000000"};
const std::vector<std::string> kClosing = {"60",
                                           "111MARIA",
                                           "113se\u00f1a: 4821",
                                           "112" + std::string(44, '-'),
                                           "113www.example.com - Fono (2) 2345 6789",
                                           "61"};

void ExpectTheNoteOnThePaper(const std::string& paper) {
    std::size_t at = 0;
    for (const char* line :
         {"BOLETA NRO 0000001001\n", "DIFERENCIA MEDIO DE PAGO CIRCULAR 37\n", "  1.000 x 1500",
          "1500\n", "TOTAL", "1500\n", "EFECTIVO", "1000\n", "TARJETA CREDITO", "700\n", "Vuelto",
          "200\n", "[1] MARIA\n", "FIN BOLETA NRO 0000001001\n"}) {
        const std::size_t found = paper.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << paper;
        at = found + 1;
    }
    EXPECT_EQ(paper.find("ANULADA"), std::string::npos) << paper;
}

TEST(CreditNoteModel, TakenAndCountedOnEachPrinterTypesClosing) {
    const struct {
        int type;
        std::vector<std::string> before_block, after_block;
    } cases[] = {{16, {"98"}, {}}, {30, {}, {"99"}}, {31, {}, {}}};
    for (const auto& k : cases) {
        PrinterConfig config;
        config.type = k.type == 30 ? 30 : 16;  // the model knows the line ends of 16 and 30
        Printer p(config);
        EXPECT_EQ(p.send(Join(Join(Join(kNote, k.before_block), kClosing), k.after_block)), "1\r")
            << k.type;
        EXPECT_EQ(p.m.receipt_phase(), ReceiptPhase::None) << k.type;
        EXPECT_EQ(p.counter(2), "1001") << k.type << ": the note is a receipt of its own";
        EXPECT_EQ(p.counter(3), "1500") << k.type << ": gross sales are the difference item";
        ExpectTheNoteOnThePaper(p.m.paper_text());
    }
}

}  // namespace
}  // namespace dru::sim
