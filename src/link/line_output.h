// Direct line output: a document opens the printer port itself and writes a
// whole comment block frame by frame with its own pauses, then reads one
// reply at the end (the final reply check). The object owns the port and
// closes it on every way out, exceptions included.
#pragma once
#include <string>

#include "link/context.h"

namespace dru {

class LineOutput {
public:
    LineOutput(LinkContext& ctx, std::string stCdPortaImpFis, std::string stEsquemaCor);
    LineOutput(const LineOutput&) = delete;
    LineOutput& operator=(const LineOutput&) = delete;
    ~LineOutput() = default;  // PortHandle closes

    // False when the opening or a settings step failed: nothing will be written.
    bool is_open() const { return static_cast<bool>(port_); }
    // One whole frame in one write; the outcome is ignored. No-op when closed.
    void write_frame(const std::string& frame);
    // A pause through the clock.
    void pause(int ms);
    // End-comment frame, pause, begin-comment frame, pause.
    void block_break(int pause_ms);
    // Reads the one reply at the end and judges it by the exchange's rule: a
    // leading "0" goes to the analysis, unless the reply begins "0:".
    bool final_reply_check();
    PortHandle& port() { return port_; }

private:
    LinkContext& ctx_;
    std::string port_name_;
    std::string scheme_;
    PortHandle port_;
};

}  // namespace dru
