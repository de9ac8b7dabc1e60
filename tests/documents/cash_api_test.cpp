// The cash documents through the host's interfaces: the C exports Suprimento,
// Sangria and GeraReciboSangria, and ImpReciboSangria_IBM of the C++ interface, on the module's
// own services (a port name that resolves to nothing, so no line is touched).
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "dru01000.h"
#include "dru01000.hpp"

namespace dru::test {
namespace {

constexpr const char* kNoPort = "NOPORT";  // resolves to no device: the opening fails

// A port that does not open is false, and the port error says which and why.
TEST(CashApi, APortThatDoesNotOpenIsFalseAndSaysWhy) {
    const std::string why = "The port NOPORT did not open: the name resolves to no device";
    EXPECT_FALSE(Suprimento(kNoPort, "Azul", 1500, true));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_PORT);
    EXPECT_EQ(dru_last_error(), why);
    EXPECT_EQ(dru_last_verdict(nullptr), DRU_VERDICT_NOT_SENT);
    DruDataSet* any = dru_dataset_new();
    EXPECT_FALSE(Sangria(kNoPort, "Azul", 1500, any));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_PORT);
    dru_dataset_free(any);
    EXPECT_FALSE(Sangria(kNoPort, nullptr, 1500, nullptr));  // the table is not read: NULL is fine
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_PORT);
}

TEST(CashApi, AnAmountThatIsNotANumberIsABadArgument) {
    EXPECT_FALSE(Suprimento(kNoPort, "Azul", std::numeric_limits<double>::quiet_NaN(), false));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(std::string(dru_last_error()).rfind("Suprimento: doValor: ", 0), 0u)
        << dru_last_error();
}

TEST(CashApi, TheWithdrawalReceiptBeforeTheClosingTablesWereLoaded) {
    EXPECT_FALSE(dru01000::ImpReciboSangria_IBM("Azul", kNoPort));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_TABLE);
    EXPECT_EQ(std::string(dru_last_error()),
              "ImpReciboSangria_IBM: cdsOperadorSup holds no operator (the cash closing tables are "
              "not loaded)");
}

// The cash closing with every table NULL: what the flags do not need may be
// NULL, `boReduziu` may not.
bool CloseCash(bool* reduced, bool boImpRelSan, bool boFechDiaAnterior) {
    return GeraReciboSangria(kNoPort, "", "", "", "0007", 16, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, 0, boImpRelSan, false,
                             false, nullptr, nullptr, nullptr, nullptr, reduced, nullptr, "N", "",
                             "", "", "Azul", false, boFechDiaAnterior, true, "", "");
}

TEST(CashApi, TheCashClosingRefusesBeforeChangingAnything) {
    EXPECT_FALSE(CloseCash(nullptr, false, true));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_STREQ(dru_last_error(), "GeraReciboSangria: boReduziu is NULL");

    bool reduced = true;
    EXPECT_FALSE(CloseCash(&reduced, false, false));  // today's closing needs its tables
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_STREQ(dru_last_error(), "GeraReciboSangria: cdsMovFechaAux is NULL");
    EXPECT_TRUE(reduced) << "untouched by a refused call";

    // An earlier day's receipt on a module no closing has loaded.
    EXPECT_FALSE(CloseCash(&reduced, true, true));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_TABLE);
    EXPECT_TRUE(reduced);

    EXPECT_FALSE(CloseCash(&reduced, false, true));  // an earlier day: nothing to do, no error
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << dru_last_error();
    EXPECT_FALSE(reduced);
}

}  // namespace
}  // namespace dru::test
