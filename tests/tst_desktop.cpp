// What a person meets on a real desktop: fast keys and clicks that never run a disabled button,
// a focus that moves once per press, and every path to every button ending in the designed state.
// (Random input with no pause between, beside a model of the stopwatch: tst_model.)
#include "tests/support/harness.h"

#include "forms/desktop/keys.h"

#include <QAccessible>
#include <QApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <functional>
#include <tuple>

using namespace velti;
using velti::test::Harness;

namespace {

bool displayIsSound(Form1& form) {
    static const QRegularExpression sound(QStringLiteral("^\\d{2,}:\\d{2}:\\d{2}$"));
    return sound.match(Harness::label(form, "Label1")->text()).hasMatch();
}

// One input as a user gives it, with nothing in between: "Alt+V", "Space", "Return", or a click
// on "Pausa".
void give(Form1& form, const QString& input) {
    if (input == u"click Pausa")
        return Harness::click(form, "Command3");
    const bool alt = input.startsWith(u"Alt+");
    const Qt::Key key = alt ? Qt::Key(input.back().unicode())
                            : (input == u"Space" ? Qt::Key_Space : Qt::Key_Return);
    QTest::keyClick(form.window()->windowHandle(), key, alt ? Qt::AltModifier : Qt::NoModifier);
}

// Counts the focus-in events that reach buttons: each one is a focus change a screen reader
// announces.
class FocusInCounter final : public QObject {
public:
    QStringList order;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && qobject_cast<QPushButton*>(watched) != nullptr)
            order << watched->objectName();
        return false;
    }
};

// Every path a person has to a button.
enum class Path {
    Mouse,
    AccessKey,
    CyrillicAccessKey,
    TabSpace,
    TabReturn,
    Escape,
    Press,
    FocusSpace,
    QueuedClick
};
const std::pair<Path, const char*> paths[] = {
    {Path::Mouse, "mouse"},
    {Path::AccessKey, "access key"},
    {Path::CyrillicAccessKey, "access key, Russian layout"},
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
    case Path::CyrillicAccessKey:
#ifdef Q_OS_WIN
        // Windows gives a letter key its Latin virtual code whatever the layout, and Qt matches it.
        return false;
#else
        return accessKey(button->text()) != 0;
#endif
    case Path::Escape:
        // A dialog's Esc closes it, as its "OK" does.
        return qobject_cast<QDialog*>(button->window()) != nullptr && button->text() == u"OK";
    default:
        return true;
    }
}
bool focuses(Path path) {
    return path == Path::Mouse || path == Path::TabSpace || path == Path::TabReturn ||
           path == Path::FocusSpace;
}

