// The local calendar time on Windows: GetLocalTime, the host's own "now",
// counted from 1601-01-01 through a FILETIME (the parts of both clocks that
// are the same on every system are in clocks.cpp).
#include <windows.h>

#include <cstdint>

#include "host/clock.h"

namespace dru {

namespace {
constexpr double k1601 = -109205.0;              // 1601-01-01, the FILETIME origin, as a host date
constexpr double kTicksPerDay = 864000000000.0;  // FILETIME counts 100 ns
}  // namespace

TDateTime RealClock::now() const {
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    // The local calendar fields read as a count, with no time zone applied.
    FILETIME counted;
    if (!::SystemTimeToFileTime(&local, &counted)) return k1601;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(counted.dwHighDateTime) << 32) | counted.dwLowDateTime;
    return k1601 + static_cast<double>(ticks) / kTicksPerDay;
}

}  // namespace dru
