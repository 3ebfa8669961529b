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
    const std::int64_t count = nearestWholeSecond(to) - nearestWholeSecond(from);
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(count, lowest, highest));
}

} // namespace velti
