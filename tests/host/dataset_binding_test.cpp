// The regional settings and the clock a table converts with: the caller's
// records when bound, the fixed defaults and no clock when not.
#include <gtest/gtest.h>

#include "support/private_locale.h"
#include "support/scoped_env.h"

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/dataset.h"
#include "host/errors.h"
#include "host/format.h"

namespace dru {
namespace {

using test::ScopedEnv;

// One open row with a number, a date and a text field, ready to be edited.
void MakeRow(TClientDataSet& ds) {
    ds.AddFieldDef("F", FieldType::Float);
    ds.AddFieldDef("D", FieldType::DateTime);
    ds.AddFieldDef("S", FieldType::String, 20);
    ds.CreateDataSet();
    ds.Append();
    ds.FieldByName("F").SetAsFloat(1.5);
    ds.Post();
    ds.Edit();
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// Skipped where localedef is missing.
TEST(DataSetBinding, UnboundTableUsesTheFixedDefaultsWhateverTheLocale) {
#if defined(_WIN32)
    GTEST_SKIP() << "on Windows the settings are the user's regional settings, not the locale environment";
#endif
    const std::string dir = test::PrivateLocaleFolder();
    if (dir.empty()) GTEST_SKIP() << "localedef cannot build en_US";
    ScopedEnv env{{"LOCPATH", dir.c_str()}, {"LC_ALL", "en_US.UTF-8"}, {"LC_NUMERIC", "en_US.UTF-8"}};
    ASSERT_EQ(DefaultFormatSettings().DecimalSeparator, '.');  // the locale is in force

    TClientDataSet ds;
    MakeRow(ds);
    EXPECT_EQ(&ds.GetFormatSettings(), &FixedFormatSettings());
    EXPECT_EQ(ds.FieldByName("F").AsString(), "1,5");
    ds.FieldByName("F").SetAsString("2,25");
    EXPECT_DOUBLE_EQ(ds.FieldByName("F").AsFloat(), 2.25);
    EXPECT_THROW(ds.FieldByName("F").SetAsString("2.25"), EConvertError);  // not the decimal separator
    ds.FieldByName("D").SetAsString("31-12-2024 10:30");
    EXPECT_EQ(ds.FieldByName("D").AsString(), "31-12-2024 10:30:00");
}

TEST(DataSetBinding, BoundTableReadsTheCallersRecordAtEachConversion) {
    FormatSettings fs;
    VirtualClock clock;
    TClientDataSet ds;
    ds.Bind(fs, clock);
    MakeRow(ds);
    EXPECT_EQ(&ds.GetFormatSettings(), &fs);
    EXPECT_EQ(ds.FieldByName("F").AsString(), "1,5");
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    EXPECT_EQ(ds.FieldByName("F").AsString(), "1.5");
    ds.FieldByName("F").SetAsString("2.75");
    EXPECT_DOUBLE_EQ(ds.FieldByName("F").AsFloat(), 2.75);
    ds.FieldByName("S").SetAsFloat(0.5);  // a number stored as text takes the separator too
    EXPECT_EQ(ds.FieldByName("S").AsString(), "0.5");

    // A copy comes with its data only: each table keeps its own binding.
    ds.Post();
    TClientDataSet copy;
    copy.CopyFrom(ds);
    EXPECT_EQ(copy.FieldByName("F").AsString(), "2,75");
    ds.CopyFrom(copy);
    EXPECT_EQ(ds.FieldByName("F").AsString(), "2.75");
}

TEST(DataSetBinding, SetFormatSettingsKeepsACopy) {
    FormatSettings fs;
    fs.DecimalSeparator = '.';
    TClientDataSet ds;
    ds.SetFormatSettings(fs);
    MakeRow(ds);
    fs.DecimalSeparator = ',';  // the table's copy stays as it was given
    EXPECT_EQ(ds.FieldByName("F").AsString(), "1.5");
    EXPECT_NE(&ds.GetFormatSettings(), &fs);

    VirtualClock clock;
    ds.Bind(fs, clock);  // binding replaces the copy
    EXPECT_EQ(ds.FieldByName("F").AsString(), "1,5");
}

// Without a clock the table cannot tell which century "24" or which year
// "05-03" means; a date written in full, or a time alone, needs no clock.
TEST(DataSetBinding, UnboundTableRefusesDatesThatTakeTheirYearFromToday) {
    TClientDataSet ds;
    MakeRow(ds);
    TField& d = ds.FieldByName("D");
    d.SetAsString("05-03-2024");
    for (const char* text : {"05-03-24", "05-03", "05-03-24 10:30"}) {
        const std::string error = ErrorOf([&] { d.SetAsString(text); });
        EXPECT_NE(error.find("Field 'D'"), std::string::npos) << text << ": " << error;
        EXPECT_NE(error.find(std::string("'") + text + "'"), std::string::npos) << error;
        EXPECT_THROW(d.SetAsString(text), EConvertError);
    }
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeDate(2024, 3, 5));  // the refused texts changed nothing
    d.SetAsString("10:30");
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeTime(10, 30, 0, 0));
    EXPECT_THROW(d.SetAsString("31-02-2024"), EConvertError);  // still refused as no date at all

    // A date kept as text reads the same way.
    ds.FieldByName("S").SetAsString("05-03-24");
    EXPECT_NE(ErrorOf([&] { ds.FieldByName("S").AsDateTime(); }).find("Field 'S'"), std::string::npos);
    ds.Post();

    // In a filter the literal is refused where it stands.
    ds.SetFilter("D < '01-01-99'");
    const std::string error = ErrorOf([&] { ds.SetFiltered(true); });
    EXPECT_NE(error.find("'01-01-99'"), std::string::npos) << error;
    EXPECT_NE(error.find("at position 5"), std::string::npos) << error;
    EXPECT_FALSE(ds.Filtered());
    ds.SetFilter("D < '01-01-2099'");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 1);
}

TEST(DataSetBinding, BoundClockPlacesTwoDigitYearsAndYearlessDates) {
    FormatSettings fs;
    VirtualClock clock(EncodeDate(2026, 12, 8));
    TClientDataSet ds;
    ds.Bind(fs, clock);
    MakeRow(ds);
    TField& d = ds.FieldByName("D");
    d.SetAsString("05-03-24");
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeDate(2024, 3, 5));
    d.SetAsString("05-03-80");  // [1976, 2076)
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeDate(1980, 3, 5));
    d.SetAsString("05-03");
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeDate(2026, 3, 5));
    clock.set_now(EncodeDate(2150, 1, 1));  // the table asks its clock at each conversion
    d.SetAsString("05-03-80");
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeDate(2180, 3, 5));

    ds.SetClock(nullptr);
    EXPECT_THROW(d.SetAsString("05-03-80"), EConvertError);
}

}  // namespace
}  // namespace dru
