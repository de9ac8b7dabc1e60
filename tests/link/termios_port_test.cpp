#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/termios_port.h"
#include "support/fake_link.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

using Strings = std::vector<std::string>;

// The far end of a pseudo-terminal plays the printer.
class Pty {
public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        if (const char* name = ::ptsname(master_)) slave_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { hang_up(); }
    bool ok() const { return master_ >= 0 && !slave_.empty(); }
    const std::string& slave() const { return slave_; }
    void send(std::string_view bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
    std::string received() {
        std::string out;
        char buf[256];
        for (int tries = 0; tries < 500; ++tries) {  // bounded wait for the port's bytes
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                out.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            if (!out.empty()) break;
            ::usleep(1000);
        }
        return out;
    }
    void hang_up() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slave_;
};

#define REQUIRE_PTY(pty) \
    if (!(pty).ok()) GTEST_SKIP() << "no pseudo-terminal on this machine"

TEST(TermiosPortProvider, ResolvesPortNames) {
    RealClock clock;
    TermiosPortProvider ports(clock);
    ::unsetenv("DRU_PORT_COM4");
    EXPECT_EQ(ports.resolve("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ports.resolve("com12"), "/dev/ttyS11");
    EXPECT_EQ(ports.resolve("/dev/pts/7"), "/dev/pts/7");
    for (const char* bad : {"COM0", "COM13", "COM01", "COM", "LPT1", "", "COM1:", "ttyS0"})
        EXPECT_EQ(ports.resolve(bad), "") << bad;

    ::setenv("DRU_PORT_COM4", "/dev/ttyUSB0", 1);
    EXPECT_EQ(ports.resolve("Com4"), "/dev/ttyUSB0");
    EXPECT_TRUE(ports.set_device("com4", "/dev/pts/3"));  // the host's setting wins
    EXPECT_EQ(ports.resolve("COM4"), "/dev/pts/3");
    EXPECT_TRUE(ports.set_device("COM4", ""));
    EXPECT_EQ(ports.resolve("COM4"), "/dev/ttyUSB0");
    ::unsetenv("DRU_PORT_COM4");
    EXPECT_FALSE(ports.set_device("COM13", "/dev/pts/3"));
    EXPECT_EQ(ports.resolve("COM13"), "");
    EXPECT_EQ(ports.open("LPT1"), nullptr);
}

TEST(TermiosPort, SetsTheLineToRaw19200EightNoneOne) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    TermiosPortProvider ports(clock);
    PortHandle port = ports.open(pty.slave());
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->get_state());
    EXPECT_TRUE(port->setup_queues(kRxQueueBytes, kTxQueueBytes));
    EXPECT_TRUE(port->set_state());
    EXPECT_TRUE(port->set_timeouts(kReadTotalTimeoutMs, kWriteTotalTimeoutMs));

    const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&tio), B19200);
    EXPECT_EQ(::cfgetispeed(&tio), B19200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

TEST(TermiosPort, HeldPortIsNotSharedEvenInsideTheProcess) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    TermiosPortProvider ports(clock);
    PortHandle first = ports.open(pty.slave());
    ASSERT_TRUE(first);
    EXPECT_EQ(ports.open(pty.slave()), nullptr);
    first.reset();
    EXPECT_NE(ports.open(pty.slave()), nullptr);
}

TEST(TermiosPort, WritesAndReadsBytesAsTheyAre) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    TermiosPortProvider ports(clock);
    PortHandle port = ports.open(pty.slave());
    ASSERT_TRUE(port && port->get_state() && port->set_state() && port->set_timeouts(50, 50));

    const std::string frame = "\x87" "113se\xF1" "a\n\r\x88";  // raw: no newline mapping
    EXPECT_EQ(port->write(frame), static_cast<long>(frame.size()));
    EXPECT_EQ(pty.received(), frame);

    char buf[16];
    pty.send(std::string("ab\0c", 4));
    EXPECT_EQ(port->read(buf, 4), 4);  // the count arrived: no wait for the time-out
    EXPECT_EQ(std::string(buf, 4), std::string("ab\0c", 4));
    pty.send("xy");
    EXPECT_EQ(port->read(buf, sizeof buf), 2);  // short: what came before the time-out
    EXPECT_EQ(port->read(buf, sizeof buf), 0);  // silent printer
    pty.hang_up();
    EXPECT_EQ(port->read(buf, sizeof buf), -1);  // the line is gone: the read fails
}

TEST(TermiosPort, NoDescriptorLeftOnAnyPath) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    TermiosPortProvider ports(clock);
    const int before = test::OpenDescriptorCount();
    {
        PortHandle held = ports.open(pty.slave());
        ASSERT_TRUE(held);
        EXPECT_EQ(ports.open(pty.slave()), nullptr);  // refused by the lock
    }
    EXPECT_EQ(ports.open("/dev/nonexistent-dru-tty"), nullptr);
    EXPECT_EQ(ports.open("COM99"), nullptr);
    {
        const int file = ::open("/dev/null", O_RDWR | O_CLOEXEC);  // no line settings to read
        ::close(file);
        PortHandle not_a_tty = ports.open("/dev/null");
        ASSERT_TRUE(not_a_tty);
        EXPECT_FALSE(not_a_tty->get_state());
    }
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

TEST(TermiosPort, WholeExchangeOverAPseudoTerminal) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    TermiosPortProvider ports(clock);
    MemoryLogSink sink;
    FormatSettings format;
    DebugLog log(sink, clock, format);
    test::RecordingDialog dialog;
    test::FixedMessages messages;
    LinkContext ctx{ports, clock, log, dialog, messages, format};
    const int before = test::OpenDescriptorCount();

    std::string frame;
    std::thread printer([&] {  // answers the command once it has come in
        frame = pty.received();
        pty.send("1:2:150:\x03");
    });
    EXPECT_EQ(Comand_Porta(ctx, Frame("481"), kCommandExchange, pty.slave(), "Azul"), "1:2:150:");
    printer.join();
    EXPECT_EQ(frame, "\x87" "481\x88");

    {  // held elsewhere: nothing sent, nothing logged
        PortHandle held = ports.open(pty.slave());
        sink.clear();
        EXPECT_EQ(Comand_Porta(ctx, Frame("01"), kCommandExchange, pty.slave(), "Azul"), "");
        EXPECT_TRUE(sink.lines().empty());
    }
    EXPECT_EQ(Comand_Porta(ctx, Frame("01"), kCommandExchange, "/dev/nonexistent-dru-tty", "Azul"), "");
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace dru
