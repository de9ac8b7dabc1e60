// The local calendar time on POSIX: localtime_r for the local date and time,
// timegm for the day count (the parts of both clocks that are the same on
// every system are in clocks.cpp).
#include <chrono>
#include <ctime>

#include "host/clock.h"

namespace dru {

namespace {
constexpr double kMsPerDay = 86400000.0;
constexpr double k1970 = 25569.0;  // 1970-01-01 as a host date
constexpr std::time_t kSecondsPerDay = 86400;
}  // namespace

TDateTime RealClock::now() const {
    using namespace std::chrono;
    const auto t = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(t);
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&secs, &local);
    // Days from 1899-12-30 to the local calendar date, via a UTC day count.
    std::tm utc_midnight{};
    utc_midnight.tm_year = local.tm_year;
    utc_midnight.tm_mon = local.tm_mon;
    utc_midnight.tm_mday = local.tm_mday;
    const std::time_t days_since_1970 = timegm(&utc_midnight) / kSecondsPerDay;
    const double fraction =
        ((local.tm_hour * 60.0 + local.tm_min) * 60.0 + local.tm_sec) * 1000.0 + static_cast<double>(ms);
    return k1970 + static_cast<double>(days_since_1970) + fraction / kMsPerDay;
}

}  // namespace dru
