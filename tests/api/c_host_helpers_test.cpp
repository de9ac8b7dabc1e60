// The host-side helpers of the C interface: a host builds, walks, filters and
// exchanges tables through them; failures come back as false and
// dru_last_error(), never as a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dru01000.h"

namespace {

struct Table {
    DruDataSet* ds = dru_dataset_new();
    ~Table() { dru_dataset_free(ds); }
};

void MakePaymentTypes(DruDataSet* ds) {
    ASSERT_TRUE(dru_dataset_add_field(ds, "CDTIPORECE", DRU_FT_STRING, 3));
    ASSERT_TRUE(dru_dataset_add_field(ds, "IDTPBUTTON", DRU_FT_STRING, 1));
    ASSERT_TRUE(dru_dataset_add_field(ds, "VRTAXAADMI", DRU_FT_FLOAT, 0));
    ASSERT_TRUE(dru_dataset_create(ds));
    const struct {
        const char* code;
        const char* button;
        double rate;
    } rows[] = {{"001", "5", 1.5}, {"002", "1", 0}, {"003", "5", 2}};
    for (const auto& r : rows) {
        ASSERT_TRUE(dru_dataset_append(ds));
        ASSERT_TRUE(dru_dataset_set_text(ds, "CDTIPORECE", r.code));
        ASSERT_TRUE(dru_dataset_set_text(ds, "IDTPBUTTON", r.button));
        ASSERT_TRUE(dru_dataset_set_number(ds, "VRTAXAADMI", r.rate));
        ASSERT_TRUE(dru_dataset_post(ds));
    }
}

std::string Codes(DruDataSet* ds) {
    std::string out;
    for (dru_dataset_first(ds); !dru_dataset_eof(ds); dru_dataset_next(ds))
        out += std::string(dru_dataset_get_text(ds, "CDTIPORECE")) + " ";
    return out;
}

TEST(CHostHelpers, TextsAndParameterArrays) {
    DruText* t = dru_text_new(nullptr);
    EXPECT_STREQ(dru_text_get(t), "");
    dru_text_set(t, "ma\xF1" "ana");  // Latin-1 from a legacy host
    EXPECT_STREQ(dru_text_get(t), "mañana");
    dru_text_free(t);

    DruParams* p = dru_params_new();
    dru_params_add_text(p, "stCdPortaImpFis", "COM1");
    dru_params_add_number(p, "doValor", 12.5);
    dru_params_add_number(p, "inTipo", 30);
    ASSERT_EQ(dru_params_count(p), 3);
    EXPECT_STREQ(dru_params_name(p, 0), "stCdPortaImpFis");
    EXPECT_STREQ(dru_params_text(p, 0), "COM1");
    const std::string number = dru_params_text(p, 1);
    EXPECT_TRUE(number == "12,5" || number == "12.5") << number;  // general format, module settings
    DruFormatSettings dot{'.', '\0', '/', ':', "dd/MM/yyyy", "hh:nn:ss", "$", 0, 1};
    dru_set_format_settings(&dot);
    dru_params_add_number(p, "doPonto", 0.25);
    EXPECT_STREQ(dru_params_text(p, 3), "0.25");
    dru_set_format_settings(nullptr);
    dru_params_free(p);
    p = dru_params_new();
    dru_params_add_text(p, "stCdPortaImpFis", "COM1");
    dru_params_add_number(p, "doValor", 12.5);
    dru_params_add_number(p, "inTipo", 30);
    EXPECT_STREQ(dru_params_text(p, 2), "30");
    EXPECT_STREQ(dru_params_name(p, 3), "");
    EXPECT_NE(std::string(dru_last_error()).find("out of range"), std::string::npos);
    dru_params_free(p);
}

TEST(CHostHelpers, BuildFilterAndReadATable) {
    Table t;
    MakePaymentTypes(t.ds);
    EXPECT_EQ(dru_dataset_record_count(t.ds), 3);
    ASSERT_TRUE(dru_dataset_set_filter(t.ds, "IDTPBUTTON = '5'", true));
    EXPECT_EQ(Codes(t.ds), "001 003 ");
    dru_dataset_first(t.ds);
    EXPECT_DOUBLE_EQ(dru_dataset_get_number(t.ds, "VRTAXAADMI"), 1.5);
    EXPECT_FALSE(dru_dataset_is_null(t.ds, "VRTAXAADMI"));

    ASSERT_TRUE(dru_dataset_edit(t.ds));
    ASSERT_TRUE(dru_dataset_set_null(t.ds, "VRTAXAADMI"));
    ASSERT_TRUE(dru_dataset_post(t.ds));
    EXPECT_TRUE(dru_dataset_is_null(t.ds, "VRTAXAADMI"));

    // A refused filter leaves the old one in place.
    EXPECT_FALSE(dru_dataset_set_filter(t.ds, "NOFIELD = 1", true));
    EXPECT_NE(std::string(dru_last_error()).find("NOFIELD"), std::string::npos);
    EXPECT_EQ(Codes(t.ds), "001 003 ");
    ASSERT_TRUE(dru_dataset_set_filter(t.ds, "", false));
    EXPECT_EQ(dru_dataset_record_count(t.ds), 3);
}

TEST(CHostHelpers, FailuresReportAndLeaveThingsAsTheyWere) {
    Table t;
    MakePaymentTypes(t.ds);
    ASSERT_TRUE(dru_dataset_first(t.ds));
    EXPECT_FALSE(dru_dataset_post(t.ds));  // not editing
    EXPECT_NE(std::string(dru_last_error()).find("not in edit or insert mode"), std::string::npos);
    EXPECT_FALSE(dru_dataset_set_text(t.ds, "CDTIPORECE", "9"));  // outside edit
    EXPECT_STREQ(dru_dataset_get_text(t.ds, "NOFIELD"), "");
    EXPECT_STREQ(dru_last_error(), "dru_dataset_get_text: ds: Field 'NOFIELD' not found");
    EXPECT_EQ(dru_dataset_get_number(t.ds, "CDTIPORECE"), 1.0);  // "001" reads as a number
    EXPECT_STREQ(dru_last_error(), "");                           // cleared by the next entry point
    EXPECT_FALSE(dru_dataset_add_field(t.ds, "X", 99, 0));  // open table, unknown type
    ASSERT_TRUE(dru_dataset_edit(t.ds));
    EXPECT_FALSE(dru_dataset_set_text(t.ds, "VRTAXAADMI", "abc"));  // does not convert
    EXPECT_NE(std::string(dru_last_error()).find("VRTAXAADMI"), std::string::npos);
    EXPECT_DOUBLE_EQ(dru_dataset_get_number(t.ds, "VRTAXAADMI"), 1.5);
    ASSERT_TRUE(dru_dataset_post(t.ds));
    EXPECT_FALSE(dru_dataset_set_data(t.ds, "<DATAPACKET"));
    EXPECT_NE(std::string(dru_last_error()).find("at byte"), std::string::npos);
    EXPECT_EQ(dru_dataset_record_count(t.ds), 3);
    EXPECT_FALSE(dru_dataset_load_from_file(t.ds, "/nonexistent/DedOvor.cds"));
    EXPECT_NE(std::string(dru_last_error()).find("/nonexistent/DedOvor.cds"), std::string::npos);

    // NULL handles: nothing done, nothing crashes.
    EXPECT_FALSE(dru_dataset_first(nullptr));
    EXPECT_TRUE(dru_dataset_eof(nullptr));
    EXPECT_EQ(dru_dataset_record_count(nullptr), 0);
    EXPECT_STREQ(dru_dataset_get_text(nullptr, "X"), "");
    EXPECT_FALSE(dru_dataset_get_data(t.ds, nullptr));
    EXPECT_STREQ(dru_text_get(nullptr), "");
    dru_text_set(nullptr, "x");
    dru_params_add_text(nullptr, "a", "b");
    EXPECT_EQ(dru_params_count(nullptr), 0);
    dru_dataset_free(nullptr);
}

TEST(CHostHelpers, PacketsAndFilesRoundTrip) {
    Table t;
    MakePaymentTypes(t.ds);
    DruText* packet = dru_text_new(nullptr);
    ASSERT_TRUE(dru_dataset_get_data(t.ds, packet));
    Table copy;
    ASSERT_TRUE(dru_dataset_set_data(copy.ds, dru_text_get(packet)));
    EXPECT_EQ(Codes(copy.ds), "001 002 003 ");

    const std::string path = ::testing::TempDir() + "c_host_helpers_test.cds";
    ASSERT_TRUE(dru_dataset_save_to_file(t.ds, path.c_str()));
    Table loaded;
    ASSERT_TRUE(dru_dataset_load_from_file(loaded.ds, path.c_str()));
    EXPECT_EQ(Codes(loaded.ds), "001 002 003 ");
    std::remove(path.c_str());
    dru_text_free(packet);
}

}  // namespace
