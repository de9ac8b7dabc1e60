// Command frames and reply fields.
#pragma once
#include <string>
#include <string_view>

#include "host/format.h"

namespace dru {

// U+0087, the command code, the operands, U+0088. A frame byte inside an
// operand would break the framing: it is replaced by "?". A comment line's
// text (commands 111 to 116) is cut to kPrintedLineChars characters: what the
// printer could not print would only lengthen the frame.
std::string Frame(std::string_view code, std::string_view operands = {});

// Field n (from 0) of a data reply: the text before the (n+1)-th ":"; empty
// when no ":" follows it.
std::string ReadField(std::string_view reply, int n);

// Fixed-width operands: amounts rounded to whole units in 10 or 9 digits,
// quantities in thousandths in 9 digits.
std::string Amount10(double value, const FormatSettings& fs);
std::string Amount9(double value, const FormatSettings& fs);
std::string Quantity9(double value, const FormatSettings& fs);

}  // namespace dru
