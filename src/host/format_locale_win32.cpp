// The regional settings on Windows: the user's own, read with
// GetLocaleInfoEx, the way the host's platform fills its format settings.
// An item that cannot be read or used keeps the fixed default.
#include <windows.h>

#include <string>

#include "host/format.h"
#include "host/locale_pictures.h"
#include "host/wide_text_win32.h"

namespace dru {
namespace {

// Longest locale item (LOCALE_SSHORTDATE is at most 80 characters).
constexpr int kMaxItemChars = 128;

std::wstring item(LCTYPE type) {
    wchar_t buffer[kMaxItemChars];
    const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, kMaxItemChars);
    return n > 0 ? std::wstring(buffer, static_cast<std::size_t>(n - 1)) : std::wstring();
}

// A numeric item; -1 when it cannot be read.
int number_item(LCTYPE type) {
    DWORD value = 0;
    const int n =
        ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<wchar_t*>(&value), sizeof value / sizeof(wchar_t));
    return n > 0 ? static_cast<int>(value) : -1;
}

bool is_ascii_char(const std::wstring& s) {
    return s.size() == 1 && s[0] < 0x80;
}

void read_numeric(FormatSettings& fs) {
    const std::wstring decimal = item(LOCALE_SDECIMAL);
    const std::wstring thousands = item(LOCALE_STHOUSAND);
    if (is_ascii_char(decimal)) fs.DecimalSeparator = static_cast<char>(decimal[0]);
    if (thousands.empty()) {
        fs.ThousandSeparator = '\0';
    } else {
        // A separator beyond ASCII (a no-break space) prints as a blank.
        fs.ThousandSeparator = is_ascii_char(thousands) ? static_cast<char>(thousands[0]) : ' ';
    }
    if (fs.ThousandSeparator == fs.DecimalSeparator) fs.ThousandSeparator = '\0';
}

void read_time(FormatSettings& fs) {
    if (const auto date = TranslateDatePicture(win32::ToUtf8(item(LOCALE_SSHORTDATE)))) {
        fs.ShortDateFormat = date->format;
        fs.DateSeparator = date->separator;
    }
    if (const auto time = TranslateTimePicture(win32::ToUtf8(item(LOCALE_STIMEFORMAT)))) {
        fs.LongTimeFormat = time->format;
        fs.TimeSeparator = time->separator;
    }
}

// The currency layouts are numbered as the host's platform numbers them,
// which is Windows's own numbering.
void read_monetary(FormatSettings& fs) {
    constexpr int kLastCurrencyFormat = 3, kLastNegativeFormat = 15;
    const std::string symbol = win32::ToUtf8(item(LOCALE_SCURRENCY));
    if (!symbol.empty()) fs.CurrencyString = symbol;
    const int positive = number_item(LOCALE_ICURRENCY);
    const int negative = number_item(LOCALE_INEGCURR);
    if (positive >= 0 && positive <= kLastCurrencyFormat) fs.CurrencyFormat = positive;
    if (negative >= 0 && negative <= kLastNegativeFormat) fs.NegCurrFormat = negative;
}

}  // namespace

FormatSettings DefaultFormatSettings() {
    FormatSettings fs;
    read_numeric(fs);
    read_time(fs);
    read_monetary(fs);
    return fs;
}

}  // namespace dru
