// What a screen reader hears of both windows, through Qt's accessibility interfaces.
#include "tests/support/harness.h"

#include <QAccessible>
#include <QTest>

#include "forms/screen_reader/notices.h"

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

// A designed state's status line, as tests/support/design.json gives it.
QString status(const char* state) {
    return test::designedStopwatch().state(QLatin1String(state)).status;
}

// What a reader is told after each action: the words of every notice shown, in order.
class Told : public QObject {
public:
    Told() { qApp->installEventFilter(this); }
    QStringList heard;
    QPointer<QWidget> last; // the last notice shown
    bool eventFilter(QObject* object, QEvent* event) override {
        if (auto* notice = qobject_cast<forms::accessibility::NoticeWidget*>(object);
            notice != nullptr && event->type() == QEvent::Show) {
            heard << notice->words->text();
            last = notice;
        }
        return false;
    }
};

// The controls whose changes reach a reader, by name: the layer hands on to this handler what it
// lets through.
QStringList reached;
void reach(QAccessibleEvent* event) {
    reached << event->object()->objectName();
}

// Each control's name changed, as the layer's handler hears of it (offscreen, Qt itself sends
// nothing: no reader listens); what it lets through.
QStringList letThrough(QWidget& window, const QStringList& controls) {
    const QAccessible::UpdateHandler layer = QAccessible::installUpdateHandler(nullptr);
    QAccessible::installUpdateHandler(layer);
    reached.clear();
    for (const QString& control : controls) {
        QAccessibleEvent changed(Harness::control(window, qPrintable(control)),
                                 QAccessible::NameChanged);
        layer(&changed);
    }
    return reached;
}

} // namespace

class TestAccessibility : public test::StartedSuite {
    Q_OBJECT

private slots:
    // Before the windows' layer is set up: what it tells goes on to this handler.
    void initTestCase() { QAccessible::installUpdateHandler(reach); }

    void theStopwatchIsReadAsShown() {
        Form1& form = h->app.form1();
        QAccessibleInterface* window = accessible(form.window());
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Vantelsiro"));
        QCOMPARE(window->role(), QAccessible::Window);
        // Minimised, as a taskbar shows it, it keeps its name.
        form.window()->setWindowState(Qt::WindowMinimized);
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Vantelsiro"));
        form.window()->setWindowState(Qt::WindowNoState);

        // A button is heard by its designed caption, without the access-key marker; the
        // information button, which has none, by its tooltip.
        const test::DesignedWindow& design = test::designedStopwatch();
        for (const QString& control : design.tabOrder) {
            QAccessibleInterface* button = accessible(Harness::control(form, qPrintable(control)));
            QCOMPARE(button->role(), QAccessible::Button);
            const QString caption = QString(design.captions[control]).remove(u'&');
            QCOMPARE(button->text(QAccessible::Name),
                     caption.isEmpty() ? u"Informazioni su..."_qs : caption);
        }
        QAccessibleInterface* start = accessible(Harness::control(form, "Command1"));
        QVERIFY(start->state().focused && !start->state().disabled);
        // The focused button is named alone: no label brings the time in, and no button claims
        // to be the default one, as none is.
        QVERIFY(start->relations(QAccessible::Label).isEmpty() && !start->state().defaultButton);
        QVERIFY(accessible(Harness::control(form, "Command2"))->state().disabled);

        QAccessibleInterface* display = accessible(Harness::control(form, "Label1"));
        QCOMPARE(display->role(), QAccessible::StaticText);
        QCOMPARE(display->text(QAccessible::Name), QStringLiteral("00:00:00"));
        // Read, not marked read-only: a braille display would show it after every word.
        QVERIFY(!display->state().readOnly);
    }