void send(QWidget& form, const char* name, Path path) {
    QPushButton* button = Harness::button(form, name);
    switch (path) {
    case Path::Mouse:
        return Harness::click(form, name);
    case Path::AccessKey:
        return Harness::altKey(form, accessKey(button->text()));
    case Path::CyrillicAccessKey: {
        // A Russian layout alone: Alt and the key that bears the letter on a US keyboard, as X11
        // and Wayland give it (the Cyrillic letter, and the key's code).
        static const QString us = u"QWERTYUIOP....ASDFGHJKL.....ZXCVBNM"_qs;
        static const QString ru = u"ЙЦУКЕНГШЩЗ....ФЫВАПРОЛД.....ЯЧСМИТЬ"_qs;
        const qsizetype at = us.indexOf(QChar(accessKey(button->text())));
        QKeyEvent press(QEvent::KeyPress, ru.at(at).unicode(), Qt::AltModifier, quint32(24 + at), 0,
                        0, ru.at(at).toLower());
        QPointer<QPushButton> alive(button);
        QCoreApplication::sendEvent(form.window()->focusWidget(), &press);
        QVERIFY(QTest::qWaitFor([&] { return !alive || !alive->isDown(); }));
        return;
    }
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
QString seen(QWidget& form, const test::DesignedWindow& design, bool tab = true) {
    QStringList parts{Harness::label(form, "Label2")->text()};
    for (const QString& name : design.tabOrder) {
        QPushButton* button = Harness::button(form, qPrintable(name));
        parts << u"%1 %2 %3"_qs.arg(name, button->text(),
                                    button->isEnabled() && button->isVisible() ? "on" : "off");
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

// The same, as the design table has it: the Tab round goes over the buttons that are on, in the
// designed tab order, from the focus.
QString designed(const test::DesignedWindow& design, const QString& stateName,
                 const QString& focus) {
    const test::DesignedState& state = design.state(stateName);
    QStringList parts{state.status}, round;
    for (const QString& name : design.tabOrder) {
        const bool on = state.enabled.contains(name);
        parts << u"%1 %2 %3"_qs.arg(name, state.captions[name], on ? "on" : "off");
        if (on)
            round << name;
    }
    std::rotate(round.begin(), round.begin() + round.indexOf(focus), round.end());
    parts << u"focus "_qs + focus << u"Tab "_qs + round.join(u',');
    std::reverse(round.begin() + 1, round.end());
    parts << u"Backtab "_qs + round.join(u',') << u"height "_qs + QString::number(state.height);
    return parts.join(u"; ");
}

const test::DesignedWindow& stopwatch() {
    return test::designedStopwatch();
}

// The stopwatch brought to a state by mouse, along the designed presses from idle: the focus is
// where the last press leaves it.
QString bring(Form1& form, const QString& state) {
    QString focus = stopwatch().tabOrder.first();
    for (const char* button : {"Command1", "Command3", "Command4"}) {
        const QString from = test::stateOf(form);
        const test::DesignedPress* p = stopwatch().press(from, QLatin1String(button));
        if (from == state || p == nullptr || (p->to != state && from != u"idle"))
            continue;
        Harness::click(form, button);
        focus = p->focus;
    }
    return focus;
}

// One press of a key to the focused widget, as the window system gives it: a repeat marked as
// Qt marks one, or (presses alone, as on X11) a press 30 ms after the last that the desktop's
// watch first tells the keys of, with its key code and keysym (Tab's is XK_Tab; the others' stand
// for keys that do not move the focus), and drops if they say so.
void press(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 code, bool repeat,
           bool alone) {
    const QString text =
        modifiers.testFlag(Qt::AltModifier) ? QString(QChar(key)).toLower() : QString();
    if (!alone)
        return QTest::simulateEvent(window.focusWidget(), true, key, modifiers, text, repeat);
    static quint64 time = 1000;
    time += 30;
    if (qApp->findChild<forms::Keys*>()->pressed(code, time, key == Qt::Key_Tab ? 0xff09 : key))
        return;
    QKeyEvent event(QEvent::KeyPress, key, modifiers, code, 0, 0, text);
    event.setTimestamp(time);
    QCoreApplication::sendEvent(window.focusWidget(), &event);
}
// The release of a key held down; the watch tells the keys of it too.
void release(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 code) {
    qApp->findChild<forms::Keys*>()->released(code);
    QTest::simulateEvent(window.focusWidget(), false, key, modifiers, QString(), false);
}

} // namespace

Q_DECLARE_METATYPE(Path)

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Inputs found by random input, given with no delay between them; then time for anything an
    // input could have left pending, three seconds on the clock and two ticks.
    void fastInputsNeverRunADisabledButton_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("display"); // empty: any sound display
        const char* rows[][4] = {
            {"counting", "Alt+S, Alt+P", "idle", ""},
            {"counting", "Alt+I, Space", "counting", ""},
            {"counting", "Alt+I, Return", "counting", ""},
            {"counting", "Alt+I, click Pausa", "reading", ""},
            {"counting", "Alt+S, Alt+I", "idle", ""},
            {"counting", "Alt+I, Alt+P", "reading", ""},
            {"counting", "Alt+P, Alt+I", "paused", ""},
            {"idle", "Alt+V, Alt+A", "counting", ""},
            {"idle", "Alt+A, Return", "counting", ""}, // Return on "&Via"
            // Before, Alt+S Alt+P brought the box up, and Alt+V Alt+R then left a negative display.
            {"counting", "Alt+S, Alt+P, Alt+V, Alt+R", "counting", "00:00:03"},
        };
        for (const auto& [from, inputs, state, display] : rows)
            QTest::newRow(inputs) << QString::fromLatin1(from)
                                  << QString::fromLatin1(inputs).split(u", "_qs)
                                  << QString::fromLatin1(state) << QString::fromLatin1(display);
    }
    void fastInputsNeverRunADisabledButton() {
        QFETCH(QString, from);
        QFETCH(QStringList, inputs);
        QFETCH(QString, display);
        Harness h;
        Form1& form = h.startUp();
        if (from == u"counting") {
            Harness::click(form, "Command1");
            h.clock.advance(5);
        }
        for (const QString& input : inputs)
            give(form, input);
        QTest::qWait(250);
        QCOMPARE(h.msgBox.shown.size(), std::size_t{0});
        QTEST(test::stateOf(form), "state");
        // Every access key clicked at once: each input met the state the one before left.
        h.clock.advance(3);
        Harness::tick(form, 2);
        QVERIFY2(displayIsSound(form), qPrintable(Harness::label(form, "Label1")->text()));
        if (!display.isEmpty())
            QCOMPARE(Harness::label(form, "Label1")->text(), display);
    }

    // Alt+V disables the focused "&Via": a screen reader hears only where the handler puts the
    // focus, "Pausa", not every button the focus passes on the way.
    void oneAccessKeyAnnouncesOneFocus() {
        Harness h;
        Form1& form = h.startUp();
        QCOMPARE(Harness::focused(form), QStringLiteral("Command1"));
        FocusInCounter counter;
        qApp->installEventFilter(&counter);
        give(form, u"Alt+V"_qs);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.order, QStringList{u"Command3"_qs});
        QCOMPARE(Harness::focused(form), QStringLiteral("Command3"));

        // Stop from the keyboard, with the focus on "&Stop": one announcement, "Azzera".
        Harness::button(form, "Command2")->setFocus();
        qApp->installEventFilter(&counter);
        counter.order.clear();
        give(form, u"Alt+S"_qs);
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.order, QStringList{u"Command5"_qs});
    }

    // Each button of both windows, from each state in which it can be pressed, by every path a
    // person has: each path ends in the one designed state, with the focus where the handler put
    // it, or where the path itself left it when the handler puts it nowhere.
    void everyPathEndsInTheDesignedState_data() {
        QTest::addColumn<bool>("inAbout");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Path>("path");
        for (const bool inAbout : {false, true}) {
            const auto& window = inAbout ? test::designedAbout() : stopwatch();
            for (const test::DesignedPress& p : window.presses) {
                for (const QString& from : p.from) {
                    for (const auto& [path, name] : paths) {
                        if (path != Path::QueuedClick)
                            QTest::addRow("%s %s %s", qPrintable(from), qPrintable(p.press), name)
                                << inAbout << from << p.press << (p.to.isEmpty() ? from : p.to)
                                << p.focus << path;
                    }
                }
            }
        }
    }
    void everyPathEndsInTheDesignedState() {
        QFETCH(bool, inAbout);
        QFETCH(QString, from);
        QFETCH(QString, button);
        QFETCH(QString, to);
        QFETCH(QString, focus);
        QFETCH(Path, path);
        Harness h;
        Form1& form = h.startUp();
        const QByteArray name = button.toLatin1();
        if (!inAbout) {
            const QString left = bring(form, from);
            if (!reaches(path, Harness::button(form, name)))
                QSKIP("no such path to this button");
            if (button == u"Command6")
                h.withAbout([](Form3&) {}, [&] { send(form, name, path); });
            else
                send(form, name, path);
            if (focus.isEmpty())
                focus = focuses(path) ? button : left;
            QCOMPARE(seen(form, stopwatch()), designed(stopwatch(), to, focus));
            return;
        }
        bool reached = true;
        h.launcher.fail = true;
        h.withAbout([&](Form3& about) {
            const test::DesignedWindow& window = test::designedAbout();
            if (from == u"enlarged")
                Harness::altKey(about, Qt::Key_M);
            reached = reaches(path, Harness::button(about, name));
            if (!reached)
                return;
            send(about, name, path);
            if (to == u"closed") {
                QVERIFY(!about.isVisible());
                return;
            }
            if (focus.isEmpty())
                focus = focuses(path) ? button : window.tabOrder.first();
            // A button disabled under the focus hands it on, as Tab would.
            const QStringList& order = window.tabOrder;
            while (!window.state(to).enabled.contains(focus))
                focus = order[(order.indexOf(focus) + 1) % order.size()];
            QCOMPARE(seen(about, window), designed(window, to, focus));
            QCOMPARE(h.launcher.calls.size(), std::size_t{button == u"Command2"});
            QCOMPARE(h.msgBox.shown.size(), std::size_t{button == u"Command2"});
            // The "Appunti" box stands in front of the About window, which has the keyboard back
            // once the box closes.
            if (button == u"Command2")
                QCOMPARE(h.msgBox.shown[0].owner, about.window());
        });
        if (!reached)
            QSKIP("no such path to this button");
        // Closed, by whatever path: the keyboard is the stopwatch's again, as the About button
        // left it.
        QVERIFY(QApplication::activeWindow() == form.window());
        QCOMPARE(seen(form, stopwatch()), designed(stopwatch(), u"idle"_qs, u"Command6"_qs));
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
        for (const char* state : {"idle", "counting", "paused", "reading"}) {
            Harness h;
            Form1& form = h.startUp();
            bring(form, QLatin1String(state));
            QString before;
            h.launcher.fail = true;
            h.withAbout([&](Form3& about) {
                before = seen(form, stopwatch(), false);
                for (const char* name :
                     {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6"}) {
                    if (Harness::button(form, name)->isEnabled() &&
                        reaches(path, Harness::button(form, name)))
                        send(form, name, path);
                }
                QVERIFY(about.isVisible());
                QCOMPARE(seen(form, stopwatch(), false), before);
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
                QVERIFY(about.isVisible());
                const auto& window = test::designedAbout();
                QCOMPARE(seen(about, window, false),
                         designed(window, u"opened"_qs, u"Command1"_qs).section(u"; Tab"_qs, 0, 0) +
                             u"; height 205"_qs);
                QCOMPARE(h.launcher.calls.size(), std::size_t{1});
                QCOMPARE(h.msgBox.shown.size(), std::size_t{1});
            });
            QCOMPARE(seen(form, stopwatch(), false), before);
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
        QCOMPARE(test::stateOf(form), QStringLiteral("idle"));
        QCOMPARE(pause->text(), QStringLiteral("&Pausa"));

        h.withAbout([&](Form3& about) {
            Harness::button(about, "Command3")->animateClick(); // "&Memoria", 100 ms from now
            Harness::key(about, Qt::Key_Escape);
            QVERIFY(!about.isVisible());
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
        QPushButton* pause = Harness::button(form, "Command3");
        give(form, u"Alt+P"_qs);
        QCOMPARE(test::stateOf(form), QStringLiteral("paused"));
        // Drawn pressed, then, a moment later, as it was: the button was never down.
        const QImage pressed = pause->grab().toImage();
        QVERIFY(!pause->isDown());
        QTRY_VERIFY(pause->grab().toImage() != pressed);
        const QImage raised = pause->grab().toImage();
        pause->setDown(true);
        QCOMPARE(pause->grab().toImage(), pressed);
        pause->setDown(false);
        QCOMPARE(pause->grab().toImage(), raised);
        QPushButton* stop = Harness::button(form, "Command2");
        give(form, u"Alt+S"_qs);
        const QImage disabled = stop->grab().toImage();
        QTest::qWait(150);
        QCOMPARE(stop->grab().toImage(), disabled);
        QCOMPARE(test::stateOf(form), QStringLiteral("idle"));
    }

    // The stopwatch owns the About window: desktops keep the two together, and the About window
    // is centred on the stopwatch's screen. Minimised on its own, it takes the stopwatch along,
    // and comes back with it. Where the desktop hands the keyboard to the stopwatch all the same,
    // and nothing brings the About window forward, the keys typed there reach the About window.
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
            // The desktop restores the stopwatch alone (its taskbar entry): the About window
            // comes back with it, in front.
            stopwatch->windowHandle()->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(!window->isMinimized());

            const QString before = test::stateOf(form);
            stopwatch->activateWindow();
            QTRY_COMPARE(QGuiApplication::focusWindow(), stopwatch->windowHandle());
            const QPointer<QWidget> alive(window);
            const auto typed = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
                QTest::keyClick(stopwatch->windowHandle(), key, modifiers);
            };
            typed(Qt::Key_Tab);
            QCOMPARE(Harness::focused(about), u"Command3"_qs);
            typed(Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(Harness::focused(about), u"Command1"_qs);
            typed(Qt::Key_M, Qt::AltModifier);
            QTRY_COMPARE(window->height(), 270);
            typed(Qt::Key_V, Qt::AltModifier);
            typed(Qt::Key_Escape);
            QTRY_VERIFY(!alive || !alive->isVisible());
            QCOMPARE(test::stateOf(form), before);
        });
        QVERIFY(!stopwatch->isMinimized());
    }

    // What a desktop does in ordinary use leaves the count, the state and the focus as they were:
    // the window minimised and restored (a show event again), or a key held down on the focused
    // button. A key that acts (Return, keypad Enter, Space, an access key) acts once, whether the
    // window system marks its repeats (Qt, Wayland, Windows) or sends presses alone (X11, where
    // the desktop's watch tells the keys of each press first); Tab held moves on at every repeat;
    // and a key whose release went to another program acts again at its next press. Space then
    // acts on the button the focus was on.
    void anOrdinaryDayLeavesTheFocus_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("event");
        for (const char* state : {"counting", "paused", "reading"}) {
            for (const char* event :
                 {"minimised and restored", "Return held", "keypad Enter held", "Space held",
                  "access key held", "Return held, presses alone", "Tab held, presses alone",
                  "Return again after its release went elsewhere"}) {
                // In a reading the focus is on "OK", which has no access key.
                if (qstrcmp(state, "reading") != 0 || qstrcmp(event, "access key held") != 0)
                    QTest::addRow("%s, %s", state, event) << QString::fromLatin1(state) << event;
            }
        }
    }
    void anOrdinaryDayLeavesTheFocus() {
        QFETCH(QString, state);
        QFETCH(QString, event);
        Harness h;
        Form1& form = h.startUp();
        const QString focus = bring(form, state);
        QWidget* window = form.window();
        const QString before = seen(form, stopwatch(), false);
        if (event == u"minimised and restored") {
            window->windowHandle()->setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(window->isMinimized());
            window->windowHandle()->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(!window->isMinimized());
            QCOMPARE(seen(form, stopwatch(), false), before);
        } else if (event.startsWith(u"Tab")) {
            // Each repeat moves the focus on, round the buttons that are on.
            for (int i = 0; i < 4; ++i) {
                const QString from = Harness::focused(form);
                press(*window, Qt::Key_Tab, {}, 23, i > 0, true);
                QVERIFY2(Harness::focused(form) != from, qPrintable(QString::number(i)));
            }
            return release(*window, Qt::Key_Tab, {}, 23);
        } else if (event.startsWith(u"Return again")) {
            // The first press's release went to another program: the program lost the keyboard.
            press(*window, Qt::Key_Return, {}, 36, false, true);
            const test::DesignedPress* first = stopwatch().press(state, focus);
            QVERIFY(first != nullptr);
            const QString after = first->to.isEmpty() ? state : first->to;
            QApplicationStateChangeEvent away(Qt::ApplicationInactive);
            QCoreApplication::sendEvent(qApp, &away);
            const test::DesignedPress* second = stopwatch().press(after, Harness::focused(form));
            QVERIFY(second != nullptr);
            press(*window, Qt::Key_Return, {}, 36, false, true);
            release(*window, Qt::Key_Return, {}, 36);
            QCOMPARE(test::stateOf(form), second->to.isEmpty() ? after : second->to);
            return;
        } else {
            // Held for a second: the first press and nineteen repeats, then the release. Twenty
            // clicks would toggle the button back to where it was. Each goes to the focus as it is
            // then.
            Qt::Key key = Qt::Key_Return;
            Qt::KeyboardModifiers modifiers;
            quint32 code = 36;
            if (event.startsWith(u"access key")) {
                key = accessKey(static_cast<QPushButton*>(window->focusWidget())->text());
                modifiers = Qt::AltModifier;
            } else if (event.startsWith(u"keypad Enter")) {
                key = Qt::Key_Enter;
                modifiers = Qt::KeypadModifier;
                code = 104;
            } else if (event.startsWith(u"Space")) {
                key = Qt::Key_Space;
                code = 65;
            }
            for (int i = 0; i < 20; ++i)
                press(*window, key, modifiers, code, i > 0, event.endsWith(u"presses alone"));
            release(*window, key, modifiers, code);
            const test::DesignedPress* once = stopwatch().press(state, focus);
            QVERIFY(once != nullptr);
            QCOMPARE(test::stateOf(form), once->to.isEmpty() ? state : once->to);
            return;
        }
        const test::DesignedPress* space = stopwatch().press(state, focus);
        QVERIFY(space != nullptr);
        Harness::key(form, Qt::Key_Space);
        QCOMPARE(test::stateOf(form), space->to.isEmpty() ? state : space->to);
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
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
