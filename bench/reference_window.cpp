// The physical limit of a display that counts seconds: one window, one label, one timer that
// wakes once a second, on the second, and repaints the label with the new time. Nothing else
// runs. The stopwatch's CPU, wake-ups and X server work while counting are measured against it,
// and so is its start-up and memory.
//
// The label looks like the stopwatch's display (the same face, size and box), so the X server
// draws the same pixels for both. The seconds are the wall clock's (CLOCK_REALTIME), counted from
// the start: the timer is armed for the next whole second each time, so it never wakes between.
//
// With VELTI_BENCH_TICK_MS set, the label stays still and an empty timer of that period runs
// instead: the CPU an event loop spends only on waking that often. With VELTI_BENCH_QUERY set as
// well, each tick makes the system calls the About window's three memory figures need and no
// more: a read of /proc/meminfo and of /proc/self/statm from files kept open, and the
// address-space limit.
#include "wall_clock.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

using bench::hms;
using bench::kNanosPerSecond;
using bench::wallNanoseconds;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Riferimento"));
    window.setFixedSize(264, 175);
    QLabel label(QStringLiteral("00:00:00"), &window);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(32);
    font.setBold(true);
    label.setFont(font);
    label.setAlignment(Qt::AlignCenter);
    label.setGeometry(24, 24, 217, 41);
    window.show();

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    if (const int period = qEnvironmentVariableIntValue("VELTI_BENCH_TICK_MS"); period > 0) {
        if (qEnvironmentVariableIsSet("VELTI_BENCH_QUERY")) {
            const int meminfo = open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
            const int statm = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
            QObject::connect(&timer, &QTimer::timeout, &label, [meminfo, statm] {
                static char buffer[8192];
                rlimit limit{};
                if (pread(meminfo, buffer, sizeof buffer, 0) < 0 ||
                    pread(statm, buffer, sizeof buffer, 0) < 0 || getrlimit(RLIMIT_AS, &limit) != 0)
                    qFatal("the memory query failed");
            });
        } else {
            QObject::connect(&timer, &QTimer::timeout, &label, [] {});
        }
        timer.start(period);
        return QApplication::exec();
    }

    const std::int64_t startSecond = wallNanoseconds() / kNanosPerSecond;
    std::int64_t shown = 0;
    timer.setSingleShot(true);
    const auto armForNextSecond = [&] {
        const std::int64_t left = kNanosPerSecond - wallNanoseconds() % kNanosPerSecond;
        // Whole milliseconds, rounded up: the timer never fires before the boundary.
        timer.start(static_cast<int>((left + 999'999) / 1'000'000));
    };
    QObject::connect(&timer, &QTimer::timeout, &label, [&] {
        const std::int64_t elapsed = wallNanoseconds() / kNanosPerSecond - startSecond;
        if (elapsed != shown) {
            shown = elapsed;
            label.setText(hms(elapsed));
        }
        armForNextSecond();
    });
    armForNextSecond();
    return QApplication::exec();
}
