// The C++ interface of dru01000.hpp: exchanges on the module's own serial
// ports, and the ports a C++ host holds between calls.
#include <gtest/gtest.h>

#include <system_error>

#include "support/library_loader.h"
#include "dru01000.hpp"
#include "link/frames.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

class CppApiTest : public PtyHost {
protected:
    CppApiTest() : PtyHost("COM6") {}

    std::size_t frames() {
        std::size_t n = 0;
        server->with_model([&](sim::PrinterModel& m) { n = m.frames().size(); });
        return n;
    }
    // The printer takes what was written on its own thread: the frame count
    // once it has reached `n`, or what it is after a bounded wait.
    std::size_t FramesOnceThere(std::size_t n) {
        constexpr int kPolls = 300;  // 3 s in steps of 10 ms
        for (int i = 0; i < kPolls && frames() < n; ++i) clock.sleep_ms(10);
        return frames();
    }
    // Sends the drawer command without reading a reply (no read time-out to wait).
    std::string Drawer(bool close, dru01000::PortHandle* held = nullptr) {
        return dru01000::Comand_Porta(Frame("34", "255255"), close, false, false, "COM6", "Azul", held);
    }

};

TEST_F(CppApiTest, HeldPortStaysOpenUntilReleased) {
    dru01000::PortHandle held = dru01000::kNoPort;
    Drawer(false, &held);
    ASSERT_NE(held, dru01000::kNoPort) << dru_last_error();

    EXPECT_EQ(FramesOnceThere(1), 1u);
    // The port is held: this exchange cannot open it.
    dru01000::Comand_Porta(Frame("30"), true, false, false, "COM6", "Azul");

    EXPECT_TRUE(dru01000::ClosePort(held));
    EXPECT_FALSE(dru01000::ClosePort(held));
    Drawer(true);
    // The line feed tried on the held port never reached the printer.
    ASSERT_EQ(FramesOnceThere(2), 2u);
    server->with_model([](sim::PrinterModel& m) { EXPECT_EQ(m.frames()[1], "34255255"); });
}

TEST_F(CppApiTest, PortLeftOpenWithoutAHandleIsClosed) {
    Drawer(false);  // nobody could release it, so it does not stay open
    Drawer(true);
    EXPECT_EQ(FramesOnceThere(2), 2u);
}

TEST_F(CppApiTest, UnknownHandleIsRefused) {
    EXPECT_FALSE(dru01000::AnalisaErro("COM6", "Azul", "06002", 999));
    EXPECT_NE(std::string(dru_last_error()).find("999"), std::string::npos) << dru_last_error();
    EXPECT_EQ(frames(), 0u);
}

}  // namespace
}  // namespace dru::test
