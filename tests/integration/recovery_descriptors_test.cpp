// Every recovery branch of the error analysis over the real serial code: the
// printer (simulator on a pseudo-terminal) answers the drawer command with a
// chosen error reply; after the exchange returns, the process holds exactly
// the descriptors it held before and the port opens again.
#include <gtest/gtest.h>

#include <string>

#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "support/pty_link.h"

namespace dru {
namespace {

using RecoveryDescriptors = test::PtyLink<::testing::TestWithParam<const char*>>;

TEST_P(RecoveryDescriptors, NoPortOrDescriptorOutlivesTheExchange) {
    const std::string codigo = GetParam();
    server->with_model([&](sim::PrinterModel& m) {
        m.knobs().only_command = std::string(cmd::kOpenDrawer);
        m.knobs().garbage = codigo + "\r";
    });
    const int before = test::OpenDescriptorCount();

    const std::string reply = Comand_Porta(ctx, Frame(cmd::kOpenDrawer, cmd::kDrawerOperand), kCommandExchange,
                                           "COM1", "Azul");

    EXPECT_EQ(reply, codigo);
    EXPECT_EQ(test::OpenDescriptorCount(), before) << "a port stayed open after " << codigo;
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
