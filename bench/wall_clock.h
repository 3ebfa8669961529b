// What the two bench windows share: the wall clock in nanoseconds and a clock time as hh:mm:ss.
#pragma once

#include <QString>

#include <time.h>

#include <cstdint>

namespace bench {

inline constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

inline std::int64_t wallNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNanosPerSecond + now.tv_nsec;
}

inline QString hms(std::int64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace bench
