// The receipt footer, the run of lines every receipt-like document ends its
// comment block with: operator, password, separator, observation lines,
// blank line, vendor line, end comment. Each document gives its own pause and
// log labels.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/commands.h"
#include "print/document_writer.h"

namespace dru {

// How a document paces and logs its footer. The first four fields are every
// document's own; the rest default to the fiscal receipt's footer.
struct FooterStyle {
    int line_pause_ms = 0;        // the document's pause before each line
    std::string operator_label;   // empty: the operator line is not logged
    int pause_before_end_ms = 0;  // before the end-comment frame
    std::string end_label;        // logged with the end-comment frame

    // Before each observation line and the blank line; unset: line_pause_ms.
    std::optional<int> observation_pause_ms = std::nullopt;
    // After each footer frame's write, before its log line: a document that
    // paces after its frames rather than before them.
    int pause_after_write_ms = 0;
    bool password_always = false;  // the password line also for an empty password
    std::string password_label = "imprime a senha do cupom";            // empty: not logged
    std::string observation_label = "ImPrime Mensagem Rodape (Linha ";  // then n, "):"
    std::string vendor_label = "KORVANE Final_Cupom - IBM";             // empty: not logged
    std::string separator_code{cmd::kCommentLine2};  // the separator's print style
    int separator_width = 44;                        // its hyphens
};

// What the footer prints.
struct FooterText {
    std::string operador;       // printed as is
    std::string stSenhaCupom;   // empty: no password line (unless the style prints it always)
    std::string stDsObsCupFis;  // observation, lines ended by CR LF, CR or LF
    std::string vendor;         // the vendor line's text
};

// Appends the footer lines to `doc`.
void AppendReceiptFooter(Document& doc, const FooterStyle& style, const FooterText& text);

// The observation cut into footer lines: CR LF, a bare CR and a bare LF each
// end a line, no character is lost, a trailing line break adds no line, two
// breaks in a row give one empty line. Blank-only text gives none.
std::vector<std::string> ObservationLines(std::string_view text);

}  // namespace dru
