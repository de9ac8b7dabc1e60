// One ordered record of what a test's printer line, clock and debug log did:
// the fake line, the in-process simulator's port, the virtual clock and the
// log in memory each add their entries to the trace they are given, so the
// order of writes, reads, pauses and log lines - on which every printed
// document depends - can be checked as a whole.
//
//   open COM1                     a port opened (or "open COM1 -> <failed>")
//   get_state                     a settings step (or "set_state -> <failed>")
//   setup_queues 256 256
//   set_timeouts 1000 1000
//   write <87>481<88>             the bytes of one write ("... -> <failed>")
//   log Comando Enviado Generico<87>481<88>
//   wait 1000                     time the line let pass (a read's time-out)
//   read 4001 -> 1<0D>            what a read returned, after its wait
//   read 1001 -> <none>           a read that got no byte ("-> <failed>": -1)
//   pause 800                     a printer pause
//   close
//
// Test fixtures may add entries of their own (the recording dialog adds
// "message <text>" and "question <text> -> no").
//
// Not thread-safe: for recorders that run on the test's own thread.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dru {

class Trace {
public:
    void add(std::string entry) { entries_.push_back(std::move(entry)); }
    const std::vector<std::string>& entries() const { return entries_; }
    // One entry per line, each ended by "\n".
    std::string text() const;
    void clear() { entries_.clear(); }

private:
    std::vector<std::string> entries_;
};

// Latin-1 bytes (a frame, a reply, a log message) as trace text that is
// readable and exact: printable characters as themselves (decoded to UTF-8),
// every other byte as <XX> in hex - the frame bytes <87> and <88>, CR <0D>,
// no-break space <A0> - and "<" as <3C>, so that no text can pass for a byte.
// Blanks at the end show as <20>, which no editor strips; no byte at all
// shows as <none>.
std::string TraceBytes(std::string_view bytes);

// `call`, followed by " -> <failed>" when it failed.
std::string TraceCall(std::string call, bool ok);

// A read of up to `max` bytes that returned `count` (-1: failed); the bytes
// read are the first `count` of `bytes`.
std::string TraceRead(std::size_t max, long count, std::string_view bytes);

}  // namespace dru
