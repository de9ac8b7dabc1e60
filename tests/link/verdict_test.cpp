// The verdict of a call, from what the link saw: the judging rule as a table,
// then the link's notes on the fake port and the in-process simulator (a
// failed read confirms nothing, a failed line ends the document, 481 keeps
// the printer's counter, the give-up notice says what happened).
#include <gtest/gtest.h>

#include "day/day_operations.h"
#include "link/call_record.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/line_output.h"
#include "module/data_module.h"
#include "print/document_writer.h"
#include "print/retry.h"
#include "support/fake_link.h"
#include "support/sim_session.h"

namespace dru {
namespace {

using test::FakeLink;
using test::SimSession;

// The fake port with the call's record kept.
struct RecordedLink : FakeLink {
    RecordedLink() { ctx.call = &record; }
    // The last frame of a document and the check of its reply.
    bool EndDocument() {
        LineOutput out(ctx, "COM1", "Azul");
        out.write_frame(Frame(cmd::kEndComment));
        return out.final_reply_check();
    }
    bool Retry() {
        return Retried(ctx, "Azul", "Doc", [this] { return EndDocument(); });
    }
    CallRecord record;
};

TEST(Verdict, IsJudgedFromTheCallsRecord) {
    struct Case {
        const char* name;
        CallRecord record;
        std::string platform_error;
        VerdictKind kind;
        std::string detail;
    };
    const Case cases[] = {
        {"nothing to print", {}, "", VerdictKind::None, "nothing was to be printed"},
        {"refused input", {}, "x: NaN", VerdictKind::NotSent, "nothing was sent: x: NaN"},
        {"port", {.port_failure = "the port COM9 did not open: why"}, "", VerdictKind::NotSent,
         "nothing was sent: the port COM9 did not open: why"},
        {"accepted", {.written = true, .accepted = true}, "", VerdictKind::Confirmed, "the printer accepted it"},
        {"refused", {.written = true, .refusals = 1, .refusal = "r", .accepted = true}, "", VerdictKind::Refused, "r"},
        {"recovered: the refused command sent again and taken",
         {.written = true, .refusals = 1, .recovered = 1, .refusal = "r", .accepted = true}, "", VerdictKind::Confirmed,
         "the printer accepted it"},
        {"one recovered of two", {.written = true, .refusals = 2, .recovered = 1, .refusal = "r", .accepted = true}, "",
         VerdictKind::Refused, "r"},
        {"failed line", {.written = true, .failure = "f", .line_failed = true}, "", VerdictKind::Unconfirmed, "f"},
        {"not read", {.written = true}, "", VerdictKind::Unconfirmed,
         "written; the printer's answer was not read or did not come"},
        {"error midway", {.written = true, .accepted = true}, "log", VerdictKind::Unconfirmed,
         "the call ended on an error after printing began: log"},
        {"decided", {.written = true, .refusal = "r", .decided = Verdict{VerdictKind::Confirmed, "d"}}, "",
         VerdictKind::Confirmed, "d"},
    };
    for (const Case& c : cases) {
        const Verdict v = Judge(c.record, c.platform_error);
        EXPECT_EQ(v.kind, c.kind) << c.name;
        EXPECT_EQ(v.detail, c.detail) << c.name;
    }
}

// The final reply check: a read that fails is the line gone, not a yes.
TEST(Verdict, AFailedReadConfirmsNothing) {
    RecordedLink link;
    link.ports.queue_read_failure("61");
    LineOutput out(link.ctx, "COM1", "Azul");
    out.write_frame(Frame(cmd::kEndComment));
    EXPECT_FALSE(out.final_reply_check());
    EXPECT_FALSE(out.is_open());
    EXPECT_TRUE(link.record.line_failed);
    EXPECT_EQ(Judge(link.record).kind, VerdictKind::Unconfirmed);
    EXPECT_EQ(link.log_messages(), std::vector<std::string>{"Falha na linha da impressora: documento encerrado"});
}

// Unplugged at the third frame: nothing more is written, no pause is taken,
// no later exchange of the call opens the port, one log line says so.
TEST(Verdict, ALineThatFailsEndsTheDocument) {
    SimSession s(45657.5);
    CallRecord record;
    s.link.call = &record;
    s.ports.faults().hang_up_after_writes = 2;
    DocumentWriter out(s.link, "COM1", "Azul");
    Document doc;
    for (int i = 0; i < 6; ++i) doc.push_back({Frame(cmd::kCommentLine1, "linea"), 0, 0, 200, "Linha "});
    out.play(doc);
    EXPECT_FALSE(out.final_reply_check());
    EXPECT_EQ(Comand_Porta(s.link, Frame(cmd::kReadCounters), kCommandExchange, "COM1", "Azul"), "");
    EXPECT_EQ(s.printer.frames().size(), 2u);
    EXPECT_EQ(s.clock.pauses(), (std::vector<int>{200, 200}));
    const auto log = s.log_messages();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Falha na linha da impressora: documento encerrado"), 1);
    EXPECT_EQ(s.ports.opens(), 1);
    EXPECT_EQ(Judge(record).kind, VerdictKind::Unconfirmed);
}

// Every 481 the link reads leaves the printer's counter, by port.
TEST(Verdict, TheCountersReplyIsRemembered) {
    SimSession s(45657.5);
    InMemoryCounters counters;
    s.link.counters = &counters;
    std::string number;
    Nr_Cupom(s.link, "com1", "Azul", number);
    ASSERT_TRUE(counters.recall("COM1"));
    EXPECT_EQ(counters.recall("COM1")->receipt, 1000);
    EXPECT_FALSE(counters.recall("COM2"));
    EXPECT_EQ(CounterOf("41:1:x:"), std::nullopt);
}

// The notice after the last attempt: refused, attempts made, or nothing sent.
TEST(Verdict, TheGiveUpNoticeSaysWhatHappened) {
    struct Case {
        const char* name;
        std::vector<std::string> replies;  // one per attempt that reaches the line ("" silent)
        bool port_fails;
        std::string key;
        std::string log;
    };
    const Case cases[] = {
        {"silent thrice", {"", "", ""}, false, "IMP_SEM_RESPOSTA", "Impressora sem resposta apos 3 tentativas: Doc"},
        {"refused", {"", "", "04361\r"}, false, "IMP_RECUSOU", "Impressora recusou o documento: Doc"},
        {"port never opens", {}, true, "IMP_NAO_ENVIADO", "Documento nao enviado a impressora: Doc"},
    };
    for (const Case& c : cases) {
        RecordedLink link;
        link.messages.padrao = TdtmImpressoraIBM::DefaultMsgPadrao();
        link.ports.fail_open = c.port_fails;
        for (const std::string& r : c.replies) link.ports.queue_reply(r, "61");
        EXPECT_FALSE(link.Retry()) << c.name;
        ASSERT_FALSE(link.dialog.calls.empty()) << c.name;
        EXPECT_EQ(link.dialog.calls.back().text, link.messages.padrao.Msg(c.key)) << c.name;
        EXPECT_EQ(link.log_messages().back(), c.log) << c.name;
    }
}

// A success after failed attempts is the call's outcome: their silence and
// refusal are forgotten.
TEST(Verdict, AnAttemptThatPrintsAnswersForTheOnesBefore) {
    RecordedLink link;
    link.ports.queue_reply("04361\r", "61");
    link.ports.queue_reply("1\r", "61");
    EXPECT_TRUE(link.Retry());
    EXPECT_EQ(Judge(link.record).kind, VerdictKind::Confirmed);
    EXPECT_EQ(link.dialog.calls.size(), 1u);  // the analysis's paper notice, no give-up
}

}  // namespace
}  // namespace dru
