// Everything a link operation needs, built from fakes: the scripted port line,
// the virtual clock, the debug log in memory, a dialog that records its calls
// and message tables the test fills. `ctx` is ready to hand to the link, and
// `trace` holds what the line, the clock and the log did, in order.
//
//   dru::test::FakeLink link;
//   link.ports.queue_reply("1\r");
//   Abre_Gaveta_Imp(link.ctx, "COM1", "Azul", false);
//   EXPECT_EQ(link.log_messages()[0], ...);
//   ExpectTraceMatchesGolden(link.trace, "day/drawer.trace");
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "host/text.h"
#include "host/trace.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/link_services.h"
#include "support/fake_port.h"

namespace dru::test {

// One call of the dialog, its nine arguments.
struct DialogCall {
    std::string text, arg2, arg3, question;
    TTipoMsg kind;
    std::string arg6, scheme;
    int arg8;
    const TClientDataSet* table;
};

// Records every call and gives the front of `answers`, or `answer` once they
// are used up. Given a trace, adds "message <text>"
// for a notice and "question <text> -> yes|no" for a question to it.
class RecordingDialog final : public Dialog {
public:
    bool Mensagem(const std::string& text, const std::string& arg2, const std::string& arg3,
                  const std::string& question, TTipoMsg kind, const std::string& arg6,
                  const std::string& scheme, int arg8, const TClientDataSet* table) override {
        calls.push_back({text, arg2, arg3, question, kind, arg6, scheme, arg8, table});
        bool given = answer;
        if (!answers.empty()) {
            given = answers.front();
            answers.pop_front();
        }
        if (trace) {
            const std::string shown = TraceBytes(text::to_latin1(text));
            trace->add(question == "S" ? "question " + shown + (given ? " -> yes" : " -> no") : "message " + shown);
        }
        return given;
    }
    std::vector<DialogCall> calls;
    std::deque<bool> answers;
    bool answer = false;
    Trace* trace = nullptr;
};

class FixedMessages final : public MessageTables {
public:
    const TMessages& msgPadrao() override { return padrao; }
    const TMessages& msgPadrao2() override {
        ++lookups2;
        return padrao2;
    }
    TMessages padrao;
    TMessages padrao2;
    int lookups2 = 0;
};

// What every fixture's link runs on besides its port and message texts: the
// trace, the virtual clock, the log in memory and the recording dialog (all
// three adding to the trace), and the regional settings. Fixtures derive
// from it.
struct FakeHost {
    FakeHost() : FakeHost(VirtualClock().now()) {}
    explicit FakeHost(TDateTime now) : clock(now) {
        clock.set_trace(&trace);
        sink.set_trace(&trace);
        dialog.trace = &trace;
    }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // The log messages (after "date time - "), as UTF-8.
    std::vector<std::string> log_messages() const { return sink.messages(); }

    Trace trace;  // first in, last out: whatever closes late still has it
    VirtualClock clock;
    MemoryLogSink sink;
    FormatSettings format;
    RecordingDialog dialog;
};

struct FakeLink : FakeHost {
    FakeLink() {
        ports.clock = &clock;
        ports.trace = &trace;
    }

    FakePortProvider ports;
    FixedMessages messages;
    LinkServices services{sink, clock, ports, dialog, messages, format};
    DebugLog& log = services.log;
    LinkContext& ctx = services.ctx;
};

}  // namespace dru::test
