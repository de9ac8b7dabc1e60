// Dates and times: the host's date-time double (days since 1899-12-30, time of
// day as the fraction), its format specifiers and its date-time parser.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/errors.h"
#include "host/format.h"

namespace dru {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kDays1970 = 25569;  // 1970-01-01 as a host date
// Two-digit years fall in [year now - 50, year now + 50).
constexpr int kTwoDigitYearWindow = 50;

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

bool valid_date(int y, int m, int d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= days_in_month(y, m);
}

// Days since 1970-01-01 of a proleptic Gregorian date (and back).
std::int64_t days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = static_cast<int>(z - era * 146097);
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400) + (m <= 2);
}

// The date (whole part, toward zero as the host takes it) and the time of day in
// whole milliseconds; a time that rounds up to midnight moves to the next day.
struct Split {
    std::int64_t day;
    std::int64_t ms;
};

// 0001-01-01 and the day after 9999-12-31: the dates the host can hold.
constexpr double kFirstDay = -693593;
constexpr double kEndDay = 2958466;

Split split(TDateTime t) {
    if (!(t > kFirstDay - 1 && t < kEndDay)) throw EConvertError("Invalid date-time value");
    std::int64_t day = static_cast<std::int64_t>(std::trunc(t));
    std::int64_t ms = std::llround(std::fabs(t - std::trunc(t)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        day += t < 0 ? -1 : 1;
    }
    return {day, ms};
}

struct Fields {
    int year, month, day, hour, minute, second, ms;
};

Fields fields_of(TDateTime t) {
    const Split s = split(t);
    Fields f{};
    civil_from_days(s.day - kDays1970, f.year, f.month, f.day);
    f.hour = static_cast<int>(s.ms / 3600000);
    f.minute = static_cast<int>(s.ms / 60000 % 60);
    f.second = static_cast<int>(s.ms / 1000 % 60);
    f.ms = static_cast<int>(s.ms % 1000);
    return f;
}

std::string two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string padded(int v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
    return s;
}

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Appends the text of one format; `depth` stops a format that names itself.
void format_into(std::string& out, std::string_view fmt, const Fields& f, bool has_time,
                 const FormatSettings& fs, int depth) {
    bool after_hour = false;  // "m" right after h/hh means minutes
    for (std::size_t i = 0; i < fmt.size();) {
        const char c = fmt[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = fmt.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? fmt.size() : end;
            out.append(fmt.substr(i + 1, stop - i - 1));
            i = stop == fmt.size() ? stop : stop + 1;
            continue;
        }
        const char k = lower(c);
        std::size_t run = 1;
        while (i + run < fmt.size() && lower(fmt[i + run]) == k) ++run;
        bool hour = false;
        switch (k) {
            case 'd':
                if (run >= 5 && depth == 0) {
                    format_into(out, fs.ShortDateFormat, f, has_time, fs, depth + 1);
                } else {
                    out += run == 1 ? std::to_string(f.day) : two(f.day);
                }
                break;
            case 'm': {
                const int v = after_hour ? f.minute : f.month;
                out += run == 1 ? std::to_string(v) : two(v);
                break;
            }
            case 'y':
                out += run <= 2 ? two(f.year % 100) : padded(f.year, 4);
                break;
            case 'h':
                out += run == 1 ? std::to_string(f.hour) : two(f.hour);
                hour = true;
                break;
            case 'n':
                out += run == 1 ? std::to_string(f.minute) : two(f.minute);
                break;
            case 's':
                out += run == 1 ? std::to_string(f.second) : two(f.second);
                break;
            case 'z':
                out += run < 3 ? std::to_string(f.ms) : padded(f.ms, 3);
                break;
            case 't':
                if (depth == 0) format_into(out, fs.LongTimeFormat, f, has_time, fs, depth + 1);
                break;
            case 'c':
                if (depth == 0) {
                    format_into(out, fs.ShortDateFormat, f, has_time, fs, depth + 1);
                    if (has_time) {
                        out += ' ';
                        format_into(out, fs.LongTimeFormat, f, has_time, fs, depth + 1);
                    }
                }
                break;
            default:
                // Separators and literals leave the hour context as it was ("hh:mm").
                if (k == '/') {
                    out.append(run, fs.DateSeparator);
                } else if (k == ':') {
                    out.append(run, fs.TimeSeparator);
                } else {
                    out.append(fmt.substr(i, run));
                }
                i += run;
                continue;
        }
        after_hour = hour;
        i += run;
    }
}

// ---- Parsing ------------------------------------------------------------------

[[noreturn]] void not_a_date(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
}

// Numbers separated by `sep`, each of 1 to `max_digits` digits; nothing else.
std::optional<std::vector<int>> numbers(std::string_view s, char sep, int max_digits) {
    std::vector<int> out;
    std::size_t i = 0;
    while (true) {
        std::size_t j = i;
        int v = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9' && static_cast<int>(j - i) < max_digits)
            v = v * 10 + (s[j++] - '0');
        if (j == i) return std::nullopt;
        out.push_back(v);
        if (j == s.size()) return out;
        if (s[j] != sep) return std::nullopt;
        i = j + 1;
    }
}

// "dmy", "mdy" or "ymd": the order of the short date format's fields.
std::string date_order(const std::string& short_date) {
    std::string order;
    for (char c : short_date) {
        const char k = lower(c);
        if ((k == 'd' || k == 'm' || k == 'y') && order.find(k) == std::string::npos) order += k;
    }
    return order.size() == 3 ? order : "dmy";
}

std::optional<TDateTime> parse_date(std::string_view s, const FormatSettings& fs, int year_now) {
    const auto parts = numbers(s, fs.DateSeparator, 4);
    if (!parts || parts->size() < 2 || parts->size() > 3) return std::nullopt;
    std::string order = date_order(fs.ShortDateFormat);
    int y = year_now, m = 0, d = 0;
    bool short_year = false;
    if (parts->size() == 2) order.erase(order.find('y'), 1);  // day and month of this year
    for (std::size_t k = 0; k < parts->size(); ++k) {
        const int v = (*parts)[k];
        switch (order[k]) {
            case 'd': d = v; break;
            case 'm': m = v; break;
            default:
                y = v;
                short_year = v < 100;
        }
    }
    if (short_year) {
        const int threshold = year_now - kTwoDigitYearWindow;
        y += threshold / 100 * 100;
        if (y < threshold) y += 100;
    }
    if (!valid_date(y, m, d)) return std::nullopt;
    return static_cast<TDateTime>(days_from_civil(y, m, d) + kDays1970);
}

std::optional<TDateTime> parse_time(std::string_view s, const FormatSettings& fs) {
    const auto parts = numbers(s, fs.TimeSeparator, 2);
    if (!parts || parts->size() < 2 || parts->size() > 3) return std::nullopt;
    const int h = (*parts)[0], n = (*parts)[1], sec = parts->size() == 3 ? (*parts)[2] : 0;
    if (h > 23 || n > 59 || sec > 59) return std::nullopt;
    return EncodeTime(h, n, sec, 0);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    if (!valid_date(year, month, day)) throw EConvertError("Invalid argument to date encode");
    return static_cast<TDateTime>(days_from_civil(year, month, day) + kDays1970);
}

TDateTime EncodeTime(int hour, int minute, int second, int ms) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        ms < 0 || ms > 999)
        throw EConvertError("Invalid argument to time encode");
    return static_cast<TDateTime>(((hour * 60LL + minute) * 60 + second) * 1000 + ms) / kMsPerDay;
}

