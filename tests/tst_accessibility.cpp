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
