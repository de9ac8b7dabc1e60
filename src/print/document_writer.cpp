#include "print/document_writer.h"

#include "link/commands.h"
#include "link/error_analysis.h"
#include "link/exchange.h"

namespace dru {

DocumentWriter::DocumentWriter(LinkContext& ctx, std::string stCdPortaImpFis,
                               std::string stEsquemaCor)
    : ctx_(ctx),
      port_name_(stCdPortaImpFis),
      scheme_(stEsquemaCor),
      out_(ctx, std::move(stCdPortaImpFis), std::move(stEsquemaCor)) {}

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

std::optional<std::string> DocumentWriter::read_reply() {
    PortHandle& port = out_.port();
    if (!port) return std::nullopt;  // the error analysis closed it and left none open
    std::string buffer(kFinalReplyBufferBytes, '\0');
    const long count = port->read(buffer.data(), buffer.size());
    RecordRead(ctx_, buffer.data(), count);
    if (count < 0) {  // the line is gone: nothing more is read or written
        NoteReadFailed(ctx_);
        port.reset();
    }
    if (count == 0) NoteUnconfirmed(ctx_, "the printer did not answer the document");
    if (count <= 0) return std::nullopt;
    return ReplyText(buffer.data(), count);
}

bool DocumentWriter::accepts(const std::string& reply) {
    if (!IsErrorReply(reply, cmd::kEndComment, true)) {
        NoteAccepted(ctx_);
        return true;
    }
    return AnalisaErro(ctx_, port_name_, scheme_, reply, out_.port());
}

}  // namespace dru
