// The clock under the stopwatch and the display it drives: whole seconds, never moved by a setting
// of the wall clock, and counts that saturate instead of wrapping.
#include "tests/support/harness.h"

#include "platform/clock.h"

#include <QDate>
#include <QDateTime>
#include <QScopeGuard>
#include <QTest>

#include <ctime>
#include <limits>

using namespace velti;
using velti::test::Harness;

namespace {

constexpr std::int64_t kNano = 1'000'000'000;

// Seconds from the zero instant to a local date and time.
std::int64_t secondsAt(const QDate& date, int hour, int minute, int second) {
    return QDate(1899, 12, 30).daysTo(date) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

// The real window over a SteadyClock whose wall and monotonic sources the test moves by hand.
class SteadyHarness final : public WallSource, public MonotonicSource {
public:
    explicit SteadyHarness(WallTime start = {secondsAt(QDate(2026, 12, 7), 10, 0, 0), 250'000'000})
        : wall(start) {}
    WallTime localTime() override { return wall; }
    std::int64_t nanoseconds() override { return nanos; }

    WallTime wall;
    std::int64_t nanos = 5 * kNano;
    SteadyClock clock{*this, *this};
    test::FakeMemory memory;
    test::FakeLauncher launcher;
    test::FakeMsgBox msgBox;
    Application app{Services{clock, memory, launcher, msgBox}};
};

} // namespace

class TestClock : public QObject {
    Q_OBJECT

private slots:

    // Whatever date the wall clock reads at start-up, from before 1900 to the last second of 9999,
    // the stopwatch counts in whole seconds, pauses, resumes and saturates as it does today, and
    // a setting of the wall clock (a daylight-saving switch, someone setting the clock) leaves the
    // count alone. Under the sanitizers this is also the proof that no date overflows on the way
    // (a single 64-bit count of nanoseconds since 1899 ends in 2192).
    void anyWallClockDate_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<qint64>("jump"); // of the wall clock, while counting
        QTest::newRow("year 1") << QDate(1, 1, 1) << 0 << 0 << 0 << qint64(3600);
        QTest::newRow("29 February 1600") << QDate(1600, 2, 29) << 12 << 0 << 0 << qint64(-3600);
        QTest::newRow("the eve of the zero day")
            << QDate(1899, 12, 29) << 23 << 59 << 30 << qint64(86400);
        QTest::newRow("the zero day") << QDate(1899, 12, 30) << 0 << 0 << 0 << qint64(-86400);
        QTest::newRow("2026, an hour forward")
            << QDate(2026, 12, 7) << 10 << 0 << 0 << qint64(3600);
        QTest::newRow("2192, past a nanosecond count")
            << QDate(2192, 4, 12) << 0 << 0 << 0 << qint64(-3600);
        QTest::newRow("2262, past Unix nanoseconds")
            << QDate(2262, 4, 12) << 0 << 0 << 0 << qint64(0);
        QTest::newRow("the last minute of 9999")
            << QDate(9999, 12, 31) << 23 << 59 << 30 << qint64(-86400);
    }
    void anyWallClockDate() {
        QFETCH(QDate, date);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(qint64, jump);
        const std::int64_t start = secondsAt(date, hour, minute, second);
        SteadyHarness h({start, 250'000'000});
        SteadyClock& clock = h.clock;
        QCOMPARE(nearestWholeSecond(clock.now()), start);
        // The wall clock read a quarter past the second, and the fraction is kept.
        const auto millisIntoSecond = [&] {
            return std::llround((clock.preciseNow() - clock.now()) * kSecondsPerDay * 1000);
        };
        QCOMPARE(millisIntoSecond(), 250);
        h.nanos += 749'000'000;
        QCOMPARE(nearestWholeSecond(clock.now()), start);
        h.nanos += 1'000'000;
        QCOMPARE(nearestWholeSecond(clock.now()), start + 1);

        h.app.startUp();
        Form1& form = h.app.form1();
        const auto display = [&] { return Harness::label(form, "Label1")->text(); };
        Harness::click(form, "Command1");
        h.nanos += 65 * kNano; // across midnight, and into the year 10000 from 9999
        h.wall.seconds += jump;
        Harness::tick(form);
        QCOMPARE(display(), QStringLiteral("00:01:05"));
        QCOMPARE(nearestWholeSecond(clock.now()), start + 66);
        // A monotonic source that steps back is not followed: the count never runs backwards.
        h.nanos -= 120 * kNano;
        Harness::tick(form);
        QCOMPARE(display(), QStringLiteral("00:01:05"));
        h.nanos += 121 * kNano;
        Harness::tick(form);
        QCOMPARE(display(), QStringLiteral("00:01:06"));
        Harness::click(form, "Command3"); // Pausa
        h.nanos += 3600 * kNano;
        Harness::click(form, "Command3"); // Riprendi: the hour paused is not counted
        h.nanos += 5 * kNano;
        Harness::tick(form);
        QCOMPARE(display(), QStringLiteral("00:01:11"));
        // Past the largest count it stays at the largest.
        h.nanos += std::int64_t{std::numeric_limits<std::int32_t>::max()} * kNano;
        Harness::tick(form);
        QCOMPARE(display(), QStringLiteral("596523:14:07"));
        // A monotonic clock at the end of its range: the count saturates, nothing wraps.
        h.nanos = std::numeric_limits<std::int64_t>::max();
        Harness::tick(form);
        QCOMPARE(display(), QStringLiteral("596523:14:07"));
        QVERIFY(millisIntoSecond() >= 0 && millisIntoSecond() < 1000);
    }

