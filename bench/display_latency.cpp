// How late the display follows the clock: for each second boundary of the stopwatch's clock, the
// time from the boundary to the moment the display starts drawing its new text.
//
//   display_latency [--naive] [BOUNDARIES]
//
// The stopwatch runs in this process with its real clock (SteadyClock over the system's wall and
// monotonic sources). The two sources are wrapped so their readings at the clock's making are
// known: the clock shows second k from monotonic time  mono0 + k * 1e9 - wall0  on, so every
// boundary is known to the nanosecond in monotonic time.
//
// The display is watched through an event filter on its label's paint events: the first paint
// that finds a new text marks the moment the user can see it, and the time is read from the same
// monotonic source. Nothing polls: the filter runs only inside paint events the label receives
// anyway, so the program wakes exactly as often as it would unwatched. A poll every millisecond
// would instead add a thousand wakeups a second to the very event loop whose timer latency is
// being measured.
//
// --naive lowers the timer floor to 1 ms and lets no timer sleep, as the naive design had it.
#include "app/application.h"
#include "app/forms/layer.h"
#include "app/forms/widgets.h"
#include "app/platform/clock.h"
#include "app/platform/launcher.h"
#include "app/platform/memory.h"
#include "app/platform/msgbox.h"
#include "stopwatch/form1.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace velti;

namespace {

class RecordedWall final : public WallSource {
public:
    WallTime localTime() override {
        const WallTime value = real_.localTime();
        if (!read_) {
            first = value.seconds * 1'000'000'000LL + value.nanoseconds;
            read_ = true;
        }
        return value;
    }
    std::int64_t first = 0;

private:
    SystemWallSource real_;
    bool read_ = false;
};

class RecordedMonotonic final : public MonotonicSource {
public:
    std::int64_t nanoseconds() override {
        const std::int64_t value = real.nanoseconds();
        if (!read_) {
            first = value;
            read_ = true;
        }
        return value;
    }
    std::int64_t first = 0;
    SystemMonotonicSource real;

private:
    bool read_ = false;
};

class SilentMsgBox final : public MsgBox {
public:
    int show(const QString& prompt, int, const QString&) override {
        std::fprintf(stderr, "display_latency: unexpected message: %s\n", qPrintable(prompt));
        return 1;
    }
};

// Seconds shown by a "hh:mm:ss" text.
std::int64_t shownSeconds(const QString& text) {
    const QStringList parts = text.split(u':');
    if (parts.size() != 3)
        return -1;
    return parts[0].toLongLong() * 3600 + parts[1].toLongLong() * 60 + parts[2].toLongLong();
}

class PaintWatch final : public QObject {
public:
    PaintWatch(QLabel* label, RecordedMonotonic& monotonic)
        : label_(label), monotonic_(monotonic) {}

    struct Change {
        std::int64_t at; // monotonic nanoseconds
        std::int64_t shown;
    };
    std::vector<Change> changes;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Paint) {
            const std::int64_t at = monotonic_.real.nanoseconds();
            if (label_->text() != lastText_) {
                lastText_ = label_->text();
                changes.push_back({at, shownSeconds(lastText_)});
            }
        }
        return false;
    }

private:
    QLabel* label_;
    RecordedMonotonic& monotonic_;
    QString lastText_;
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    // Nearest rank.
    const auto rank =
        static_cast<std::size_t>(std::ceil(p / 100 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

} // namespace

int main(int argc, char** argv) {
    bool naive = false;
    int boundaries = 31;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--naive") == 0)
            naive = true;
        else
            boundaries = std::max(1, std::atoi(argv[i]));
    }
    // The naive design: timers at their designed 1 ms, never sleeping between seconds.
    const forms::TimerPolicy timers =
        naive ? forms::TimerPolicy{.floorMs = 1, .pacing = false} : forms::TimerPolicy{};

    QApplication qt(argc, argv);
    forms::initialise(qt);
    RecordedWall wall;
    RecordedMonotonic monotonic;
    SteadyClock clock(wall, monotonic);
    SystemMemoryQuery memory;
    SystemLauncher launcher;
    SilentMsgBox msgBox;
    Application application({clock, memory, launcher, msgBox}, timers);
    application.startUp();
    Form1& form = application.form1();
    auto* display = qobject_cast<QLabel*>(form.control("Label1"));
    PaintWatch watch(display, monotonic);
    display->installEventFilter(&watch);

    // Start a moment after the window is up, then let the boundaries pass.
    QTimer::singleShot(500, &qt,
                       [&] { qobject_cast<QPushButton*>(form.control("Command1"))->click(); });
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, &qt, [&] {
        if (!watch.changes.empty() && watch.changes.back().shown >= boundaries)
            QCoreApplication::quit();
    });
    stopper.start(250);
    QTimer::singleShot((boundaries + 10) * 1000, &qt, [] { QCoreApplication::exit(1); });
    if (QApplication::exec() != 0) {
        std::fprintf(stderr, "display_latency: the display did not reach %d s\n", boundaries);
        return 1;
    }

    // The clock's nanoseconds are wall0 + (mono - mono0); via is a whole second of that scale.
    const std::int64_t via = std::llround(form.via * 86400.0);
    std::vector<double> latencies;
    for (const auto& change : watch.changes) {
        if (change.shown <= 0)
            continue;
        const std::int64_t boundary =
            monotonic.first + (via + change.shown) * 1'000'000'000LL - wall.first;
        latencies.push_back(static_cast<double>(change.at - boundary) / 1e6);
    }
    if (latencies.size() < 30) {
        std::fprintf(stderr, "display_latency: only %zu boundaries seen\n", latencies.size());
        return 1;
    }
    std::printf("boundaries=%zu median_ms=%.3f p99_ms=%.3f min_ms=%.3f max_ms=%.3f\n",
                latencies.size(), percentile(latencies, 50), percentile(latencies, 99),
                *std::min_element(latencies.begin(), latencies.end()),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
