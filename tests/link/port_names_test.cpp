#include <gtest/gtest.h>

#include <cstdlib>

#include "link/port_names.h"
#include "support/scoped_env.h"

namespace dru {
namespace {

TEST(PortNames, ComNamesResolveToOverrideThenEnvironmentThenDefault) {
    PortNames names;
    test::ScopedEnv unset{{"DRU_PORT_COM4", nullptr}};
    EXPECT_EQ(names.resolve("COM1"), DefaultComDevice(1));
    EXPECT_EQ(names.resolve("com12"), DefaultComDevice(12));
    EXPECT_EQ(names.resolve("/dev/pts/7"), "/dev/pts/7");
    for (const char* bad : {"COM0", "COM13", "COM01", "COM", "LPT1", "", "COM1:", "ttyS0"})
        EXPECT_EQ(names.resolve(bad), "") << bad;

    {
        test::ScopedEnv device{{"DRU_PORT_COM4", "/dev/ttyUSB0"}};
        EXPECT_EQ(names.resolve("Com4"), "/dev/ttyUSB0");
        EXPECT_TRUE(names.set_device("com4", "/dev/pts/3"));  // the host's setting wins
        EXPECT_EQ(names.resolve("COM4"), "/dev/pts/3");
        EXPECT_TRUE(names.set_device("COM4", ""));
        EXPECT_EQ(names.resolve("COM4"), "/dev/ttyUSB0");
    }
    {
        test::ScopedEnv empty{{"DRU_PORT_COM4", ""}};  // set but empty: as if unset
        EXPECT_EQ(names.resolve("COM4"), DefaultComDevice(4));
    }
    EXPECT_FALSE(names.set_device("COM13", "/dev/pts/3"));
    EXPECT_EQ(names.resolve("COM13"), "");
}

}  // namespace
}  // namespace dru
