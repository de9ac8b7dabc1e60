// One trace for the line, the debug log and the clock: its entries come in
// the order things happened, whichever of them added the entry.
#include <gtest/gtest.h>

#include "link/commands.h"
#include "link/frames.h"
#include "link/line_output.h"
#include "support/fake_link.h"

namespace dru {
namespace {

using Strings = std::vector<std::string>;

TEST(LinkTrace, WritesLogLinesAndPausesInTheOrderTheyHappened) {
    test::FakeLink link;
    link.ports.queue_reply("10\x03", "61");
    {
        LineOutput out(link.ctx, "COM1", "Azul");
        out.write_frame(Frame("60"));
        link.log.ImpFisDebug("Comentario");
        out.pause(200);
        out.pause(kBlockBreakPauseMs);
        link.log.ImpFisDebug("Fim");
        out.write_frame(Frame("61"));
        EXPECT_TRUE(out.final_reply_check());  // waits out the read, then logs the reply
    }
    EXPECT_EQ(link.trace.entries(),
              (Strings{"open COM1", "get_state", "setup_queues 256 256", "set_state", "set_timeouts 1000 1000",
                       "write <87>60<88>", "log Comentario", "pause 200", "pause 800", "log Fim",
                       "write <87>61<88>", "wait 1000", "read 1001 -> 10<03>", "log Resultado : 10", "close"}));
}

TEST(LinkTrace, FailuresOfTheLineAreShownAsSuch) {
    test::FakeLink link;
    link.ports.fail_step = test::FakePortProvider::Step::SetState;
    EXPECT_FALSE(LineOutput(link.ctx, "COM1", "Azul").is_open());
    link.ports.fail_open = true;
    EXPECT_FALSE(LineOutput(link.ctx, "COM2", "Azul").is_open());
    EXPECT_EQ(link.trace.entries(), (Strings{"open COM1", "get_state", "setup_queues 256 256",
                                             "set_state -> <failed>", "close", "open COM2 -> <failed>"}));

    test::FakeLink line;
    line.ports.queue_read_failure();
    line.ports.write_fails = true;
    {
        // A failed write ends the document: nothing more is written or read.
        LineOutput out(line.ctx, "COM1", "Azul");
        out.write_frame(Frame("61"));
        line.ports.write_fails = false;
        out.write_frame(Frame("61"));
        EXPECT_FALSE(out.final_reply_check());
    }
    const Strings& e = line.trace.entries();
    ASSERT_GE(e.size(), 3u);
    EXPECT_EQ(Strings(e.end() - 3, e.end()),
              (Strings{"write <87>61<88> -> <failed>", "log Falha na linha da impressora: documento encerrado", "close"}));
}

TEST(LinkTrace, ReadThatGetsNothingWaitsItsTimeOutAndSaysSo) {
    test::FakeLink link;
    {
        LineOutput out(link.ctx, "COM1", "Azul");
        EXPECT_FALSE(out.final_reply_check());
    }
    const Strings& e = link.trace.entries();
    ASSERT_GE(e.size(), 3u);
    EXPECT_EQ(Strings(e.end() - 3, e.end()), (Strings{"wait 1000", "read 1001 -> <none>", "close"}));
    EXPECT_TRUE(link.clock.pauses().empty());
}

}  // namespace
}  // namespace dru
