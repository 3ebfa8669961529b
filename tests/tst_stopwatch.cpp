// The stopwatch's display over ticks of a fake clock. What each button does, in every state and by
// every path, is held to the design table by tst_model (a long random run beside a model of it),
// tst_runtime_errors (each handler's steps in order) and tst_desktop (every path to every button).
#include "tests/support/harness.h"

#include <QTest>

using namespace velti;
using velti::test::Harness;

class TestStopwatch : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;
    Form1* form = nullptr;

    QString display() { return Harness::label(*form, "Label1")->text(); }
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
        QCOMPARE(test::stateOf(*form), QStringLiteral("idle"));
        QCOMPARE(display(), QStringLiteral("00:00:00"));
        QCOMPARE(Harness::focused(*form), test::designedStopwatch().tabOrder.first());
        QCOMPARE(form->sttop, 0.0);
        QVERIFY(!h->app.hasForm3());
        QVERIFY(form->window()->isVisible());
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
        Harness::click(*form, "Command1");
        after(elapsed);
        QCOMPARE(display(), shown);
    }

    void aClockThatRunsBackLeavesTheDisplayAlone() {
        Harness::click(*form, "Command1");
        after(4);
        after(-60);
        QCOMPARE(display(), QStringLiteral("00:00:04"));
    }

    // A handler reads a caption back with its access-key marker, as it set it.
    void captionsAreReadBackWithTheirMarkers() {
        Harness::click(*form, "Command1");
        Harness::click(*form, "Command3");
        const test::DesignedWindow& design = test::designedStopwatch();
        QCOMPARE(form->Command3.caption(), design.state(u"paused"_qs).captions["Command3"]);
        Harness::click(*form, "Command3");
        QCOMPARE(form->Command3.caption(), design.captions["Command3"]);
        QCOMPARE(form->Command4.caption(), design.captions["Command4"]);
    }
};

QTEST_MAIN(TestStopwatch)
#include "tst_stopwatch.moc"
