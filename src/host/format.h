// Regional formatting: one settings record like the host platform's format
// settings, and the conversions the module uses, each behaving as the host's
// platform documents it (see the README for the defaults).
#pragma once
#include <string>
#include <string_view>

#include "host/clock.h"

namespace dru {

struct FormatSettings {
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';  // '\0': no grouping
    char DateSeparator = '-';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "dd-MM-yyyy";
    std::string LongTimeFormat = "h:mm:ss";
    std::string CurrencyString = "$";
    int CurrencyFormat = 2;     // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int NegCurrFormat = 9;      // 0 "($1)" ... 15 "(1 $)"
};

// The settings read from the process's locale environment where that can be
// done without touching the global locale; otherwise the fixed defaults above.
FormatSettings DefaultFormatSettings();
// The fixed defaults above, whatever the locale: one record for the life of
// the process.
const FormatSettings& FixedFormatSettings();

// ---- Numbers ----------------------------------------------------------------
// Number mask ("#,##0", "0000000000", "000000.000", up to three ";" sections).
std::string FormatFloat(std::string_view mask, double value, const FormatSettings& fs);
// Fixed notation, two decimals, no grouping ("1234567,89").
std::string FloatToStrFixed2(double value, const FormatSettings& fs);
// General notation, 15 significant digits ("1,5", "1E15").
std::string FloatToStr(double value, const FormatSettings& fs);
// Currency format with 0 or 2 decimals, grouping always ("$ 1.234,57").
std::string FloatToCurrency(double value, int digits, const FormatSettings& fs);
// Text to number under the settings' decimal separator; raises EConvertError.
double StrToFloat(std::string_view text, const FormatSettings& fs);
// Decimal integer text to number; raises EConvertError.
long long StrToInt(std::string_view text);

// ---- Dates and times ----------------------------------------------------------
TDateTime EncodeDate(int year, int month, int day);            // raises EConvertError
TDateTime EncodeTime(int hour, int minute, int second, int ms); // raises EConvertError
void DecodeDate(TDateTime t, int& year, int& month, int& day);
void DecodeTime(TDateTime t, int& hour, int& minute, int& second, int& ms);
// Whole part of a date-time (today = DateOf(now)).
TDateTime DateOf(TDateTime t);

// Format specifiers d dd m mm yy yyyy h hh n nn s ss zzz, "/" and ":".
std::string FormatDateTime(std::string_view format, TDateTime t, const FormatSettings& fs);
std::string DateToStr(TDateTime t, const FormatSettings& fs);      // short date format
std::string TimeToStr(TDateTime t, const FormatSettings& fs);      // long time format
// Short date, a blank, long time; the time is left out at exactly midnight.
std::string DateTimeToStr(TDateTime t, const FormatSettings& fs);
// The platform's parser: date in the short date format's day/month/year order
// with the settings' date separator, optionally followed by a time; or a time
// alone. Two-digit years use a 50-year window around the year of `now`.
// Raises EConvertError on text that does not parse or a date that does not exist.
TDateTime StrToDateTime(std::string_view text, const FormatSettings& fs, TDateTime now);

}  // namespace dru
