// What a person meets on a real desktop: fast keys and clicks that never run a disabled button,
// a focus that moves once per press, and memory lines that always show whole.
#include "tests/support/harness.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <functional>
#include <tuple>

using namespace velti;
using velti::test::Harness;

namespace {

using State = test::StopwatchState;
using test::designedStates;

// Why the window is in none of the designed states, or an empty text if it is in one.
QString strayState(Form1& form) {
    const QString status = Harness::label(form, "Label2")->text();
    const char* names[] = {"Command1", "Command2", "Command3", "Command4", "Command5"};
    for (const State& state : designedStates) {
        if (status != QLatin1String(state.status))
            continue;
        for (int i = 0; i < 5; ++i) {
            if (Harness::button(form, names[i])->isEnabled() != state.enabled[i])
                return QStringLiteral("%1 with %2 %3")
                    .arg(status, QLatin1String(names[i]),
                         state.enabled[i] ? "disabled" : "enabled");
        }
        if (Harness::button(form, "Command3")->text() != QLatin1String(state.pauseCaption) ||
            Harness::button(form, "Command4")->text() != QLatin1String(state.readingCaption))
            return status + QStringLiteral(" with captions ") +
                   Harness::button(form, "Command3")->text() + u' ' +
                   Harness::button(form, "Command4")->text();
        QWidget* focus = form.window()->focusWidget();
        if (focus != nullptr && !focus->isEnabled())
            return status + QStringLiteral(" with the focus on a disabled button");
        return {};
    }
    return QStringLiteral("unknown status ") + status;
}

bool displayIsSound(Form1& form) {
    static const QRegularExpression sound(QStringLiteral("^\\d{2,}:\\d{2}:\\d{2}$"));
    return sound.match(Harness::label(form, "Label1")->text()).hasMatch();
}

// One input as a user gives it, with nothing in between.
enum class Input { AltV, AltS, AltP, AltR, AltI, AltA, Space, Return, ClickPause };

void give(Form1& form, Input input) {
    QWindow* window = form.window()->windowHandle();
    switch (input) {
    case Input::AltV:
        return QTest::keyClick(window, Qt::Key_V, Qt::AltModifier);
    case Input::AltS:
        return QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
    case Input::AltP:
        return QTest::keyClick(window, Qt::Key_P, Qt::AltModifier);
    case Input::AltR:
        return QTest::keyClick(window, Qt::Key_R, Qt::AltModifier);
    case Input::AltI:
        return QTest::keyClick(window, Qt::Key_I, Qt::AltModifier);
    case Input::AltA:
        return QTest::keyClick(window, Qt::Key_A, Qt::AltModifier);
    case Input::Space:
        return QTest::keyClick(window, Qt::Key_Space);
    case Input::Return:
        return QTest::keyClick(window, Qt::Key_Return);
    case Input::ClickPause:
        return Harness::click(form, "Command3");
    }
}

// Counts the focus-in events that reach buttons: each one is a focus change a screen reader
// announces.
class FocusInCounter final : public QObject {
public:
    int count = 0;
    QStringList order;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && qobject_cast<QPushButton*>(watched) != nullptr) {
            ++count;
            order << watched->objectName();
        }
        return false;
    }
};

