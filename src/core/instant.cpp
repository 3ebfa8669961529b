// Instants: a point in time as a day count, and its parts.
#include "core/instant.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velti {

Instant instantFromSeconds(std::int64_t seconds) {
    return static_cast<double>(seconds) / static_cast<double>(kSecondsPerDay);
}

std::int64_t nearestWholeSecond(Instant instant) {
    return std::llround(instant * static_cast<double>(kSecondsPerDay));
}

std::int32_t wholeSecondsBetween(Instant from, Instant to) {
    // To the millisecond first: a difference of whole seconds worked out in days may come out a
    // hair short of its value.
    const double millis = std::round((to - from) * static_cast<double>(kSecondsPerDay) * 1000.0);
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(std::floor(millis / 1000.0), lowest, highest));
}

} // namespace velti