    // The display after a start and each advance of the clock, with a tick after each.
    void display_data() {
        QTest::addColumn<QList<qint64>>("advances");
        QTest::addColumn<QString>("shown");
        const std::pair<QList<qint64>, const char*> rows[] = {
            {{0}, "00:00:00"},
            {{59}, "00:00:59"},
            {{60}, "00:01:00"},
            {{3599}, "00:59:59"},
            {{3600}, "01:00:00"},
            {{86399}, "23:59:59"},
            {{86400}, "24:00:00"},
            {{359999}, "99:59:59"},
            {{360000}, "100:00:00"},
            {{4, -60}, "00:00:04"},               // a clock that runs back leaves the display alone
            {{2147483647}, "596523:14:07"},       // sixty-eight years
            {{2147483647, 1000}, "596523:14:07"}, // past the largest count it stays there
        };
        for (const auto& [advances, shown] : rows) {
            QStringList tag;
            for (const qint64 seconds : advances)
                tag << QString::number(seconds) + u" s"_qs;
            QTest::newRow(qPrintable(tag.join(u", "_qs))) << advances << QString::fromLatin1(shown);
        }
    }
    void display() {
        QFETCH(QList<qint64>, advances);
        Harness h{test::quietTimers};
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        for (const qint64 seconds : advances) {
            h.clock.advance(seconds);
            Harness::tick(form);
        }
        QTEST(Harness::label(form, "Label1")->text(), "shown");
    }

    // Pauses never add or lose time: after any number of them the display is within a second of
    // the time spent counting, as before the first. Each cycle counts until the display turns,
    // then a moment more, and pauses; in milliseconds.
    void pausesNeitherAddNorLoseTime_data() {
        QTest::addColumn<int>("momentMs");
        QTest::addColumn<int>("pausedMs");
        QTest::addColumn<int>("cycles");
        QTest::newRow("paused just after the display turned, 2.8 s") << 60 << 2800 << 10;
        QTest::newRow("paused just before it turns, 2.2 s") << 940 << 2200 << 10;
        QTest::newRow("paused and resumed within a second") << 500 << 300 << 20;
        QTest::newRow("an hour's pause") << 250 << 3'600'500 << 3;
    }
    void pausesNeitherAddNorLoseTime() {
        QFETCH(int, momentMs);
        QFETCH(int, pausedMs);
        QFETCH(int, cycles);
        SteadyHarness h;
        h.app.startUp();
        Form1& form = h.app.form1();
        const QLabel* display = Harness::label(form, "Label1");
        const auto shown = [display] {
            return QTime::fromString(display->text()).msecsSinceStartOfDay();
        };
        std::int64_t counted = 0;
        const auto count = [&](std::int64_t millis) {
            h.nanos += millis * 1'000'000;
            counted += millis;
            Harness::tick(form);
        };
        Harness::click(form, "Command1");
        for (int i = 0; i < cycles; ++i) {
            for (const int before = shown(); shown() == before;)
                count(10);
            count(momentMs);
            Harness::click(form, "Command3");
            h.nanos += pausedMs * std::int64_t{1'000'000};
            Harness::click(form, "Command3");
        }
        count(0);
        QVERIFY2(std::abs(shown() - counted) < 1000,
                 qPrintable(display->text() + u" shown after "_qs + QString::number(counted) +
                            u" ms"_qs));
    }

