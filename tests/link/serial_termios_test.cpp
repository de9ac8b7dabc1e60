#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "support/fake_link.h"
#include "support/temp_folder.h"

// Allocation failure on demand, for the paths where the open throws: after
// FailAllocation(n), the n-th allocation of this thread from then on (0 is
// the next one) throws std::bad_alloc. Off unless a test arms it; it serves
// every test of this program, which allocate as usual.
namespace {
thread_local long allocations_before_failure = -1;  // -1: none fails
}  // namespace

void* operator new(std::size_t size) {
    if (allocations_before_failure == 0) {
        allocations_before_failure = -1;
        throw std::bad_alloc();
    }
    if (allocations_before_failure > 0) --allocations_before_failure;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace dru {
namespace {

using Strings = std::vector<std::string>;

void FailAllocation(long n) { allocations_before_failure = n; }
void FailNoAllocation() { allocations_before_failure = -1; }

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

TEST(TermiosBackend, ComNamesDefaultToTheTtySDevices) {
    EXPECT_EQ(DefaultComDevice(1), "/dev/ttyS0");
    EXPECT_EQ(DefaultComDevice(12), "/dev/ttyS11");
    RealClock clock;
    PortNames names;
    SerialBackend ports(names, clock);
    EXPECT_EQ(ports.open("LPT1"), nullptr);  // resolves to nothing
}

TEST(TermiosPort, SetsTheLineToRaw19200EightNoneOne) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    PortNames names;
    SerialBackend ports(names, clock);
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
    PortNames names;
    SerialBackend ports(names, clock);
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
    PortNames names;
    SerialBackend ports(names, clock);
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
    PortNames names;
    SerialBackend ports(names, clock);
    const int before = test::OpenDescriptorCount();
    {
        PortHandle held = ports.open(pty.slave());
        ASSERT_TRUE(held);
        EXPECT_EQ(ports.open(pty.slave()), nullptr);  // refused by the lock
    }
    EXPECT_EQ(ports.open("/dev/nonexistent-dru-tty"), nullptr);
    EXPECT_EQ(ports.open("COM99"), nullptr);
    EXPECT_EQ(ports.open("/dev/null"), nullptr);  // no line settings: refused once opened
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

// Each allocation of the open fails in turn, until the open gets through:
// wherever the throw comes (the port object is made after the device is
// open and locked), no descriptor stays behind.
TEST(TermiosPort, OpenThatThrowsLeavesNoDescriptor) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    PortNames names;
    SerialBackend ports(names, clock);
    const int before = test::OpenDescriptorCount();
    constexpr long kMaxAllocations = 100;  // far more than an open makes
    int throws = 0;
    bool opened = false;
    for (long n = 0; n < kMaxAllocations && !opened; ++n) {
        {
            PortHandle port;
            FailAllocation(n);
            try {
                port = ports.open(pty.slave());
            } catch (const std::bad_alloc&) {
                ++throws;
            }
            FailNoAllocation();
            opened = port != nullptr;
        }
        EXPECT_EQ(test::OpenDescriptorCount(), before) << "allocation " << n << " failed";
    }
    EXPECT_TRUE(opened);
    EXPECT_GE(throws, 1) << "no allocation of the open was made to fail";
    EXPECT_NE(ports.open(pty.slave()), nullptr) << "the port is free again";
}

TEST(TermiosPort, WholeExchangeOverAPseudoTerminal) {
    Pty pty;
    REQUIRE_PTY(pty);
    RealClock clock;
    PortNames names;
    SerialBackend ports(names, clock);
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
