// A scripted printer line for unit tests: an in-process PortProvider whose
// ports record every frame written and answer from a queue of replies.
//
//   dru::test::FakePortProvider ports;
//   ports.queue_reply("01998\x03");            // answers the next write
//   ports.queue_reply("0:1:2:\x03", "61");     // answers the next end-comment frame
//   ... run the code under test with `ports` in its LinkContext ...
//   EXPECT_EQ(ports.frames_text(), (std::vector<std::string>{Frame("481")}));
//   EXPECT_EQ(ports.open_now(), 0);            // nothing left open
//
// Model: one line, one printer. A write takes the front reply of the queue
// when the reply has no trigger or its trigger begins the frame's command
// text; the reply then waits on the line for the next read. A read with
// nothing waiting delivers no byte. Like the real port the line is not
// shared: an open while a port is open fails.
//
// The provider must outlive every port it opened.
#pragma once
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "host/clock.h"
#include "host/trace.h"
#include "link/serial_port.h"

namespace dru::test {

struct FakeReply {
    std::string bytes;        // raw bytes of the reply (Latin-1, zero bytes allowed)
    std::string after;        // command code that triggers it; empty: any write
    bool read_fails = false;  // the read that meets it fails (-1) instead
};

class FakePortProvider final : public PortProvider {
public:
    // The settings steps, for failure injection.
    enum class Step { None, GetState, SetupQueues, SetState, SetTimeouts };

    PortHandle open(std::string_view port_name) override;

    // ---- Script ------------------------------------------------------------
    void queue_reply(std::string bytes, std::string after = {}) { queue_.push_back({std::move(bytes), std::move(after)}); }
    void queue_read_failure(std::string after = {}) { queue_.push_back({{}, std::move(after), true}); }
    void queue(FakeReply reply) { queue_.push_back(std::move(reply)); }
    bool fail_open = false;          // every open fails, as for a missing port
    Step fail_step = Step::None;     // this settings step returns false
    bool write_fails = false;        // writes return -1 and deliver nothing
    // When set, a read that comes up short lets the read time-out pass on
    // this clock (wait_ms), as the real port waits it out: never a pause.
    Clock* clock = nullptr;
    // When set, every call on the line is added to it, in the trace's form
    // ("write <87>481<88>", "read 4001 -> 1<0D>", ...).
    Trace* trace = nullptr;

    // ---- Record ----------------------------------------------------------
    // Every frame written, as the bytes on the wire.
    const std::vector<std::string>& frames() const { return frames_; }
    // The same frames decoded to UTF-8 text (comparable with Frame(...)).
    std::vector<std::string> frames_text() const;
    // Everything the code did with the line, in order: "open COM1",
    // "open failed COM1", "get_state", "setup_queues 256 256", "set_state",
    // "set_timeouts 1000 1000", "write <code>", "read <max>", "close".
    const std::vector<std::string>& events() const { return events_; }
    int opens() const { return opens_; }          // successful opens
    int failed_opens() const { return failed_opens_; }
    int closes() const { return closes_; }
    int open_now() const { return opens_ - closes_; }
    std::size_t replies_left() const { return queue_.size(); }
    void clear_record();

private:
    friend class FakePort;
    struct Pending {
        std::string bytes;
        bool read_fails = false;
    };
    bool step(Step s, std::string event);
    long write(std::string_view bytes);
    long read(char* buffer, std::size_t max);
    void closed();
    void record(std::string entry) {
        if (trace) trace->add(std::move(entry));
    }

    std::deque<FakeReply> queue_;
    std::deque<Pending> line_;  // replies waiting for a read
    std::vector<std::string> frames_;
    std::vector<std::string> events_;
    int opens_ = 0;
    int failed_opens_ = 0;
    int closes_ = 0;
    int read_timeout_ms_ = 0;
};

}  // namespace dru::test
