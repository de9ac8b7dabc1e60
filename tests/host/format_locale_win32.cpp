// The regional settings on Windows: the user's own, as GetLocaleInfoEx gives
// them in text, and usable for the conversions.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/format.h"

namespace dru {
namespace {

std::wstring Item(LCTYPE type) {
    wchar_t buffer[128];
    const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
    return n > 0 ? std::wstring(buffer, n - 1) : L"";
}

TEST(WindowsRegionalSettings, AreTheUsersOwn) {
    const FormatSettings fs = DefaultFormatSettings();
    const std::wstring decimal = Item(LOCALE_SDECIMAL);
    ASSERT_EQ(decimal.size(), 1u);
    EXPECT_EQ(static_cast<wchar_t>(fs.DecimalSeparator), decimal[0]);
    // The layouts, read as numbers, are the ones the text items say.
    EXPECT_EQ(std::to_wstring(fs.CurrencyFormat), Item(LOCALE_ICURRENCY));
    EXPECT_EQ(std::to_wstring(fs.NegCurrFormat), Item(LOCALE_INEGCURR));
    EXPECT_NE(fs.DateSeparator, '\0');
    EXPECT_NE(fs.TimeSeparator, '\0');
}

TEST(WindowsRegionalSettings, DatesAndTimesReadBackWhatTheyPrint) {
    const FormatSettings fs = DefaultFormatSettings();
    const TDateTime t = EncodeDate(2026, 12, 8) + EncodeTime(17, 5, 9, 0);
    const std::string shown = DateTimeToStr(t, fs);
    EXPECT_DOUBLE_EQ(StrToDateTime(shown, fs, t), t)
        << shown << " with " << fs.ShortDateFormat << " " << fs.LongTimeFormat;
}

}  // namespace
}  // namespace dru
