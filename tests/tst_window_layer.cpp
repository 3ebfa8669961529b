// The window layer: windows built as designed, their timers, and its own words in Italian.
#include "tests/support/harness.h"

#include <QTest>

using namespace velti;
using velti::test::Harness;

class TestWindowLayer : public QObject {
    Q_OBJECT

private slots:

    // Run at QT_SCALE_FACTOR=2 too: the device pixels double, the layout stays the same.
    void stopwatchWindowAsDesigned() {
        const double factor = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                  ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                  : 1.0;
        Harness h;
        Form1& form = h.startUp();
        QWidget* window = form.window();
        QCOMPARE(window->windowTitle(), QStringLiteral("Vantelsiro"));
        QCOMPARE(window->size(), QSize(264, 175));
        QCOMPARE(window->devicePixelRatioF(), factor);
        QCOMPARE(window->windowHandle()->size() * factor, QSize(264, 175) * factor);
        // The window is drawn at the device's resolution: a grab has twice the pixels.
        QCOMPARE(window->grab().size(), QSize(264, 175) * factor);
        QCOMPARE(window->grab().devicePixelRatio(), factor);
        // A small icon on a scaled screen is drawn from the larger image the icon holds.
        QCOMPARE(window->windowIcon().pixmap(QSize(16, 16), factor).size(), QSize(16, 16) * factor);
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
        QVERIFY(window->windowIcon().availableSizes().contains(QSize(16, 16)));

        const struct {
            const char* name;
            QRect geometry;
        } controls[] = {
            {"Command1", {8, 112, 57, 25}},   {"Command2", {72, 112, 57, 25}},
            {"Command3", {136, 112, 57, 25}}, {"Frame1", {8, 0, 249, 105}},
            {"Label1", {16, 24, 217, 41}},    {"Label2", {80, 80, 97, 17}},
            {"Command4", {200, 112, 57, 25}}, {"Command5", {8, 144, 217, 25}},
            {"Command6", {232, 144, 25, 25}},
        };
        for (const auto& c : controls)
            QCOMPARE(qobject_cast<QWidget*>(Harness::control(form, c.name))->geometry(),
                     c.geometry);
        QCOMPARE(Harness::label(form, "Label1")->parentWidget()->objectName(),
                 QStringLiteral("Frame1"));

        const QPushButton* info = Harness::button(form, "Command6");
        QVERIFY(info->text().isEmpty());
        QVERIFY(!info->icon().isNull());
        QCOMPARE(info->toolTip(), QStringLiteral("Informazioni su..."));
        QCOMPARE(Harness::timer(form)->interval(), test::kTimerFloorMs);
    }

    // The notice typed, the timer keeps its period, and each tick still reads the memory figures.
    void theAboutTimerKeepsItsRhythmOnceTheNoticeIsTyped() {
        Harness h;
        h.startUp();
        h.withAbout([&](Form3& about) {
            forms::TickTimer* timer = Harness::timer(about);
            QTRY_COMPARE_WITH_TIMEOUT(about.Indice, std::int16_t{4}, 10000);
            const int queries = h.memory.queries;
            QTRY_VERIFY(h.memory.queries > queries + 2);
            QCOMPARE(timer->interval(), test::kTimerFloorMs);
        });
    }

    void theLayerSpeaksItalian() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                 QStringLiteral("Annulla"));
    }
};

QTEST_MAIN(TestWindowLayer)
#include "tst_window_layer.moc"
