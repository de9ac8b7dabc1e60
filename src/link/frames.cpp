#include "link/frames.h"

#include "host/text.h"
#include "link/commands.h"

namespace dru {

namespace {

// The frame bytes end the frame wherever they stand, so one inside an
// operand would cut it short; the printer gets "?" in its place.
void append_mended(std::string& out, std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::string_view rest = s.substr(i);
        if (rest.starts_with(text::kFrameStart) || rest.starts_with(text::kFrameEnd)) {
            out += '?';
            i += text::kFrameStart.size();
        } else {
            out += s[i];
            ++i;
        }
    }
}

bool IsCommentLine(std::string_view code) {
    for (const std::string_view line : {cmd::kCommentLine1, cmd::kCommentLine2, cmd::kCommentLine3,
                                        cmd::kCommentLine4, cmd::kCommentLine5, cmd::kCommentLine6})
        if (code == line) return true;
    return false;
}

}  // namespace

std::string Frame(std::string_view code, std::string_view operands) {
    std::string frame(text::kFrameStart);
    append_mended(frame, code);
    if (IsCommentLine(code) && text::length(operands) > kPrintedLineChars)
        append_mended(frame, text::substr(operands, 0, kPrintedLineChars));
    else
        append_mended(frame, operands);
    frame += text::kFrameEnd;
    return frame;
}

std::string ReadField(std::string_view reply, int n) {
    for (int pass = 0; pass < n; ++pass) {
        const auto colon = reply.find(':');
        if (colon == std::string_view::npos) break;
        reply.remove_prefix(colon + 1);
    }
    const auto colon = reply.find(':');
    if (colon == std::string_view::npos) return {};
    return std::string(reply.substr(0, colon));
}

std::string Amount10(double value, const FormatSettings& fs) { return FormatFloat("0000000000", value, fs); }

std::string Amount9(double value, const FormatSettings& fs) { return FormatFloat("000000000", value, fs); }

std::string Quantity9(double value, const FormatSettings& fs) {
    // "000000.000" less the decimal separator: the 7th character for every
    // quantity that fits; a negative or oversized one keeps its digits.
    std::string q = FormatFloat("000000.000", value, fs);
    const auto sep = q.rfind(fs.DecimalSeparator);
    if (sep != std::string::npos) q.erase(sep, 1);
    return q;
}

}  // namespace dru
