// The one clock of the module: every pause, every time-out and every date or
// time that is printed or logged goes through it, so tests can run on a
// virtual clock that is instant and records the pause schedule.
#pragma once
#include <cstdint>
#include <vector>

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
};

class RealClock final : public Clock {
public:
    TDateTime now() const override;
    std::int64_t steady_ms() const override;
    void sleep_ms(int ms) override;
};

// Instant clock for tests: sleep_ms advances time at once and records the pause.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(TDateTime start = 46364.5 /* 2026-12-08 12:00 */) : now_(start) {}
    TDateTime now() const override { return now_; }
    std::int64_t steady_ms() const override { return steady_; }
    void sleep_ms(int ms) override;

    void set_now(TDateTime t) { now_ = t; }
    // Moves time on without recording a pause (a read that waited, say).
    void advance_ms(std::int64_t ms);
    const std::vector<int>& pauses() const { return pauses_; }
    void clear_pauses() { pauses_.clear(); }

private:
    TDateTime now_;
    std::int64_t steady_ = 0;
    std::vector<int> pauses_;
};

}  // namespace dru
