// The receipt counters kept in the host folder: read back by a later call
// (a restarted host), one line per port, and a folder that takes no file
// keeps the counter for the call that read it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "module/counter_file.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

TEST(CounterFile, KeepsEachPortsLastCounterAcrossCalls) {
    test::TempFolder folder;
    {
        CounterFile call(folder.path());
        EXPECT_FALSE(call.recall("COM1"));
        call.remember("com1", {1001, "IBM A1234567"});
        call.remember("COM2", {7, "IBM B7"});
        call.remember("COM1", {1002, "IBM A1234567"});
    }
    const CounterFile later(folder.path());  // a host started again
    EXPECT_EQ(later.recall("COM1"), (PrinterCounter{1002, "IBM A1234567"}));
    EXPECT_EQ(later.recall("Com2"), (PrinterCounter{7, "IBM B7"}));
    std::ifstream in(later.path());
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, "COM2;7;IBM B7\nCOM1;1002;IBM A1234567\n");
}

TEST(CounterFile, AFolderThatTakesNoFileKeepsTheCounterForThisCall) {
    CounterFile call("/nonexistent/folder");
    call.remember("COM1", {5, "S"});
    EXPECT_EQ(call.recall("COM1"), (PrinterCounter{5, "S"}));
    EXPECT_FALSE(CounterFile("/nonexistent/folder").recall("COM1"));
}

}  // namespace
}  // namespace dru
