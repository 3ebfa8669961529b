#include "app/platform/clock.h"

#include <QDate>
#include <QDateTime>

#include <chrono>
#include <ctime>

namespace velti {

namespace {
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
}

SteadyClock::SteadyClock(WallSource& wall, MonotonicSource& monotonic)
    : monotonic_(monotonic), wallAtStart_(wall.localNanoseconds()),
      monotonicAtStart_(monotonic.nanoseconds()) {}

std::int64_t SteadyClock::nanoseconds() {
    return wallAtStart_ + (monotonic_.nanoseconds() - monotonicAtStart_);
}

std::int64_t SteadyClock::nanosecondsToNextSecond() {
    std::int64_t intoSecond = nanoseconds() % kNanosPerSecond;
    if (intoSecond < 0)
        intoSecond += kNanosPerSecond;
    return kNanosPerSecond - intoSecond;
}

Instant SteadyClock::now() {
    const std::int64_t nanos = nanoseconds();
    // Whole seconds, rounded towards the past even before the zero instant.
    std::int64_t seconds = nanos / kNanosPerSecond;
    if (nanos % kNanosPerSecond < 0)
        --seconds;
    return instantFromSeconds(seconds);
}

std::int64_t SystemWallSource::localNanoseconds() {
    const QDateTime local = QDateTime::currentDateTime();
    static const QDate zeroDay(1899, 12, 30);
    const std::int64_t days = zeroDay.daysTo(local.date());
    const std::int64_t millis = local.time().msecsSinceStartOfDay();
    return days * kSecondsPerDay * kNanosPerSecond + millis * 1'000'000;
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
