// Figures a document puts on paper. A figure that does not fit its field
// would shift every position after it (a frame's fixed operands) or be cut
// and show another figure (a printed column: 12345678901 would print as
// 1234567890), so it is refused before anything reaches the printer, with a
// bad-argument error naming the call and the place of the figure.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace dru {

// A fixed-width numeric operand of a frame: `formatted` is `value` through
// its field's mask; it fits when `value` is finite and the mask gave exactly
// `width` digits (so not negative either). Otherwise raises EBadArgument:
// "<call>: row <row>, <field>: <value> does not fit the printer's <width>-digit field"
// (or "... is negative", "... is not a finite number"); the value with all
// its digits. A row below 1 is a figure of the document: "<call>: <field>: ...".
std::string CheckedOperand(std::string_view call, int row, std::string_view field, double value,
                           std::string formatted, std::size_t width);

// A figure printed in a column: `text` (the figure as printed) when `value`
// is finite and `text` takes at most `width` characters. Otherwise raises
// EBadArgument: "<call>: <where>: <text> does not fit the printed
// <width>-character field" or "<call>: <where>: <value> is not a finite number".
std::string FittedFigure(std::string_view call, std::string_view where, double value, std::string text,
                         int width);

// A fixed-width text operand (the printer's payment code): `text` when it has
// exactly `width` characters (an empty or longer one would move every
// operand after it); otherwise raises EBadArgument
// "<call>: row <row>, <field>: "<text>" is not the printer's <width>-character code".
std::string CheckedCode(std::string_view call, int row, std::string_view field, std::string text,
                        std::size_t width);

// A figure as an error names it: every digit it has (1234567890, not 1.23457e+09).
std::string FigureText(double value);

// `value` when finite; otherwise raises EBadArgument as above.
double FiniteAmount(std::string_view call, std::string_view where, double value);

// "row <n>, <field>" (rows counted from 1, as RecNo counts them), the place
// of a figure read from a host table; <field> alone for a row below 1.
std::string RowField(int row, std::string_view field);

}  // namespace dru
