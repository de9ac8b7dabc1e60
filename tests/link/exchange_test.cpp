#include <gtest/gtest.h>

#include "host/errors.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "support/fake_link.h"

namespace dru {
namespace {

using test::FakeLink;
using test::FakePortProvider;
using Strings = std::vector<std::string>;

const std::string kSent = "Comando Enviado Generico";

std::string Exchange(FakeLink& link, const std::string& frame, bool retorno = true, bool time = false) {
    return Comand_Porta(link.ctx, frame, {.close = true, .read = retorno, .wait = time}, "COM3", "Azul");
}

TEST(ComandPorta, OpensSetsUpWritesReadsAndClosesInOrder) {
    FakeLink link;
    link.ports.queue_reply("1:2:3:\x03");
    EXPECT_EQ(Exchange(link, Frame("481")), "1:2:3:");
    EXPECT_EQ(link.ports.events(),
              (Strings{"open COM3", "get_state", "setup_queues 256 256", "set_state", "set_timeouts 1000 1000",
                       "write 481", "read 4001", "close"}));
    EXPECT_EQ(link.ports.frames(), Strings{"\x87" "481\x88"});
    EXPECT_EQ(link.log_messages(), (Strings{kSent + Frame("481"), "Retorno : 1:2:3:"}));
    // The log line itself: short date, long time, " - ", frame bytes raw, CR LF.
    EXPECT_EQ(link.sink.lines()[0], "08-12-2026 12:00:00 - Comando Enviado Generico\x87" "481\x88\r\n");
}

TEST(ComandPorta, ReplyTextAndWhichRepliesGoToTheAnalysis) {
    struct Case {
        const char* name;
        std::string frame;
        std::string bytes;
        std::string result;
        bool analysed;
    };
    const Case cases[] = {
        {"zero-colon data", Frame("35"), "0:12:34:\x03", "0:12:34:", false},
        {"error number", Frame("98"), "01398\x03", "01398", true},
        {"other first char", Frame("35"), "1abc\x03", "1abc", false},
        {"one byte", Frame("35"), "0", "", false},
        {"zero byte inside", Frame("35"), std::string("ab\0cd", 5), "a", false},
        {"zero byte first", Frame("35"), std::string("\0" "01398", 6), "", false},
        {"latin-1 decoded", Frame("35"), "se\xF1" "a:\x03", "se\u00f1a:", false},
        {"481 fields with leading zeros", Frame("481"), "067:1001:1050:\x03", "067:1001:1050:", false},
        {"481 error reply", Frame("481"), "05948\x03", "05948", true},
    };
    for (const auto& c : cases) {
        FakeLink link;
        link.ports.queue_reply(c.bytes);
        EXPECT_EQ(Exchange(link, c.frame), c.result) << c.name;
        const Strings log = link.log_messages();
        ASSERT_GE(log.size(), 2u) << c.name;
        EXPECT_EQ(log[1], "Retorno : " + c.result) << c.name;
        const bool analysed = log.size() > 2 && log[2].starts_with("*********Aconteceu um Erro********");
        EXPECT_EQ(analysed, c.analysed) << c.name;
        EXPECT_EQ(link.ports.open_now(), 0) << c.name;
    }
}

TEST(ComandPorta, DataReplyOf481NeverStartsRecovery) {
    // "067" read as error 67 would print a Z reduction.
    FakeLink link;
    link.ports.queue_reply("067:1001:1050:0:\x03");
    Exchange(link, Frame("481"));
    EXPECT_EQ(link.ports.frames_text(), Strings{Frame("481")});
    EXPECT_TRUE(link.dialog.calls.empty());
}

TEST(ComandPorta, WithoutRetornoNothingIsRead) {
    FakeLink link;
    link.ports.queue_reply("01398\x03");
    EXPECT_EQ(Exchange(link, Frame("000"), false), "");
    EXPECT_EQ(link.ports.events().back(), "close");
    EXPECT_EQ(std::count(link.ports.events().begin(), link.ports.events().end(), "read 4001"), 0);
    EXPECT_EQ(link.log_messages(), Strings{kSent + Frame("000")});
}

TEST(ComandPorta, SlowReplyPauseComesBeforeTheLogLineAndTheRead) {
    FakeLink link;
    link.clock.set_now(46364.5 + 600.0 / 86400000.0);  // 12:00:00.600
    link.ports.queue_reply("TOTALES\x03");
    Exchange(link, Frame("432"), true, true);
    EXPECT_EQ(link.clock.pauses(), std::vector<int>{kSlowReplyPauseMs});
    // 800 ms later the clock has passed 12:00:01.
    EXPECT_EQ(link.sink.lines()[0].substr(0, 22), "08-12-2026 12:00:01 - ");

    FakeLink fast;
    Exchange(fast, Frame("432"), true, false);
    EXPECT_TRUE(fast.clock.pauses().empty());
}

TEST(ComandPorta, PortThatDoesNotOpenSendsAndLogsNothing) {
    FakeLink link;
    link.ports.fail_open = true;
    link.ports.queue_reply("1\x03");
    EXPECT_EQ(Exchange(link, Frame("34", "255255")), "");
    EXPECT_TRUE(link.ports.frames().empty());
    EXPECT_TRUE(link.sink.lines().empty());

    FakeLink held;  // a handle still open elsewhere: not shared
    PortHandle other = held.ports.open("COM3");
    EXPECT_EQ(Exchange(held, Frame("01")), "");
    EXPECT_TRUE(held.ports.frames().empty());
    EXPECT_TRUE(held.sink.lines().empty());
}

TEST(ComandPorta, SettingsStepFailures) {
    using Step = FakePortProvider::Step;
    struct Case {
        Step step;
        bool reads;
    };
    // Line settings unreadable: nothing more. Any later step: no write, no
    // log, but the read is still made.
    const Case cases[] = {{Step::GetState, false}, {Step::SetupQueues, true}, {Step::SetState, true},
                          {Step::SetTimeouts, true}};
    for (const auto& c : cases) {
        FakeLink link;
        link.ports.fail_step = c.step;
        EXPECT_EQ(Exchange(link, Frame("481")), "");
        EXPECT_TRUE(link.ports.frames().empty());
        EXPECT_TRUE(link.sink.lines().empty());
        const auto& ev = link.ports.events();
        EXPECT_EQ(std::count(ev.begin(), ev.end(), "read 4001"), c.reads ? 1 : 0);
        EXPECT_EQ(ev.back(), "close");
        EXPECT_EQ(link.ports.open_now(), 0);
    }
}

// A failed write or read is the line failing: one line says so, and a
// failed write is not followed by a read.
TEST(ComandPorta, ReadThatFailsOrBringsNothingLeavesTheResultEmpty) {
    const std::string kLineFailed = "Falha na linha da impressora: documento encerrado";
    FakeLink failing;
    failing.ports.queue_read_failure();
    EXPECT_EQ(Exchange(failing, Frame("481")), "");
    EXPECT_EQ(failing.log_messages(), (Strings{kSent + Frame("481"), kLineFailed}));

    FakeLink silent;
    EXPECT_EQ(Exchange(silent, Frame("481")), "");
    EXPECT_EQ(silent.log_messages(), Strings{kSent + Frame("481")});

    FakeLink broken_write;
    broken_write.ports.write_fails = true;
    EXPECT_EQ(Exchange(broken_write, Frame("481")), "");
    EXPECT_EQ(broken_write.log_messages(), (Strings{kLineFailed, kSent + Frame("481")}));
    const auto& ev = broken_write.ports.events();
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "read 4001"), 0);
}

