#include "host/format.h"

#include <gtest/gtest.h>

#include "support/private_locale.h"
#include "support/scoped_env.h"

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <optional>
#include <string>
#include <vector>

#include "host/errors.h"

namespace dru {
namespace {

const FormatSettings kChile{};

FormatSettings us_settings() {
    FormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    return fs;
}

struct MaskCase {
    const char* mask;
    double value;
    const char* expected;
};

TEST(FormatFloat, MasksUnderChileanSettings) {
    const std::vector<MaskCase> cases = {
        {"#,##0", 0, "0"},
        {"#,##0", 0.4, "0"},
        {"#,##0", 0.5, "1"},
        {"#,##0", 2.5, "3"},
        {"#,##0", 999.5, "1.000"},
        {"#,##0", 1234567, "1.234.567"},
        {"#,##0", -1234567.5, "-1.234.568"},
        {"#,##0", -0.5, "-1"},
        {"#,##0", -0.4, "0"},  // never "-0"
        {",##0", 1234567, "1.234.567"},
        {"0000000000", 123, "0000000123"},
        {"0000000000", -123, "-0000000123"},
        {"0000000000", 123.5, "0000000124"},
        {"0000000000", 12345678901, "12345678901"},
        {"0000000000", 1234.6, "0000001235"},
        {"000000000", 42.49, "000000042"},
        {"000000000", -42.5, "-000000043"},
        {"000000000", 1234567890, "1234567890"},
        {"000000.000", 12.3456, "000012,346"},
        {"000000.000", 0.0005, "000000,001"},
        {"000000.000", 1234567.8915, "1234567,892"},
        {"000000.000", 1.5, "000001,500"},
        {"0.00", 1.005, "1,01"},  // rounded on the 15 digits the host shows
        {"0.##", 1, "1"},         // no separator without decimals
        {"0.0#", 1.25, "1,25"},
        {"#", 0, ""},
        {"$ #,##0.00", 1234.5, "$ 1.234,50"},
        {"\"R\"0", 7, "R7"},
        {"0;(0);zero", -5, "(5)"},
        {"0;(0);zero", 0, "zero"},
        {"0;(0);zero", -0.2, "zero"},  // rounds to zero: the zero section
        {"0;;zero", -5, "-5"},         // empty negative section: the first, with "-"
        {"", 1.5, "1,5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(c.mask, c.value, kChile), c.expected) << c.mask << " of " << c.value;
}

TEST(FormatFloat, GroupingFollowsTheSettings) {
    EXPECT_EQ(FormatFloat("#,##0", 1234567, us_settings()), "1,234,567");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234.567, us_settings()), "-1,234.57");
    FormatSettings none = kChile;
    none.ThousandSeparator = '\0';
    EXPECT_EQ(FormatFloat("#,##0", 1234567, none), "1234567");
}

TEST(FormatFloat, QuantityMaskLessItsSeparatorGivesThousandths) {
    std::string text = FormatFloat("000000.000", 1.5, kChile);
    text.erase(6, 1);
    EXPECT_EQ(text, "000001500");
}

TEST(FloatToText, FixedTwoDecimals) {
    const std::vector<std::pair<double, const char*>> cases = {
        {1234567.891, "1234567,89"}, {0.1, "0,10"},   {-0.005, "-0,01"},
        {-0.001, "0,00"},            {2.675, "2,68"}, {1e20, "1E20"},
    };
    for (const auto& [v, expected] : cases) EXPECT_EQ(FloatToStrFixed2(v, kChile), expected) << v;
}

TEST(FloatToText, GeneralFifteenDigits) {
    const std::vector<std::pair<double, const char*>> cases = {
        {100, "100"},
        {1.5, "1,5"},
        {0.1 + 0.2, "0,3"},
        {1.0 / 3, "0,333333333333333"},
        {1e15, "1E15"},
        {999999999999999, "999999999999999"},
        {0.0000099, "9,9E-6"},
        {0.00001, "0,00001"},
        {-2.5, "-2,5"},
        {0, "0"},
        {123456789012345678.0, "1,23456789012346E17"},
    };
    for (const auto& [v, expected] : cases) EXPECT_EQ(FloatToStr(v, kChile), expected) << v;
}

TEST(FloatToText, CurrencyLayouts) {
    EXPECT_EQ(FloatToCurrency(1234.5, 0, kChile), "$ 1.235");
    EXPECT_EQ(FloatToCurrency(1234.565, 2, kChile), "$ 1.234,57");
    EXPECT_EQ(FloatToCurrency(-1234.56, 2, kChile), "-$ 1.234,56");
    EXPECT_EQ(FloatToCurrency(-0.001, 2, kChile), "$ 0,00");

    const char* positive[] = {"$1", "1$", "$ 1", "1 $"};
    const char* negative[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)",  "-1$",   "1-$",   "1$-",
                              "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    FormatSettings fs = kChile;
    for (int f = 0; f < 4; ++f) {
        fs.CurrencyFormat = f;
        EXPECT_EQ(FloatToCurrency(1, 0, fs), positive[f]) << "format " << f;
    }
    for (int f = 0; f < 16; ++f) {
        fs.NegCurrFormat = f;
        EXPECT_EQ(FloatToCurrency(-1, 0, fs), negative[f]) << "negative format " << f;
    }
}

TEST(TextToNumber, StrToFloatUsesTheSettingsSeparatorOnly) {
    EXPECT_DOUBLE_EQ(StrToFloat("12,5", kChile), 12.5);
    EXPECT_DOUBLE_EQ(StrToFloat(" -0,25 ", kChile), -0.25);
    EXPECT_DOUBLE_EQ(StrToFloat("1,5E3", kChile), 1500);
    EXPECT_DOUBLE_EQ(StrToFloat("7", kChile), 7);
    EXPECT_DOUBLE_EQ(StrToFloat(",5", kChile), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("12.5", us_settings()), 12.5);
    // "." is the thousands separator here: "1.234" must not become 1,234.
    for (const char* bad : {"1.234", "", " ", "abc", "1,2,3", "1E", "-", "1 000", "1e999", ","})
        EXPECT_THROW(StrToFloat(bad, kChile), EConvertError) << bad;
    try {
        StrToFloat("x1", kChile);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("'x1'"), std::string::npos);
    }
}

TEST(TextToNumber, StrToIntAcceptsOnlyDecimalIntegers) {
    EXPECT_EQ(StrToInt("012"), 12);
    EXPECT_EQ(StrToInt("-7"), -7);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("  42"), 42);
    EXPECT_EQ(StrToInt("9223372036854775807"), 9223372036854775807LL);
    for (const char* bad : {"", "0:", "12 ", "1.5", "$1F", "0x10", "+-1", "-", "abc", "99999999999999999999"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    try {
        StrToInt("0:1");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "'0:1' is not a valid integer value");
    }
}

TEST(Dates, EncodeAndDecodeRoundTrip) {
    EXPECT_EQ(EncodeDate(2024, 12, 31), 45657);
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    for (auto [y, m, d] : std::vector<std::tuple<int, int, int>>{
             {2023, 2, 29}, {2024, 4, 31}, {2024, 13, 1}, {2024, 0, 1}, {0, 1, 1}, {2024, 1, 0}})
        EXPECT_THROW(EncodeDate(y, m, d), EConvertError) << y << "-" << m << "-" << d;
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);

