// The naive design the benchmarks measure against: the same program, its timers ticking as fast
// as their designed interval of 1 ms asks, with no floor under them and no sleeping between
// seconds.
#include "app/application.h"
#include "app/forms/widgets.h"

int main() {
    velti::forms::TimerControl::setPeriodFloor(1);
    velti::forms::TimerControl::setPacingAllowed(false);
    velti::start(velti::applicationRecord());
}
