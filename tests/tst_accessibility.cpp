// What a screen reader hears of both windows, through Qt's accessibility interfaces.
#include "tests/support/harness.h"

#include <QAccessible>
#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QString name(QObject* object) {
    return accessible(object)->text(QAccessible::Name);
}

bool showing(QObject* object) {
    return !accessible(object)->state().invisible;
}

// The id by which readers know the object: a new one is a new object to them.
QAccessible::Id id(QObject* object) {
    return QAccessible::uniqueId(accessible(object));
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::initialiseLayer(); }

    void theStopwatchIsReadAsShown() {
        Harness h{test::quietTimers};
        Form1& form = h.startUp();
        QAccessibleInterface* window = accessible(form.window());
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Vantelsiro"));
        QCOMPARE(window->role(), QAccessible::Window);

        const std::pair<const char*, const char*> buttons[] = {
            {"Command1", "Via"},    {"Command2", "Stop"},   {"Command3", "Pausa"},
            {"Command4", "Rileva"}, {"Command5", "Azzera"}, {"Command6", "Informazioni su..."},
        };
        for (const auto& [control, heard] : buttons) {
            QAccessibleInterface* button = accessible(form.control(control));
            QCOMPARE(button->role(), QAccessible::Button);
            QCOMPARE(button->text(QAccessible::Name), QString::fromUtf8(heard));
        }
        QVERIFY(accessible(form.control("Command1"))->state().focused);
        QVERIFY(accessible(form.control("Command2"))->state().disabled);
        QVERIFY(!accessible(form.control("Command1"))->state().disabled);

        QAccessibleInterface* display = accessible(form.control("Label1"));
        QCOMPARE(display->role(), QAccessible::StaticText);
        QCOMPARE(display->text(QAccessible::Name), QStringLiteral("00:00:00"));

        // After a start the reader hears the new state.
        Harness::click(form, "Command1");
        h.clock.advance(4);
        Harness::tick(form);
        QCOMPARE(name(form.control("Label1")), QStringLiteral("00:00:04"));
        QCOMPARE(name(form.control("Label2")), QStringLiteral("Conteggio..."));
        QVERIFY(accessible(form.control("Command3"))->state().focused);
        QVERIFY(accessible(form.control("Command1"))->state().disabled);
        Harness::click(form, "Command3");
        QCOMPARE(name(form.control("Command3")), QStringLiteral("Riprendi"));
    }

    // The frame is the status bar: read as it is now, and it labels the buttons, so the focus
    // arriving on one says the time and the state.
    void theStatusBarReadsTheTimeAndTheState() {
        Harness h{test::quietTimers};
        Form1& form = h.startUp();
        QAccessibleInterface* bar = accessible(form.control("Frame1"));
        QCOMPARE(bar->role(), QAccessible::StatusBar);
        const auto readout = [bar] { return bar->textInterface()->text(0, -1); };
        QCOMPARE(readout(), QStringLiteral("00:00:00 Inattivo"));
        Harness::altKey(form, Qt::Key_V);
        h.clock.advance(3);
        Harness::tick(form);
        QCOMPARE(readout(), QStringLiteral("00:00:03 Conteggio..."));
        const auto labels = accessible(form.control("Command3"))->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first, bar);
        Harness::altKey(form, Qt::Key_I);
        h.clock.advance(2);
        Harness::tick(form);
        QCOMPARE(readout(), QStringLiteral("00:00:03 Rilevamento"));
    }

    // Readers stay silent when the focus "arrives" where it already is, and Qt's name-change event
    // does not carry the new caption: a button that keeps the focus through a change of caption
    // is announced as a new object, focused, with its new name. (On offscreen Qt's accessibility
    // is never active, so the events themselves are not seen here; tests/system/orca.sh hears
    // them.)
    void aCaptionChangedUnderTheFocusIsAnnouncedAgain() {
        Harness h{test::quietTimers};
        Form1& form = h.startUp();
        QObject* pause = form.control("Command3");
        QObject* reading = form.control("Command4");
        const QAccessible::Id started = id(pause);
        Harness::altKey(form, Qt::Key_V);
        QCoreApplication::processEvents();
        QCOMPARE(id(pause), started); // the focus moved there: Qt announces it
        for (const char* heard : {"Riprendi", "Pausa"}) {
            const QAccessible::Id before = id(pause);
            Harness::altKey(form, heard == QLatin1String("Pausa") ? Qt::Key_R : Qt::Key_P);
            QCoreApplication::processEvents();
            QVERIFY(id(pause) != before);
            QCOMPARE(name(pause), QString::fromLatin1(heard));
            QVERIFY(accessible(pause)->state().focused);
        }
        Harness::altKey(form, Qt::Key_I);
        const QAccessible::Id ok = id(reading);
        Harness::key(form, Qt::Key_Return); // the caption changes as the focus leaves
        QCoreApplication::processEvents();
        QCOMPARE(id(reading), ok);
    }

    // The memory panel lies below the window until "&Memoria" grows it.
    void controlsOutsideTheWindowAreNotShowing() {
        Harness h{test::quietTimers};
        h.startUp();
        h.withAbout([&](Form3& about) {
            const char* panel[] = {"Label3", "Image2", "Label4", "Label8"};
            for (const char* control : panel)
                QVERIFY2(!showing(about.control(control)), control);
            QVERIFY(showing(about.control("Label5")));
            QVERIFY(showing(about.control("Command1")));
            const QAccessible::Id hidden = id(about.control("Label3"));
            Harness::altKey(about, Qt::Key_M);
            for (const char* control : panel)
                QVERIFY2(showing(about.control(control)), control);
            // Renewed, so that readers read its states afresh.
            QVERIFY(id(about.control("Label3")) != hidden);
        });
    }

    void theAboutWindowIsReadAsShown() {
        Harness h{test::quietTimers};
        h.startUp();
        h.withAbout([&](Form3& about) {
            QAccessibleInterface* window = accessible(about.window());
            QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Informazioni su..."));
            QCOMPARE(window->role(), QAccessible::Dialog);
            QCOMPARE(name(about.control("Command1")), QStringLiteral("OK"));
            QCOMPARE(name(about.control("Command2")), QStringLiteral("Crediti"));
            QCOMPARE(name(about.control("Command3")), QStringLiteral("Memoria"));
            QVERIFY(accessible(about.control("Command1"))->state().focused);
            QCOMPARE(name(about.control("Label1", 0)), QStringLiteral("Vantelsiro"));
            QCOMPARE(name(about.control("Label2")), QStringLiteral("Preciso al secondo"));
            Harness::tick(about, 3);
            QCOMPARE(name(about.control("Label1", 1)), QStringLiteral("Que"));
            Harness::altKey(about, Qt::Key_M);
            QVERIFY(accessible(about.control("Command3"))->state().disabled);
            QVERIFY(name(about.control("Label3")).startsWith(u" Memoria fisica totale:  "));
        });
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