    void theCountingTimerSleepsUntilTheNextSecond() {
        SteadyHarness h;
        h.nanos += 700'000'000; // 10:00:00.95
        h.app.startUp();
        Form1& form = h.app.form1();
        Harness::click(form, "Command1");
        forms::TickTimer* timer = Harness::timer(form);
        QCOMPARE(timer->interval(), test::kTimerFloorMs);
        // After its first tick, the timer waits for the second to turn, and a little more.
        QTRY_COMPARE(timer->interval(), 51);
        h.nanos += 50'000'000; // 10:00:01.00
        QTRY_COMPARE(timer->interval(), 1001);
        QCOMPARE(Harness::label(form, "Label1")->text(), QStringLiteral("00:00:01"));
        // Paused and started again, it ticks at once, then sleeps again.
        Harness::click(form, "Command3");
        Harness::click(form, "Command3");
        QCOMPARE(timer->interval(), test::kTimerFloorMs);
        QTRY_COMPARE(timer->interval(), 1001);
    }

    // The real wall clock is the local time Qt reads, in any zone, but to the nanosecond: a
    // reading cut to the millisecond would show each new second up to a millisecond late.
    void theSystemWallClockIsLocalTimeToTheNanosecond_data() {
        QTest::addColumn<QByteArray>("zone");
        for (const char* zone : {"UTC", "Europe/Rome", "America/Los_Angeles", "Asia/Kolkata"})
            QTest::newRow(zone) << QByteArray(zone);
    }

    void theSystemWallClockIsLocalTimeToTheNanosecond() {
        QFETCH(QByteArray, zone);
        const QByteArray saved = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
            tzset();
        });
        qputenv("TZ", zone);
        tzset();
        SystemWallSource wall;
        const QDate zeroDay(1899, 12, 30);
        const auto secondsOf = [&](const QDateTime& local) {
            return zeroDay.daysTo(local.date()) * kSecondsPerDay +
                   local.time().msecsSinceStartOfDay() / 1000;
        };
        const QDateTime before = QDateTime::currentDateTime();
        const WallTime read = wall.localTime();
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(read.seconds >= secondsOf(before));
        QVERIFY(read.seconds <= secondsOf(after));
        QVERIFY(read.nanoseconds >= 0 && read.nanoseconds < kNano);
        bool belowMillisecond = false;
        for (int i = 0; i < 20 && !belowMillisecond; ++i)
            belowMillisecond = wall.localTime().nanoseconds % 1'000'000 != 0;
        QVERIFY(belowMillisecond);
    }

    void countsSaturateInsteadOfWrapping() {
        const Instant start = instantFromSeconds(46363 * kSecondsPerDay);
        constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
        QCOMPARE(wholeSecondsBetween(start, start + instantFromSeconds(highest)), highest);
        QCOMPARE(wholeSecondsBetween(start, start + instantFromSeconds(highest + 10)), highest);
        QCOMPARE(wholeSecondsBetween(start + instantFromSeconds(highest + 10), start),
                 std::numeric_limits<std::int32_t>::min());
        // The residue a resume can leave in via is absorbed.
        QCOMPARE(wholeSecondsBetween(start + 1e-12, start + instantFromSeconds(7)), 7);
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
