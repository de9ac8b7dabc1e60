#include "host/routines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/format.h"
#include "host/text.h"

namespace dru {
namespace {

struct WidthCase {
    const char* input;
    int width;
    const char* expected;
};

void expect_all(std::string (*f)(std::string_view, int), const char* name,
                const std::vector<WidthCase>& cases) {
    for (const auto& c : cases)
        EXPECT_EQ(f(c.input, c.width), c.expected) << name << "(\"" << c.input << "\", " << c.width << ")";
}

TEST(Widths, PadNeverCutsAndCountsCharacters) {
    expect_all(PadR, "PadR", {{"ab", 5, "ab   "}, {"abcdef", 3, "abcdef"}, {"", 2, "  "},
                              {"ñá", 4, "ñá  "}, {"ab", -1, "ab"}});
    expect_all(PadL, "PadL", {{"ab", 5, "   ab"}, {"abcdef", 3, "abcdef"}, {"ñ", 3, "  ñ"}});
}

TEST(Widths, FixedWidthsAreExactAndNeverSplitACharacter) {
    expect_all(TamFixo, "TamFixo", {{"ab", 4, "ab  "}, {"abcdef", 3, "abc"}, {"añoñoño", 3, "año"},
                                    {"x", 0, ""}, {"x", -2, ""}});
    expect_all(TamFixoR, "TamFixoR", {{"ab", 4, "  ab"}, {"abcdef", 3, "abc"}, {"ñ", 2, " ñ"}});
    expect_all(Ajusta, "Ajusta", {{"RES123", 10, "RES123    "}, {"RES123", 4, "RES1"},
                                  {"", 4, "    "}, {"Ñandú", 4, "Ñand"}});
    for (const char* s : {"RES123", "Ñandú", ""})
        for (int n : {0, 1, 4, 10}) EXPECT_EQ(text::length(TamFixo(s, n)), static_cast<std::size_t>(n));
}

TEST(Widths, AjustaZeroFillsNumbersOnTheLeft) {
    expect_all(AjustaZero, "AjustaZero", {{"12", 4, "0012"}, {"", 4, ""}, {"123456", 4, "123456"},
                                          {"1234", 4, "1234"}, {"-5", 4, "-005"}});
}

TEST(Widths, CentralizaPutsTheOddBlankOnTheRight) {
    expect_all(Centraliza, "Centraliza", {{"ab", 6, "  ab  "}, {"ab", 5, " ab  "}, {"abc", 2, "ab"},
                                          {"", 3, "   "}, {"ñ", 4, " ñ  "}});
    EXPECT_EQ(text::length(Centraliza("PARCIAL CUENTA", 42)), 42u);
}

TEST(Routines, ReplicateEmptyStringAndIif) {
    EXPECT_EQ(Replicate("-", 5), "-----");
    EXPECT_EQ(Replicate("=", 0), "");
    EXPECT_EQ(Replicate("ñ", 2), "ññ");
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_FALSE(EmptyString(" x "));
    EXPECT_EQ(iif(true, 1, 2), 1);
    EXPECT_EQ(iif(false, "S", "N"), "N");
}

TEST(Routines, DelayPausesOnTheClock) {
    VirtualClock clock;
    Delay(clock, 1);
    Delay(clock, 0);
    Delay(clock, 3);
    EXPECT_EQ(clock.pauses(), (std::vector<int>{1, 3}));
}

TEST(Routines, Trunc2CutsTowardZeroWithoutLosingACent) {
    const std::vector<std::pair<double, double>> cases = {
        {0.29, 0.29},   {2.5 * 900, 2250}, {1.239, 1.23},   {-1.239, -1.23}, {0.1 * 3, 0.3},
        {19.99, 19.99}, {1.15 * 100, 115}, {0.009, 0},      {-0.009, 0},     {4.35 * 100, 435},
        {1e16, 1e16},   {123456.789, 123456.78}, {0, 0},
    };
    for (const auto& [x, expected] : cases) EXPECT_EQ(Trunc2(x), expected) << x;
    // What callers do with the result: format it with two decimals.
    EXPECT_EQ(FloatToStrFixed2(Trunc2(0.29), FormatSettings{}), "0,29");
}

TEST(SubtDataHoraLum, DifferenceAsATimeTheParserReads) {
    const TDateTime ten = EncodeDate(2024, 3, 5) + EncodeTime(10, 0, 0, 0);
    const FormatSettings fs;
    const std::vector<std::pair<TDateTime, const char*>> cases = {
        {ten, "00:00:00"},
        {EncodeDate(2024, 3, 5) + EncodeTime(10, 15, 0, 0), "-00:15:00"},
        {EncodeDate(2024, 3, 5) + EncodeTime(10, 16, 0, 0), "-00:16:00"},
        {EncodeDate(2024, 3, 5) + EncodeTime(9, 44, 30, 0), "00:15:30"},
        {EncodeDate(2024, 3, 5) + EncodeTime(8, 0, 0, 999), "01:59:59"},  // part seconds do not count
        {EncodeDate(2024, 3, 4) + EncodeTime(10, 0, 0, 1), "23:59:59"},
        {EncodeDate(2024, 3, 4) + EncodeTime(10, 0, 0, 0), "23:59:59"},  // a whole day
        {EncodeDate(2024, 3, 6) + EncodeTime(10, 0, 0, 0), "-23:59:59"},
        {EncodeDate(2021, 1, 1), "23:59:59"},
    };
    for (const auto& [computer, expected] : cases) {
        const std::string diff = SubtDataHoraLum(ten, computer);
        EXPECT_EQ(diff, expected);
        // How the clock check reads it: without the sign, hours and minutes as hhnn.
        const std::string piece = diff[0] == '-' ? diff.substr(1, 5) : diff;
        EXPECT_NO_THROW(StrToDateTime(piece, fs, ten)) << piece;
    }
    EXPECT_EQ(SubtDataHoraLum(ten, std::nan("")), "23:59:59");
    EXPECT_EQ(SubtDataHoraLum(ten, 1e300), "-23:59:59");
    const std::string a_day = SubtDataHoraLum(ten, ten - 1);
    EXPECT_GT(StrToInt(FormatDateTime("hhnn", StrToDateTime(a_day, fs, ten), fs)), 15);
}

}  // namespace
}  // namespace dru
