#include "print/printed_figures.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host/errors.h"
#include "host/text.h"

namespace dru {

namespace {

template <class... Parts>
[[noreturn]] void Refuse(const Parts&... parts) {
    std::ostringstream what;
    (what << ... << parts);
    throw EBadArgument(what.str());
}

}  // namespace

std::string RowField(int row, std::string_view field) {
    return "row " + std::to_string(row) + ", " + std::string(field);
}

std::string CheckedOperand(std::string_view call, int row, std::string_view field, double value,
                           std::string formatted, std::size_t width) {
    const bool digits = std::all_of(formatted.begin(), formatted.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (std::isfinite(value) && digits && formatted.size() == width) return formatted;
    Refuse(call, ": ", RowField(row, field), ": ", value, " does not fit the printer's ", width, "-digit field");
}

double FiniteAmount(std::string_view call, std::string_view where, double value) {
    if (!std::isfinite(value)) Refuse(call, ": ", where, ": ", value, " is not a finite number");
    return value;
}

std::string FittedFigure(std::string_view call, std::string_view where, double value, std::string text,
                         int width) {
    FiniteAmount(call, where, value);
    if (text::length(text) > static_cast<std::size_t>(width))
        Refuse(call, ": ", where, ": ", text, " does not fit the printed ", width, "-character field");
    return text;
}

}  // namespace dru
