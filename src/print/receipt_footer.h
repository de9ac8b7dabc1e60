// The receipt footer, the run of lines every receipt-like document ends its
// comment block with: operator, password, separator, observation lines,
// blank line, vendor line, end comment. Each document gives its own pause and
// log labels.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "print/document_writer.h"

namespace dru {

struct FooterStyle {
    int line_pause_ms = 0;          // the document's pause before each line
    std::string operator_label;     // empty: the operator line is not logged
    int pause_before_end_ms = 0;    // before the end-comment frame
    std::string end_label;          // logged with the end-comment frame
};

// What the footer prints.
struct FooterText {
    std::string operador;       // printed as is
    std::string stSenhaCupom;   // empty: no password line
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
