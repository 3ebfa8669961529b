// The clock: the wall clock read once, advanced by a monotonic one.
#include "platform/clock.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>

namespace velti {

namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kHighest = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min();

// Sums and differences of readings that stop at the edges of 64 bits instead of wrapping. No real
// clock comes near them; a fake one, or a monotonic clock that misbehaves, may.
std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? kHighest : kLowest;
    return sum;
}

std::int64_t saturatingSubtract(std::int64_t a, std::int64_t b) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference))
        return b < 0 ? kHighest : kLowest;
    return difference;
}

// Whole seconds and the nanoseconds into the second, rounded towards the past even before the
// zero instant.
WallTime split(std::int64_t seconds, std::int64_t nanos) {
    std::int64_t whole = nanos / kNanosPerSecond;
    std::int64_t rest = nanos % kNanosPerSecond;
    if (rest < 0) {
        --whole;
        rest += kNanosPerSecond;
    }
    return {saturatingAdd(seconds, whole), rest};
}

} // namespace

SteadyClock::SteadyClock(WallSource& wall, MonotonicSource& monotonic)
    : monotonic_(monotonic), wallAtStart_(wall.localTime()),
      monotonicAtStart_(monotonic.nanoseconds()) {
    wallAtStart_ = split(wallAtStart_.seconds, wallAtStart_.nanoseconds);
}

// The wall clock as read at the start, advanced by the monotonic time since. The nanoseconds of
// the start reading are below a second, so adding the elapsed time to them alone stays in range
// for 292 years of running, and the seconds are added apart.
WallTime SteadyClock::current() {
    // A monotonic source that steps back (a faulty or faked one) is not followed: a reading never
    // goes below the last one.
    elapsed_ = std::max(elapsed_, saturatingSubtract(monotonic_.nanoseconds(), monotonicAtStart_));
    return split(wallAtStart_.seconds, saturatingAdd(wallAtStart_.nanoseconds, elapsed_));
}

Instant SteadyClock::now() {
    return instantFromSeconds(current().seconds);
}

Instant SteadyClock::preciseNow() {
    const WallTime time = current();
    return instantFromSeconds(time.seconds) +
           static_cast<double>(time.nanoseconds) / (static_cast<double>(kSecondsPerDay) * 1e9);
}

WallTime SystemWallSource::localTime() {
#if defined(CLOCK_REALTIME)
    // To the nanosecond: the display changes with the clock's seconds, so a reading cut to the
    // millisecond would show each new second up to a millisecond late.
    timespec utc{};
    if (clock_gettime(CLOCK_REALTIME, &utc) == 0) {
        // Local time is UTC moved by the offset in force at that moment, summer time included.
        const std::int64_t offset = QDateTime::fromSecsSinceEpoch(utc.tv_sec).offsetFromUtc();
        constexpr std::int64_t kZeroDayToEpoch = 25'569 * kSecondsPerDay; // 1899-12-30 to 1970
        return {std::int64_t{utc.tv_sec} + offset + kZeroDayToEpoch, std::int64_t{utc.tv_nsec}};
    }
#endif
    const QDateTime local = QDateTime::currentDateTime();
    static const QDate zeroDay(1899, 12, 30);
    // A few million days either way at most: far inside 64 bits as seconds.
    const std::int64_t days = zeroDay.daysTo(local.date());
    const std::int64_t millis = local.time().msecsSinceStartOfDay();
    return {days * kSecondsPerDay + millis / 1000, (millis % 1000) * 1'000'000};
}

std::int64_t SystemMonotonicSource::nanoseconds() {
#if defined(CLOCK_BOOTTIME)
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) == 0)
        return static_cast<std::int64_t>(now.tv_sec) * kNanosPerSecond + now.tv_nsec;
#endif
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace velti
