// The cash documents through the host's interfaces: the C exports Suprimento
// and Sangria, and ImpReciboSangria_IBM of the C++ interface, on the module's
// own services (a port name that resolves to nothing, so no line is touched).
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "dru01000.h"
#include "dru01000.hpp"

namespace dru::test {
namespace {

constexpr const char* kNoPort = "NOPORT";  // resolves to no device: the opening fails

TEST(CashApi, APortThatDoesNotOpenIsFalseWithoutAnError) {
    EXPECT_FALSE(Suprimento(kNoPort, "Azul", 1500, true));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    DruDataSet* any = dru_dataset_new();
    EXPECT_FALSE(Sangria(kNoPort, "Azul", 1500, any));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    dru_dataset_free(any);
    EXPECT_FALSE(Sangria(kNoPort, nullptr, 1500, nullptr));  // the table is not read: NULL is fine
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
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

}  // namespace
}  // namespace dru::test
