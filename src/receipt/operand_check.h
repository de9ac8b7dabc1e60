// The fixed-width numeric operands of the receipt frames: a value that does
// not fit its field would shift every position after it and register wrong
// figures in the printer's fiscal memory, so it is refused before sending.
#pragma once
#include <string>
#include <string_view>

namespace dru {

// `formatted` is `value` through its field's mask; it fits when the value is
// a finite number, not negative, and the mask gave exactly `width` digits.
// Otherwise raises EBadArgument: "<call>: row <row>, <field>: <value> does
// not fit the printer's <width>-digit field".
std::string CheckedOperand(std::string_view call, int row, std::string_view field, double value,
                           std::string formatted, std::size_t width);

}  // namespace dru
