// Figures the non-fiscal documents print in fixed columns. A text longer
// than its columns would be cut and show another figure (12345678901 would
// print as 1234567890), so such a figure, or one that is not a number at
// all, is refused before anything reaches the printer.
#pragma once
#include <string>
#include <string_view>

namespace dru {

// `text` (the figure as it is printed) when `value` is finite and `text` takes
// at most `width` characters. Otherwise raises EBadArgument:
// "<call>: <where>: <text> does not fit the printed <width>-character field"
// or "<call>: <where>: <value> is not a finite number".
std::string FittedFigure(std::string_view call, std::string_view where, double value,
                         std::string text, int width);

// `value` when finite; otherwise raises EBadArgument as above.
double FiniteAmount(std::string_view call, std::string_view where, double value);

// "row <n>, <field>", the place of a figure read from a host table.
std::string RowField(int row, std::string_view field);

}  // namespace dru
