// The Windows serial backend without a serial line: the names it opens, and
// a device opened without sharing. A regular file stands in for the device
// (Wine enforces share modes on files, not on its COM ports).
#include <gtest/gtest.h>

#include <fstream>

#include "host/clock.h"
#include "host/file_system.h"
#include "link/serial_backend.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

TEST(SerialWin32, ComNamesOpenTheDeviceNamespace) {
    EXPECT_EQ(DefaultComDevice(1), "\\\\.\\COM1");
    EXPECT_EQ(DefaultComDevice(12), "\\\\.\\COM12");  // beyond COM9 only this form opens
}

class SerialWin32Device : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(PathFromUtf8(device)) << "";
        names.set_device("COM3", device);
    }
    test::TempFolder folder;
    const std::string device = folder.file("line");
    PortNames names;
    VirtualClock clock;
    SerialBackend backend{names, clock};
};

TEST_F(SerialWin32Device, IsNotSharedWhileOpen) {
    PortHandle first = backend.open("COM3");
    ASSERT_TRUE(first);
    EXPECT_FALSE(backend.open("com3"));
    first.reset();
    EXPECT_TRUE(backend.open("COM3"));
}

TEST_F(SerialWin32Device, ThatIsNoPortRefusesItsSettings) {
    PortHandle port = backend.open("COM3");
    ASSERT_TRUE(port);
    EXPECT_FALSE(port->get_state());
    EXPECT_FALSE(port->set_state());
}

TEST_F(SerialWin32Device, MissingOrUnnamedOpensNothing) {
    names.set_device("COM4", folder.file("nothing"));
    EXPECT_FALSE(backend.open("COM4"));
    EXPECT_FALSE(backend.open("COM13"));
    EXPECT_FALSE(backend.open(""));
}

}  // namespace
}  // namespace dru
