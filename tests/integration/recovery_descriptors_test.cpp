// Every recovery branch of the error analysis over the real serial code: the
// printer (simulator on a pseudo-terminal) answers the drawer command with a
// chosen error reply; after the exchange returns, the process holds exactly
// the descriptors it held before and the port opens again.
#include <dirent.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <system_error>

#include "host/clock.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/termios_port.h"
#include "printer_model.h"
#include "pty_server.h"
#include "support/fake_link.h"

namespace dru {
namespace {

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d) != nullptr) ++n;
        ::closedir(d);
    }
    return n;
}

class RecoveryDescriptors : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        try {
            server = std::make_unique<sim::PtyServer>(model);
        } catch (const std::system_error& e) {
            GTEST_SKIP() << "no pseudo-terminal: " << e.what();
        }
        ASSERT_TRUE(ports.set_device("COM1", server->device_path()));
    }

    RealClock clock;
    sim::PrinterModel model{clock};
    std::unique_ptr<sim::PtyServer> server;
    TermiosPortProvider ports{clock};
    test::FakeLink fake;  // log, dialog and messages
    LinkContext ctx{ports, clock, fake.log, fake.dialog, fake.messages, fake.format};
};

TEST_P(RecoveryDescriptors, NoPortOrDescriptorOutlivesTheExchange) {
    const std::string codigo = GetParam();
    server->with_model([&](sim::PrinterModel& m) {
        m.knobs().only_command = std::string(cmd::kOpenDrawer);
        m.knobs().garbage = codigo + "\r";
    });
    const int before = OpenDescriptors();

    const std::string reply = Comand_Porta(ctx, Frame(cmd::kOpenDrawer, cmd::kDrawerOperand), true, true,
                                           false, "COM1", "Azul");

    EXPECT_EQ(reply, codigo);
    EXPECT_EQ(OpenDescriptors(), before) << "a port stayed open after " << codigo;
    EXPECT_TRUE(ports.open("COM1")) << "the port is free again";
}

// One reply per branch: the ones that send nothing, and every recovery sequence
// (19 on 98, 27, 60 and any other; 60 on 01, 02, 00, 60; 67 re-sending the
// refused command, which the printer refuses again; 80 and 82).
INSTANTIATE_TEST_SUITE_P(EveryBranch, RecoveryDescriptors,
                         ::testing::Values("01334", "01998", "01927", "01960", "01934", "06001", "06002",
                                           "06000", "06060", "06437", "06734", "08034", "08234"));

}  // namespace
}  // namespace dru
