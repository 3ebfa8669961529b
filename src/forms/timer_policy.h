// How the timers of one application tick.
#pragma once

namespace velti::forms {

// The real tick period never goes below this floor, whatever the designed interval: about the
// granularity desktop timers have always had.
inline constexpr int kTimerFloorMs = 15;

struct TimerPolicy {
    int floorMs = kTimerFloorMs;
    // Whether a window may let its timer sleep while it has nothing new to show.
    bool pacing = true;
};

} // namespace velti::forms