    for (int y : {1, 1899, 1900, 2000, 2024, 2100, 9999}) {
        for (int m : {1, 2, 12}) {
            int yy, mm, dd;
            DecodeDate(EncodeDate(y, m, 28), yy, mm, dd);
            EXPECT_EQ((std::vector<int>{yy, mm, dd}), (std::vector<int>{y, m, 28}));
        }
    }
    int h, n, s, ms;
    DecodeTime(EncodeDate(2024, 3, 5) + EncodeTime(9, 7, 3, 250), h, n, s, ms);
    EXPECT_EQ((std::vector<int>{h, n, s, ms}), (std::vector<int>{9, 7, 3, 250}));
    // A hair before midnight rounds to the next day, never to "24:00".
    int y, m, d;
    const TDateTime almost = EncodeDate(2024, 12, 31) + 0.9999999999;
    DecodeDate(almost, y, m, d);
    DecodeTime(almost, h, n, s, ms);
    EXPECT_EQ((std::vector<int>{y, m, d, h, n, s}), (std::vector<int>{2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(DateOf(45657.75), 45657);
    // Values no calendar holds are conversion errors, not garbage.
    for (TDateTime bad : {std::nan(""), 1e300, -1e300, 2958466.0})
        EXPECT_THROW(FormatDateTime("dd-mm-yyyy", bad, kChile), EConvertError) << bad;
    EXPECT_EQ(FormatDateTime("dd-mm-yyyy", 2958465.5, kChile), "31-12-9999");
}

TEST(Dates, FormatSpecifiers) {
    const TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(9, 7, 3, 45);
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"hh", "09"},           {"nn", "07"},        {"hhnn", "0907"},
        {"hh:mm:ss", "09:07:03"}, {"ddmmyy", "050324"}, {"d/m/yyyy", "5-3-2024"},
        {"h:n:s.zzz", "9:7:3.045"}, {"dd-MM-yyyy", "05-03-2024"}, {"'hh' hh", "hh 09"},
        {"\"dd\"dd", "dd05"},   {"mm", "03"},        {"h mm", "9 07"},
        {"hh dd mm", "09 05 03"},  // a date field in between: "mm" is the month again
    };
    for (const auto& [fmt, expected] : cases) EXPECT_EQ(FormatDateTime(fmt, t, kChile), expected) << fmt;
    FormatSettings dots = kChile;
    dots.TimeSeparator = '.';
    EXPECT_EQ(FormatDateTime("hh:nn", t, dots), "09.07");
}

TEST(Dates, ToTextUnderTheSettings) {
    const TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(9, 7, 3, 0);
    EXPECT_EQ(DateToStr(t, kChile), "05-03-2024");
    EXPECT_EQ(TimeToStr(t, kChile), "9:07:03");
    EXPECT_EQ(DateTimeToStr(t, kChile), "05-03-2024 9:07:03");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5), kChile), "05-03-2024");  // midnight: no time
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5) + EncodeTime(0, 0, 1, 0), kChile),
              "05-03-2024 0:00:01");
}

