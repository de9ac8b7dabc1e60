// The real serial code (termios port, exchange, direct line output) against
// the printer simulator on a pseudo-terminal, with the real clock. Each read
// that gets fewer bytes than it asks for lasts its whole time-out (1 s), so
// these tests are few. They skip where no pseudo-terminal can be had.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <system_error>

#include "host/clock.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/line_output.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "printer_model.h"
#include "pty_server.h"
#include "support/fake_link.h"
#include "support/pty_link.h"

namespace dru {
namespace {

class PtyExchange : public test::PtyLink<> {
protected:
    void SetUp() override {
        test::PtyLink<>::SetUp();
        descriptors_before = test::OpenDescriptorCount();
    }
    void TearDown() override {
        if (server) {
            EXPECT_EQ(test::OpenDescriptorCount(), descriptors_before) << "a port stayed open";
        }
    }

    int descriptors_before = 0;
};

TEST_F(PtyExchange, CountersReplyArrivesWholeAndIsLogged) {
    const std::string reply = Comand_Porta(ctx, Frame("481"), kCommandExchange, "COM1", "Azul");
    EXPECT_EQ(ReadField(reply, 0), "41");
    EXPECT_EQ(ReadField(reply, 2), "1000");
    EXPECT_EQ(ReadField(reply, 30), "7");
    const auto log = fake.log_messages();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "Comando Enviado Generico" + Frame("481"));
    EXPECT_EQ(log[1], "Retorno : " + reply);
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.frames(); }), std::vector<std::string>{"481"});
}

TEST_F(PtyExchange, ErrorReplyRecoveryHandsThePortOver) {
    server->with_model([](sim::PrinterModel& m) { m.set_sales_period_open(false); });
    EXPECT_EQ(Comand_Porta(ctx, Frame("01"), kCommandExchange, "COM1", "Azul"), "06001");
    // The analysis opened the period (32) and printed the X reading again.
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.frames(); }),
              (std::vector<std::string>{"01", "32", "01"}));
    EXPECT_TRUE(inspect([](sim::PrinterModel& m) { return m.sales_period_open(); }));
    EXPECT_NE(inspect([](sim::PrinterModel& m) { return m.paper_text(); }).find("LECTURA X"), std::string::npos);
    EXPECT_TRUE(ports.open("COM1")) << "the port is free again";
}

TEST_F(PtyExchange, CommentBlockEndsWithItsOneReply) {
    {
        LineOutput out(ctx, "COM1", "Azul");
        ASSERT_TRUE(out.is_open());
        out.write_frame(Frame("60"));
        out.write_frame(Frame("111", "Vuelto"));
        out.write_frame(Frame("113", "se\u00f1a: 1234"));
        out.write_frame(Frame("61"));
        EXPECT_TRUE(out.final_reply_check());
    }
    EXPECT_EQ(inspect([](sim::PrinterModel& m) { return m.paper_text(); }),
              "[1] Vuelto\n[3] se\u00f1a: 1234\n");
    EXPECT_EQ(fake.log_messages(), std::vector<std::string>{"Resultado : 1"});
}

// The first line a program writes to `fd` (5 s at most), and `fd` closed.
std::string FirstLine(int fd) {
    std::string line;
    char c;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 5000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    ::close(fd);
    return line;
}

// One exchange through the real serial code with COM1 pointed at `device`.
template <typename Exchange>
std::string ExchangeOnCom1(const std::string& device, const std::string& frame, const Exchange& exchange) {
    RealClock clock;
    PortNames names;
    SerialBackend ports(names, clock);
    ::setenv("DRU_PORT_COM1", device.c_str(), 1);
    test::FakeLink fake;
    LinkContext ctx{ports, clock, fake.log, fake.dialog, fake.messages, fake.format};
    const std::string reply = Comand_Porta(ctx, frame, exchange, "COM1", "Azul");
    ::unsetenv("DRU_PORT_COM1");
    return reply;
}

// The program: prints its device path first, serves, and with --stop-at-eof
// stops at the end of stdin.
TEST(PrinterSimProgram, ServesOnItsPrintedPathUntilStdinEnds) {
    int to_child[2], from_child[2];
    ASSERT_EQ(::pipe(to_child), 0);
    ASSERT_EQ(::pipe(from_child), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(to_child[0], STDIN_FILENO);
        ::dup2(from_child[1], STDOUT_FILENO);
        for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) ::close(fd);
        ::execl(DRU_SIM_PROGRAM, DRU_SIM_PROGRAM, "--type", "30", "--quiet", "--stop-at-eof",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(to_child[0]);
    ::close(from_child[1]);
    const std::string path = FirstLine(from_child[0]);
    if (path.empty()) {
        ::close(to_child[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        GTEST_SKIP() << "the simulator could not start (exit " << WEXITSTATUS(status) << ")";
    }

    const std::string list = ExchangeOnCom1(path, Frame("432"), kSlowReplyExchange);
    EXPECT_TRUE(list.starts_with("TOTALES POR FORMA DE PAGO\n")) << list;
    EXPECT_NE(list.find("\n ---"), std::string::npos) << "type 30: dash line from column 2";

    ::close(to_child[1]);  // end of stdin
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Started from a script, with no input at all, it serves until it is told to stop.
TEST(PrinterSimProgram, RunsUntilToldToStopWhateverItsStdin) {
    int from_child[2];
    ASSERT_EQ(::pipe(from_child), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(from_child[1], STDOUT_FILENO);
        ::close(from_child[0]);
        ::execl(DRU_SIM_PROGRAM, DRU_SIM_PROGRAM, "--quiet", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(from_child[1]);
    const std::string path = FirstLine(from_child[0]);
    int status = -1;
    if (path.empty()) {
        ::waitpid(pid, &status, 0);
        GTEST_SKIP() << "the simulator could not start";
    }
    const std::string counters = ExchangeOnCom1(path, Frame("481"), kCommandExchange);
    EXPECT_TRUE(counters.starts_with("41:")) << "served after its stdin ended: " << counters;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "still running";
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace dru
