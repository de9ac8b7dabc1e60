// The parts of both clocks that are the same on every system. RealClock::now,
// the local calendar time, is the system's own: clock.cpp (POSIX) and
// clock_win32.cpp (Windows).
#include <chrono>
#include <string>
#include <thread>

#include "host/clock.h"

namespace dru {

namespace {
constexpr double kMsPerDay = 86400000.0;
}

std::int64_t RealClock::steady_ms() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::sleep_ms(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealClock::wait_ms(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void VirtualClock::sleep_ms(int ms) {
    pauses_.push_back(ms);
    if (trace_) trace_->add("pause " + std::to_string(ms));
    advance_ms(ms);
}

void VirtualClock::wait_ms(std::int64_t ms) {
    if (ms <= 0) return;  // no time passes, nothing to show
    if (trace_) trace_->add("wait " + std::to_string(ms));
    advance_ms(ms);
}

void VirtualClock::advance_ms(std::int64_t ms) {
    steady_ += ms;
    now_ += static_cast<double>(ms) / kMsPerDay;
}

}  // namespace dru
