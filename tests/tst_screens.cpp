// Each window in each of its designed states, drawn as a person sees it and held against a
// reference picture in tests/reference/. A picture that differs is written into the build tree
// beside a picture of the differences, for a person to look at. VELTI_UPDATE_REFERENCES=1 (the
// update-references target) writes the references afresh after an intended change.
#include "tests/support/harness.h"

#include <QDir>
#include <QImage>
#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

// Antialiased edges may move a little between builds of the font renderer; anything a person
// would notice moves far more.
constexpr int kChannelTolerance = 40;
constexpr int kStrayPixels = 4;

QString referencePath(const QString& name) {
    return QStringLiteral(VELTI_SOURCE_DIR "/tests/reference/%1.png").arg(name);
}

// A picture of the differences: the reference faded, every pixel beyond the tolerance in red.
QImage differenceImage(const QImage& actual, const QImage& reference, int* beyond) {
    QImage diff(actual.size(), QImage::Format_RGB32);
    *beyond = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), r = reference.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(r)), std::abs(qGreen(a) - qGreen(r)),
                                    std::abs(qBlue(a) - qBlue(r))});
            if (d > kChannelTolerance) {
                ++*beyond;
                diff.setPixel(x, y, qRgb(255, 0, 0));
            } else {
                const int g = 160 + qGray(r) * 95 / 255;
                diff.setPixel(x, y, qRgb(g, g, g));
            }
        }
    return diff;
}

void compareWithReference(QWidget* window, const QString& name) {
    const QImage actual = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(!actual.isNull());
    if (qEnvironmentVariableIntValue("VELTI_UPDATE_REFERENCES") == 1) {
        QVERIFY(actual.save(referencePath(name)));
        qInfo("written %s", qPrintable(referencePath(name)));
        return;
    }
    const QImage reference = QImage(referencePath(name)).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!reference.isNull(), qPrintable("no reference picture " + referencePath(name)));
    int beyond = -1; // a size of its own
    const QImage diff =
        actual.size() == reference.size() ? differenceImage(actual, reference, &beyond) : QImage();
    if (beyond < 0 || beyond > kStrayPixels) {
        const QDir out(QStringLiteral(VELTI_SCREENS_DIR));
        QVERIFY(out.mkpath(QStringLiteral(".")));
        const QString actualPath = out.filePath(name + QStringLiteral("-actual.png"));
        const QString diffPath = out.filePath(name + QStringLiteral("-diff.png"));
        actual.save(actualPath);
        diff.save(diffPath);
        QFAIL(qPrintable(u"%1 differs from the reference: %2 pixels beyond the tolerance (-1: not "
                         u"of its size); see %3 and %4"_qs.arg(name)
                             .arg(beyond)
                             .arg(actualPath, diffPath)));
    }
}

} // namespace

class TestScreens : public test::StartedSuite {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The figures are grouped as an Italian user sees.
        locale = QLocale(QLocale::Italian, QLocale::Italy);
        QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("Liberation Sans"));
    }

    // Driven by access keys only, so no button is drawn under the mouse.
    void stopwatch_data() {
        QTest::addColumn<QString>("state");
        for (const char* state : {"idle", "counting", "paused", "reading"})
            QTest::newRow(state) << QString::fromLatin1(state);
    }
    void stopwatch() {
        QFETCH(QString, state);
        Form1& form = h->app.form1();
        if (state != u"idle") {
            Harness::altKey(form, Qt::Key_V);
            h->clock.advance(3723);
            Harness::tick(form);
            QCOMPARE(Harness::label(form, "Label1")->text(), QStringLiteral("01:02:03"));
        }
        if (state == u"paused")
            Harness::altKey(form, Qt::Key_P);
        if (state == u"reading")
            Harness::altKey(form, Qt::Key_I);
        // An access key shows its button pressed for a tenth of a second after the click; the
        // picture is of the state the click left, once that has passed.
        QTest::qWait(150);
        compareWithReference(form.window(), "stopwatch-" + state);
    }

    void about_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("ticks");
        QTest::newRow("40 ticks") << "typing" << 40;
        QTest::newRow("typed") << "typed" << 130;
        QTest::newRow("enlarged") << "enlarged" << 130;
    }
    void about() {
        QFETCH(QString, state);
        QFETCH(int, ticks);
        h->memory.status = {8'254'132'224, 3'120'562'176, 140'737'488'355'328};
        h->withAbout([&](Form3& about) {
            Harness::tick(about, ticks);
            if (state == u"enlarged")
                Harness::altKey(about, Qt::Key_M);
            compareWithReference(about.window(), "about-" + state);
        });
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
