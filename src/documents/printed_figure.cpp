#include "documents/printed_figure.h"

#include <cmath>
#include <sstream>

#include "host/errors.h"
#include "host/text.h"

namespace dru {

double FiniteAmount(std::string_view call, std::string_view where, double value) {
    if (std::isfinite(value)) return value;
    std::ostringstream what;
    what << call << ": " << where << ": " << value << " is not a finite number";
    throw EBadArgument(what.str());
}

std::string FittedFigure(std::string_view call, std::string_view where, double value,
                         std::string text, int width) {
    FiniteAmount(call, where, value);
    if (text::length(text) <= static_cast<std::size_t>(width)) return text;
    std::ostringstream what;
    what << call << ": " << where << ": " << text << " does not fit the printed " << width
         << "-character field";
    throw EBadArgument(what.str());
}

std::string RowField(int row, std::string_view field) {
    return "row " + std::to_string(row) + ", " + std::string(field);
}

}  // namespace dru