// The bounds of the caption's ink inside the label's border, in device pixels.
QRect inkBounds(const QImage& image, QRect inside, QRgb background) {
    QRect ink;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (qAbs(qGray(image.pixel(x, y)) - qGray(background)) > 60)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// Every path a person has to a button.
enum class Path { Mouse, AccessKey, TabSpace, TabReturn, Escape, Press, FocusSpace, QueuedClick };
const std::pair<Path, const char*> paths[] = {{Path::Mouse, "mouse"},
                                              {Path::AccessKey, "access key"},
                                              {Path::TabSpace, "Tab, Space"},
                                              {Path::TabReturn, "Tab, Return"},
                                              {Path::Escape, "Esc"},
                                              {Path::Press, "accessibility press"},
                                              {Path::FocusSpace, "accessibility focus, Space"},
                                              {Path::QueuedClick, "queued click"}};

// The access key of a caption, or 0.
Qt::Key accessKey(const QString& caption) {
    const qsizetype at = caption.indexOf(u'&');
    return at < 0 || at + 1 >= caption.size() ? Qt::Key(0)
                                              : Qt::Key(caption.at(at + 1).toUpper().unicode());
}

// Whether a path reaches the button at all; a path that does also takes the focus to it when a
// person's hand would (a click, Tab).
bool reaches(Path path, QPushButton* button) {
    switch (path) {
    case Path::AccessKey:
        return accessKey(button->text()) != 0;
    case Path::Escape:
        return qobject_cast<forms::ButtonControl*>(button)->cancel;
    default:
        return true;
    }
}
bool focuses(Path path) {
    return path == Path::Mouse || path == Path::TabSpace || path == Path::TabReturn ||
           path == Path::FocusSpace;
}

void send(forms::Form& form, const char* name, Path path) {
    QPushButton* button = Harness::button(form, name);
    switch (path) {
    case Path::Mouse:
        return Harness::click(form, name);
    case Path::AccessKey:
        return Harness::altKey(form, accessKey(button->text()));
    case Path::TabSpace:
    case Path::TabReturn:
        for (int i = 0; i < 8 && Harness::focused(form) != QLatin1String(name); ++i)
            Harness::key(form, Qt::Key_Tab);
        return Harness::key(form, path == Path::TabSpace ? Qt::Key_Space : Qt::Key_Return);
    case Path::Escape:
        return Harness::key(form, Qt::Key_Escape);
    case Path::Press: {
        // As Qt carries out an assistive technology's press: the click lands a moment later.
        QPointer<QPushButton> alive(button);
        QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        if (!QTest::qWaitFor([&] { return alive.isNull() || !alive->isDown(); }))
            QTest::qFail("the pressed button stayed down", __FILE__, __LINE__);
        return;
    }
    case Path::FocusSpace:
        // As Qt carries out an assistive technology's focus request; then a person's Space.
        QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
            QAccessibleActionInterface::setFocusAction());
        return Harness::key(form, Qt::Key_Space);
    case Path::QueuedClick:
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        return;
    }
}

// What a person sees of a window: each button's caption and whether it can be pressed, the
// status line, the focus, the round that Tab makes from it, and the height.
QString seen(forms::Form& form, bool tab = true) {
    QStringList parts{Harness::label(form, "Label2")->text()};
    for (const forms::ControlDescription& c : form.description().controls) {
        if (c.kind == forms::ControlKind::CommandButton) {
            QPushButton* button = Harness::button(form, c.name);
            parts << u"%1 %2 %3"_qs.arg(c.name, button->text(),
                                        button->isEnabled() && button->isVisible() ? "on" : "off");
        }
    }
    parts << u"focus "_qs + Harness::focused(form);
    if (tab) {
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            QStringList round{Harness::focused(form)};
            for (int i = 0; i < 8; ++i) {
                Harness::key(form, key);
                if (Harness::focused(form) == round.first())
                    break;
                round << Harness::focused(form);
            }
            parts << (key == Qt::Key_Tab ? u"Tab "_qs : u"Backtab "_qs) + round.join(u',');
        }
    }
    parts << u"height "_qs + QString::number(form.window()->height());
    return parts.join(u"; ");
}

// The same, as designed: each button's caption and whether it is on, in the window's design
// order; the Tab round goes over the buttons that are on, in tab order, from the focus.
QString designed(forms::Form& form, const QString& status, const QStringList& captions,
                 const std::vector<bool>& on, const QString& focus, int height) {
    QStringList parts{status};
    std::vector<std::pair<int, QString>> order;
    int i = 0;
    for (const forms::ControlDescription& c : form.description().controls) {
        if (c.kind != forms::ControlKind::CommandButton)
            continue;
        parts << u"%1 %2 %3"_qs.arg(c.name, captions[i], on[i] ? "on" : "off");
        if (on[i++])
            order.emplace_back(c.tabIndex, QLatin1String(c.name));
    }
    std::sort(order.begin(), order.end());
    QStringList round;
    for (const auto& [index, name] : order)
        round << name;
    std::rotate(round.begin(), round.begin() + round.indexOf(focus), round.end());
    parts << u"focus "_qs + focus << u"Tab "_qs + round.join(u',');
    std::reverse(round.begin() + 1, round.end());
    parts << u"Backtab "_qs + round.join(u',') << u"height "_qs + QString::number(height);
    return parts.join(u"; ");
}

