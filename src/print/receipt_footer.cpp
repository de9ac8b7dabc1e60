#include "print/receipt_footer.h"

#include "host/routines.h"
#include "link/commands.h"
#include "link/frames.h"

namespace dru {

namespace {

// The separator and the blank line after the observation span the paper's 44 columns.
constexpr int kFooterWidth = 44;
constexpr std::string_view kPasswordCaption = "se\u00f1a: ";
constexpr std::string_view kPasswordLabel = "imprime a senha do cupom";
constexpr std::string_view kObservationLabel = "ImPrime Mensagem Rodape (Linha ";
constexpr std::string_view kObservationLabelEnd = "):";
constexpr std::string_view kVendorLabel = "KORVANE Final_Cupom - IBM";

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
    doc.push_back({Frame(cmd::kCommentLine1, text.operador), p, 0, 0, style.operator_label});
    int separator_pause = p;  // the pause after the operator line, or the one after the password
    if (!text.stSenhaCupom.empty()) {
        doc.push_back({Frame(cmd::kCommentLine3, std::string(kPasswordCaption) + text.stSenhaCupom), p, 0, p,
                       std::string(kPasswordLabel)});
        separator_pause = 0;
    }
    doc.push_back({Frame(cmd::kCommentLine2, Replicate("-", kFooterWidth)), separator_pause});

    const std::vector<std::string> lines = ObservationLines(text.stDsObsCupFis);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string label =
            std::string(kObservationLabel) + std::to_string(n + 1) + std::string(kObservationLabelEnd);
        doc.push_back({Frame(cmd::kCommentLine1, lines[n]), p, 0, 0, label});
    }
    if (!lines.empty()) doc.push_back({Frame(cmd::kCommentLine2, Replicate(" ", kFooterWidth)), p});

    doc.push_back({Frame(cmd::kCommentLine3, text.vendor), p, 0, 0, std::string(kVendorLabel)});
    doc.push_back({Frame(cmd::kEndComment), style.pause_before_end_ms, 0, 0, style.end_label});
}

}  // namespace dru
