// The day operations on the scripted fake port (exact bytes, flags of the
// exchange) and on the in-process simulator (the printer's state after them);
// the whole traces of the line are golden files under tests/golden/day/.
#include "day/day_operations.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "link/frames.h"
#include "sim_port.h"
#include "support/fake_link.h"
#include "support/golden.h"
#include "support/sim_session.h"

namespace dru {
namespace {

using test::ExpectTraceMatchesGolden;
using test::FakeLink;

// What an exchange with boFechaPort true, boRetorno true, boTime false leaves
// on the line: one frame, one read, the port closed, no pause.
void ExpectOneClosedExchange(const FakeLink& link, const std::string& wire) {
    EXPECT_EQ(link.ports.frames(), std::vector<std::string>{wire});
    int reads = 0;
    for (const auto& e : link.ports.events()) reads += e.starts_with("read ");
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(link.ports.open_now(), 0);
    EXPECT_TRUE(link.clock.pauses().empty());
}

struct BoolOperation {
    const char* name;
    std::function<bool(LinkContext&)> call;
    std::string wire;  // the frame as bytes on the line
};

const std::vector<BoolOperation>& BoolOperations() {
    static const std::vector<BoolOperation> ops = {
        {"Abre_Gaveta_Imp", [](LinkContext& c) { return Abre_Gaveta_Imp(c, "COM1", "Azul", false); },
         "\x87" "34255255" "\x88"},
        {"Leitura_X_Imp", [](LinkContext& c) { return Leitura_X_Imp(c, "COM1", "Azul", "x"); },
         "\x87" "01" "\x88"},
        {"Reducao_Z_Imp", [](LinkContext& c) { return Reducao_Z_Imp(c, "COM1", "Azul", ""); },
         "\x87" "021" "\x88"},
    };
    return ops;
}

TEST(DayOperations, EachSendsItsFrameInOneClosedExchangeAndReturnsTrue) {
    for (const auto& op : BoolOperations()) {
        SCOPED_TRACE(op.name);
        FakeLink link;
        link.ports.queue_reply("1\r");
        EXPECT_TRUE(op.call(link.ctx));
        ExpectOneClosedExchange(link, op.wire);
        ExpectTraceMatchesGolden(link.trace, std::string("day/") + op.name + ".trace");
    }
}

TEST(DayOperations, TrueWhetherThePrinterIsOffSilentOrAnswersAnError) {
    for (const auto& op : BoolOperations()) {
        SCOPED_TRACE(op.name);
        {
            FakeLink off;
            off.ports.fail_open = true;
            EXPECT_TRUE(op.call(off.ctx));
            EXPECT_TRUE(off.ports.frames().empty());
        }
        {
            FakeLink silent;
            EXPECT_TRUE(op.call(silent.ctx));
            EXPECT_EQ(silent.ports.open_now(), 0);
        }
        {
            // Error 43 (paper out) is shown and logged by the analysis; the
            // operation's answer does not change and no port stays open.
            FakeLink paper_out;
            paper_out.messages.padrao2.set("Erro043", "Fim de papel");
            paper_out.ports.queue_reply("04301\r");
            EXPECT_TRUE(op.call(paper_out.ctx));
            ASSERT_EQ(paper_out.dialog.calls.size(), 1u);
            EXPECT_EQ(paper_out.dialog.calls[0].text, "Fim de papel");
            EXPECT_EQ(paper_out.dialog.calls[0].scheme, "Azul");
            EXPECT_EQ(paper_out.ports.open_now(), 0);
        }
    }
}

TEST(DayOperations, DrawerFlagChangesNothingOnTheLine) {
    FakeLink with_flag, without_flag;
    with_flag.ports.queue_reply("1\r");
    without_flag.ports.queue_reply("1\r");
    EXPECT_TRUE(Abre_Gaveta_Imp(with_flag.ctx, "COM2", "Verde", true));
    EXPECT_TRUE(Abre_Gaveta_Imp(without_flag.ctx, "COM2", "Verde", false));
    EXPECT_EQ(with_flag.ports.events(), without_flag.ports.events());
    EXPECT_EQ(with_flag.ports.frames(), without_flag.ports.frames());
    EXPECT_EQ(with_flag.log_messages(), without_flag.log_messages());
}

TEST(NrCupom, ReadsField2ZeroFilledOrLeavesTheResultAlone) {
    const struct {
        const char* name;
        const char* reply;  // wire bytes; nullptr: the printer says nothing
        std::string expected;
    } cases[] = {
        {"last receipt 150", "41:1:150:0:\r", "0000000150"},
        {"more fields follow", "41:1:150:12500:0:0:\r", "0000000150"},
        {"already 10 digits", "41:1:0000001234:0:\r", "0000001234"},
        {"longer than 10 kept whole", "41:1:12345678901:0:\r", "12345678901"},
        {"field 2 not closed by a colon", "41:1:150\r", "before"},
        {"empty field 2", "41:1::0:\r", "before"},
        {"no colon at all", "150\r", "before"},
        {"silent printer", nullptr, "before"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLink link;
        if (c.reply) link.ports.queue_reply(c.reply);
        std::string result = "before";
        Nr_Cupom(link.ctx, "COM1", "Azul", result);
        EXPECT_EQ(result, c.expected);
        ExpectOneClosedExchange(link, "\x87" "481" "\x88");
    }
}

TEST(NrCupom, PortThatCannotOpenLeavesTheResultAlone) {
    FakeLink link;
    link.ports.fail_open = true;
    std::string result = "0000000099";
    Nr_Cupom(link.ctx, "COM9", "Azul", result);
    EXPECT_EQ(result, "0000000099");
}

// A last Z number written with leading zeros ("067") makes the counters look
// like an error reply; taken as one, it would print a Z reduction.
TEST(NrCupom, CountersBeginningWithZeroStartNoRecovery) {
    FakeLink link;
    link.ports.queue_reply("067:1:150:0:\r");
    std::string result;
    Nr_Cupom(link.ctx, "COM1", "Azul", result);
    EXPECT_EQ(result, "0000000150");
    EXPECT_EQ(link.ports.frames().size(), 1u);
    EXPECT_TRUE(link.dialog.calls.empty());
}

// ---- Against the printer model -----------------------------------------------------

// The printer model on the virtual clock, its texts from the data module.
struct SimRig : test::SimSession {
    explicit SimRig(sim::PrinterConfig config = {}) : SimSession(VirtualClock().now(), std::move(config)) {}
};

TEST(DayOperationsOnThePrinter, ReceiptNumberAndZReduction) {
    sim::PrinterConfig config;
    config.receipt_count = 1234;
    SimRig rig(config);
    std::string number;
    Nr_Cupom(rig.link, "COM1", "Azul", number);
    EXPECT_EQ(number, "0000001234");

    const int z_before = rig.printer.z_count();
    EXPECT_TRUE(Reducao_Z_Imp(rig.link, "COM1", "Azul", ""));
    EXPECT_EQ(rig.printer.z_count(), z_before + 1);
    EXPECT_FALSE(rig.ports.is_open());
    ExpectTraceMatchesGolden(rig.trace, "day/receipt_number_then_z_on_the_printer.trace");
}

TEST(DayOperationsOnThePrinter, ZNumberWithLeadingZerosPrintsNoReduction) {
    sim::PrinterConfig config;
    config.z_count = 67;
    config.receipt_count = 150;
    SimRig rig(config);
    rig.printer.knobs().z_number_width = 3;
    std::string number;
    Nr_Cupom(rig.link, "COM1", "Azul", number);
    EXPECT_EQ(number, "0000000150");
    EXPECT_EQ(rig.printer.z_count(), 67);
    EXPECT_EQ(rig.printer.frames(), std::vector<std::string>{"481"});
}

TEST(DayOperationsOnThePrinter, XReadingWithThePeriodClosedOpensItAndPrintsTheReading) {
    sim::PrinterConfig config;
    config.sales_period_open = false;
    SimRig rig(config);
    EXPECT_TRUE(Leitura_X_Imp(rig.link, "COM1", "Azul", ""));
    // Error 60 on 01: the analysis opens the period and sends the X reading again.
    EXPECT_EQ(rig.printer.frames(), (std::vector<std::string>{"01", "32", "01"}));
    EXPECT_TRUE(rig.printer.sales_period_open());
    EXPECT_FALSE(rig.ports.is_open());
    ExpectTraceMatchesGolden(rig.trace, "day/x_reading_opens_the_closed_period.trace");
}

}  // namespace
}  // namespace dru
