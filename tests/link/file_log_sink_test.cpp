// The debug log's file on the paths where writing it fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/errors.h"
#include "link/debug_log.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

// The log file is a full device: it opens, and the write fails.
TEST(FileLogSink, FailedWriteRaisesTheWriteErrorAndLeavesNoDescriptor) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    FileLogSink sink(folder.path());
    std::filesystem::create_symlink("/dev/full", sink.path());
    const int before = test::OpenDescriptorCount();
    try {
        sink.append("x\r\n");
        FAIL() << "the write to a full device succeeded";
    } catch (const EInOutError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(sink.path()), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
    }
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace dru
