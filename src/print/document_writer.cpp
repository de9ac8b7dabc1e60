#include "print/document_writer.h"

namespace dru {

DocumentWriter::DocumentWriter(LinkContext& ctx, std::string stCdPortaImpFis, std::string stEsquemaCor)
    : ctx_(ctx), out_(ctx, std::move(stCdPortaImpFis), std::move(stEsquemaCor)) {}

void DocumentWriter::play(const Document& lines) {
    for (const DocumentLine& l : lines) line(l);
}

void DocumentWriter::line(const DocumentLine& l) {
    if (!out_.is_open()) return;  // a document whose port did not open prints nothing
    pause(l.pause_before_ms);
    out_.write_frame(l.frame);
    pause(l.pause_after_write_ms);
    if (!l.log_label.empty()) ctx_.log.ImpFisDebug(l.log_label + l.frame);
    pause(l.pause_after_ms);
}

// A line without a pause takes none: no zero-length sleep is recorded.
void DocumentWriter::pause(int ms) {
    if (ms > 0) out_.pause(ms);
}

}  // namespace dru
