#include "host/locale_pictures.h"

namespace dru {

namespace {

// The length of the run of `c` starting at `i`.
std::size_t run_at(std::string_view s, std::size_t i) {
    std::size_t n = 1;
    while (i + n < s.size() && s[i + n] == s[i]) ++n;
    return n;
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Adds one separator character; false when it is a second kind or not ASCII.
bool add_separator(TranslatedPicture& out, char c) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\'' || c == '"') return false;
    if (out.separator == 0) out.separator = c;
    if (c != out.separator) return false;
    out.format += c;
    return true;
}

// The host specifier for a run of `n` letters `c` of a date picture; empty
// when the module has none.
std::string date_field(char c, std::size_t n) {
    switch (c) {
        case 'd':
            return n <= 2 ? std::string(n, 'd') : "";  // ddd, dddd: day names
        case 'M':
            return n <= 2 ? std::string(n, 'M') : "";  // MMM, MMMM: month names
        case 'y':
            return n == 2 ? "yy" : n >= 3 ? "yyyy" : "";  // y: a year without its tens
        default:
            return "";
    }
}

std::string time_field(char c, std::size_t n) {
    if (n > 2) return "";
    switch (c) {
        case 'h':
        case 'H':
            return std::string(n, 'h');
        case 'm':
            return std::string(n, 'n');
        case 's':
            return std::string(n, 's');
        default:
            return "";
    }
}

// The picture less its AM/PM marker ("t" or "tt") and the blanks around it:
// "h:mm:ss tt" -> "h:mm:ss", "tt h:mm:ss" -> "h:mm:ss".
std::string without_am_pm(std::string_view picture) {
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        if (picture[i] != 't') {
            out += picture[i++];
            continue;
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        i += run_at(picture, i);
        while (i < picture.size() && picture[i] == ' ') ++i;
    }
    return out;
}

}  // namespace

std::optional<TranslatedPicture> TranslateDatePicture(std::string_view picture) {
    TranslatedPicture out;
    for (std::size_t i = 0; i < picture.size();) {
        if (!is_letter(picture[i])) {
            if (!add_separator(out, picture[i])) return std::nullopt;
            ++i;
            continue;
        }
        const std::size_t n = run_at(picture, i);
        const std::string field = date_field(picture[i], n);
        if (field.empty()) return std::nullopt;
        out.format += field;
        i += n;
    }
    if (out.separator == 0) return std::nullopt;
    return out;
}

std::optional<TranslatedPicture> TranslateTimePicture(std::string_view picture) {
    TranslatedPicture out;
    const std::string clock = without_am_pm(picture);
    for (std::size_t i = 0; i < clock.size();) {
        if (!is_letter(clock[i])) {
            if (!add_separator(out, clock[i])) return std::nullopt;
            ++i;
            continue;
        }
        const std::size_t n = run_at(clock, i);
        const std::string field = time_field(clock[i], n);
        if (field.empty()) return std::nullopt;
        out.format += field;
        i += n;
    }
    if (out.separator == 0) return std::nullopt;
    return out;
}

}  // namespace dru
