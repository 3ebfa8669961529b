// The About window as a user meets it: the typed notice and the memory panel. (The help viewer:
// tst_faults; every path to every button: tst_desktop; the close box: tst_window_layer.)
#include "tests/support/harness.h"

#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

const QString line1 =
    QStringLiteral(u"Questo programma \u00e8 gratuito: \u00e8 lecito copiarlo e diffonderlo.");
const QString line2 = QStringLiteral(u"Non \u00e8 data alcuna garanzia sul suo funzionamento.");
const QString line3 = QStringLiteral("Creato da");

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestAbout : public test::StartedSuite {
    Q_OBJECT

    QLabel* line(Form3& about, int index) { return Harness::label(about, "Label1", index); }

private slots:
    // Its title, modality and place: tst_accessibility and tst_desktop.
    void opensAsDesigned() {
        QVERIFY(h->about() == nullptr);
        h->withAbout([&](Form3& about) {
            QWidget* window = about.window();
            QCOMPARE(window->size(), QSize(322, 205));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            // The memory panel lies below the first visible area.
            for (const char* name : {"Label3", "Label4", "Label8", "Image2"})
                QVERIFY(qobject_cast<QWidget*>(Harness::control(about, name))->y() >=
                        window->height());
            QCOMPARE(Harness::label(about, "Label1", 0)->font().pixelSize(), 19);
            QCOMPARE(textColour(Harness::label(about, "Label7")), QColor(Qt::white));
            QCOMPARE(textColour(Harness::label(about, "Label5")), QColor(Qt::white));
            QVERIFY(!window->windowIcon().isNull());
            const auto* chip = Harness::label(about, "Image2");
            QCOMPARE(chip->pixmap().size(), QSize(32, 32));
        });
        QVERIFY(h->about() == nullptr);
    }

    void typesTheNoticeOneCharacterPerTick() {
        h->withAbout([&](Form3& about) {
            const QColor initial = textColour(line(about, 1));
            const struct {
                int ticks; // in all
                QString lines[3];
                int done; // lines finished, and white
            } typing[] = {
                {0, {"", "", ""}, 0},
                {1, {"Q", "", ""}, 0},
                {61, {line1, "", ""}, 0},
                {62, {line1, "", ""}, 1},
                {111, {line1, line2, ""}, 1},
                {112, {line1, line2, ""}, 2},
                {121, {line1, line2, line3}, 2},
                {122, {line1, line2, line3}, 3},
                {123, {line1, line2, line3}, 3},
                {127, {line1, line2, line3}, 3},
            };
            int ticked = 0;
            for (const auto& seen : typing) {
                Harness::tick(about, seen.ticks - ticked);
                ticked = seen.ticks;
                for (int i = 1; i <= 3; ++i) {
                    QCOMPARE(line(about, i)->text(), seen.lines[i - 1]);
                    QCOMPARE(textColour(line(about, i)),
                             i <= seen.done ? QColor(Qt::white) : initial);
                }
                QCOMPARE(about.Indice, std::int16_t(1 + seen.done));
                // Typing over, the count stays just past the end.
                QCOMPARE(about.Sc, std::int16_t(std::min(seen.ticks, 123)));
            }
            QCOMPARE(line(about, 0)->text(), QStringLiteral("Vantelsiro"));
            QVERIFY(textColour(line(about, 0)) != QColor(Qt::white));
            QVERIFY(h->msgBox.shown.empty());
        });
    }

    void aReopenedWindowStartsAfresh() {
        QColor initial;
        h->withAbout([&](Form3& about) {
            initial = textColour(line(about, 2));
            Harness::tick(about, 80);
            // "&Memoria" grows the window once (4050 twips), its top edge where it was.
            const int top = about.window()->geometry().top();
            Harness::altKey(about, Qt::Key_M);
            Harness::altKey(about, Qt::Key_M);
            QCOMPARE(about.window()->size(), QSize(322, 270));
            QCOMPARE(about.window()->geometry().top(), top);
        });
        h->withAbout([&](Form3& about) {
            QCOMPARE(about.window()->height(), 205);
            QVERIFY(Harness::button(about, "Command3")->isEnabled());
            for (int i = 1; i <= 3; ++i) {
                QVERIFY(line(about, i)->text().isEmpty());
                QCOMPARE(textColour(line(about, i)), initial);
            }
            QCOMPARE(Harness::label(about, "Label4")->text(), QStringLiteral("Label4"));
            QCOMPARE(about.Sc, std::int16_t{0});
            Harness::tick(about);
            QCOMPARE(line(about, 1)->text(), QStringLiteral("Q"));
        });
    }

    void memoryFigures_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QList<quint64>>("figures"); // total, available, virtual
        QTest::addColumn<QStringList>("shown");
        const QLocale italian(QLocale::Italian, QLocale::Italy);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        // Three different figures in every row, so no label can show another's.
        QTest::newRow("zero") << italian << QList<quint64>{0, 5, 12345678}
                              << QStringList{"", "5", "12.345.678"};
        QTest::newRow("32-bit top, Italian") << italian << QList<quint64>{4294967295, 1000, 999999}
                                             << QStringList{"4.294.967.295", "1.000", "999.999"};
        QTest::newRow("32-bit top, English")
            << english << QList<quint64>{65536, 4294967295, 1234567}
            << QStringList{"65,536", "4,294,967,295", "1,234,567"};
        QTest::newRow("beyond 32 bits")
            << italian << QList<quint64>{68719476736, 3, 140737488351232}
            << QStringList{"68.719.476.736", "3", "140.737.488.351.232"};
    }
    // Each tick writes the figures afresh: in the row's locale once it is set, with no other
    // change.
    void memoryFigures() {
        QFETCH(QLocale, locale);
        QFETCH(QList<quint64>, figures);
        QFETCH(QStringList, shown);
        h->memory.status = {figures[0], figures[1], figures[2]};
        h->withAbout([&](Form3& about) {
            Harness::tick(about);
            QLocale::setDefault(locale);
            Harness::tick(about);
            QCOMPARE(Harness::label(about, "Label3")->text(),
                     " Memoria fisica totale:  " + shown[0] + " bytes");
            QCOMPARE(Harness::label(about, "Label4")->text(),
                     " Memoria fisica disponibile:  " + shown[1] + " bytes");
            QCOMPARE(Harness::label(about, "Label8")->text(),
                     " Memoria virtuale disponibile: " + shown[2] + " bytes");
        });
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