TEST(Dates, ParserFollowsTheSettings) {
    const TDateTime now = EncodeDate(2026, 12, 8) + 0.5;
    FormatSettings slash = kChile;
    slash.DateSeparator = '/';
    slash.ShortDateFormat = "dd/mm/yy";
    FormatSettings us = kChile;
    us.DateSeparator = '/';
    us.ShortDateFormat = "M/d/yyyy";

    struct Case {
        const char* text;
        const FormatSettings* fs;
        TDateTime expected;
    };
    const std::vector<Case> cases = {
        {"31-12-2024", &kChile, EncodeDate(2024, 12, 31)},
        {"31-12-2024 23:59", &kChile, EncodeDate(2024, 12, 31) + EncodeTime(23, 59, 0, 0)},
        {" 5-3-2024 9:07:03 ", &kChile, EncodeDate(2024, 3, 5) + EncodeTime(9, 7, 3, 0)},
        {"31/12/24 23:59", &slash, EncodeDate(2024, 12, 31) + EncodeTime(23, 59, 0, 0)},
        {"12/31/2024", &us, EncodeDate(2024, 12, 31)},
        {"05-03", &kChile, EncodeDate(2026, 3, 5)},  // the year of now
        {"10:15", &kChile, EncodeTime(10, 15, 0, 0)},
        {"00:16:00", &kChile, EncodeTime(0, 16, 0, 0)},
        // Two-digit years: 50 years either side of 2026.
        {"01-01-76", &kChile, EncodeDate(1976, 1, 1)},
        {"01-01-75", &kChile, EncodeDate(2075, 1, 1)},
        {"01-01-00", &kChile, EncodeDate(2000, 1, 1)},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToDateTime(c.text, *c.fs, now), c.expected) << c.text;

    for (const char* bad : {"31/12/24 23:59", "", "31-04-2024", "29-02-2023", "31-12-2024 24:00",
                            "31-12-2024 10", "10:60", "ab-cd-efgh", "1-2-3-4", "31-12-2024x",
                            "31-12-2024  23:59 x"})
        EXPECT_THROW(StrToDateTime(bad, kChile, now), EConvertError) << bad;
    try {
        StrToDateTime("31-04-2024", kChile, now);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("'31-04-2024'"), std::string::npos);
    }
}

