// Numbers to text and back, as the host's platform does it under the regional
// settings. Every conversion works on decimal digits, never on the global C
// locale: the printf family and strtod would follow whatever setlocale() the
// host process made.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "host/errors.h"
#include "host/format.h"

namespace dru {
namespace {

// The host shows a double with 15 significant digits; digits beyond are
// binary noise (1234567.8915 is stored as 1234567.89149999991...).
constexpr int kSignificantDigits = 15;
// Fixed notation of the general format ends at this many integer digits...
constexpr int kMaxFixedIntegerDigits = 15;
// ...and at values below 0.00001 (decimal point 4 places before the first digit).
constexpr int kMinFixedPoint = -4;

// A non-negative decimal: value = 0.digits x 10^point. No leading or trailing
// zeros in `digits`; empty digits is zero.
struct Decimal {
    std::string digits;
    int point = 0;
    bool zero() const { return digits.empty(); }
};

void strip_trailing_zeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.point = 0;
}

// The exact decimal expansion of a finite |x|.
Decimal exact_decimal(double ax) {
    Decimal d;
    if (ax == 0) return d;
    int e2 = 0;
    std::frexp(ax, &e2);
    // The lowest mantissa bit weighs 2^(e2-53): that many fraction digits are exact.
    const int frac_digits = e2 >= 53 ? 0 : 53 - e2;
    std::vector<char> buf(static_cast<std::size_t>(frac_digits) + 400);
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), ax,
                                   std::chars_format::fixed, frac_digits);
    bool seen_point = false;
    int int_digits = 0;
    for (const char* p = buf.data(); p != res.ptr; ++p) {
        if (*p == '.') {
            seen_point = true;
            continue;
        }
        if (d.digits.empty() && *p == '0') {  // leading zero
            if (seen_point) --d.point;
            continue;
        }
        d.digits += *p;
        if (!seen_point) ++int_digits;
    }
    if (int_digits > 0) d.point = int_digits;
    strip_trailing_zeros(d);
    return d;
}

// Adds one unit at the last digit kept, carrying to the left.
void increment(Decimal& d) {
    int i = static_cast<int>(d.digits.size()) - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
        ++d.digits[i];
    } else {
        d.digits.insert(d.digits.begin(), '1');
        ++d.point;
    }
    strip_trailing_zeros(d);
}

// Keeps `keep` leading digits, rounding half away from zero.
void round_digits(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d = {};
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        increment(d);
    } else {
        strip_trailing_zeros(d);
    }
}

// |x| as the host sees it (15 significant digits), rounded to `decimals` places.
Decimal host_decimal(double x, int decimals) {
    Decimal d = exact_decimal(std::fabs(x));
    round_digits(d, kSignificantDigits);
    if (!d.zero()) round_digits(d, d.point + decimals);
    return d;
}

std::string integer_digits(const Decimal& d) {
    if (d.point <= 0) return "";
    std::string s = d.digits.substr(0, std::min<std::size_t>(d.digits.size(), d.point));
    s.resize(d.point, '0');
    return s;
}

std::string fraction_digits(const Decimal& d, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        const int pos = d.point + i;
        s += pos >= 0 && pos < static_cast<int>(d.digits.size()) ? d.digits[pos] : '0';
    }
    return s;
}

std::string grouped(const std::string& ints, char sep) {
    if (sep == '\0') return ints;
    std::string out;
    for (std::size_t i = 0; i < ints.size(); ++i) {
        if (i > 0 && (ints.size() - i) % 3 == 0) out += sep;
        out += ints[i];
    }
    return out;
}

std::string special_value(double x) {
    if (std::isnan(x)) return "NAN";
    return x < 0 ? "-INF" : "INF";
}

// ---- Masks --------------------------------------------------------------------

bool is_quote(char c) { return c == '"' || c == '\''; }

