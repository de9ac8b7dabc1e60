// A host table made with dru_dataset_new converts text under the module's
// regional settings in force at each call, not those of the day it was made.
#include <gtest/gtest.h>

#include <string>

#include "dru01000.h"

namespace {

// Puts the module's settings back however the test ends.
struct RestoreModuleSettings {
    ~RestoreModuleSettings() { dru_set_format_settings(nullptr); }
};

TEST(HostTableSettings, ATableFollowsLaterSettingsChanges) {
    RestoreModuleSettings restore;
    DruFormatSettings comma{',', '.', '-', ':', "dd-MM-yyyy", "h:mm:ss", "$", 2, 9};
    dru_set_format_settings(&comma);

    DruDataSet* ds = dru_dataset_new();  // made before the change
    ASSERT_TRUE(dru_dataset_add_field(ds, "VRTAXAADMI", DRU_FT_FLOAT, 0));
    ASSERT_TRUE(dru_dataset_create(ds));
    ASSERT_TRUE(dru_dataset_append(ds));
    ASSERT_TRUE(dru_dataset_set_number(ds, "VRTAXAADMI", 1.5));
    ASSERT_TRUE(dru_dataset_post(ds));
    EXPECT_STREQ(dru_dataset_get_text(ds, "VRTAXAADMI"), "1,5");

    DruFormatSettings dot{'.', ',', '/', ':', "MM/dd/yyyy", "hh:nn:ss", "$", 0, 1};
    dru_set_format_settings(&dot);
    EXPECT_STREQ(dru_dataset_get_text(ds, "VRTAXAADMI"), "1.5");
    ASSERT_TRUE(dru_dataset_edit(ds));
    EXPECT_TRUE(dru_dataset_set_text(ds, "VRTAXAADMI", "2.25"));
    EXPECT_FALSE(dru_dataset_set_text(ds, "VRTAXAADMI", "2,25"));  // no longer the decimal separator
    ASSERT_TRUE(dru_dataset_post(ds));
    EXPECT_DOUBLE_EQ(dru_dataset_get_number(ds, "VRTAXAADMI"), 2.25);

    dru_set_format_settings(&comma);
    EXPECT_STREQ(dru_dataset_get_text(ds, "VRTAXAADMI"), "2,25");
    dru_dataset_free(ds);
}

}  // namespace
