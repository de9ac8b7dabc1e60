#include "host/clock.h"

#include <chrono>
#include <ctime>
#include <string>
#include <thread>

namespace dru {

namespace {
constexpr double kMsPerDay = 86400000.0;
}

TDateTime RealClock::now() const {
    using namespace std::chrono;
    const auto t = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(t);
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&secs, &local);
    // Days from 1899-12-30 to the local calendar date, via a UTC day count.
    const std::tm date = local;
    std::tm utc_midnight{};
    utc_midnight.tm_year = date.tm_year;
    utc_midnight.tm_mon = date.tm_mon;
    utc_midnight.tm_mday = date.tm_mday;
    const std::time_t days_since_1970 = timegm(&utc_midnight) / 86400;
    constexpr double k1970 = 25569.0;  // 1970-01-01 as a host date
    const double fraction =
        ((local.tm_hour * 60.0 + local.tm_min) * 60.0 + local.tm_sec) * 1000.0 + static_cast<double>(ms);
    return k1970 + static_cast<double>(days_since_1970) + fraction / kMsPerDay;
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
