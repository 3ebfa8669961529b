// Instants: local calendar date and time as days since 30 December 1899 00:00.
#pragma once

#include <cstdint>

namespace velti {

// The fraction is the time of day; the zero instant is midnight, 30 December 1899.
using Instant = double;

inline constexpr std::int64_t kSecondsPerDay = 86400;

// The instant that lies the given whole seconds after the zero instant.
Instant instantFromSeconds(std::int64_t seconds);

// The instant taken to the nearest whole second, counted from the zero instant.
std::int64_t nearestWholeSecond(Instant instant);

// Whole seconds from one instant to a later one: the time between them, to the millisecond, with
// the fraction of a second dropped. Between instants of whole seconds this counts the clock's
// second boundaries passed. The count is a signed 32-bit number; one that leaves that range stops
// at its edge instead of wrapping.
std::int32_t wholeSecondsBetween(Instant from, Instant to);

} // namespace velti
