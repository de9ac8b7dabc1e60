// Everything a link operation needs, built from fakes: the scripted port line,
// the virtual clock, the debug log in memory, a dialog that records its calls
// and message tables the test fills. `ctx` is ready to hand to the link.
//
//   dru::test::FakeLink link;
//   link.ports.queue_reply("01998\x03");
//   Comand_Porta(link.ctx, Frame("98"), kCommandExchange, "COM1", "Azul");
//   EXPECT_EQ(link.log_messages()[0], ...);
#pragma once
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "link/context.h"
#include "link/debug_log.h"
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

class RecordingDialog final : public Dialog {
public:
    bool Mensagem(const std::string& text, const std::string& arg2, const std::string& arg3,
                  const std::string& question, TTipoMsg kind, const std::string& arg6,
                  const std::string& scheme, int arg8, const TClientDataSet* table) override {
        calls.push_back({text, arg2, arg3, question, kind, arg6, scheme, arg8, table});
        return answer;
    }
    std::vector<DialogCall> calls;
    bool answer = false;
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

struct FakeLink {
    FakeLink() { ports.clock = &clock; }
    FakeLink(const FakeLink&) = delete;
    FakeLink& operator=(const FakeLink&) = delete;

    // The log messages (after "date time - "), as UTF-8.
    std::vector<std::string> log_messages() const { return sink.messages(); }

    FakePortProvider ports;
    VirtualClock clock;
    MemoryLogSink sink;
    FormatSettings format;
    DebugLog log{sink, clock, format};
    RecordingDialog dialog;
    FixedMessages messages;
    LinkContext ctx{ports, clock, log, dialog, messages, format};
};

}  // namespace dru::test
