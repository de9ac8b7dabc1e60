// The one writer of printed documents. A document is a list of lines, each a
// whole frame with the pauses around it and the label of its log line; the
// writer plays them on one open port (direct line output) and ends with the
// final reply check where the document reads one.
//
//   DocumentWriter w(ctx, port, scheme);
//   if (!w.is_open()) return false;        // nothing was written
//   w.play({{Frame(cmd::kBeginComment), .pause_before_ms = 220, .log_label = "inicio ..."}, ...});
//   return w.final_reply_check();
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "link/context.h"
#include "link/line_output.h"

namespace dru {

struct DocumentLine {
    std::string frame;             // the whole frame, U+0087 ... U+0088
    int pause_before_ms = 0;       // before the write
    int pause_after_write_ms = 0;  // between the write and its log line
    int pause_after_ms = 0;        // after the line (and its log line)
    std::string log_label = {};    // logged as label + frame; empty: not logged
};

using Document = std::vector<DocumentLine>;

class DocumentWriter {
public:
    DocumentWriter(LinkContext& ctx, std::string stCdPortaImpFis, std::string stEsquemaCor);

    // False when the port did not open or a settings step failed: then
    // nothing is written, paused or logged.
    bool is_open() const { return out_.is_open(); }

    // Each line in order: pause, write, pause, log, pause.
    void play(const Document& lines);
    void line(const DocumentLine& line);
    void pause(int ms);

    // The one read after the last end-comment frame; its result is the
    // document's (an error reply goes to the error analysis).
    bool final_reply_check() { return out_.final_reply_check(); }

    // For a document that judges the printer's answer itself: one read of at
    // most kFinalReplyBufferBytes, nothing logged; nullopt when the read fails,
    // delivers no byte or the port is no longer held.
    std::optional<std::string> read_reply();
    // True when the printer accepted: an error reply (a reply beginning "0:"
    // is data, as everywhere) goes to the error analysis with the held port,
    // whose result this is; any other reply is accepted.
    bool accepts(const std::string& reply);

    LinkContext& link() { return ctx_; }

private:
    LinkContext& ctx_;
    std::string port_name_;  // for the error analysis
    std::string scheme_;
    LineOutput out_;
};

}  // namespace dru
