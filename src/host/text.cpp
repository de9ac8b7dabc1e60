#include "host/text.h"

#include <cstdint>

namespace dru::text {
namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not valid.
std::size_t valid_sequence(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) return 1;
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid.
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000)) return 0;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}


// Decodes the code point of a valid sequence of length n at s[i].
std::uint32_t decode(std::string_view s, std::size_t i, std::size_t n) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (n == 1) return b0;
    std::uint32_t cp = b0 & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

// Byte offset of character number `chars` (or s.size()). Assumes valid UTF-8,
// but never runs past the end on broken input.
std::size_t offset_of(std::string_view s, std::size_t chars) {
    std::size_t i = 0;
    while (chars > 0 && i < s.size()) {
        const std::size_t n = valid_sequence(s, i);
        i += n == 0 ? 1 : n;
        --chars;
    }
    return i;
}

}  // namespace

bool is_valid_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = valid_sequence(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void append_code_point(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string from_host(std::string_view raw) {
    if (is_valid_utf8(raw)) return std::string(raw);
    return from_latin1(raw);
}

std::string from_latin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) append_code_point(out, static_cast<unsigned char>(c));
    return out;
}

std::string to_latin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = valid_sequence(utf8, i);
        if (n == 0) {  // not UTF-8 after all: keep the byte as it is
            out += utf8[i];
            ++i;
            continue;
        }
        const std::uint32_t cp = decode(utf8, i, n);
        out += cp <= 0xFF ? static_cast<char>(cp) : '?';
        i += n;
    }
    return out;
}

std::u32string code_points(std::string_view utf8) {
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = valid_sequence(utf8, i);
        out += n == 0 ? static_cast<unsigned char>(utf8[i]) : decode(utf8, i, n);
        i += n == 0 ? 1 : n;
    }
    return out;
}

std::size_t length(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++count) {
        const std::size_t n = valid_sequence(utf8, i);
        i += n == 0 ? 1 : n;
    }
    return count;
}

std::string substr(std::string_view utf8, std::size_t pos, std::size_t count) {
    const std::size_t begin = offset_of(utf8, pos);
    if (count == std::string::npos) return std::string(utf8.substr(begin));
    const std::size_t end = begin + offset_of(utf8.substr(begin), count);
    return std::string(utf8.substr(begin, end - begin));
}

std::string upper_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upper_ascii(a) == upper_ascii(b);
}

}  // namespace dru::text
