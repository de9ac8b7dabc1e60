#include "print/printed_figures.h"

#include <algorithm>
#include <charconv>
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

std::string FigureText(double value) {
    char out[32];
    const auto [end, ec] = std::to_chars(out, out + sizeof out, value);  // the shortest text that reads back
    return ec == std::errc() ? std::string(out, end) : std::to_string(value);
}

std::string RowField(int row, std::string_view field) {
    if (row < 1) return std::string(field);  // a figure of the document, not of a row
    return "row " + std::to_string(row) + ", " + std::string(field);
}

std::string CheckedOperand(std::string_view call, int row, std::string_view field, double value,
                           std::string formatted, std::size_t width) {
    const bool digits = std::all_of(formatted.begin(), formatted.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (std::isfinite(value) && digits && formatted.size() == width) return formatted;
    FiniteAmount(call, RowField(row, field), value);
    if (value < 0) Refuse(call, ": ", RowField(row, field), ": ", FigureText(value), " is negative");
    Refuse(call, ": ", RowField(row, field), ": ", FigureText(value), " does not fit the printer's ", width,
           "-digit field");
}

std::string CheckedCode(std::string_view call, int row, std::string_view field, std::string text,
                        std::size_t width) {
    if (text::length(text) == width) return text;
    Refuse(call, ": ", RowField(row, field), ": \"", text, "\" is not the printer's ", width, "-character code");
}

double FiniteAmount(std::string_view call, std::string_view where, double value) {
    if (!std::isfinite(value)) Refuse(call, ": ", where, ": ", FigureText(value), " is not a finite number");
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
