#include "host/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dru::text {
namespace {

TEST(Text, HostTextThatIsNotUtf8IsReadAsLatin1) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Garzon", "Garzon"},
        {"Se\xC3\xB1or", "Se\xC3\xB1or"},      // valid UTF-8 passes unchanged
        {"Se\xF1or", "Se\xC3\xB1or"},          // Latin-1 "ñ"
        {"\xC3", "\xC3\x83"},                  // a sequence cut short
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},      // overlong form
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},  // beyond U+10FFFF
        {"", ""},
    };
    for (const auto& [raw, expected] : cases) EXPECT_EQ(from_host(raw), expected) << raw;
}

TEST(Text, Latin1BothWays) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(to_latin1(from_latin1(all)), all);  // no byte is lost
    EXPECT_EQ(from_latin1("\x87"), kFrameStart);

    EXPECT_EQ(to_latin1("a\xC3\xB1" "b"), "a\xF1" "b");
    EXPECT_EQ(to_latin1("\xE2\x82\xAC 5"), "? 5");          // euro sign
    EXPECT_EQ(to_latin1("\xF0\x9F\x98\x80"), "?");          // one character, one '?'
    EXPECT_EQ(to_latin1("\xC5\x93" "uvre"), "?uvre");       // U+0153 is just outside
}

TEST(Text, LengthAndSubstrCountCharacters) {
    const std::string s = "a\xC3\xB1" "\xE2\x82\xAC" "\xF0\x9F\x98\x80" "z";  // a ñ € 😀 z
    EXPECT_EQ(length(s), 5u);
    EXPECT_EQ(substr(s, 1, 1), "\xC3\xB1");
    EXPECT_EQ(substr(s, 2, 2), "\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(substr(s, 4), "z");
    EXPECT_EQ(substr(s, 5), "");
    EXPECT_EQ(substr(s, 9, 3), "");
    EXPECT_EQ(substr(s, 3, 100), "\xF0\x9F\x98\x80z");
    // Every cut is whole characters: the pieces join back to the text.
    for (std::size_t cut = 0; cut <= 5; ++cut) {
        EXPECT_EQ(substr(s, 0, cut) + substr(s, cut), s) << cut;
        EXPECT_EQ(length(substr(s, 0, cut)), cut);
    }
    // Broken input is counted byte by byte and never read past its end.
    EXPECT_EQ(length("\xE2\x82"), 2u);
    EXPECT_EQ(substr("\xE2\x82", 1, 5), "\x82");
}

TEST(Text, CaseOfAsciiLettersOnly) {
    EXPECT_EQ(upper_ascii("abc\xC3\xB1z1"), "ABC\xC3\xB1Z1");
    EXPECT_TRUE(equals_ignore_case("ConfReducao", "CONFREDUCAO"));
    EXPECT_FALSE(equals_ignore_case("\xC3\xB1", "\xC3\x91"));  // ñ and Ñ differ
    EXPECT_FALSE(equals_ignore_case("abc", "abcd"));
}

}  // namespace
}  // namespace dru::text
