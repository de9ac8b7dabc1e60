#include "print/receipt_footer.h"

#include "host/routines.h"
#include "link/commands.h"
#include "link/frames.h"

namespace dru {

namespace {

// The blank line after the observation spans the paper's 44 columns.
constexpr int kBlankWidth = 44;
constexpr std::string_view kPasswordCaption = "se\u00f1a: ";
constexpr std::string_view kObservationLabelEnd = "):";

}  // namespace

std::vector<std::string> ObservationLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string_view rest = text;
    if (EmptyString(rest)) return lines;
    for (;;) {
        const std::size_t at = rest.find_first_of("\r\n");
        if (at == std::string_view::npos) {
            if (!EmptyString(rest)) lines.emplace_back(rest);
            return lines;
        }
        lines.emplace_back(rest.substr(0, at));
        const bool crlf = rest[at] == '\r' && at + 1 < rest.size() && rest[at + 1] == '\n';
        rest.remove_prefix(at + (crlf ? 2 : 1));
    }
}

void AppendReceiptFooter(Document& doc, const FooterStyle& style, const FooterText& text) {
    const int p = style.line_pause_ms;
    const int w = style.pause_after_write_ms;
    doc.push_back({Frame(cmd::kCommentLine1, text.operador), p, w, 0, style.operator_label});
    int separator_pause = p;  // the pause after the operator line, or the one after the password
    if (!text.stSenhaCupom.empty() || style.password_always) {
        doc.push_back({Frame(cmd::kCommentLine3, std::string(kPasswordCaption) + text.stSenhaCupom),
                       p, w, p, style.password_label});
        separator_pause = 0;
    }
    doc.push_back(
        {Frame(style.separator_code, Replicate("-", style.separator_width)), separator_pause, w});

    const int observation_pause = style.observation_pause_ms.value_or(p);
    const std::vector<std::string> lines = ObservationLines(text.stDsObsCupFis);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string label =
            style.observation_label + std::to_string(n + 1) + std::string(kObservationLabelEnd);
        doc.push_back({Frame(cmd::kCommentLine1, lines[n]), observation_pause, w, 0, label});
    }
    if (!lines.empty())
        doc.push_back(
            {Frame(cmd::kCommentLine2, Replicate(" ", kBlankWidth)), observation_pause, w});

    doc.push_back({Frame(cmd::kCommentLine3, text.vendor), p, w, 0, style.vendor_label});
    doc.push_back({Frame(cmd::kEndComment), style.pause_before_end_ms, w, 0, style.end_label});
}

}  // namespace dru
