// The module's lock: a call from a second thread waits while the first is in
// the module; the thread inside may take it again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "module/module.h"

namespace dru {
namespace {

using namespace std::chrono_literals;

TEST(ModuleLock, AnotherThreadWaitsAndTheSameThreadReenters) {
    std::atomic<bool> other_inside{false};
    std::thread other;
    {
        const ModuleLock first;
        other = std::thread([&] {
            const ModuleLock second;
            other_inside = true;
        });
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(other_inside) << "the other thread went in while this one was inside";
        {
            const ModuleLock again;  // the dialog handler calling back in: no deadlock
            EXPECT_FALSE(other_inside);
        }
        EXPECT_FALSE(other_inside) << "leaving the inner call let the other thread in";
    }
    other.join();
    EXPECT_TRUE(other_inside);
}

}  // namespace
}  // namespace dru
