#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "host/unique_fd.h"

namespace dru {
namespace {

int OpenNull() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }
bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

TEST(UniqueFd, ClosesOnEveryWayOut) {
    int fd = OpenNull();
    ASSERT_GE(fd, 0);
    { UniqueFd owner(fd); }
    EXPECT_FALSE(IsOpen(fd)) << "end of scope";

    fd = OpenNull();
    try {
        UniqueFd owner(fd);
        throw std::runtime_error("set-up failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(IsOpen(fd)) << "exception";

    UniqueFd none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), -1);
    EXPECT_EQ(none.close(), 0);  // nothing to close
}

TEST(UniqueFd, MovingHandsTheDescriptorOverAndClosesWhatItReplaces) {
    const int a = OpenNull();
    const int b = OpenNull();
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    UniqueFd first(a);
    UniqueFd second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), a);

    UniqueFd third(b);
    third = std::move(second);  // b is closed, a changes owner
    EXPECT_FALSE(IsOpen(b));
    EXPECT_TRUE(IsOpen(a));
    EXPECT_EQ(third.get(), a);
    third = std::move(third);  // self-assignment keeps it
    EXPECT_TRUE(IsOpen(a));

    third.reset(OpenNull());
    EXPECT_FALSE(IsOpen(a)) << "reset closes the old descriptor";
    EXPECT_TRUE(third);
}

TEST(UniqueFd, ReleaseLeavesTheDescriptorOpen) {
    int fd = -1;
    {
        UniqueFd owner(OpenNull());
        fd = owner.release();
        EXPECT_FALSE(owner);
    }
    EXPECT_TRUE(IsOpen(fd));
    ::close(fd);
}

TEST(UniqueFd, CloseReportsTheResultAndLetsGo) {
    UniqueFd owner(OpenNull());
    const int fd = owner.get();
    EXPECT_EQ(owner.close(), 0);
    EXPECT_FALSE(owner);
    EXPECT_FALSE(IsOpen(fd));

    UniqueFd stale(fd);  // a number nobody holds any more: the close fails
    errno = 0;
    EXPECT_EQ(stale.close(), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(stale);
}

}  // namespace
}  // namespace dru
