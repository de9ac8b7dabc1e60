#include "link/line_output.h"

#include <vector>

#include "host/text.h"
#include "link/commands.h"
#include "link/error_analysis.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {

namespace {
constexpr std::string_view kResultLabel = "Resultado : ";
}

LineOutput::LineOutput(LinkContext& ctx, std::string stCdPortaImpFis, std::string stEsquemaCor)
    : ctx_(ctx),
      port_name_(std::move(stCdPortaImpFis)),
      scheme_(std::move(stEsquemaCor)),
      port_(OpenPrinterPort(ctx, port_name_)) {
    if (!port_ && !LineFailed(ctx_)) RecordPortFailed(ctx_);
}

// A frame the line does not take (a failed write, one not taken within the
// write time-out, a line that hung up) ends the document: the port closes,
// nothing more is written, paused or read.
void LineOutput::write_frame(const std::string& frame) {
    if (!port_) return;
    const std::string bytes = text::to_latin1(frame);
    const long written = port_->write(bytes);
    RecordWrite(ctx_, written);
    if (!NoteWrite(ctx_, written, bytes.size())) port_.reset();
}

// A document whose port did not open, or whose line failed, writes nothing
// and so waits for nothing.
void LineOutput::pause(int ms) {
    if (port_) Pause(ctx_, ms);
}

void LineOutput::block_break(int pause_ms) {
    write_frame(Frame(cmd::kEndComment));
    pause(pause_ms);
    write_frame(Frame(cmd::kBeginComment));
    pause(pause_ms);
}

bool LineOutput::final_reply_check() {
    if (!port_) return false;  // nothing was printed
    std::vector<char> buffer(kFinalReplyBufferBytes);
    const long count = port_->read(buffer.data(), buffer.size());
    RecordRead(ctx_, buffer.data(), count);
    // A read that fails confirms nothing: the line is gone.
    if (count < 0) {
        NoteReadFailed(ctx_);
        port_.reset();
        return false;
    }
    if (count == 0) {
        NoteUnconfirmed(ctx_, "the printer did not answer the document");
        return false;
    }
    const std::string reply = ReplyText(buffer.data(), count);
    ctx_.log.ImpFisDebug(std::string(kResultLabel) + reply);
    // The exchange's rule: a reply beginning "0:" is not an error reply (handed
    // to the analysis it has no error number, after the document was printed).
    if (IsErrorReply(reply, cmd::kEndComment, true))
        return AnalisaErro(ctx_, port_name_, scheme_, reply, port_);
    NoteAccepted(ctx_);
    return true;
}

}  // namespace dru
