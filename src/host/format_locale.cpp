// The regional settings from the process's locale environment. The locale is
// loaded with newlocale() and read with nl_langinfo_l(): the global locale of
// the host process is never touched.
#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/format.h"

namespace dru {
namespace {

// The locale name a category takes, the way the C library resolves it.
std::string locale_name(const char* category_variable) {
    for (const char* var : {"LC_ALL", category_variable, "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') return v;
    }
    return "";
}

bool is_plain_c(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// A loaded locale for one category, freed on scope exit.
class Locale {
public:
    Locale(int mask, const char* variable) {
        const std::string name = locale_name(variable);
        if (!is_plain_c(name)) loc_ = newlocale(mask, name.c_str(), static_cast<locale_t>(0));
    }
    ~Locale() {
        if (loc_ != static_cast<locale_t>(0)) freelocale(loc_);
    }
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;

    explicit operator bool() const { return loc_ != static_cast<locale_t>(0); }
    std::string text(nl_item item) const { return nl_langinfo_l(item, loc_); }
    // Monetary flags come back as a one-byte text holding the number.
    int flag(nl_item item) const { return static_cast<unsigned char>(nl_langinfo_l(item, loc_)[0]); }

private:
    locale_t loc_ = static_cast<locale_t>(0);
};

bool is_ascii_char(const std::string& s) {
    return s.size() == 1 && static_cast<unsigned char>(s[0]) < 0x80;
}

void read_numeric(FormatSettings& fs) {
    const Locale loc(LC_NUMERIC_MASK, "LC_NUMERIC");
    if (!loc) return;
    const std::string decimal = loc.text(RADIXCHAR);
    const std::string thousands = loc.text(THOUSEP);
    if (is_ascii_char(decimal)) fs.DecimalSeparator = decimal[0];
    if (thousands.empty()) {
        fs.ThousandSeparator = '\0';
    } else {
        // A separator beyond ASCII (a narrow no-break space) prints as a blank.
        fs.ThousandSeparator = is_ascii_char(thousands) ? thousands[0] : ' ';
    }
    if (fs.ThousandSeparator == fs.DecimalSeparator) fs.ThousandSeparator = '\0';
}

// A strftime date or time format in the platform's specifiers, with the one
// separator it uses; nothing when it holds something the platform cannot say.
struct Converted {
    std::string format;
    char separator = 0;
};

// The composite strftime specifiers, spelt out (a 12-hour "%r" prints 24-hour).
std::string expand(const std::string& f) {
    std::string out;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%' || i + 1 == f.size()) {
            out += f[i];
            continue;
        }
        switch (f[++i]) {
            case 'T': case 'r': out += "%H:%M:%S"; break;
            case 'R': out += "%H:%M"; break;
            case 'D': out += "%m/%d/%y"; break;
            case 'F': out += "%Y-%m-%d"; break;
            default: out += '%', out += f[i];
        }
    }
    return out;
}

std::optional<Converted> convert(const std::string& raw) {
    const std::string f = expand(raw);
    Converted c;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            if (static_cast<unsigned char>(f[i]) >= 0x80) return std::nullopt;
            if (c.separator == 0) c.separator = f[i];
            if (f[i] != c.separator) return std::nullopt;
            c.format += f[i];
            continue;
        }
        if (++i == f.size()) return std::nullopt;
        switch (f[i]) {
            case 'd': c.format += "dd"; break;
            case 'e': c.format += "d"; break;
            case 'm': c.format += "MM"; break;
            case 'y': c.format += "yy"; break;
            case 'Y': c.format += "yyyy"; break;
            case 'H': case 'I': c.format += "hh"; break;  // 12-hour clocks print 24-hour
            case 'k': case 'l': c.format += "h"; break;
            case 'M': c.format += "nn"; break;
            case 'S': c.format += "ss"; break;
            default: return std::nullopt;
        }
    }
    if (c.separator == 0) return std::nullopt;
    return c;
}

void read_time(FormatSettings& fs) {
    const Locale loc(LC_TIME_MASK, "LC_TIME");
    if (!loc) return;
    const auto date = convert(loc.text(D_FMT));
    const auto time = convert(loc.text(T_FMT));
    if (date) {
        fs.ShortDateFormat = date->format;
        fs.DateSeparator = date->separator;
    }
    if (time) {
        fs.LongTimeFormat = time->format;
        fs.TimeSeparator = time->separator;
    }
}

// The host's negative currency layout for the C library's monetary flags.
int negative_layout(bool precedes, bool space, int sign_position) {
    switch (sign_position) {
        case 0: return precedes ? (space ? 14 : 0) : (space ? 15 : 4);   // parentheses
        case 2: return precedes ? (space ? 11 : 3) : (space ? 10 : 7);   // sign after all
        case 3: return precedes ? (space ? 9 : 1) : (space ? 13 : 6);    // sign before symbol
        case 4: return precedes ? (space ? 12 : 2) : (space ? 10 : 7);   // sign after symbol
        default: return precedes ? (space ? 9 : 1) : (space ? 8 : 5);    // sign before all
    }
}

void read_monetary(FormatSettings& fs) {
    const Locale loc(LC_MONETARY_MASK, "LC_MONETARY");
    if (!loc) return;
    const std::string symbol = loc.text(CURRENCY_SYMBOL);
    if (!symbol.empty()) fs.CurrencyString = symbol;
    const int p_precedes = loc.flag(P_CS_PRECEDES), p_space = loc.flag(P_SEP_BY_SPACE);
    const int n_precedes = loc.flag(N_CS_PRECEDES), n_space = loc.flag(N_SEP_BY_SPACE);
    const int n_sign = loc.flag(N_SIGN_POSN);
    if (p_precedes != CHAR_MAX && p_space != CHAR_MAX)
        fs.CurrencyFormat = p_precedes ? (p_space ? 2 : 0) : (p_space ? 3 : 1);
    if (n_precedes != CHAR_MAX && n_space != CHAR_MAX && n_sign != CHAR_MAX)
        fs.NegCurrFormat = negative_layout(n_precedes != 0, n_space != 0, n_sign);
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