TEST(ComandPorta, ReadTakesAtMostTheReplyBuffer) {
    FakeLink link;
    link.ports.queue_reply(std::string(kReplyBufferBytes + 1, 'A'));
    const std::string reply = Exchange(link, Frame("432"));
    EXPECT_EQ(reply.size(), kReplyBufferBytes - 1);  // 4001 read, last dropped
    EXPECT_EQ(link.ports.events()[6], "read 4001");
}

TEST(ComandPorta, PortIsClosedWhenTheAnalysisRaises) {
    FakeLink link;
    link.ports.queue_reply("0AB12\x03");
    try {
        Exchange(link, Frame("01"));
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("0AB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(link.ports.open_now(), 0);
}

TEST(ComandPorta, PortLeftOpenIsHandedToTheCaller) {
    FakeLink link;
    PortHandle kept;
    Comand_Porta(link.ctx, Frame("18"), kKeepOpenExchange, "COM1", "Azul", &kept);
    EXPECT_TRUE(kept);
    EXPECT_EQ(link.ports.open_now(), 1);
    kept.reset();
    EXPECT_EQ(link.ports.open_now(), 0);
}

TEST(IsErrorReply, ZeroColonIsExemptOnlyWhereAsked) {
    EXPECT_FALSE(IsErrorReply("0:1:", "35", true));
    EXPECT_TRUE(IsErrorReply("0:1:", "61", false));
    EXPECT_TRUE(IsErrorReply("01998", "98", true));
    EXPECT_FALSE(IsErrorReply("", "98", false));
    EXPECT_FALSE(IsErrorReply("00123:5:", "481", false));
}

TEST(IsErrorReply, PaymentFormsListIsDataEvenWhenItBeginsWithZero) {
    EXPECT_FALSE(IsErrorReply("08/12/26\rTOTALES POR FORMA DE PAGO\r", "432", true));
    EXPECT_FALSE(IsErrorReply("0 FORMAS\nTOTALES POR FORMA DE PAGO\n", "432", true));
    EXPECT_TRUE(IsErrorReply("01343", "432", true));
}

}  // namespace
}  // namespace dru
