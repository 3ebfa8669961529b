// The clock the stopwatch reads "now" from.
#pragma once

#include "core/instant.h"

#include <cstdint>

namespace velti {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local instant, at whole-second resolution: the fraction of the second is dropped.
    virtual Instant now() = 0;
    // The same, with the fraction of the second.
    virtual Instant preciseNow() { return now(); }
};

// A reading of the local wall clock: whole seconds since the zero instant, and the nanoseconds into
// that second. Kept apart because one count of nanoseconds since 1899 would overflow 64 bits in
// the year 2192, while a wall clock may read anything from before 1900 to the year 9999.
struct WallTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0; // 0 to 999,999,999
};

// The local wall clock.
class WallSource {
public:
    virtual ~WallSource() = default;
    virtual WallTime localTime() = 0;
};

// A clock that only ever moves forward, keeps counting through suspend, and ignores any setting of
// the wall clock.
class MonotonicSource {
public:
    virtual ~MonotonicSource() = default;
    virtual std::int64_t nanoseconds() = 0;
};

// Reads the wall clock once, when it is made, and from then on advances that reading by the
// monotonic clock. Setting the wall clock, or a daylight-saving switch, never moves a running
// count.
class SteadyClock final : public Clock {
public:
    SteadyClock(WallSource& wall, MonotonicSource& monotonic);
    Instant now() override;
    Instant preciseNow() override;

private:
    WallTime current();

    MonotonicSource& monotonic_;
    WallTime wallAtStart_;
    std::int64_t monotonicAtStart_;
    std::int64_t elapsed_ = 0; // the most the monotonic clock has advanced since the start
};

class SystemWallSource final : public WallSource {
public:
    WallTime localTime() override;
};

// CLOCK_BOOTTIME where the system has it, so time asleep counts too.
class SystemMonotonicSource final : public MonotonicSource {
public:
    std::int64_t nanoseconds() override;
};

} // namespace velti
