// The printer's replies to every entry point that drives it, through the
// scripted port on the virtual clock: the reply handling of each operation
// and the error analysis and recovery behind it.
//
// Input: one byte picks the entry point (EntryPointCalls, in name order), one
// byte the operator's answers (bit i answers the i-th dialog call, then
// "no"), then the replies, separated by 0x1E. A reply "CODE\x1FBYTES" waits
// for the next frame whose command begins CODE; one without 0x1F answers the
// next write; the single byte 0x15 makes the read that meets it fail.
//
// Whatever the replies, the operation returns (the virtual clock bounds
// every wait, the retry rule every repetition) with no port left open, and
// raises nothing but the module's own errors.
#include <iterator>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "host/errors.h"
#include "module/data_module.h"
#include "module/session.h"
#include "support/entry_point_calls.h"
#include "support/fake_link.h"

namespace dru::fuzz {

namespace {

constexpr char kReplySeparator = '\x1E';
constexpr char kTriggerSeparator = '\x1F';
constexpr std::string_view kReadFailure = "\x15";
// Enough for the longest operation's dialog (the cash closing's).
constexpr std::size_t kAnswerBits = 8;

// The scripted line with the data module's own message texts and tables.
struct ScriptedPrinter : test::FakeHost {
    ScriptedPrinter() {
        ports.clock = &clock;
        clock.set_trace(nullptr);  // nothing reads the trace: keep the run lean
        sink.set_trace(nullptr);
        dialog.trace = nullptr;
    }
    test::FakePortProvider ports;
    DataModuleSlot dm{format, clock};
    LinkServices services{sink, clock, ports, dialog, dm, format};
    Session session{services.ctx, dm, "/nonexistent-host-folder"};
};

void QueueReplies(test::FakePortProvider& ports, std::string_view script) {
    while (!script.empty()) {
        const std::size_t end = script.find(kReplySeparator);
        std::string_view reply = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
        std::string trigger;
        if (const std::size_t at = reply.find(kTriggerSeparator); at != std::string_view::npos) {
            trigger = std::string(reply.substr(0, at));
            reply.remove_prefix(at + 1);
        }
        if (reply == kReadFailure)
            ports.queue_read_failure(trigger);
        else
            ports.queue_reply(std::string(reply), trigger);
    }
}

}  // namespace

int replies(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto& calls = test::EntryPointCalls();
    auto call = calls.begin();
    std::advance(call, data[0] % calls.size());
    ScriptedPrinter printer;
    for (std::size_t bit = 0; bit < kAnswerBits; ++bit)
        printer.dialog.answers.push_back((data[1] >> bit) & 1);
    QueueReplies(printer.ports, Bytes(data + 2, size - 2));
    try {
        call->second(printer.session, 2);
    } catch (const std::exception& e) {
        ExpectModuleError(e);
    }
    if (printer.ports.open_now() != 0) Finding(call->first + " left a port open");
    return 0;
}

}  // namespace dru::fuzz