    // After each action the reader is told once what changed, the time as the display shows it
    // once the timer has ticked; a button renamed under the focus stays the same object, which a
    // client holding it reads with its new name. (Qt's bridge is not active on offscreen: the
    // events themselves are heard in tests/system/orca.sh.)
    void eachActionIsToldOnceByObjectsThatStay() {
        Form1& form = h->app.form1();
        Told told;
        // The frame is the status bar: a reader's "read the status bar" speaks its labels as they
        // are now.
        QAccessibleInterface* bar = accessible(Harness::control(form, "Frame1"));
        QCOMPARE(bar->role(), QAccessible::StatusBar);
        const auto readout = [bar] {
            QStringList said;
            for (int i = 0; i < bar->childCount(); ++i)
                said << bar->child(i)->text(QAccessible::Name);
            return said.join(u' ');
        };
        QAccessibleInterface* pause = accessible(Harness::control(form, "Command3"));
        QList<QAccessible::Id> ids;
        for (int i = 1; i <= 6; ++i)
            ids << id(Harness::control(form, qPrintable(u"Command%1"_qs.arg(i))));
        const struct {
            Qt::Key key;
            int seconds; // the clock's advance and a tick before the key; a tick follows it
            // Heard: the display as it now reads, the status line, and the name of a button
            // renamed under the focus.
            const char* state;
            const char* renamed;
        } actions[] = {
            {Qt::Key_V, 0, "counting", ""},      {Qt::Key_P, 3, "paused", "Riprendi"},
            {Qt::Key_R, 5, "counting", "Pausa"}, {Qt::Key_I, 2, "reading", ""},
            {Qt::Key_Return, 4, "counting", ""}, {Qt::Key_S, 1, "idle", ""},
            {Qt::Key_A, 0, "idle", ""},
        };
        for (const auto& action : actions) {
            told.heard.clear();
            h->clock.advance(action.seconds);
            Harness::tick(form);
            if (action.key == Qt::Key_Return)
                Harness::key(form, action.key);
            else
                Harness::altKey(form, action.key);
            Harness::tick(form);
            const QString shown =
                Harness::label(form, "Label1")->text() + u' ' + status(action.state);
            const QString heard =
                shown +
                (*action.renamed ? u", pulsante "_qs + QLatin1String(action.renamed) : QString());
            QTRY_COMPARE(told.heard, QStringList{heard});
            // Said in the status bar, which reads as before: the time and the state.
            QCOMPARE(accessible(told.last)->parent(), bar);
            QCOMPARE(readout(), shown);
            // The client that holds "&Pausa" reads it renamed, focused and enabled.
            QVERIFY(action.key != Qt::Key_P ||
                    (pause->text(QAccessible::Name) == u"Riprendi" && pause->state().focused &&
                     !pause->state().disabled));
            // During a reading, "OK" says what it does.
            QCOMPARE(accessible(Harness::control(form, "Command4"))->text(QAccessible::Description),
                     action.key == Qt::Key_I ? u"Termina il rilevamento."_qs : QString());
        }
        // Ticks alone, and Tab, tell nothing.
        told.heard.clear();
        Harness::altKey(form, Qt::Key_V);
        QTRY_COMPARE(told.heard.size(), 1);
        h->clock.advance(2);
        Harness::tick(form, 3);
        Harness::key(form, Qt::Key_Tab);
        QTest::qWait(3 * forms::accessibility::kNoticeDelayMs);
        QCOMPARE(told.heard.size(), 1);
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(id(Harness::control(form, qPrintable(u"Command%1"_qs.arg(i)))), ids[i - 1]);
        // What was told is taken away: a later review of the window reads no old time.
        QTRY_VERIFY_WITH_TIMEOUT(!told.last->isVisible(), 2 * forms::accessibility::kNoticeShownMs);
    }

    // The About window is read as shown. Its memory panel lies below the window, out of its tree,
    // until "&Memoria" grows it: then the same objects join the tree and the reader is told the
    // figures.
    void theAboutWindowIsReadAsShown() {
        h->memory.status = {8'192, 4'096, 2'048};
        Told told;
        h->withAbout([&](Form3& about) {
            QAccessibleInterface* window = accessible(about.window());
            QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Informazioni su..."));
            QCOMPARE(window->role(), QAccessible::Dialog);
            QCOMPARE(window->text(QAccessible::Description),
                     QStringLiteral("Vantelsiro, versione 1"));
            for (const QString& control : test::designedAbout().tabOrder)
                QCOMPARE(name(Harness::control(about, qPrintable(control))),
                         QString(test::designedAbout().captions[control]).remove(u'&'));
            QVERIFY(accessible(Harness::control(about, "Command1"))->state().focused);
            QCOMPARE(name(Harness::control(about, "Label1", 0)), QStringLiteral("Vantelsiro"));
            QCOMPARE(name(Harness::control(about, "Label2")), QStringLiteral("Preciso al secondo"));
            const char* panel[] = {"Label3", "Image2", "Label4", "Label8"};
            for (const char* control : panel) {
                QVERIFY2(!showing(Harness::control(about, control)), control);
                QCOMPARE(window->indexOfChild(accessible(Harness::control(about, control))), -1);
            }
            QVERIFY(showing(Harness::control(about, "Label5")));
            const QAccessible::Id hidden = id(Harness::control(about, "Label3"));
            Harness::tick(about, 3);
            QCOMPARE(name(Harness::control(about, "Label1", 1)), QStringLiteral("Que"));
            // The figures, rewritten on every tick out of sight, reach no reader until shown.
            const QStringList figures{"Label3", "Label4", "Label8"};
            QCOMPARE(letThrough(about, QStringList{"Label2"} + figures), QStringList{"Label2"});
            Harness::altKey(about, Qt::Key_M);
            QCOMPARE(letThrough(about, figures), figures);
            for (const char* control : panel)
                QVERIFY2(showing(Harness::control(about, control)), control);
            QVERIFY(window->indexOfChild(accessible(Harness::control(about, "Label3"))) >= 0);
            QCOMPARE(id(Harness::control(about, "Label3")), hidden);
            QTRY_COMPARE(told.heard, QStringList{u"Memoria fisica totale:  8,192 bytes, "
                                                 u"Memoria fisica disponibile:  4,096 bytes, "
                                                 u"Memoria virtuale disponibile: 2,048 bytes"_qs});
            // Told in the main window's status bar: a reader reads a dialog whole before a notice
            // in it.
            QCOMPARE(accessible(told.last)->parent(),
                     accessible(Harness::control(h->app.form1(), "Frame1")));
        });
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
