// The smallest Qt Widgets program with a window: one label. Start-up time and memory of the
// stopwatch are measured against it.
//
// With VELTI_BENCH_TICK_MS set, an empty timer of that period runs as well: the CPU an event
// loop spends only on waking that often, the floor under any program whose timer ticks so.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("00:00:00"));
    label.setWindowTitle(QStringLiteral("Minimo"));
    label.resize(264, 175);
    label.show();
    QTimer ticker;
    if (const int period = qEnvironmentVariableIntValue("VELTI_BENCH_TICK_MS"); period > 0) {
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, &label, [] {});
        ticker.start(period);
    }
    return QApplication::exec();
}
