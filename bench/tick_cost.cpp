// The work one tick does inside the program, without the event loop around it: the stopwatch's
// tick while it counts, and the About window's tick once its notice is typed (the memory readout
// with the real memory figures). Beside them, the tick of a timer whose handler does nothing: what
// the window layer's own dispatch costs.
//
//   tick_cost [TICKS]     prints stopwatch_tick_ns, about_tick_ns and empty_tick_ns, medians of
//                         seven rounds
#include "about/form3.h"
#include "app/application.h"
#include "forms/setup.h"
#include "forms/windows/form.h"
#include "platform/clock.h"
#include "platform/launcher.h"
#include "platform/memory.h"
#include "platform/msgbox.h"
#include "stopwatch/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace velti;

namespace {

class CountingMsgBox final : public MsgBox {
public:
    int shown = 0;
    int show(const QString&, int, const QString&, QWidget*) override {
        ++shown;
        return 1;
    }
};

// Nanoseconds per tick, the median of seven rounds.
double perTick(forms::TickTimer* timer, int ticks) {
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; i < ticks; ++i)
            timer->tick();
        rounds.push_back(static_cast<double>(elapsed.nsecsElapsed()) / ticks);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    QApplication qt(argc, argv);
    forms::initialise(qt);
    SystemWallSource wall;
    SystemMonotonicSource monotonic;
    SteadyClock clock(wall, monotonic);
    SystemMemoryQuery memory;
    SystemLauncher launcher;
    CountingMsgBox msgBox;
    // Only these loops tick.
    const forms::TimerPolicy byHand{.floorMs = 24 * 3600 * 1000};
    Application application({clock, memory, launcher, msgBox}, byHand);
    application.startUp();

    Form1& stopwatch = application.form1();
    stopwatch.findChild<QPushButton*>("Command1")->click();
    auto* stopwatchTimer = stopwatch.findChild<forms::TickTimer*>("Timer1");
    const double stopwatchNs = perTick(stopwatchTimer, ticks);

    double aboutNs = 0;
    QTimer::singleShot(0, &qt, [&] {
        Form3& about = *application.about();
        auto* aboutTimer = about.findChild<forms::TickTimer*>("Timer1");
        for (int i = 0; i < 200; ++i) // the notice typed
            aboutTimer->tick();
        aboutNs = perTick(aboutTimer, ticks / 4);
        about.unload();
    });
    stopwatch.findChild<QPushButton*>("Command6")->click();

    forms::TickTimer empty(byHand.floorMs, nullptr);
    int calls = 0;
    empty.onTick([&] { ++calls; });
    const double emptyNs = perTick(&empty, ticks);

    if (msgBox.shown != 0 || calls == 0) {
        std::fprintf(stderr, "tick_cost: a tick failed\n");
        return 1;
    }
    std::printf("stopwatch_tick_ns=%.0f about_tick_ns=%.0f empty_tick_ns=%.1f\n", stopwatchNs,
                aboutNs, emptyNs);
    return 0;
}
