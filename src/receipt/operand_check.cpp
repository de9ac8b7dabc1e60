#include "receipt/operand_check.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host/errors.h"

namespace dru {

std::string CheckedOperand(std::string_view call, int row, std::string_view field, double value,
                           std::string formatted, std::size_t width) {
    const bool digits = std::all_of(formatted.begin(), formatted.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (std::isfinite(value) && digits && formatted.size() == width) return formatted;
    std::ostringstream what;
    what << call << ": row " << row << ", " << field << ": " << value << " does not fit the printer's " << width
         << "-digit field";
    throw EBadArgument(what.str());
}

}  // namespace dru