void DecodeDate(TDateTime t, int& year, int& month, int& day) {
    const Fields f = fields_of(t);
    year = f.year;
    month = f.month;
    day = f.day;
}

void DecodeTime(TDateTime t, int& hour, int& minute, int& second, int& ms) {
    const Fields f = fields_of(t);
    hour = f.hour;
    minute = f.minute;
    second = f.second;
    ms = f.ms;
}

TDateTime DateOf(TDateTime t) { return std::trunc(t); }

std::string FormatDateTime(std::string_view format, TDateTime t, const FormatSettings& fs) {
    std::string out;
    format_into(out, format, fields_of(t), split(t).ms != 0, fs, 0);
    return out;
}

std::string DateToStr(TDateTime t, const FormatSettings& fs) {
    return FormatDateTime(fs.ShortDateFormat, t, fs);
}

std::string TimeToStr(TDateTime t, const FormatSettings& fs) {
    return FormatDateTime(fs.LongTimeFormat, t, fs);
}

std::string DateTimeToStr(TDateTime t, const FormatSettings& fs) { return FormatDateTime("c", t, fs); }

TDateTime StrToDateTime(std::string_view text, const FormatSettings& fs, TDateTime now) {
    const std::string_view s = trim(text);
    int year_now = 0, month_now = 0, day_now = 0;
    DecodeDate(now, year_now, month_now, day_now);

    const std::size_t blank = s.find(' ');
    if (blank != std::string_view::npos) {
        const auto date = parse_date(s.substr(0, blank), fs, year_now);
        const auto time = parse_time(trim(s.substr(blank + 1)), fs);
        if (!date || !time) not_a_date(text);
        return *date + *time;
    }
    // One word: a time when it reads as one (a date needs the date separator).
    if (const auto time = parse_time(s, fs)) return *time;
    if (const auto date = parse_date(s, fs, year_now)) return *date;
    not_a_date(text);
}

}  // namespace dru
