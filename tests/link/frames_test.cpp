#include <gtest/gtest.h>

#include "host/format.h"
#include "host/text.h"
#include "link/frames.h"

namespace dru {
namespace {

TEST(Frame, WireBytesAreLatin1BetweenTheFrameBytes) {
    EXPECT_EQ(text::to_latin1(Frame("481")), std::string("\x87" "481" "\x88"));
    EXPECT_EQ(text::to_latin1(Frame("481")).size(), 5u);
    EXPECT_EQ(text::to_latin1(Frame("01")).size(), 4u);
    EXPECT_EQ(text::to_latin1(Frame("34", "255255")), std::string("\x87" "34255255" "\x88"));
    // A host letter outside ASCII is its one Latin-1 byte on the wire.
    EXPECT_EQ(text::to_latin1(Frame("113", "se\u00f1a: ")), std::string("\x87" "113se\xF1" "a: \x88"));
}

TEST(Frame, FrameBytesInsideAnOperandNeverReachTheWire) {
    const std::string host_text = "a\u0087b\u0088c";
    const std::string wire = text::to_latin1(Frame("111", host_text));
    EXPECT_EQ(wire, std::string("\x87" "111a?b?c" "\x88"));
    // Exactly one opening and one closing byte, at the ends.
    EXPECT_EQ(wire.find('\x87', 1), std::string::npos);
    EXPECT_EQ(wire.find('\x88'), wire.size() - 1);
}

// A comment line holds what the printer prints on one line, so a frame with
// a host text of any length leaves whole within the write time-out; other
// commands keep their operands whole.
TEST(Frame, ACommentLineIsCutToThePrintedLine) {
    const std::string megabyte(1 << 20, 'x');
    for (const char* code : {"111", "112", "113", "114", "115", "116"})
        EXPECT_EQ(Frame(code, "\u00f1" + megabyte), Frame(code, "\u00f1" + std::string(47, 'x'))) << code;
    EXPECT_EQ(Frame("111", std::string(48, 'y')), "\u0087" "111" + std::string(48, 'y') + "\u0088");
    EXPECT_EQ(Frame("13", megabyte).size(), megabyte.size() + 6);
}

TEST(ReadField, TakesTheTextBeforeTheNextColon) {
    struct Case {
        std::string reply;
        int n;
        std::string field;
    };
    const Case cases[] = {
        {"A:B:C:D", 0, "A"}, {"A:B:C:D", 2, "C"}, {"A:B:C:D", 3, ""},  // nothing follows D
        {"A:B:C:D", 9, ""},  {"ABC", 0, ""},      {"ABC", 2, ""},
        {"", 0, ""},         {"::x:", 1, ""},     {"::x:", 2, "x"},
        {"067:1001:1050:", 2, "1050"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadField(c.reply, c.n), c.field) << c.reply << " field " << c.n;
}

TEST(FixedWidthOperands, RoundAndPadAsThePrinterReadsThem) {
    const FormatSettings fs;  // decimal ","
    EXPECT_EQ(Amount10(1234.6, fs), "0000001235");
    EXPECT_EQ(Amount10(0, fs), "0000000000");
    EXPECT_EQ(Amount9(42.49, fs), "000000042");
    EXPECT_EQ(Amount9(42.5, fs), "000000043");
    EXPECT_EQ(Quantity9(1.5, fs), "000001500");
    EXPECT_EQ(Quantity9(12, fs), "000012000");
    EXPECT_EQ(Quantity9(0.0005, fs), "000000001");
    FormatSettings dot = fs;
    dot.DecimalSeparator = '.';
    EXPECT_EQ(Quantity9(1.5, dot), "000001500");
    // Out of the printer's range the digits stay whole rather than losing one.
    EXPECT_EQ(Quantity9(-1.5, fs), "-000001500");
    EXPECT_EQ(Quantity9(1234567.8915, fs), "1234567892");
}

}  // namespace
}  // namespace dru
