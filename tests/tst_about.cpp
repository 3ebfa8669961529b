// The About window as a user meets it: the typed notice, the memory panel, the help viewer, and
// the modal window's life from opening to closing.
#include "tests/support/harness.h"

#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

const QString line1 =
    QStringLiteral(u"Questo programma \u00e8 gratuito: \u00e8 lecito copiarlo e diffonderlo.");
const QString line2 = QStringLiteral(u"Non \u00e8 data alcuna garanzia sul suo funzionamento.");
const QString line3 = QStringLiteral("Creato da");
const QString helpCommand = QStringLiteral("winhlp32.exe -I Hlp_Informazioni_suxxx -W HlpWnd02");

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

    QLabel* line(Form3& about, int index) { return Harness::label(about, "Label1", index); }

private slots:
    void initTestCase() { test::initialiseLayer(); }
    void init() {
        h = std::make_unique<Harness>(test::quietTimers);
        h->startUp();
    }
    void cleanup() {
        QLocale::setDefault(QLocale::c());
        h.reset();
    }

    void opensModalCentredAndAsDesigned() {
        QVERIFY(!h->app.hasForm3());
        bool ran = false;
        h->withAbout([&](Form3& about) {
            ran = true;
            QWidget* window = about.window();
            QCOMPARE(window->windowTitle(), QStringLiteral("Informazioni su..."));
            QVERIFY(window->isModal());
            QCOMPARE(window->size(), QSize(322, 205));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            const QPoint offCentre =
                window->frameGeometry().center() - window->screen()->availableGeometry().center();
            QVERIFY2(offCentre.manhattanLength() <= 4, "not centred on the screen");

            // The memory panel lies below the first visible area.
            for (const char* name : {"Label3", "Label4", "Label8", "Image2"})
                QVERIFY(qobject_cast<QWidget*>(about.control(name))->y() >= window->height());
            QCOMPARE(Harness::label(about, "Label3")->text(), QStringLiteral("Label2"));
            QCOMPARE(Harness::label(about, "Label1", 0)->text(), QStringLiteral("Vantelsiro"));
            QCOMPARE(Harness::label(about, "Label1", 0)->font().pixelSize(), 19);
            QCOMPARE(textColour(Harness::label(about, "Label7")), QColor(Qt::white));
            QCOMPARE(textColour(Harness::label(about, "Label5")), QColor(Qt::white));
            QVERIFY(!window->windowIcon().isNull());
            const auto* chip = Harness::label(about, "Image2");
            QCOMPARE(chip->pixmap().size(), QSize(32, 32));
        });
        QVERIFY(ran);
        QVERIFY(h->app.hasForm3());
        QVERIFY(!h->app.form3().isLoaded());
    }

    void typesTheNoticeOneCharacterPerTick() {
        h->withAbout([&](Form3& about) {
            const QColor initial = textColour(line(about, 1));
            QVERIFY(line(about, 1)->text().isEmpty());
            Harness::tick(about);
            QCOMPARE(line(about, 1)->text(), QStringLiteral("Q"));
            Harness::tick(about, 60);
            QCOMPARE(line(about, 1)->text(), line1);
            QCOMPARE(textColour(line(about, 1)), initial);
            Harness::tick(about); // 62: the first line is done
            QCOMPARE(line(about, 1)->text(), line1);
            QCOMPARE(textColour(line(about, 1)), QColor(Qt::white));
            QCOMPARE(about.Indice, std::int16_t{2});
            QVERIFY(line(about, 2)->text().isEmpty());
            Harness::tick(about, 49); // 111
            QCOMPARE(line(about, 2)->text(), line2);
            QCOMPARE(textColour(line(about, 2)), initial);
            Harness::tick(about); // 112
            QCOMPARE(textColour(line(about, 2)), QColor(Qt::white));
            Harness::tick(about, 9); // 121
            QCOMPARE(line(about, 3)->text(), line3);
            QCOMPARE(textColour(line(about, 3)), initial);
            Harness::tick(about); // 122
            QCOMPARE(textColour(line(about, 3)), QColor(Qt::white));
            QCOMPARE(about.Indice, std::int16_t{4});
            for (int i = 0; i < 5; ++i) {
                Harness::tick(about);
                QCOMPARE(about.Sc, std::int16_t{123});
            }
            QCOMPARE(line(about, 1)->text(), line1);
            QCOMPARE(line(about, 2)->text(), line2);
            QCOMPARE(line(about, 3)->text(), line3);
            QCOMPARE(about.Indice, std::int16_t{4});
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
            Harness::altKey(about, Qt::Key_M);
            QCOMPARE(about.window()->height(), 270);
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
    void memoryFigures() {
        QFETCH(QLocale, locale);
        QFETCH(QList<quint64>, figures);
        QFETCH(QStringList, shown);
        QLocale::setDefault(locale);
        h->memory.status = {figures[0], figures[1], figures[2]};
        h->withAbout([&](Form3& about) {
            Harness::tick(about);
            QCOMPARE(Harness::label(about, "Label3")->text(),
                     " Memoria fisica totale:  " + shown[0] + " bytes");
            QCOMPARE(Harness::label(about, "Label4")->text(),
                     " Memoria fisica disponibile:  " + shown[1] + " bytes");
            QCOMPARE(Harness::label(about, "Label8")->text(),
                     " Memoria virtuale disponibile: " + shown[2] + " bytes");
        });
    }

    // The same figures in another locale are written anew, with that locale's grouping.
    void memoryFiguresFollowTheLocale() {
        h->memory.status = {5000, 6000, 7000};
        h->withAbout([&](Form3& about) {
            Harness::tick(about);
            QCOMPARE(Harness::label(about, "Label4")->text(),
                     QStringLiteral(" Memoria fisica disponibile:  6,000 bytes"));
            QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
            Harness::tick(about);
            QCOMPARE(Harness::label(about, "Label3")->text(),
                     QStringLiteral(" Memoria fisica totale:  5.000 bytes"));
            QCOMPARE(Harness::label(about, "Label4")->text(),
                     QStringLiteral(" Memoria fisica disponibile:  6.000 bytes"));
            QCOMPARE(Harness::label(about, "Label8")->text(),
                     QStringLiteral(" Memoria virtuale disponibile: 7.000 bytes"));
        });
    }

    void memoryIsReadOnEveryTick() {
        h->memory.status = {1000, 2000, 3000};
        h->withAbout([&](Form3& about) {
            const int before = h->memory.queries;
            Harness::tick(about);
            Harness::tick(about, 200); // typing is long over: the figures still refresh
            QCOMPARE(h->memory.queries - before, 201);
            h->memory.status = {5000, 6000, 7000};
            Harness::tick(about);
            QCOMPARE(Harness::label(about, "Label3")->text(),
                     QStringLiteral(" Memoria fisica totale:  5,000 bytes"));
        });
    }

    void memoriaEnlargesOnce() {
        h->withAbout([&](Form3& about) {
            QWidget* window = about.window();
            const int top = window->geometry().top();
            Harness::altKey(about, Qt::Key_M);
            QCOMPARE(window->size(), QSize(322, 270)); // 4050 twips
            QCOMPARE(window->geometry().top(), top);
            QVERIFY(!Harness::button(about, "Command3")->isEnabled());
            for (const char* name : {"Label3", "Label4", "Label8", "Image2"}) {
                const auto* widget = qobject_cast<QWidget*>(about.control(name));
                QVERIFY(widget->geometry().bottom() < window->height());
            }
            Harness::altKey(about, Qt::Key_M);
            QCOMPARE(window->size(), QSize(322, 270));
        });
    }

    // "OK" and Esc are among every path to every button; the close box is the window's own.
    void theCloseBoxUnloadsOnce() {
        QPointer<QWidget> window;
        h->withAbout([&](Form3& about) {
            window = about.window();
            QCOMPARE(h->app.context().loadedWindows(), 2);
            window->close();
            QVERIFY(!about.isLoaded());
        });
        QCOMPARE(h->app.context().loadedWindows(), 1);
        QCOMPARE(h->allUnloaded, 0);
        QTRY_VERIFY(window.isNull());
        // The stopwatch takes input again.
        Harness::altKey(h->app.form1(), Qt::Key_V);
        QCOMPARE(test::stateOf(h->app.form1()), QStringLiteral("counting"));
    }

    void crediti_data() {
        QTest::addColumn<bool>("fails");
        QTest::newRow("viewer present") << false;
        QTest::newRow("viewer missing") << true;
    }
    void crediti() {
        QFETCH(bool, fails);
        h->launcher.fail = fails;
        h->withAbout([&](Form3& about) {
            Harness::altKey(about, Qt::Key_C);
            Harness::click(about, "Command2");
            QCOMPARE(h->launcher.calls.size(), std::size_t{2});
            for (const auto& call : h->launcher.calls) {
                QCOMPARE(call.commandLine, helpCommand);
                QCOMPARE(call.windowStyle, 1);
            }
            QCOMPARE(h->msgBox.shown.size(), std::size_t{fails ? 2u : 0u});
            for (const auto& box : h->msgBox.shown) {
                QCOMPARE(box.prompt,
                         QStringLiteral("Impossibile trovare Winhlp32.exe; controllare di averlo "
                                        "installato assieme a Windows e di non averlo rimosso!"));
                QCOMPARE(box.style, 16);
                QCOMPARE(box.title, QStringLiteral("Appunti"));
            }
            QVERIFY(about.isLoaded());
            QVERIFY(about.window()->isVisible());
        });
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