using test::ScopedEnv;

bool same(const FormatSettings& a, const FormatSettings& b) {
    return a.DecimalSeparator == b.DecimalSeparator && a.ThousandSeparator == b.ThousandSeparator &&
           a.DateSeparator == b.DateSeparator && a.TimeSeparator == b.TimeSeparator &&
           a.ShortDateFormat == b.ShortDateFormat && a.LongTimeFormat == b.LongTimeFormat &&
           a.CurrencyString == b.CurrencyString && a.CurrencyFormat == b.CurrencyFormat &&
           a.NegCurrFormat == b.NegCurrFormat;
}

TEST(DefaultSettings, PlainOrMissingLocaleGivesTheFixedDefaults) {
#if defined(_WIN32)
    GTEST_SKIP() << "on Windows the settings are the user's regional settings, not the locale environment";
#endif
    const char* vars[] = {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"};
    for (const char* name : {"", "C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
        ScopedEnv env{{vars[0], name}, {vars[1], nullptr}, {vars[2], nullptr}, {vars[3], nullptr},
                      {vars[4], nullptr}};
        EXPECT_TRUE(same(DefaultFormatSettings(), FormatSettings{})) << "'" << name << "'";
    }
}

// Skipped where localedef is missing.
TEST(DefaultSettings, ReadsTheLocaleOfEachCategory) {
#if defined(_WIN32)
    GTEST_SKIP() << "on Windows the settings are the user's regional settings, not the locale environment";
#endif
    const std::string dir = test::PrivateLocaleFolder();
    if (dir.empty()) GTEST_SKIP() << "localedef cannot build en_US";
    ScopedEnv env{{"LOCPATH", dir.c_str()}, {"LC_ALL", nullptr},      {"LC_NUMERIC", nullptr},
                  {"LC_TIME", "C"},         {"LC_MONETARY", nullptr}, {"LANG", "en_US.UTF-8"}};
    const FormatSettings fs = DefaultFormatSettings();
    EXPECT_EQ(fs.DecimalSeparator, '.');
    EXPECT_EQ(fs.ThousandSeparator, ',');
    EXPECT_EQ(fs.CurrencyString, "$");
    EXPECT_EQ(fs.CurrencyFormat, 0);  // "$1"
    EXPECT_EQ(fs.NegCurrFormat, 1);   // "-$1"
    // LC_TIME=C: the dates keep the fixed defaults.
    EXPECT_EQ(fs.ShortDateFormat, FormatSettings{}.ShortDateFormat);

    ScopedEnv all{{"LC_ALL", "en_US.UTF-8"}};
    const FormatSettings us = DefaultFormatSettings();
    EXPECT_EQ(us.DateSeparator, '/');
    EXPECT_EQ(us.ShortDateFormat, "MM/dd/yyyy");
    EXPECT_EQ(us.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5), us), "03/05/2024");
}

}  // namespace
}  // namespace dru
