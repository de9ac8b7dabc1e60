// The C++ interface of the sale's non-fiscal documents: a NULL table is the
// bad-argument error naming the call and the table, before anything is sent.
#include <gtest/gtest.h>

#include <string>

#include "dru01000.hpp"

namespace dru::test {
namespace {

TEST(DocumentsApi, NullTableIsABadArgument) {
    EXPECT_FALSE(dru01000::ImpDebito_Consumidor_IBM("Azul", "COM1", "", "JUAN", "MARIA", "", 0, 0,
                                                    nullptr, "16", "1"));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(std::string(dru_last_error()), "ImpDebito_Consumidor_IBM: cdsVendas is NULL");

    EXPECT_FALSE(dru01000::ImprimeNaoFiscal(1500, "COM1", "", "", "MARIA", "", nullptr));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(std::string(dru_last_error()), "ImprimeNaoFiscal: cdsMovi is NULL");
}

}  // namespace
}  // namespace dru::test
