// One error rule at the C boundary: every failure comes back as one kind of a
// closed set (dru_last_error_code) with its message (dru_last_error); NULL for
// a handle a call needs is the bad-argument error, naming the call and the
// argument, before anything reaches the printer or the debug log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include "dru01000.h"
#include "host/errors.h"
#include "support/temp_folder.h"

namespace dru::test {
namespace {

std::string LastError() { return dru_last_error(); }

TEST(ErrorRule, EachFailureReportsItsKind) {
    DruDataSet* ds = dru_dataset_new();
    ASSERT_TRUE(dru_dataset_add_field(ds, "VALOR", DRU_FT_FLOAT, 0));
    ASSERT_TRUE(dru_dataset_create(ds));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    EXPECT_EQ(LastError(), "");

    EXPECT_FALSE(dru_dataset_set_text(ds, "NOFIELD", "1"));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_TABLE);
    EXPECT_EQ(LastError(), "dru_dataset_set_text: ds: Field 'NOFIELD' not found");

    ASSERT_TRUE(dru_dataset_append(ds));
    EXPECT_FALSE(dru_dataset_set_text(ds, "VALOR", "abc"));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_CONVERSION);

    EXPECT_FALSE(dru_dataset_load_from_file(ds, "/nonexistent/DedOvor.cds"));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_IO);

    EXPECT_FALSE(dru_dataset_add_field(ds, "X", 99, 0));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_NE(LastError().find("unknown field type 99"), std::string::npos) << LastError();

    EXPECT_FALSE(dru_dataset_first(nullptr));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(LastError(), "dru_dataset_first: ds is NULL");
    dru_dataset_free(ds);
}

TEST(ErrorRule, ReadersLeaveTheLastErrorUnlessHandedNull) {
    DruText* text = dru_text_new("x");
    EXPECT_FALSE(dru_dataset_post(nullptr));
    EXPECT_STREQ(dru_text_get(text), "x");
    EXPECT_EQ(dru_params_count(nullptr), 0);  // NULL: reported in its turn
    EXPECT_EQ(LastError(), "dru_params_count: handle is NULL");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);  // reading it changes nothing
    dru_text_set(text, "y");                                  // a call that can fail clears it
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    dru_text_free(text);
}

// Entry points refuse a NULL handle before anything is sent: no debug log
// line is written, so no exchange took place.
TEST(ErrorRule, EntryPointsRefuseANullHandleBeforeSending) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    dru_set_host_folder(folder.path().c_str());
    DruDataSet* table = dru_dataset_new();

    EXPECT_FALSE(StartImpFiscal(nullptr));
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(LastError(), "StartImpFiscal: Params is NULL");

    EXPECT_FALSE(Carrega_Dados_Impressora(nullptr));
    EXPECT_EQ(LastError(), "Carrega_Dados_Impressora: Params is NULL");

    Nr_Cupom("COM1", "Azul", nullptr);
    EXPECT_EQ(LastError(), "Nr_Cupom: result is NULL");

    CarregaRecebimento("COM1", "Azul", 16, nullptr);
    EXPECT_EQ(LastError(), "CarregaRecebimento: cdsTipoRece1 is NULL");

    EXPECT_FALSE(ExportRedZ("COM1", "Azul", "0001", 16, table, table, nullptr, nullptr, nullptr));
    EXPECT_EQ(LastError(), "ExportRedZ: cdsFormPgtoZ is NULL");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);

    EXPECT_TRUE(folder.entries().empty()) << "something was logged";
    dru_dataset_free(table);
    dru_set_host_folder(nullptr);
}

TEST(ErrorRule, ExceptionsOutsideTheSetAreInternalFaults) {
    EXPECT_EQ(ReportOf(EPortError("no line")).kind, ErrorKind::Port);
    EXPECT_EQ(ReportOf(EUnsupported("binary packet")).kind, ErrorKind::Unsupported);
    EXPECT_EQ(ReportOf(EConvertError("x")).message, "x");
    EXPECT_EQ(ReportOf(std::runtime_error("odd")).kind, ErrorKind::Internal);
    const ErrorReport memory = ReportOf(std::bad_alloc());
    EXPECT_EQ(memory.kind, ErrorKind::Internal);
    EXPECT_EQ(memory.message, "out of memory");
    // The numbers the C header publishes are the kinds' own.
    EXPECT_EQ(static_cast<int>(ErrorKind::BadArgument), DRU_ERR_BAD_ARGUMENT);
    EXPECT_EQ(static_cast<int>(ErrorKind::Internal), DRU_ERR_INTERNAL);
}

}  // namespace
}  // namespace dru::test
