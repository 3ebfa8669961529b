// A long run of the About window in one process: a thousand openings and closings leave no widget
// behind and let resident memory grow by no more than a little.
#include "tests/support/harness.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace velti;
using velti::test::Harness;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTI_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELTI_UNDER_ASAN 1
#endif

namespace {

// Resident memory in KiB, from /proc/self/status; -1 when it cannot be read.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    static const QRegularExpression rss(QStringLiteral("VmRSS:\\s*(\\d+) kB"));
    const auto found = rss.match(
        status.open(QIODevice::ReadOnly) ? QString::fromLatin1(status.readAll()) : QString());
    return found.hasMatch() ? found.captured(1).toLong() : -1;
}

// Lets every deferred deletion happen, as it would once the event loop is idle.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

const QString line1 =
    QStringLiteral(u"Questo programma \u00e8 gratuito: \u00e8 lecito copiarlo e diffonderlo.");

} // namespace

class TestSoak : public QObject {
    Q_OBJECT

    int closedByEsc = 0;

    // One opening: a few ticks, a look at what was typed, and a close by OK or by Esc.
    void openAndClose(Harness& h, int round) {
        const int ticks = 1 + round % 5;
        bool typed = false;
        h.withAbout([&](Form3& about) {
            // Every opening starts afresh: nothing typed yet.
            if (!Harness::label(about, "Label1", 1)->text().isEmpty())
                return;
            Harness::tick(about, ticks);
            typed = Harness::label(about, "Label1", 1)->text() == line1.left(ticks);
            if (round % 2 == 1) {
                Harness::key(about, Qt::Key_Escape);
                if (!about.isVisible())
                    ++closedByEsc;
            }
        });
        QVERIFY2(typed, qPrintable(QStringLiteral("opening %1 did not type afresh").arg(round)));
        QVERIFY(h.about() == nullptr);
    }

private slots:

    void aThousandOpeningsLeaveNothingBehind() {
        Harness h{test::quietTimers};
        Form1& stopwatch = h.startUp();
        // The stopwatch counts all the while, behind the modal window.
        Harness::click(stopwatch, "Command1");

        // A first round fills the caches that live as long as the program (fonts, style, icons).
        for (int round = 0; round < 20; ++round) {
            openAndClose(h, round);
            if (QTest::currentTestFailed())
                return;
        }
        settle();
        const auto topLevels = QApplication::topLevelWidgets().size();
        const auto widgets = QApplication::allWidgets().size();
        const long residentBefore = residentKiB();

        constexpr int kOpenings = 1000;
        for (int round = 0; round < kOpenings; ++round) {
            h.clock.advance(1);
            openAndClose(h, round);
            if (QTest::currentTestFailed())
                return;
        }
        settle();
        QCOMPARE(closedByEsc, 10 + kOpenings / 2);
        QCOMPARE(QApplication::topLevelWidgets().size(), topLevels);
        QCOMPARE(QApplication::allWidgets().size(), widgets);
        QCOMPARE(Harness::windowsShown(), 1);
        QVERIFY(h.msgBox.shown.empty());

        // The stopwatch went on counting through every opening.
        Harness::tick(stopwatch);
        QCOMPARE(Harness::label(stopwatch, "Label1")->text(), QStringLiteral("00:16:40"));

        const long residentAfter = residentKiB();
        QVERIFY(residentBefore > 0 && residentAfter > 0);
        const long grownKiB = residentAfter - residentBefore;
        qInfo("resident memory: %ld KiB before, %ld KiB after %d openings (%+ld KiB)",
              residentBefore, residentAfter, kOpenings, grownKiB);
#if defined(VELTI_UNDER_ASAN)
        QSKIP("resident memory is not meaningful under AddressSanitizer: its quarantine holds "
              "freed blocks on purpose");
#endif
        QVERIFY2(grownKiB < 2 * 1024,
                 qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(grownKiB)));
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
