// The host's library routines. Widths count characters, never bytes.
#include "host/routines.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "host/text.h"

namespace dru {
namespace {

// Delay(1) is the host's shortest pause between two printer steps.
constexpr int kDelayUnitMs = 1;
// Trunc2 first takes a double to the 15 significant digits the host shows, so
// binary noise (0.29 is stored as 0.28999...) never costs a cent.
constexpr int kTrunc2Digits = 15;
constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kSecondsPerDay = 86400;

int length(std::string_view s) { return static_cast<int>(text::length(s)); }

std::string blanks(int n) { return n > 0 ? std::string(n, ' ') : std::string(); }

}  // namespace

std::string PadR(std::string_view s, int n) { return std::string(s) + blanks(n - length(s)); }

std::string PadL(std::string_view s, int n) { return blanks(n - length(s)) + std::string(s); }

std::string TamFixo(std::string_view s, int n) {
    if (n <= 0) return "";
    return PadR(text::substr(s, 0, n), n);
}

// A cut keeps the leading characters, like TamFixo; only the padding side differs.
std::string TamFixoR(std::string_view s, int n) {
    if (n <= 0) return "";
    return PadL(text::substr(s, 0, n), n);
}

std::string Ajusta(std::string_view s, int n) { return TamFixo(s, n); }

std::string AjustaZero(std::string_view s, int n) {
    const int missing = n - length(s);
    if (s.empty() || missing <= 0) return std::string(s);
    // Zeros go after a sign: "-5" at width 4 is "-005", a number still.
    const std::size_t sign = s.front() == '-' || s.front() == '+' ? 1 : 0;
    return std::string(s.substr(0, sign)) + std::string(missing, '0') + std::string(s.substr(sign));
}

std::string Replicate(std::string_view c, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += c;
    return out;
}

// Exactly n characters: a longer text is cut to n; an odd remainder puts the
// extra blank on the right.
std::string Centraliza(std::string_view s, int n) {
    if (n <= 0) return "";
    const std::string cut = text::substr(s, 0, n);
    const int room = n - length(cut);
    return blanks(room / 2) + cut + blanks(room - room / 2);
}

bool EmptyString(std::string_view s) {
    return s.find_first_not_of(" \t") == std::string_view::npos;
}

void Delay(Clock& clock, int n) {
    if (n > 0) clock.sleep_ms(n * kDelayUnitMs);
}

double Trunc2(double x) {
    if (!std::isfinite(x) || x == 0) return x;
    // 15 significant digits in scientific form, then the digits cut after the
    // second decimal, read back as the nearest double.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x),
                                   std::chars_format::scientific, kTrunc2Digits - 1);
    const std::string_view sci(buf, res.ptr - buf);
    const std::size_t e = sci.find('e');
    const int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());
    std::string digits(sci.substr(0, 1));
    digits += sci.substr(2, e - 2);
    const int keep = exponent + 1 + 2;  // digits before the point, plus two decimals
    if (keep <= 0) return 0.0;  // below one cent: no "-0" either
    if (keep < static_cast<int>(digits.size())) digits.resize(keep);
    const std::string plain = digits + "e" + std::to_string(exponent + 1 - static_cast<int>(digits.size()));
    double value = 0;
    std::from_chars(plain.data(), plain.data() + plain.size(), value);
    return x < 0 ? -value : value;
}

std::string SubtDataHoraLum(TDateTime t1, TDateTime t2) {
    const double diff = t1 - t2;
    if (!(std::fabs(diff) < 1)) return diff < 0 ? "-23:59:59" : "23:59:59";  // a day or more, or no time at all
    const std::int64_t ms = std::llround(std::fabs(diff) * kMsPerDay);
    std::int64_t seconds = ms / 1000;  // a second not yet complete does not count
    if (seconds >= kSecondsPerDay) seconds = kSecondsPerDay - 1;  // a day or more reads 23:59:59
    auto two = [](std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    const std::string text = two(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
    return seconds > 0 && diff < 0 ? "-" + text : text;
}

void SetTableFilter(TClientDataSet& ds, std::string_view expression, bool on) {
    // A filter that does not compile is refused before the table moves: its
    // filter, view and cursor stay as they were.
    if (on) ds.CheckFilter(expression);
    const std::string old_text = ds.Filter();
    const bool old_on = ds.Filtered();
    try {
        ds.SetFiltered(false);
        ds.SetFilter(expression);
        ds.SetFiltered(on);
    } catch (...) {
        ds.SetFilter(old_text);  // filtering is off here: only stored
        ds.SetFiltered(old_on);  // compiled before, so it compiles again
        throw;
    }
}

void ClearTableFilter(TClientDataSet& ds) {
    ds.SetFiltered(false);
    ds.SetFilter("");
}

}  // namespace dru
