// The serial backend opens only a terminal line that is no session's
// controlling terminal, and puts a line's settings back as it found them.
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>

#include "host/clock.h"
#include "host/unique_fd.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

// A pseudo-terminal whose slave side stands in for the printer's line.
struct Pty {
    Pty() : master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        if (master && ::grantpt(master.get()) == 0 && ::unlockpt(master.get()) == 0)
            if (const char* name = ::ptsname(master.get())) slave = name;
    }
    UniqueFd master;
    std::string slave;
};

PortHandle OpenDevice(const std::string& device) {
    static PortNames names;
    static VirtualClock clock;
    SerialBackend backend(names, clock);
    return backend.open(device);
}

TEST(SerialRefusal, WhatIsNoTerminalLineIsNotOpenedNorWritten) {
    test::TempFolder folder;
    const std::string file = folder.file("file");
    std::ofstream(file) << "kept";
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
    for (const std::string& path : {file, fifo, std::string("/dev/null"), folder.path()}) {
        errno = 0;
        EXPECT_EQ(OpenDevice(path), nullptr) << path;
    }
    char byte = 0;
    EXPECT_LE(::read(reader.get(), &byte, 1), 0);
    std::ifstream in(file);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "kept");
    EXPECT_EQ((errno = 0, OpenDevice(file), errno), ENOTTY);  // the reason, for the caller's message
}

// A process whose controlling terminal is the line (as a host run from a
// terminal, with the port set to /dev/tty or its terminal's own name) is
// refused it; the same line opens for a process it does not control.
TEST(SerialRefusal, TheProcesssControllingTerminalIsRefused) {
    Pty pty;
    if (pty.slave.empty()) GTEST_SKIP() << "no pseudo-terminal";
    int verdict[2];
    ASSERT_EQ(::pipe(verdict), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // a new session whose terminal is the line
        ::setsid();
        const int fd = ::open(pty.slave.c_str(), O_RDWR);
        ::ioctl(fd, TIOCSCTTY, 0);
        const char opened = OpenDevice(pty.slave) != nullptr ? 'y' : 'n';
        const char own = OpenDevice("/dev/tty") != nullptr ? 'y' : 'n';
        const char both[] = {opened, own};
        (void)!::write(verdict[1], both, sizeof both);
        ::_exit(0);
    }
    ::close(verdict[1]);
    char got[2] = {};
    EXPECT_EQ(::read(verdict[0], got, sizeof got), 2);
    ::close(verdict[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(got[0], 'n') << "its own terminal by name";
    EXPECT_EQ(got[1], 'n') << "its own terminal as /dev/tty";
    EXPECT_NE(OpenDevice(pty.slave), nullptr);
}

TEST(SerialRefusal, TheLineSettingsArePutBackAtClose) {
    Pty pty;
    if (pty.slave.empty()) GTEST_SKIP() << "no pseudo-terminal";
    const UniqueFd watch(::open(pty.slave.c_str(), O_RDWR | O_NOCTTY));
    termios before{};
    ASSERT_EQ(::tcgetattr(watch.get(), &before), 0);
    ASSERT_NE(::cfgetospeed(&before), B19200);
    {
        PortHandle port = OpenDevice(pty.slave);
        ASSERT_NE(port, nullptr);
        ASSERT_TRUE(port->get_state());
        ASSERT_TRUE(port->set_state());
        termios during{};
        ASSERT_EQ(::tcgetattr(watch.get(), &during), 0);
        EXPECT_EQ(::cfgetospeed(&during), B19200);
        EXPECT_EQ(during.c_lflag & ICANON, 0u);
    }
    termios after{};
    ASSERT_EQ(::tcgetattr(watch.get(), &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&before));
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

}  // namespace
}  // namespace dru
#endif
