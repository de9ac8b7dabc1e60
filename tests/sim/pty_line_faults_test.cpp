// The simulator's line faults over a pseudo-terminal, seen from the driver's
// own serial port (termios, real clock): a line that hangs up after the nth
// frame, a line that stops taking bytes, replies that trickle in, and the
// hook that tells a test each frame as it arrives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/text.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "pty_server.h"
#include "support/pty_link.h"

namespace dru::test {
namespace {

std::string Wire(std::string_view code, std::string_view operands = {}) {
    return text::to_latin1(Frame(code, operands));
}

class PtyLineFaults : public PtyLink<> {
  protected:
    std::vector<std::string> Frames() {
        return inspect([](sim::PrinterModel& m) { return m.frames(); });
    }
    // Reads up to `max` bytes within the port's read time-out.
    std::string Read(SerialPort& port, std::size_t max = kReplyBufferBytes) {
        std::string bytes(max, '\0');
        const long n = port.read(bytes.data(), bytes.size());
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        last_read = n;
        return bytes;
    }
    long last_read = 0;
};

TEST_F(PtyLineFaults, TheLineHangsUpAfterTheNthFrame) {
    sim::LineFaults faults;
    faults.hang_up_after_frames = 2;
    server->set_faults(faults);
    PortHandle port = OpenPrinterPort(ctx, "COM1");
    ASSERT_TRUE(port);
    ASSERT_GT(port->write(Wire(cmd::kOpenDrawer, cmd::kDrawerOperand)), 0);
    EXPECT_EQ(Read(*port, 2), "1\r");
    // Two frames in one write: the line goes after the first of them.
    port->write(Wire(cmd::kReadingX) + Wire(cmd::kReadCounters));
    const std::int64_t start = clock.steady_ms();
    Read(*port);
    EXPECT_EQ(last_read, -1) << "a line that hangs up is a failed read, not silence";
    EXPECT_LT(clock.steady_ms() - start, kReadTotalTimeoutMs) << "the read waited for its time-out";
    EXPECT_EQ(port->write(Wire(cmd::kReadingX)), -1);
    EXPECT_EQ(Frames(), (std::vector<std::string>{"34255255", "01"}));
    EXPECT_TRUE(server->hung_up());
    port.reset();
    EXPECT_FALSE(ports.open("COM1")) << "the device is gone";
}

TEST_F(PtyLineFaults, ALineThatTakesNoMoreBytesHoldsEachWriteForItsTimeOut) {
    sim::LineFaults faults;
    faults.block_writes_after_frames = 1;
    server->set_faults(faults);
    PortHandle port = OpenPrinterPort(ctx, "COM1");
    ASSERT_TRUE(port);
    port->write(Wire(cmd::kReadCounters));
    EXPECT_EQ(Read(*port), "") << "off line: no reply";
    const std::string block(64 * 1024, 'x');  // more than the line holds
    const std::int64_t start = clock.steady_ms();
    const long written = port->write(block);
    const std::int64_t waited = clock.steady_ms() - start;
    EXPECT_LT(written, static_cast<long>(block.size()));

    EXPECT_GE(waited, kWriteTotalTimeoutMs);
    EXPECT_LT(waited, kWriteTotalTimeoutMs + 500);
    EXPECT_EQ(Frames(), (std::vector<std::string>{"481"}));
    // Still off line for the next port: its write is held too.
    port.reset();
    port = OpenPrinterPort(ctx, "COM1");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->write(Wire(cmd::kOpenDrawer, cmd::kDrawerOperand)), 0);
}

TEST_F(PtyLineFaults, ATricklingReplyIsCutByTheReadTimeOut) {
    constexpr int kTrickleMs = 50;
    sim::LineFaults faults;
    faults.trickle_ms = kTrickleMs;
    server->set_faults(faults);
    PortHandle port = OpenPrinterPort(ctx, "COM1");
    ASSERT_TRUE(port);
    port->write(Wire(cmd::kReadCounters));
    const std::string first = Read(*port);
    // About one byte per 50 ms within the 1 s read; the rest still comes.
    EXPECT_GE(first.size(), 10u);
    EXPECT_LE(first.size(), 1u + kReadTotalTimeoutMs / kTrickleMs);
    const std::string second = Read(*port);
    EXPECT_FALSE(second.empty());
    EXPECT_EQ((first + second).substr(0, 3), "41:");
}

TEST_F(PtyLineFaults, TheFrameHookCountsEveryFrame) {
    std::vector<std::size_t> seen;
    server->on_frame([&](std::size_t n) { seen.push_back(n); });
    PortHandle port = OpenPrinterPort(ctx, "COM1");
    ASSERT_TRUE(port);
    port->write(Wire(cmd::kBeginComment) + Wire(cmd::kCommentLine1, "A") + Wire(cmd::kEndComment));
    Read(*port, 2);
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2, 3}));
}

}  // namespace
}  // namespace dru::test
