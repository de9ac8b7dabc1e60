// The Windows handle owner: the handle is closed on every way out, once.
#include "host/unique_handle_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <utility>

namespace dru {
namespace {

HANDLE NewEvent() {
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, ClosesWhenItGoesAlsoOnAThrow) {
    HANDLE raw = NewEvent();
    ASSERT_TRUE(IsOpen(raw));
    try {
        UniqueHandle owner(raw);
        throw std::runtime_error("midway");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueHandle, ReleaseAndMoveHandTheHandleOver) {
    HANDLE raw = NewEvent();
    UniqueHandle first(raw);
    UniqueHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    const HANDLE kept = second.release();
    EXPECT_FALSE(second);
    EXPECT_TRUE(IsOpen(kept));
    ::CloseHandle(kept);
}

TEST(UniqueHandle, CloseReportsAndNothingIsClosedTwice) {
    UniqueHandle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
    EXPECT_TRUE(none.close());  // nothing held
    HANDLE raw = NewEvent();
    UniqueHandle owner(raw);
    EXPECT_TRUE(owner.close());
    EXPECT_FALSE(owner);
    EXPECT_FALSE(IsOpen(raw));
    owner.reset(NewEvent());
    EXPECT_TRUE(owner);
}

}  // namespace
}  // namespace dru