QString designed(Form1& form, const State& s, const QString& focus) {
    return designed(form, QLatin1String(s.status),
                    {u"&Via"_qs, u"&Stop"_qs, QLatin1String(s.pauseCaption),
                     QLatin1String(s.readingCaption), u"&Azzera"_qs, QString()},
                    {s.enabled[0], s.enabled[1], s.enabled[2], s.enabled[3], s.enabled[4], true},
                    focus, 175);
}

// Designed order: "&Memoria", "&Crediti", "OK".
QString designedAbout(Form3& form, bool enlarged, const QString& focus) {
    return designed(form, u"Preciso al secondo"_qs, {u"&Memoria"_qs, u"&Crediti"_qs, u"OK"_qs},
                    {!enlarged, true, true}, focus, enlarged ? 270 : 205);
}

// The stopwatch brought to one of its states by mouse, with the focus where that leaves it.
void bring(Form1& form, int state) {
    if (state > 0)
        Harness::click(form, "Command1");
    if (state == 2)
        Harness::click(form, "Command3");
    if (state == 3)
        Harness::click(form, "Command4");
}
const char* const stateFocus[] = {"Command1", "Command3", "Command3", "Command4"};

} // namespace

Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(Path)

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::initialiseLayer(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Pairs found by random input, given with no delay between them; then time for anything an
    // input could have left pending.
    void twoFastInputsNeverRunADisabledButton_data() {
        QTest::addColumn<bool>("counting");
        QTest::addColumn<Input>("first");
        QTest::addColumn<Input>("second");
        QTest::addColumn<QString>("status");
        QTest::newRow("Alt+S Alt+P") << true << Input::AltS << Input::AltP << u"Inattivo"_qs;
        QTest::newRow("Alt+I Space") << true << Input::AltI << Input::Space << u"Conteggio..."_qs;
        QTest::newRow("Alt+I Return") << true << Input::AltI << Input::Return << u"Conteggio..."_qs;
        QTest::newRow("Alt+I click Pausa")
            << true << Input::AltI << Input::ClickPause << u"Rilevamento"_qs;
        QTest::newRow("Alt+S Alt+I") << true << Input::AltS << Input::AltI << u"Inattivo"_qs;
        QTest::newRow("Alt+I Alt+P") << true << Input::AltI << Input::AltP << u"Rilevamento"_qs;
        QTest::newRow("Alt+P Alt+I") << true << Input::AltP << Input::AltI << u"In pausa"_qs;
        QTest::newRow("Alt+V Alt+A") << false << Input::AltV << Input::AltA << u"Conteggio..."_qs;
        QTest::newRow("Alt+A Return on Via")
            << false << Input::AltA << Input::Return << u"Conteggio..."_qs;
    }

    void twoFastInputsNeverRunADisabledButton() {
        QFETCH(bool, counting);
        QFETCH(Input, first);
        QFETCH(Input, second);
        QFETCH(QString, status);
        Harness h;
        Form1& form = h.startUp();
        if (counting) {
            Harness::click(form, "Command1");
            h.clock.advance(5);
        }
        give(form, first);
        give(form, second);
        QTest::qWait(250);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(strayState(form), QString());
        QCOMPARE(Harness::label(form, "Label2")->text(), status);
        // Every access key clicked at once: the second input met the state the first one left.
        Harness::tick(form);
        QVERIFY2(displayIsSound(form), qPrintable(Harness::label(form, "Label1")->text()));
    }

    // Before, after Alt+S Alt+P the box came up, and Alt+V Alt+R then left a negative display.
    void theWorstSequenceLeavesASoundDisplay() {
        Harness h;
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        h.clock.advance(7);
        for (Input input : {Input::AltS, Input::AltP, Input::AltV, Input::AltR})
            give(form, input);
        QTest::qWait(250);
        h.clock.advance(3);
        Harness::tick(form, 2);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(strayState(form), QString());
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("Conteggio..."));
        QCOMPARE(Harness::label(form, "Label1")->text(), QStringLiteral("00:00:03"));
    }

    // A seeded storm of keys and clicks, some with no pause at all and some with one longer than
    // Qt's animated click: every step leaves a designed state and a sound display.
    void aStormOfInputsKeepsTheDesignedStates() {
        Harness h;
        Form1& form = h.startUp();
        QRandomGenerator random(20261208);
        const Input inputs[] = {Input::AltV,  Input::AltS,   Input::AltP,
                                Input::AltR,  Input::AltI,   Input::AltA,
                                Input::Space, Input::Return, Input::ClickPause};
        const char* buttons[] = {"Command1", "Command2", "Command4", "Command5"};
        for (int step = 0; step < 600; ++step) {
            const int pick = random.bounded(13);
            if (pick < 9)
                give(form, inputs[pick]);
            else
                Harness::click(form, buttons[pick - 9]);
            if (random.bounded(20) == 0) {
                QTest::qWait(110);
                h.clock.advance(random.bounded(4));
            }
            Harness::tick(form);
            QVERIFY2(strayState(form).isEmpty(), qPrintable(strayState(form)));
            QVERIFY2(displayIsSound(form), qPrintable(Harness::label(form, "Label1")->text()));
        }
        QTest::qWait(150);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(strayState(form), QString());
    }

    // Alt+V disables the focused "&Via": a screen reader hears only where the handler puts the
    // focus, "Pausa", not every button the focus passes on the way.
    void oneAccessKeyAnnouncesOneFocus() {
        Harness h;
        Form1& form = h.startUp();
        QCOMPARE(Harness::focused(form), QStringLiteral("Command1"));
        FocusInCounter counter;
        qApp->installEventFilter(&counter);
        give(form, Input::AltV);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.order, QStringList{u"Command3"_qs});
        QCOMPARE(Harness::focused(form), QStringLiteral("Command3"));
        QVERIFY(!Harness::button(form, "Command1")->isEnabled());
        QVERIFY(!Harness::button(form, "Command5")->isEnabled());

        // Stop from the keyboard, with the focus on "&Stop": one announcement, "Azzera".
        Harness::button(form, "Command2")->setFocus();
        qApp->installEventFilter(&counter);
        counter.order.clear();
        give(form, Input::AltS);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.order, QStringList{u"Command5"_qs});
        QVERIFY(!Harness::button(form, "Command2")->isEnabled());
    }

    // A handler that disables the focused button and then fails still leaves it disabled, and the
    // focus on an enabled button, before the box is shown.
    void aHeldButtonIsDisabledBeforeTheErrorBox() {
        Harness h;
        Form1& form = h.startUp();
        bool disabledWhenShown = false;
        h.msgBox.whileShown = [&] {
            disabledWhenShown = !Harness::button(form, "Command1")->isEnabled();
        };
        form.deliver([&] {
            form.Command1.setEnabled(false);
            QVERIFY(Harness::button(form, "Command1")->hasFocus());
            form.Command1.setFocus(); // disabled as far as a handler can tell
        });
        QCOMPARE(h.msgBox.shown.size(), std::size_t{1});
        QVERIFY(disabledWhenShown);
        QVERIFY(!Harness::button(form, "Command1")->isEnabled());
        QCOMPARE(Harness::focused(form), QStringLiteral("Command5"));
    }

    // Each button of both windows, from each state in which it can be pressed, by every path a
    // person has: each path ends in the one designed state, with the focus where the handler put
    // it, or where the path itself left it when the handler puts it nowhere.
    void everyPathEndsInTheDesignedState_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Path>("path");
        // From idle, counting, paused, reading (0 to 3) to a state; the About window's rows
        // come from 4 (just opened) and 5 (enlarged) and go to 4, 5 or 6 (closed).
        const std::tuple<int, const char*, int, const char*> steps[] = {
            {0, "Command1", 1, "Command3"}, {0, "Command5", 0, "Command1"},
            {0, "Command6", 0, ""},         {1, "Command2", 0, "Command5"},
            {1, "Command3", 2, "Command3"}, {1, "Command4", 3, "Command4"},
            {1, "Command6", 1, ""},         {2, "Command2", 0, "Command5"},
            {2, "Command3", 1, "Command3"}, {3, "Command2", 0, "Command5"},
            {3, "Command4", 1, "Command3"}, {4, "Command3", 5, ""},
            {4, "Command2", 4, ""},         {5, "Command2", 5, ""},
            {4, "Command1", 6, ""},         {5, "Command1", 6, ""}};
        for (const auto& [from, button, to, focus] : steps) {
            for (const auto& [path, name] : paths) {
                if (path != Path::QueuedClick)
                    QTest::addRow("%d %s %s", from, button, name)
                        << from << QString::fromLatin1(button) << to << QString::fromLatin1(focus)
                        << path;
            }
        }
    }
    void everyPathEndsInTheDesignedState() {
        QFETCH(int, from);
        QFETCH(QString, button);
        QFETCH(int, to);
        QFETCH(QString, focus);
        QFETCH(Path, path);
        Harness h;
        Form1& form = h.startUp();
        const QByteArray name = button.toLatin1();
        if (from < 4) {
            bring(form, from);
            if (!reaches(path, Harness::button(form, name)))
                QSKIP("no such path to this button");
            if (button == u"Command6")
                h.withAbout([](Form3&) {}, [&] { send(form, name, path); });
            else
                send(form, name, path);
            if (focus.isEmpty())
                focus = focuses(path) ? button : QString::fromLatin1(stateFocus[from]);
            QCOMPARE(seen(form), designed(form, designedStates[to], focus));
            return;
        }
        bool reached = true;
        h.launcher.fail = true;
        h.withAbout([&](Form3& about) {
            if (from == 5)
                Harness::altKey(about, Qt::Key_M);
            reached = reaches(path, Harness::button(about, name));
            if (!reached)
                return;
            send(about, name, path);
            if (to == 6) {
                QVERIFY(!about.isLoaded());
                return;
            }
            if (focus.isEmpty())
                focus = focuses(path) ? button : u"Command1"_qs;
            // A button disabled under the focus hands it on, as Tab would.
            if (focus == u"Command3" && to == 5)
                focus = u"Command2"_qs;
            QCOMPARE(seen(about), designedAbout(about, to == 5, focus));
            QCOMPARE(h.launcher.calls.size(), std::size_t{button == u"Command2"});
            QCOMPARE(h.msgBox.shown.size(), std::size_t{button == u"Command2"});
        });
        if (!reached)
            QSKIP("no such path to this button");
        // Closed, by whatever path: the keyboard is the stopwatch's again, as the About button
        // left it.
        QVERIFY(QApplication::activeWindow() == form.window());
        QCOMPARE(seen(form), designed(form, designedStates[0], u"Command6"_qs));
    }

    // While the About window is modal, nothing a person or a program sends to the stopwatch runs;
    // nor does anything sent to the About window while its "Appunti" box is up.
    void nothingReachesAWindowBehindAModalOne_data() {
        QTest::addColumn<Path>("path");
        for (const auto& [path, name] : paths)
            QTest::newRow(name) << path;
    }
    void nothingReachesAWindowBehindAModalOne() {
        QFETCH(Path, path);
        for (int state : {0, 1}) {
            Harness h;
            Form1& form = h.startUp();
            bring(form, state);
            QString before;
            h.launcher.fail = true;
            h.withAbout([&](Form3& about) {
                before = seen(form, false);
                for (const char* name :
                     {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6"}) {
                    if (Harness::button(form, name)->isEnabled() &&
                        reaches(path, Harness::button(form, name)))
                        send(form, name, path);
                }
                QVERIFY(about.isLoaded());
                QCOMPARE(seen(form, false), before);
                // The "Appunti" box, modal in front of the About window.
                h.msgBox.whileShown = [&] {
                    QWidget box;
                    box.setWindowModality(Qt::ApplicationModal);
                    box.show();
                    for (const char* name : {"Command1", "Command2", "Command3"}) {
                        if (reaches(path, Harness::button(about, name)))
                            send(about, name, path);
                    }
                };
                Harness::altKey(about, Qt::Key_C);
                QVERIFY(about.isLoaded());
                QCOMPARE(seen(about, false),
                         designedAbout(about, false, u"Command1"_qs).section(u"; Tab"_qs, 0, 0) +
                             u"; height 205"_qs);
                QCOMPARE(h.launcher.calls.size(), std::size_t{1});
                QCOMPARE(h.msgBox.shown.size(), std::size_t{1});
            });
            QCOMPARE(seen(form, false), before);
        }
    }

    // A click that comes late, through Qt's animated click (as a screen reader's press does), finds
    // the button disabled, or its window closed: it runs nothing.
    void aLateClickRunsNothing() {
        Harness h;
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        QPushButton* pause = Harness::button(form, "Command3");
        pause->animateClick();
        Harness::click(form, "Command2"); // stop: "&Pausa" is disabled before the click lands
        QTest::qWait(200);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("Inattivo"));
        QCOMPARE(pause->text(), QStringLiteral("&Pausa"));

        h.withAbout([&](Form3& about) {
            Harness::button(about, "Command3")->animateClick(); // "&Memoria", 100 ms from now
            Harness::key(about, Qt::Key_Escape);
            QVERIFY(!about.isLoaded());
            QTest::qWait(200);
        });
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
    }

    // The press that follows an access key is only drawn: the button is never down, and a
    // disabled button shows nothing.
    void theAccessKeyPressIsOnlyAPicture() {
        Harness h;
        Form1& form = h.startUp();
        Harness::click(form, "Command1");
        auto* pause = static_cast<forms::ButtonControl*>(Harness::button(form, "Command3"));
        give(form, Input::AltP);
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("In pausa"));
        QVERIFY(pause->showsPress());
        QVERIFY(!pause->isDown());
        QTRY_VERIFY(!pause->showsPress());
        auto* stop = static_cast<forms::ButtonControl*>(Harness::button(form, "Command2"));
        give(form, Input::AltS);
        QVERIFY(!stop->showsPress());
        QCOMPARE(Harness::label(form, "Label2")->text(), QStringLiteral("Inattivo"));
    }

    // The stopwatch owns the About window: desktops keep the two together, and the About window
    // is centred on the stopwatch's screen. Minimised on its own, it takes the stopwatch along.
    void theAboutWindowBelongsToTheStopwatch() {
        Harness h;
        Form1& form = h.startUp();
        QWidget* stopwatch = form.window();
        h.withAbout([&](Form3& about) {
            QWidget* window = about.window();
            QCOMPARE(window->windowHandle()->transientParent(), stopwatch->windowHandle());
            QVERIFY(window->isModal());
            const QPoint centre = stopwatch->screen()->availableGeometry().center();
            QVERIFY((window->frameGeometry().center() - centre).manhattanLength() <= 2);

            window->showMinimized();
            QTRY_VERIFY(stopwatch->isMinimized());
            stopwatch->showNormal();
            window->showNormal();
            QTRY_VERIFY(!window->isMinimized());
        });
        QVERIFY(!stopwatch->isMinimized());
    }

    // Wayland's client-side title bar has a maximise button even on a fixed-size window; pressing
    // it (or asking for full screen) leaves the window as it was.
    void aFixedWindowIsNeverMaximised() {
        Harness h;
        Form1& form = h.startUp();
        QWidget* window = form.window();
        const QRect before = window->geometry();
        for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
            window->windowHandle()->setWindowState(state);
            QTRY_COMPARE(window->windowState(), Qt::WindowStates(Qt::WindowNoState));
            QCOMPARE(window->geometry().size(), before.size());
            QVERIFY(window->isVisible());
        }
    }

    void memoryLinesShowWhole_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<quint64>("figure");
        const quint64 figures[] = {0ULL, 4'294'967'295ULL, 140'737'094'066'176ULL,
                                   18'446'744'073'709'551'615ULL};
        for (const char* locale : {"it_IT", "en_US", "fr_FR"}) {
            for (quint64 figure : figures)
                QTest::addRow("%s %llu", locale, static_cast<unsigned long long>(figure))
                    << QString::fromLatin1(locale) << figure;
        }
    }

    void memoryLinesShowWhole() {
        QFETCH(QString, locale);
        QFETCH(quint64, figure);
        QLocale::setDefault(QLocale(locale));
        Harness h;
        h.memory.status = {figure, figure, figure};
        h.startUp();
        h.withAbout([&](Form3& about) {
            Harness::click(about, "Command3");
            Harness::tick(about);
            QCOMPARE(QLocale().name(), locale);
            for (const char* name : {"Label3", "Label4", "Label8"}) {
                auto* field = qobject_cast<forms::CaptionLabel*>(about.control(name));
                QVERIFY(field != nullptr);
                const QString caption = field->text();
                QVERIFY2(caption.endsWith(u" bytes"_qs), qPrintable(caption));
                if (figure == 18'446'744'073'709'551'615ULL) {
                    const QString group = QLocale().groupSeparator();
                    QVERIFY(
                        caption.contains(QStringList{u"18"_qs, u"446"_qs, u"744"_qs}.join(group)));
                }
                const QFont fitted = field->fittedFont();
                QVERIFY(fitted.pixelSize() >= forms::kCaptionMinimumPx);
                QVERIFY(fitted.pixelSize() <= field->font().pixelSize());
                const int room = field->contentsRect().width();
                QVERIFY2(QFontMetrics(fitted).horizontalAdvance(caption) <= room,
                         qPrintable(caption));
                // The largest size that fits: one pixel more would not, once the few pixels a
                // framed label keeps clear at each end are left out.
                if (fitted.pixelSize() < field->font().pixelSize()) {
                    QFont larger = fitted;
                    larger.setPixelSize(fitted.pixelSize() + 1);
                    QVERIFY(QFontMetrics(larger).horizontalAdvance(caption) > room - 8);
                }
                // What is drawn: the ink ends before the right border, with room to spare, so
                // nothing runs under it.
                const QImage image = field->grab().toImage();
                const qreal ratio = image.devicePixelRatio();
                const QRect inside(field->contentsRect().topLeft() * ratio,
                                   field->contentsRect().size() * ratio);
                const QRgb background = field->palette().color(QPalette::Window).rgb();
                const int ink = inkBounds(image, inside, background).right();
                QVERIFY2(ink > inside.left(), "the caption was not drawn");
                QVERIFY2(
                    ink < inside.right() - qRound(ratio),
                    qPrintable(u"%1: ink to column %2 of %3, %4 px wide at %5 px"_qs.arg(caption)
                                   .arg(ink)
                                   .arg(inside.right())
                                   .arg(QFontMetrics(fitted).horizontalAdvance(caption))
                                   .arg(fitted.pixelSize())));
                // Nor down to the border below, which the next field's is drawn over: the
                // descenders keep a row clear of it.
                QVERIFY(inkBounds(image, inside, background).bottom() < inside.bottom());
            }
        });
    }

    // A short caption keeps the designed font.
    void aShortCaptionKeepsItsSize() {
        Harness h;
        h.memory.status = {8'000'000'000, 3'000'000'000, 2'000'000'000};
        h.startUp();
        h.withAbout([&](Form3& about) {
            Harness::tick(about);
            auto* field = qobject_cast<forms::CaptionLabel*>(about.control("Label3"));
            QCOMPARE(field->fittedFont().pixelSize(), field->font().pixelSize());
        });
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
