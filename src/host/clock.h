// The one clock of the module: every pause, every time-out and every date or
// time that is printed or logged goes through it, so tests can run on a
// virtual clock that is instant and records the pause schedule.
#pragma once
#include <cstdint>
#include <vector>

#include "host/trace.h"

namespace dru {

// Host date-time: days since 1899-12-30, time of day as the fraction (local time).
using TDateTime = double;

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time now.
    virtual TDateTime now() const = 0;
    // Milliseconds on a steady scale, for deadlines of reads and writes.
    virtual std::int64_t steady_ms() const = 0;
    // Blocks for `ms` milliseconds (a printer pause).
    virtual void sleep_ms(int ms) = 0;
    // Lets `ms` milliseconds pass while the line waits (a read waiting out its
    // time-out, a reply that comes late): time passes, but it is no pause.
    virtual void wait_ms(std::int64_t ms) = 0;
};

class RealClock final : public Clock {
public:
    TDateTime now() const override;
    std::int64_t steady_ms() const override;
    void sleep_ms(int ms) override;
    void wait_ms(std::int64_t ms) override;
};

// Instant clock for tests: sleep_ms advances time at once and records the
// pause; wait_ms advances it without recording one. Given a trace, both add
// their entry to it ("pause 800", "wait 1000").
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(TDateTime start = 46364.5 /* 2026-12-08 12:00 */) : now_(start) {}
    TDateTime now() const override { return now_; }
    std::int64_t steady_ms() const override { return steady_; }
    void sleep_ms(int ms) override;
    void wait_ms(std::int64_t ms) override;

    void set_now(TDateTime t) { now_ = t; }
    // Moves time on for the test itself: neither a pause nor a wait of the line.
    void advance_ms(std::int64_t ms);
    const std::vector<int>& pauses() const { return pauses_; }
    void clear_pauses() { pauses_.clear(); }
    // Pauses and waits go to `trace` from now on; nullptr stops it. The trace
    // must outlive the clock's use of it.
    void set_trace(Trace* trace) { trace_ = trace; }

private:
    TDateTime now_;
    std::int64_t steady_ = 0;
    std::vector<int> pauses_;
    Trace* trace_ = nullptr;
};

}  // namespace dru
