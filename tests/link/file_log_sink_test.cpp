// The debug log's file on the paths where writing it fails.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "host/errors.h"
#include "link/debug_log.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

// The process may write no more than one byte into a file (the log only
// writes regular files): it opens, and the write fails.
TEST(FileLogSink, FailedWriteRaisesTheWriteErrorAndLeavesNoDescriptor) {
    test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    FileLogSink sink(folder.path());
    const int before = test::OpenDescriptorCount();
    rlimit was{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &was), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit one_byte = was;
    one_byte.rlim_cur = 1;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &one_byte), 0);
    std::string message;
    try {
        sink.append("x\r\n");
    } catch (const EInOutError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_NE(message.find(sink.path()), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace dru