std::vector<std::string_view> split_sections(std::string_view mask) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (is_quote(c)) {
            quote = c;
        } else if (c == ';' && sections.size() < 2) {
            sections.push_back(mask.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(mask.substr(start));
    return sections;
}

// What a section asks of the number.
struct Layout {
    int int_places = 0;  // placeholders before the decimal point
    int min_int = 0;     // integer digits always printed (from the first '0')
    int dec_places = 0;  // placeholders after the decimal point
    int min_dec = 0;     // decimals always printed (up to the last '0')
    bool grouping = false;
};

Layout analyse(std::string_view section) {
    Layout l;
    bool after_point = false;
    bool zero_seen = false;
    char quote = 0;
    for (char c : section) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (is_quote(c)) {
            quote = c;
        } else if (c == ',') {
            l.grouping = true;
        } else if (c == '.') {
            after_point = true;
        } else if (c == '0' || c == '#') {
            if (after_point) {
                ++l.dec_places;
                if (c == '0') l.min_dec = l.dec_places;
            } else {
                ++l.int_places;
                if (c == '0') zero_seen = true;
                if (zero_seen) ++l.min_int;
            }
        }
    }
    return l;
}

// Writes the number into the section's placeholders; other characters are literals.
std::string render(std::string_view section, const Layout& l, const Decimal& d, bool minus,
                   const FormatSettings& fs) {
    std::string ints = integer_digits(d);
    if (static_cast<int>(ints.size()) < l.min_int) ints.insert(0, l.min_int - ints.size(), '0');
    std::string frac = fraction_digits(d, l.dec_places);
    while (static_cast<int>(frac.size()) > l.min_dec && frac.back() == '0') frac.pop_back();
    const int total_int = static_cast<int>(ints.size());
    const char group_sep = l.grouping ? fs.ThousandSeparator : '\0';

    std::string out = minus ? "-" : "";
    auto emit_int = [&](int pos) {  // pos: digit position counted from the right, 0-based
        out += ints[total_int - 1 - pos];
        if (group_sep != '\0' && pos > 0 && pos % 3 == 0) out += group_sep;
    };
    auto emit_all_from = [&](int lowest) {
        for (int pos = total_int - 1; pos >= lowest; --pos) emit_int(pos);
    };

    int int_seen = 0, dec_seen = 0;
    bool after_point = false;
    char quote = 0;
    for (char c : section) {
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else {
                out += c;
            }
        } else if (is_quote(c)) {
            quote = c;
        } else if (c == ',') {
            // only switches grouping on
        } else if (c == '.') {
            if (after_point) continue;
            after_point = true;
            if (l.int_places == 0) emit_all_from(0);  // no integer placeholder: nothing is cut
            if (!frac.empty()) out += fs.DecimalSeparator;
        } else if (c == '0' || c == '#') {
            if (after_point) {
                if (dec_seen < static_cast<int>(frac.size())) out += frac[dec_seen];
                ++dec_seen;
            } else {
                const int pos = l.int_places - 1 - int_seen;
                if (int_seen == 0) {
                    emit_all_from(pos);  // digits beyond the mask go at its first placeholder
                } else if (pos < total_int) {
                    emit_int(pos);
                }
                ++int_seen;
            }
        } else {
            out += c;
        }
    }
    return out;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim_blanks(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

std::size_t skip_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i;
}

[[noreturn]] void not_a_float(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

}  // namespace

std::string FormatFloat(std::string_view mask, double value, const FormatSettings& fs) {
    if (!std::isfinite(value)) return special_value(value);
    const auto sections = split_sections(mask);
    if (sections[0].empty()) return FloatToStr(value, fs);

    const bool negative = value < 0;
    std::size_t chosen = negative && sections.size() > 1 && !sections[1].empty() ? 1 : 0;
    Layout layout = analyse(sections[chosen]);
    Decimal d = host_decimal(value, layout.dec_places);
    if (d.zero()) {
        // A value that rounds to zero prints as zero: no "-0" on a receipt.
        if (sections.size() > 2 && !sections[2].empty()) chosen = 2;
        layout = analyse(sections[chosen]);
        return render(sections[chosen], layout, d, false, fs);
    }
    return render(sections[chosen], layout, d, negative && chosen == 0, fs);
}

std::string FloatToStrFixed2(double value, const FormatSettings& fs) {
    if (!std::isfinite(value)) return special_value(value);
    const Decimal d = host_decimal(value, 2);
    if (d.point > kMaxFixedIntegerDigits) return FloatToStr(value, fs);
    std::string ints = integer_digits(d);
    if (ints.empty()) ints = "0";
    const std::string sign = value < 0 && !d.zero() ? "-" : "";
    return sign + ints + fs.DecimalSeparator + fraction_digits(d, 2);
}

