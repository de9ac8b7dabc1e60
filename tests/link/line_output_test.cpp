#include <gtest/gtest.h>

#include <filesystem>

#include "host/errors.h"
#include "link/commands.h"
#include "link/frames.h"
#include "link/line_output.h"
#include "support/fake_link.h"
#include "support/golden.h"

namespace dru {
namespace {

using test::ExpectTraceMatchesGolden;
using test::FakeLink;
using Strings = std::vector<std::string>;

TEST(LineOutput, WritesFramesWithItsPausesOnOnePort) {
    FakeLink link;
    {
        LineOutput out(link.ctx, "COM4", "Azul");
        ASSERT_TRUE(out.is_open());
        out.write_frame(Frame("60"));
        out.pause(200);
        out.write_frame(Frame("111", "Mesa 4"));
        out.pause(200);
        out.block_break(kBlockBreakPauseMs);
        EXPECT_EQ(link.ports.open_now(), 1);
    }
    EXPECT_EQ(link.ports.frames_text(), (Strings{Frame("60"), Frame("111", "Mesa 4"), Frame("61"), Frame("60")}));
    EXPECT_EQ(link.clock.pauses(), (std::vector<int>{200, 200, 800, 800}));
    EXPECT_TRUE(link.sink.lines().empty());  // documents log their own lines
    // Each pause after its frame, the block break's two frames each followed by theirs.
    ExpectTraceMatchesGolden(link.trace, "link/line_output_block_break.trace");
}

TEST(LineOutput, PortThatDoesNotOpenOrSetUpWritesAndWaitsForNothing) {
    using Step = test::FakePortProvider::Step;
    for (const Step step : {Step::None, Step::GetState, Step::SetupQueues, Step::SetState, Step::SetTimeouts}) {
        FakeLink link;
        link.ports.fail_open = step == Step::None;
        link.ports.fail_step = step;
        LineOutput out(link.ctx, "COM1", "Azul");
        EXPECT_FALSE(out.is_open());
        EXPECT_EQ(link.ports.open_now(), 0);  // closed at once
        out.write_frame(Frame("60"));
        out.block_break(kBlockBreakPauseMs);
        EXPECT_FALSE(out.final_reply_check());
        EXPECT_TRUE(link.ports.frames().empty());
        EXPECT_TRUE(link.clock.pauses().empty());
    }
}

TEST(LineOutput, FinalReplyCheck) {
    struct Case {
        const char* name;
        bool read_fails;
        std::string bytes;
        bool result;
        Strings log;
    };
    const Case cases[] = {
        // A failed read confirms nothing: the line is gone.
        {"read fails", true, "", false, {"Falha na linha da impressora: documento encerrado"}},
        {"no byte", false, "", false, {}},
        {"accepted", false, "10\x03", true, {"Resultado : 10"}},
        {"one byte", false, "0", true, {"Resultado : "}},
        // The exchange's rule: "0:" begins data, not an error reply.
        {"zero colon", false, "0:12:\x03", true, {"Resultado : 0:12:"}},
        {"error, no recovery", false, "01900\x03",
         false,
         {"Resultado : 01900", "*********Aconteceu um Erro******** Erro 19 Comando 00",
          "Sequencia de comando invalida Erro 19 Comando 00"}},
    };
    for (const auto& c : cases) {
        FakeLink link;
        if (c.read_fails)
            link.ports.queue_read_failure("61");
        else if (!c.bytes.empty())
            link.ports.queue_reply(c.bytes, "61");
        {
            LineOutput out(link.ctx, "COM1", "Azul");
            out.write_frame(Frame("60"));
            out.write_frame(Frame("61"));
            EXPECT_EQ(out.final_reply_check(), c.result) << c.name;
        }
        EXPECT_EQ(link.log_messages(), c.log) << c.name;
        const auto& ev = link.ports.events();
        EXPECT_EQ(std::count(ev.begin(), ev.end(), "read 1001"), 1) << c.name;
        EXPECT_EQ(link.ports.open_now(), 0) << c.name;
    }
}

TEST(LineOutput, RecoveryPortTakesTheDocumentsPlaceAndIsClosedWithIt) {
    FakeLink link;
    link.ports.queue_reply("08061\x03", "61");
    {
        LineOutput out(link.ctx, "COM1", "Azul");
        out.write_frame(Frame("61"));
        EXPECT_TRUE(out.final_reply_check());  // error 80: repeat sent
        EXPECT_TRUE(out.is_open());            // the repeat's port
        EXPECT_EQ(link.ports.open_now(), 1);
    }
    EXPECT_EQ(link.ports.frames_text(), (Strings{Frame("61"), Frame("18")}));
    EXPECT_EQ(link.ports.opens(), 2);
    EXPECT_EQ(link.ports.open_now(), 0);
    ExpectTraceMatchesGolden(link.trace, "link/final_reply_check_repeat_after_error_80.trace");
}

TEST(LineOutput, LogFailureReachesTheCallerAfterThePortIsClosed) {
    test::FakePortProvider ports;
    VirtualClock clock;
    FormatSettings format;
    FileLogSink sink("/nonexistent-dru-folder");
    test::RecordingDialog dialog;
    test::FixedMessages messages;
    LinkServices services{sink, clock, ports, dialog, messages, format};
    ports.queue_reply("10\x03", "61");
    EXPECT_THROW(
        {
            LineOutput out(services.ctx, "COM1", "Azul");
            out.write_frame(Frame("61"));
            out.final_reply_check();
        },
        EInOutError);
    EXPECT_EQ(ports.open_now(), 0);
}

}  // namespace
}  // namespace dru
