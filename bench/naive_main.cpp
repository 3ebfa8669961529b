// The naive design the benchmarks measure against: the same program, its timers ticking as fast
// as their designed interval of 1 ms asks, with no floor under them and no sleeping between
// seconds.
#include "app/application.h"

int main() {
    velti::start(velti::applicationRecord(), {.floorMs = 1, .pacing = false});
}
