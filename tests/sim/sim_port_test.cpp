// The in-process simulator port: exclusive like a real port, reads that wait
// on the virtual clock the way the printer port's read time-out does, and an
// exchange of the link running against it.
#include "sim_port.h"

#include <gtest/gtest.h>

#include "host/dialog.h"
#include "host/format.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/link_services.h"
#include "support/fake_link.h"

namespace dru::sim {
namespace {

struct Rig {
    Rig() {
        clock.set_trace(&trace);
        ports.set_trace(&trace);
    }
    Trace trace;
    VirtualClock clock;
    PrinterModel model{clock};
    SimPortProvider ports{model, clock};

    PortHandle open_set_up(int read_timeout_ms = 1000) {
        PortHandle p = ports.open("COM1");
        if (p) p->set_timeouts(read_timeout_ms, 1000);
        return p;
    }
    std::string read(SerialPort& p, std::size_t max) {
        std::string buf(max, '\0');
        const long n = p.read(buf.data(), max);
        buf.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
        return buf;
    }
};

TEST(SimPort, ExclusiveAndCounted) {
    Rig r;
    {
        PortHandle first = r.ports.open("COM1");
        ASSERT_TRUE(first);
        EXPECT_FALSE(r.ports.open("COM1")) << "held: a second open fails";
        EXPECT_TRUE(r.ports.is_open());
    }
    EXPECT_FALSE(r.ports.is_open());
    EXPECT_TRUE(r.ports.open("COM2"));
    EXPECT_EQ(r.ports.opens(), 2);
    EXPECT_EQ(r.ports.closes(), 2);

    r.ports.set_only_name("COM3");
    EXPECT_FALSE(r.ports.open("COM1"));
    r.ports.faults().refuse_open = true;
    EXPECT_FALSE(r.ports.open("COM3"));
    EXPECT_EQ(r.ports.opens(), 2);
}

TEST(SimPort, ReadReturnsAtTheTimeOutWhenShortAndAtOnceWhenFull) {
    Rig r;
    PortHandle p = r.open_set_up();
    p->write("\x87" "18\x88");
    EXPECT_EQ(r.read(*p, 4001), "1\r");
    EXPECT_EQ(r.clock.steady_ms(), 1000) << "fewer bytes than asked: the whole time-out";
    p->write("\x87" "18\x88");
    EXPECT_EQ(r.read(*p, 1), "1");
    EXPECT_EQ(r.read(*p, 1), "\r") << "the rest stays queued";
    EXPECT_EQ(r.clock.steady_ms(), 1000) << "full reads do not wait";
    EXPECT_TRUE(r.clock.pauses().empty()) << "waiting in a read is not a printer pause";
}

TEST(SimPort, LateRepliesInsideAndBeyondTheTimeOut) {
    Rig r;
    r.model.knobs().late_ms = 400;
    PortHandle p = r.open_set_up();
    p->write("\x87" "18\x88");
    EXPECT_EQ(r.read(*p, 2), "1\r");
    EXPECT_EQ(r.clock.steady_ms(), 400);

    r.model.knobs().late_ms = 1500;
    p->write("\x87" "18\x88");
    EXPECT_EQ(r.read(*p, 4001), "") << "too late for this read";
    EXPECT_EQ(r.read(*p, 4001), "1\r") << "a stale reply waits for the next read on the same port";
    p->write("\x87" "18\x88");
    p.reset();
    p = r.open_set_up();
    r.clock.advance_ms(2000);
    EXPECT_EQ(r.read(*p, 4001), "") << "what came for a closed port is lost";
}

TEST(SimPort, SettingsStepsAndFaults) {
    Rig r;
    r.ports.faults().set_state = true;
    r.ports.faults().read = true;
    PortHandle p = r.ports.open("COM1");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->get_state());
    EXPECT_TRUE(p->setup_queues(256, 256));
    EXPECT_FALSE(p->set_state());
    char b[4];
    EXPECT_EQ(p->read(b, sizeof b), -1);
    r.ports.faults().write = true;
    EXPECT_EQ(p->write("\x87" "18\x88"), -1);
    EXPECT_TRUE(r.model.frames().empty()) << "a failed write reaches nobody";
    EXPECT_EQ(r.ports.calls()[2], "setup_queues 256 256");
    p.reset();
    r.ports.faults().refuse_open = true;
    EXPECT_FALSE(r.ports.open("COM2"));
    EXPECT_EQ(r.trace.entries(),
              (std::vector<std::string>{"open COM1", "get_state", "setup_queues 256 256", "set_state -> <failed>",
                                        "read 4 -> <failed>", "write <87>18<88> -> <failed>", "close",
                                        "open COM2 -> <failed>"}));
}

// A read's waits are the line's, in the trace before the read that took them;
// a printer pause is another thing.
TEST(SimPort, TraceShowsEachReadAfterTheWaitsItTook) {
    Rig r;
    r.model.knobs().late_ms = 400;
    PortHandle p = r.open_set_up();
    r.trace.clear();
    p->write("\x87" "18\x88");
    EXPECT_EQ(r.read(*p, 2), "1\r");
    r.clock.sleep_ms(200);
    EXPECT_EQ(r.read(*p, 4001), "");
    EXPECT_EQ(r.trace.entries(), (std::vector<std::string>{"write <87>18<88>", "wait 400", "read 2 -> 1<0D>",
                                                           "pause 200", "wait 1000", "read 4001 -> <none>"}));
}

// The link's exchange against the simulator: the port is opened with the
// printer settings, closed afterwards, and the reply text is the model's.
TEST(SimPort, ExchangeOfTheLinkRunsAgainstIt) {
    dru::test::FakeLink fake;  // log sink, dialog and messages; the port is the simulator's
    Rig r;
    LinkServices services{fake.sink, r.clock, r.ports, fake.dialog, fake.messages, fake.format};
    LinkContext& ctx = services.ctx;
    const std::string reply = Comand_Porta(ctx, Frame("481"), kCommandExchange, "COM1", "Azul");
    EXPECT_EQ(ReadField(reply, 0), "41");
    EXPECT_EQ(ReadField(reply, 2), "1000");
    EXPECT_FALSE(r.ports.is_open());
    EXPECT_EQ(r.ports.opens(), 1);
    EXPECT_EQ(r.clock.steady_ms(), 1000);
    EXPECT_EQ(r.model.frames(), std::vector<std::string>{"481"});

    r.model.set_sales_period_open(false);
    EXPECT_EQ(Comand_Porta(ctx, Frame("01"), kCommandExchange, "COM1", "Azul"), "06001");
    EXPECT_FALSE(r.ports.is_open()) << "recovery ran and no port stays open";
    EXPECT_EQ(r.ports.opens(), r.ports.closes());
}

}  // namespace
}  // namespace dru::sim
