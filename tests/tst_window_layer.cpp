// The window layer: forms built as designed, timers, unloading, and the end of the program.
#include "tests/support/harness.h"

#include <QApplication>
#include <QFrame>
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

        const QLabel* display = Harness::label(form, "Label1");
        QCOMPARE(display->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(display->font().pixelSize(), 32);
        QVERIFY(display->font().bold());
        QCOMPARE(display->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        const QLabel* status = Harness::label(form, "Label2");
        QCOMPARE(status->font().pixelSize(), 13);
        QVERIFY(!status->font().bold());
        QCOMPARE(status->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

        const QPushButton* info = Harness::button(form, "Command6");
        QVERIFY(info->text().isEmpty());
        QVERIFY(!info->icon().isNull());
        QCOMPARE(info->toolTip(), QStringLiteral("Informazioni su..."));
        QCOMPARE(Harness::timer(form)->period(), test::kTimerFloorMs);
    }

    void onlyButtonsTakeTheFocus() {
        Harness h;
        Form1& form = h.startUp();
        for (const char* name : {"Frame1", "Label1", "Label2"})
            QCOMPARE(qobject_cast<QWidget*>(Harness::control(form, name))->focusPolicy(),
                     Qt::NoFocus);
        // A click on the display or the frame runs nothing.
        QTest::mouseClick(Harness::label(form, "Label1"), Qt::LeftButton);
        QTest::mouseDClick(qobject_cast<QWidget*>(Harness::control(form, "Frame1")),
                           Qt::LeftButton);
        QCOMPARE(test::stateOf(form), QStringLiteral("idle"));
        QCOMPARE(Harness::focused(form), QStringLiteral("Command1"));
    }

    // The notice typed, the timer keeps its period, and each tick still reads the memory figures.
    void theAboutTimerKeepsItsRhythmOnceTheNoticeIsTyped() {
        Harness h;
        h.startUp();
        h.withAbout([&](Form3& about) {
            forms::TimerControl* timer = Harness::timer(about);
            QTRY_COMPARE_WITH_TIMEOUT(about.Indice, std::int16_t{4}, 10000);
            const int queries = h.memory.queries;
            QTRY_VERIFY(h.memory.queries > queries + 2);
            QCOMPARE(timer->interval(), test::kTimerFloorMs);
        });
    }

    // A close box unloads its window once; the stopwatch's ends the program.
    void theCloseBoxUnloadsOnce() {
        Harness h;
        Form1& form = h.startUp();
        QPointer<QWidget> about;
        h.withAbout([&](Form3& window) {
            about = window.window();
            QCOMPARE(Harness::windowsShown(), 2);
            about->close();
            QVERIFY(!window.isVisible());
        });
        QCOMPARE(Harness::windowsShown(), 1);
        QTRY_VERIFY(about.isNull());
        // The stopwatch takes input again.
        Harness::altKey(form, Qt::Key_V);
        QCOMPARE(test::stateOf(form), QStringLiteral("counting"));

        QPointer<QWidget> window = form.window();
        window->close();
        QVERIFY(!form.isVisible());
        QCOMPARE(Harness::windowsShown(), 0);
    }

    void theLayerSpeaksItalian() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                 QStringLiteral("Annulla"));
    }
};

QTEST_MAIN(TestWindowLayer)
#include "tst_window_layer.moc"