std::string FloatToStr(double value, const FormatSettings& fs) {
    if (!std::isfinite(value)) return special_value(value);
    Decimal d = exact_decimal(std::fabs(value));
    round_digits(d, kSignificantDigits);
    if (d.zero()) return "0";
    const std::string sign = value < 0 ? "-" : "";
    if (d.point >= kMinFixedPoint && d.point <= kMaxFixedIntegerDigits) {
        std::string ints = integer_digits(d);
        if (ints.empty()) ints = "0";
        const int decimals = static_cast<int>(d.digits.size()) - d.point;
        if (decimals <= 0) return sign + ints;
        return sign + ints + fs.DecimalSeparator + fraction_digits(d, decimals);
    }
    std::string mantissa = d.digits.substr(0, 1);
    if (d.digits.size() > 1) mantissa += fs.DecimalSeparator + d.digits.substr(1);
    return sign + mantissa + "E" + std::to_string(d.point - 1);
}

std::string FloatToCurrency(double value, int digits, const FormatSettings& fs) {
    if (!std::isfinite(value)) return special_value(value);
    digits = std::clamp(digits, 0, 18);
    const Decimal d = host_decimal(value, digits);
    std::string ints = integer_digits(d);
    if (ints.empty()) ints = "0";
    std::string n = grouped(ints, fs.ThousandSeparator);
    if (digits > 0) n += fs.DecimalSeparator + fraction_digits(d, digits);
    const std::string& c = fs.CurrencyString;

    if (value >= 0 || d.zero()) {
        switch (fs.CurrencyFormat) {
            case 0: return c + n;
            case 1: return n + c;
            case 3: return n + " " + c;
            default: return c + " " + n;
        }
    }
    switch (fs.NegCurrFormat) {
        case 0: return "(" + c + n + ")";
        case 1: return "-" + c + n;
        case 2: return c + "-" + n;
        case 3: return c + n + "-";
        case 4: return "(" + n + c + ")";
        case 5: return "-" + n + c;
        case 6: return n + "-" + c;
        case 7: return n + c + "-";
        case 8: return "-" + n + " " + c;
        case 10: return n + " " + c + "-";
        case 11: return c + " " + n + "-";
        case 12: return c + " -" + n;
        case 13: return n + "- " + c;
        case 14: return "(" + c + " " + n + ")";
        case 15: return "(" + n + " " + c + ")";
        default: return "-" + c + " " + n;  // 9
    }
}

double StrToFloat(std::string_view text, const FormatSettings& fs) {
    const std::string_view s = trim_blanks(text);
    // [sign] digits [separator digits] [E [sign] digits], rebuilt with '.' for from_chars.
    std::string plain;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') plain += '-';
        ++i;
    }
    std::size_t j = skip_digits(s, i);
    bool any_digit = j > i;
    plain.append(s.substr(i, j - i));
    i = j;
    if (i < s.size() && s[i] == fs.DecimalSeparator) {
        j = skip_digits(s, i + 1);
        any_digit = any_digit || j > i + 1;
        plain += '.';
        plain.append(s.substr(i + 1, j - i - 1));
        i = j;
    }
    if (!any_digit) not_a_float(text);
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        plain += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
        j = skip_digits(s, i);
        if (j == i) not_a_float(text);
        plain.append(s.substr(i, j - i));
        i = j;
    }
    if (i != s.size()) not_a_float(text);
    double value = 0;
    const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (res.ec != std::errc() || res.ptr != plain.data() + plain.size()) not_a_float(text);
    return value;
}

long long StrToInt(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);  // the host skips leading blanks
    const bool plus = !s.empty() && s.front() == '+';
    if (plus) s.remove_prefix(1);
    long long value = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || (plus && s.front() == '-') || res.ec != std::errc() ||
        res.ptr != s.data() + s.size())
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

// The settings record as built, whatever the system's regional settings.
const FormatSettings& FixedFormatSettings() {
    static const FormatSettings fixed;
    return fixed;
}

}  // namespace dru
