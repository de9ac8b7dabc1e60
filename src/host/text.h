// Text handling. Inside the module text is UTF-8 in std::string. Widths count
// characters (code points), never bytes, and a cut never splits a character.
// Bytes for the printer and the debug log are Latin-1.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dru::text {

// Host text as received: valid UTF-8 passes unchanged; anything else is read
// byte by byte as Latin-1 (legacy hosts) and returned as UTF-8.
std::string from_host(std::string_view raw);

// True when `s` is valid UTF-8 (what from_host passes unchanged).
bool is_valid_utf8(std::string_view s);

// Latin-1 bytes (printer replies, old files) to UTF-8: byte N is code point N.
std::string from_latin1(std::string_view bytes);

// UTF-8 to Latin-1 bytes; a character outside Latin-1 becomes '?'.
std::string to_latin1(std::string_view utf8);

// Appends code point `cp` encoded as UTF-8.
void append_code_point(std::string& out, std::uint32_t cp);

// The characters as code points; a byte that is not UTF-8 counts as its
// Latin-1 character (as to_latin1 keeps it).
std::u32string code_points(std::string_view utf8);

// Number of characters.
std::size_t length(std::string_view utf8);

// Characters [pos, pos+count) (0-based, clipped to the text).
std::string substr(std::string_view utf8, std::size_t pos, std::size_t count = std::string::npos);

// Upper-cases the ASCII letters a-z only; every other character stays.
std::string upper_ascii(std::string_view s);

// Compares ignoring the case of ASCII letters.
bool equals_ignore_case(std::string_view a, std::string_view b);

// The frame bytes as UTF-8 text (U+0087 opens a frame, U+0088 closes it).
inline constexpr std::string_view kFrameStart = "\xC2\x87";
inline constexpr std::string_view kFrameEnd = "\xC2\x88";

}  // namespace dru::text
