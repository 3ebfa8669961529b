// The stopwatch as a user meets it: buttons, access keys, status, focus and the display over
// ticks of a fake clock.
#include "tests/support/harness.h"

#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

using Expected = test::StopwatchState;
const Expected& idle = test::designedStates[0];
const Expected& counting = test::designedStates[1];
const Expected& paused = test::designedStates[2];
const Expected& reading = test::designedStates[3];

} // namespace

// Stops the test at the first state that differs.
#define VERIFY_STATE(expected)                                                                     \
    do {                                                                                           \
        verifyState(expected);                                                                     \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class TestStopwatch : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;
    Form1* form = nullptr;

    void verifyState(const Expected& e) {
        QCOMPARE(Harness::label(*form, "Label2")->text(), QString::fromUtf8(e.status));
        QCOMPARE(Harness::timer(*form)->isEnabled(), e.timer);
        for (int i = 0; i < 5; ++i) {
            const QByteArray name = "Command" + QByteArray::number(i + 1);
            QCOMPARE(Harness::button(*form, name)->isEnabled(), e.enabled[i]);
        }
        QVERIFY(Harness::button(*form, "Command6")->isEnabled());
        QCOMPARE(Harness::button(*form, "Command3")->text(), QString::fromUtf8(e.pauseCaption));
        QCOMPARE(Harness::button(*form, "Command4")->text(), QString::fromUtf8(e.readingCaption));
    }
    QString display() { return Harness::label(*form, "Label1")->text(); }
    void click(const char* name) { Harness::click(*form, name); }
    // Moves the clock on and lets one tick run.
    void after(int seconds) {
        h->clock.advance(seconds);
        Harness::tick(*form);
    }

private slots:
    void initTestCase() { test::initialiseLayer(); }
    void init() {
        h = std::make_unique<Harness>();
        form = &h->startUp();
    }
    void cleanup() {
        h.reset();
        form = nullptr;
    }

    void opensIdle() {
        VERIFY_STATE(idle);
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command1"));
        QCOMPARE(form->sttop, 0.0);
        QVERIFY(!h->app.hasForm3());
        QVERIFY(form->window()->isVisible());
    }

    void startCountsFromTheClock() {
        click("Command1");
        VERIFY_STATE(counting);
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command3"));
        QCOMPARE(form->via, h->clock.now());
        // The old text stays until the first tick.
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        after(0);
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        after(1);
        QCOMPARE(display(), QStringLiteral("00:00:01"));
        after(3599);
        QCOMPARE(display(), QStringLiteral("01:00:00"));
    }

    void displayTable_data() {
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<QString>("shown");
        const std::pair<int, const char*> rows[] = {
            {0, "00:00:00"},     {59, "00:00:59"},     {60, "00:01:00"},
            {3599, "00:59:59"},  {3600, "01:00:00"},   {86399, "23:59:59"},
            {86400, "24:00:00"}, {359999, "99:59:59"}, {360000, "100:00:00"},
        };
        for (const auto& [elapsed, shown] : rows)
            QTest::addRow("%d s", elapsed) << elapsed << QString::fromLatin1(shown);
    }
    void displayTable() {
        QFETCH(int, elapsed);
        QFETCH(QString, shown);
        click("Command1");
        after(elapsed);
        QCOMPARE(display(), shown);
    }

    void stopFromEveryState_data() {
        QTest::addColumn<QString>("from");
        QTest::newRow("counting") << "counting";
        QTest::newRow("paused") << "paused";
        QTest::newRow("reading") << "reading";
    }
    void stopFromEveryState() {
        QFETCH(QString, from);
        click("Command1");
        after(5);
        if (from == u"paused")
            click("Command3");
        if (from == u"reading")
            click("Command4");
        const QString frozen = display();
        h->clock.advance(7);
        click("Command2");
        VERIFY_STATE(idle);
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command5"));
        // The display keeps what it last showed, not the time of the stop.
        QCOMPARE(display(), frozen);
        QCOMPARE(frozen, QStringLiteral("00:00:05"));
        Harness::tick(*form);
        QCOMPARE(display(), frozen);
    }

    void pauseAndResumeCountOnlyRunningTime() {
        click("Command1");
        after(10);
        click("Command3");
        VERIFY_STATE(paused);
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command3"));
        QCOMPARE(form->sttop, h->clock.now());
        after(10); // paused: no tick is delivered, the display stays
        QCOMPARE(display(), QStringLiteral("00:00:10"));
        click("Command3");
        VERIFY_STATE(counting);
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command3"));
        after(0);
        QCOMPARE(display(), QStringLiteral("00:00:10"));
        // Several more cycles: no paused time is ever counted.
        for (int cycle = 0; cycle < 5; ++cycle) {
            after(3);
            click("Command3");
            h->clock.advance(100 + cycle);
            click("Command3");
        }
        after(2);
        QCOMPARE(display(), QStringLiteral("00:00:27"));
    }

    void pauseAndResumeWithinOneSecondLeaveViaAlone() {
        click("Command1");
        after(4);
        const Instant via = form->via;
        click("Command3");
        click("Command3");
        QCOMPARE(form->via, via);
        after(0);
        QCOMPARE(display(), QStringLiteral("00:00:04"));
    }

    void readingFreezesTheDisplayWhileTheCountGoesOn() {
        click("Command1");
        after(3);
        click("Command4");
        VERIFY_STATE(reading);
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command4"));
        h->clock.advance(10);
        Harness::tick(*form);
        QCOMPARE(display(), QStringLiteral("00:00:03"));
        click("Command4");
        VERIFY_STATE(counting);
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command3"));
        after(0);
        QCOMPARE(display(), QStringLiteral("00:00:13"));
    }

    void resetInIdle() {
        // The press itself takes the focus to "&Azzera"; the reset gives it back to "&Via".
        click("Command5");
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command1"));
        VERIFY_STATE(idle);

        click("Command1");
        after(42);
        click("Command2");
        const Instant via = form->via;
        click("Command5");
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        QCOMPARE(Harness::focused(*form), QStringLiteral("Command1"));
        QCOMPARE(form->via, via);
        VERIFY_STATE(idle);
    }

    void restartWithoutResetKeepsTheOldValueUntilTheFirstTick() {
        click("Command1");
        after(30);
        click("Command2");
        h->clock.advance(5);
        click("Command1");
        QCOMPARE(display(), QStringLiteral("00:00:30"));
        after(0);
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        after(2);
        QCOMPARE(display(), QStringLiteral("00:00:02"));
    }

    void aClockThatRunsBackLeavesTheDisplayAlone() {
        click("Command1");
        h->clock.advance(4);
        Harness::tick(*form);
        h->clock.advance(-60);
        Harness::tick(*form);
        QCOMPARE(Harness::label(*form, "Label1")->text(), QStringLiteral("00:00:04"));
    }

    void captionsAreReadBackWithTheirMarkers() {
        click("Command1");
        click("Command3");
        QCOMPARE(form->Command3.caption(), QStringLiteral("&Riprendi"));
        click("Command3");
        QCOMPARE(form->Command3.caption(), QStringLiteral("&Pausa"));
        QCOMPARE(form->Command4.caption(), QStringLiteral("R&ileva"));
    }
};

QTEST_MAIN(TestStopwatch)
#include "tst_stopwatch.moc"
