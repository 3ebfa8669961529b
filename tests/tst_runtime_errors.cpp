// The run-time error convention: a control operation that fails stops its handler at that step,
// with the steps before it done and every later one undone; the user is told in an Italian box
// ("Errore di run-time 'N': ..."), and the program goes on.
//
// Every handler of both windows is failed at each of its control operations in turn: comparing
// what the windows show after each k with the handler's designed list of steps
// (tests/support/design.json) pins the order of the steps, one by one. A small window of the
// tests' own (tests/support/probe.h) fails each kind of error in each kind of handler.
#include "tests/support/harness.h"
#include "tests/support/probe.h"

#include "core/runtime_error.h"

#include <QMap>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace velti;
using velti::test::Failure;
using velti::test::Harness;
using velti::test::Probe;

namespace {

// What the two windows show, and the variables the handlers keep, one entry a property:
// "Form1.Command3.caption", "Form3.Label1(2).colour", "Form1.focus", "Form1.via"...
using View = QMap<QString, QString>;

// One step of a handler: the property it changes and the value it leaves. A step that is not a
// control operation (a variable set from the clock, a counter) cannot fail by itself: it is done
// whenever the operation before it was.
struct Step {
    QString key;
    QString value;
    bool operation = true;
};

QString flag(bool on) {
    return on ? QStringLiteral("yes") : QStringLiteral("no");
}

QString number(double value) {
    return QString::number(value, 'g', 17);
}

// Shown by the nested loop of the information button's Show, while the About window is up.
QString aboutSeen;

View view(Harness& h) {
    View v;
    if (!h.app.started())
        return v;
    Form1& f = h.app.form1();
    if (f.isVisible()) {
        for (const char* name :
             {"Command1", "Command2", "Command3", "Command4", "Command5", "Command6"})
            v[QStringLiteral("Form1.%1.enabled").arg(name)] =
                flag(Harness::button(f, name)->isEnabled());
        v["Form1.Command3.caption"] = Harness::button(f, "Command3")->text();
        v["Form1.Command4.caption"] = Harness::button(f, "Command4")->text();
        v["Form1.Label1"] = Harness::label(f, "Label1")->text();
        v["Form1.Label2"] = Harness::label(f, "Label2")->text();
        v["Form1.Timer1.enabled"] = flag(Harness::timer(f)->isEnabled());
        v["Form1.focus"] = Harness::focused(f);
    }
    v["Form1.via"] = number(f.via);
    v["Form1.sttop"] = number(f.sttop);
    v["Form1.About"] = aboutSeen;
    v["Form3"] = flag(h.about() != nullptr && h.about()->isVisible());
    if (v["Form3"] == u"no")
        return v;
    Form3& a = *h.about();
    v["Form3.height"] = QString::number(a.window()->height());
    v["Form3.Command3.enabled"] = flag(Harness::button(a, "Command3")->isEnabled());
    for (int i = 1; i <= 3; ++i) {
        const QLabel* line = Harness::label(a, "Label1", i);
        v[QStringLiteral("Form3.Label1(%1).caption").arg(i)] = line->text();
        v[QStringLiteral("Form3.Label1(%1).colour").arg(i)] =
            line->palette().color(QPalette::WindowText).name();
    }
    for (const char* name : {"Label3", "Label4", "Label8"})
        v[QStringLiteral("Form3.%1").arg(name)] = Harness::label(a, name)->text();
    v["Form3.focus"] = Harness::focused(a);
    v["Form3.Sc"] = QString::number(a.Sc);
    v["Form3.Indice"] = QString::number(a.Indice);
    return v;
}

// The view once the first done steps of the list have run. Disabling the button that has the
// focus lets the toolkit move the focus where it will: it is not checked until a step sets it.
View expectedAfter(View v, const std::vector<Step>& steps, std::size_t done) {
    for (std::size_t i = 0; i < done; ++i) {
        const Step& s = steps[i];
        if (s.key == u"Form3" && s.value == u"no") {
            for (const QString& key : v.keys())
                if (key.startsWith(u"Form3."))
                    v.remove(key);
        }
        v[s.key] = s.value;
        const QString window = s.key.section(u'.', 0, 0);
        if (s.key.endsWith(u".enabled") && s.value == u"no" &&
            v.value(window + QStringLiteral(".focus")) == s.key.section(u'.', 1, 1))
            v[window + QStringLiteral(".focus")] = QStringLiteral("*");
    }
    return v;
}

// What the windows show that they should not; empty when they agree (a "*" is anything shown).
QString differences(const View& actual, const View& expected) {
    QStringList lines;
    QStringList keys = actual.keys() + expected.keys();
    keys.removeDuplicates();
    for (const QString& key : keys)
        if ((expected.value(key) != u"*" || !actual.contains(key)) &&
            actual.value(key, "(none)") != expected.value(key, "(none)"))
            lines << QStringLiteral("%1: shown '%2', expected '%3'")
                         .arg(key, actual.value(key, "(none)"), expected.value(key, "(none)"));
    return lines.join(u"; ");
}

// Tabs forward until the named button has the focus: the handler is then pressed without
// touching the focus, so every focus step it takes can be seen.
void focusOn(QWidget& form, const char* name) {
    for (int i = 0; i < 8 && Harness::focused(form) != QLatin1String(name); ++i)
        Harness::key(form, Qt::Key_Tab);
    QCOMPARE(Harness::focused(form), QLatin1String(name));
}

// Pressed as a screen reader or a script presses it: the click, and nothing else.
void press(QWidget& form, const char* name) {
    Harness::button(form, name)->click();
}

QWidget& formOf(Harness& h, bool inAbout) {
    return inAbout ? static_cast<QWidget&>(*h.about()) : static_cast<QWidget&>(h.app.form1());
}

struct Case {
    QByteArray name;
    bool inAbout = false;
    // Drives the windows into the state the handler starts from; returns its steps.
    std::function<std::vector<Step>(Harness&)> prepare;
    std::function<void(Harness&)> trigger;
};

const QString injected =
    QStringLiteral("Errore di run-time '5':\n\nChiamata di routine o argomento non validi");

// The stopwatch counting for 65 seconds, with the focus on the information button.
void counting(Harness& h) {
    Form1& f = h.app.form1();
    press(f, "Command1");
    h.clock.advance(65);
    Harness::tick(f);
}

// The state a designed press starts from, reached as a user reaches it: through counting for 65
// seconds, so that a reset from idle has a display to clear. The clock then moves on, so that an
// instant the press sets differs from every one before.
void bring(Harness& h, const QString& state, bool inAbout) {
    if (inAbout) {
        if (state == u"enlarged")
            press(*h.about(), "Command3");
        return;
    }
    counting(h);
    const QMap<QString, const char*> by{
        {u"idle"_qs, "Command2"}, {u"paused"_qs, "Command3"}, {u"reading"_qs, "Command4"}};
    if (by.contains(state))
        press(h.app.form1(), by[state]);
    h.clock.advance(7);
}

// A designed press's steps as the windows show them, values from the state it leads to.
std::vector<Step> designedSteps(Harness& h, const test::DesignedWindow& window,
                                const test::DesignedPress& p, const QString& prefix) {
    std::vector<Step> steps;
    for (const QString& step : p.steps) {
        const QString name = step.section(u'=', 0, 0), value = step.section(u'=', 1);
        const QString control = name.section(u'.', 0, 0);
        if (step == u"closed")
            steps.push_back({prefix.chopped(1), "no"});
        else if (name == u"via" || name == u"sttop")
            steps.push_back({prefix + name,
                             value == u"0" ? value
                             : value == u"resumed"
                                 ? number(h.app.form1().via + (h.clock.now() - h.app.form1().sttop))
                                 : number(h.clock.now()),
                             false});
        else if (!value.isEmpty())
            steps.push_back({prefix + name, value});
        else if (name == u"focus")
            steps.push_back({prefix + name, p.focus});
        else if (name == u"Label2")
            steps.push_back({prefix + name, window.state(p.to).status});
        else if (name.endsWith(u".caption"))
            steps.push_back({prefix + name, window.state(p.to).captions[control]});
        else if (control == u"Timer1")
            steps.push_back({prefix + name, flag(window.state(p.to).timer)});
        else
            steps.push_back({prefix + name, flag(window.state(p.to).enabled.contains(control))});
    }
    return steps;
}

// Every designed press of both windows with its list of steps, from every state it starts from.
std::vector<Case> designedCases() {
    std::vector<Case> all;
    for (const bool inAbout : {false, true}) {
        const test::DesignedWindow& window =
            inAbout ? test::designedAbout() : test::designedStopwatch();
        const QString prefix = inAbout ? u"Form3."_qs : u"Form1."_qs;
        for (const test::DesignedPress& p : window.presses) {
            if (p.steps.isEmpty())
                continue;
            const QByteArray button = p.press.toLatin1();
            if (p.from.isEmpty()) { // the window's loading
                all.push_back({prefix.toLatin1() + button, false,
                               [&window, &p, prefix](Harness& h) {
                                   return designedSteps(h, window, p, prefix);
                               },
                               [](Harness& h) { h.startUp(); }});
                continue;
            }
            for (const QString& from : p.from) {
                Case c{prefix.toLatin1() + button + " from " + from.toLatin1(), inAbout,
                       [&window, &p, prefix, from, inAbout](Harness& h) {
                           bring(h, from, inAbout);
                           return designedSteps(h, window, p, prefix);
                       },
                       [button, inAbout](Harness& h) {
                           press(formOf(h, inAbout), button.constData());
                       }};
                if (button == "Command6" && !inAbout)
                    c.trigger = [](Harness& h) {
                        QTimer::singleShot(0, h.app.form1().window(), [&h] {
                            if (h.about() == nullptr || !h.about()->isVisible())
                                return;
                            h.failure.failAt = 0;
                            aboutSeen = QStringLiteral("shown");
                            Harness::click(*h.about(), "Command1");
                        });
                        press(h.app.form1(), "Command6");
                    };
                all.push_back(c);
            }
        }
    }
    return all;
}

// Memory figures, different from the ones the panel shows, so every write of it can be seen.
std::vector<Step> memorySteps(Harness& h, std::uint64_t base) {
    h.memory.status = {base * 1000, (base + 1) * 1000, (base + 2) * 1000};
    const auto shown = [](std::uint64_t thousands) { return QString::number(thousands) + ",000"; };
    return {{"Form3.Label8", " Memoria virtuale disponibile: " + shown(base + 2) + " bytes"},
            {"Form3.Label3", " Memoria fisica totale:  " + shown(base) + " bytes"},
            {"Form3.Label4", " Memoria fisica disponibile:  " + shown(base + 1) + " bytes"}};
}

template <typename T> std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A tick of a window's timer after the ticks given, with its steps.
Case tick(const char* name, bool inAbout, int before, std::vector<Step> steps,
          std::uint64_t memory = 0) {
    return {name, inAbout,
            [=](Harness& h) {
                if (!inAbout)
                    counting(h);
                Harness::tick(formOf(h, inAbout), before);
                h.clock.advance(inAbout ? 0 : 3600);
                return inAbout ? steps + memorySteps(h, memory) : steps;
            },
            [inAbout](Harness& h) { Harness::tick(formOf(h, inAbout)); }};
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all =
        designedCases() + std::vector<Case>{
                              tick("Form1 Timer1_Timer", false, 0, {{"Form1.Label1", "01:01:05"}}),
                              tick("Form3 Timer1_Timer, first character", true, 0,
                                   {{"Form3.Sc", "1", false}, {"Form3.Label1(1).caption", "Q"}}, 1),
                              tick("Form3 Timer1_Timer, end of the first line", true, 61,
                                   {{"Form3.Sc", "62", false},
                                    {"Form3.Label1(1).colour", "#ffffff"},
                                    {"Form3.Indice", "2", false}},
                                   4),
                              tick("Form3 Timer1_Timer, notice typed", true, 130, {}, 7),
                          };
    return all;
}

struct Expected {
    const char* name;
    Failure failure;
    const char* prompt;
};

const Expected failures[] = {
    {"invalid call", Failure::InvalidCall,
     "Errore di run-time '5':\n\nChiamata di routine o argomento non validi"},
    {"no such element", Failure::NoSuchElement,
     "Errore di run-time '340':\n\nL'elemento 7 della matrice di controlli non esiste"},
    {"overflow", Failure::Overflow, "Errore di run-time '6':\n\nOverflow"},
    {"no such control", Failure::NoSuchControl,
     "Errore di run-time '730':\n\nImpossibile trovare il controllo 'Label9'"},
    {"unloaded window", Failure::Unloaded, "Errore di run-time '364':\n\nOggetto scaricato"},
};

QString labelText(QWidget& form, const char* name, int index = -1) {
    return Harness::label(form, name, index)->text();
}

// A probe window failing as asked, and the label of a second window, gone before its handlers
// write to it.
struct Probed {
    Probed(forms::Runtime& runtime, test::Failing failing)
        : other(std::make_unique<Probe>(runtime)), otherLabel(*other, "Label2"),
          probe((other.reset(), runtime), failing, &otherLabel) {}
    std::unique_ptr<Probe> other;
    forms::Label otherLabel;
    Probe probe;
};

std::unique_ptr<Harness> started() {
    auto h = std::make_unique<Harness>(test::quietTimers);
    h->startUp();
    return h;
}

} // namespace

class TestRuntimeErrors : public QObject {
    Q_OBJECT

private slots:

    void failingAtEveryOperation_data() {
        QTest::addColumn<int>("which");
        for (std::size_t i = 0; i < cases().size(); ++i)
            QTest::newRow(cases()[i].name.constData()) << int(i);
    }
    void failingAtEveryOperation() {
        QFETCH(int, which);
        const Case& c = cases()[std::size_t(which)];
        const bool startsUp = c.name.endsWith("Form_Load");
        std::size_t reached = 0; // steps done at the previous k
        for (int k = 1;; ++k) {
            QVERIFY2(k < 64, "the handler never ran to its end");
            Harness h{test::quietTimers};
            aboutSeen.clear();
            std::vector<Step> steps;
            View before, after;
            bool failed = false;
            const auto run = [&] {
                steps = c.prepare(h);
                if (!startsUp)
                    focusOn(formOf(h, c.inAbout), c.inAbout ? "Command2" : "Command6");
                before = startsUp ? View{} : view(h);
                const std::size_t boxes = h.msgBox.shown.size();
                h.failure.counted = 0;
                h.failure.failAt = k;
                c.trigger(h);
                h.failure.failAt = 0;
                after = view(h);
                failed = h.msgBox.shown.size() > boxes;
                if (failed)
                    QCOMPARE(h.msgBox.shown.back().prompt, injected);
            };
            if (startsUp) {
                run();
                // The window as designed, before its Load handler.
                before = after;
                for (const char* name : {"Command2", "Command3", "Command4"})
                    before[QStringLiteral("Form1.%1.enabled").arg(name)] = "yes";
                before["Form1.Timer1.enabled"] = "yes";
                before["Form1.via"] = before["Form1.sttop"] = "0";
                before["Form1.focus"] = "*";
            } else {
                h.startUp();
                if (c.inAbout)
                    h.withAbout([&](Form3&) { run(); });
                else
                    run();
            }
            if (QTest::currentTestFailed())
                return;

            // The longest list of done steps the windows agree with, at most one operation
            // further than at the previous k.
            std::size_t done = reached;
            bool found = false;
            int operations = 0;
            for (std::size_t p = reached; p <= steps.size(); ++p) {
                if (p > reached && steps[p - 1].operation)
                    ++operations;
                if (operations > 1)
                    break;
                if (differences(after, expectedAfter(before, steps, p)).isEmpty())
                    done = p, found = true;
            }
            QVERIFY2(
                found,
                qPrintable(QStringLiteral("failing at operation %1, %2 steps done before: %3")
                               .arg(k)
                               .arg(reached)
                               .arg(differences(after, expectedAfter(before, steps, reached)))));
            reached = done;
            if (!failed) {
                // No operation left to fail: the handler ran to its end, every step done.
                QCOMPARE(reached, steps.size());
                break;
            }
        }
    }

    // Each kind of error in each kind of handler: the load handler, a click (by mouse, then by its
    // access key), a tick (twice), and the unload handler of a close by the close box, going on or
    // cancelled before the failure. Each failure is told on its own; the steps before it stay done
    // and the ones after it never run, nor a cancel after it; and the program goes on.
    void failureInAHandler_data() {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<int>("which");
        for (const QString& handler :
             {u"load"_qs, u"click"_qs, u"timer"_qs, u"unload"_qs, u"unload, cancelled first"_qs}) {
            for (int i = 0; i < int(std::size(failures)); ++i)
                QTest::addRow("%s, %s", qPrintable(handler), failures[i].name) << handler << i;
        }
    }
    void failureInAHandler() {
        QFETCH(QString, handler);
        QFETCH(int, which);
        const Expected& e = failures[which];
        const bool repeated = handler == u"click" || handler == u"timer";
        auto h = started();
        test::Failing failing;
        (handler == u"load"    ? failing.load
         : handler == u"click" ? failing.click
         : handler == u"timer" ? failing.timer
                               : failing.unload) = e.failure;
        Probed probed(h->app.runtime(), failing);
        Probe& probe = probed.probe;
        probe.cancelBeforeFailure = handler.endsWith(u"cancelled first") ? 1 : 0;
        probe.show();
        QVERIFY(probe.window()->isVisible());
        const int loaded = Harness::windowsShown();
        QPointer<QWidget> window = probe.window();
        // A handler that keeps failing while a box is open, as a timer ticking on, adds no box.
        int nested = 0;
        h->msgBox.whileShown = [&] {
            if (++nested <= 3)
                probe.dispatch().deliver([] { throw RuntimeError::overflow(); });
        };
        if (handler == u"click") {
            Harness::click(probe, "Command1");
            Harness::altKey(probe, Qt::Key_P);
        } else if (handler == u"timer") {
            Harness::tick(probe, 2);
        } else if (handler.startsWith(u"unload")) {
            window->close();
        }
        const std::size_t boxes = repeated ? 2 : 1;
        QCOMPARE(h->msgBox.shown.size(), boxes);
        for (const auto& box : h->msgBox.shown) {
            QCOMPARE(box.prompt, QString::fromUtf8(e.prompt));
            QCOMPARE(box.style, 16);
            QCOMPARE(box.title, QStringLiteral("Vantelsiro"));
        }
        QCOMPARE(probe.afterLoad, handler == u"load" ? 0 : 1);
        QCOMPARE(probe.afterClick + probe.afterTimer + probe.afterUnload, 0);
        QCOMPARE(probe.isVisible(), handler != u"unload");
        QCOMPARE(Harness::windowsShown(), loaded - (handler == u"unload" ? 1 : 0));
        QVERIFY(h->app.form1().isVisible());
        if (probe.isVisible()) {
            // The load handler's first step, and the failing handler's own; what an earlier
            // handler wrote at its end is still there.
            QVERIFY(!Harness::button(probe, "Command3")->isEnabled());
            QCOMPARE(labelText(probe, "Label1", 0), handler == u"load"    ? u"caricato"_qs
                                                    : handler == u"click" ? u"cliccato"_qs
                                                    : handler == u"timer" ? u"tic"_qs
                                                                          : u"chiusura"_qs);
            QCOMPARE(labelText(probe, "Label2"),
                     handler == u"load" ? QString() : u"caricato fino in fondo"_qs);
            QVERIFY(Harness::timer(probe)->isEnabled());
            // The window takes input.
            Harness::altKey(probe, Qt::Key_B);
            QCOMPARE(labelText(probe, "Label2"), QStringLiteral("bene 1"));
            QCOMPARE(h->msgBox.shown.size(), boxes);
            probe.cancelBeforeFailure = 0;
            probe.unload();
            QVERIFY(!probe.isVisible());
            QCOMPARE(h->msgBox.shown.size(), boxes + (handler.startsWith(u"unload") ? 1 : 0));
        }
        QVERIFY(!window->isVisible());
        // The stopwatch answers its keys once it is active again.
        QWidget* stopwatch = h->app.form1().window();
        stopwatch->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(stopwatch));
        Harness::altKey(h->app.form1(), Qt::Key_V);
        QCOMPARE(test::stateOf(h->app.form1()), QStringLiteral("counting"));
    }

    // The 16-bit counters stop at their bound: the step that would pass it fails, and the rest of
    // the tick with it.
    void anOverflowingCounterIsARunTimeError() {
        QVERIFY_THROWS_EXCEPTION(RuntimeError, checkedAdd(32767, 1));
        QCOMPARE(checkedAdd(32766, 1), std::int16_t{32767});
        auto h = std::make_unique<Harness>(test::quietTimers);
        h->startUp();
        h->withAbout([&](Form3& about) {
            about.Sc = 32767;
            Harness::tick(about);
            QCOMPARE(about.Sc, std::int16_t{32767});
            QCOMPARE(h->msgBox.shown.size(), std::size_t{1});
            QVERIFY(h->msgBox.shown[0].prompt.startsWith(u"Errore di run-time '6':"));
            QCOMPARE(h->msgBox.shown[0].owner, about.window());
            QVERIFY(labelText(about, "Label1", 1).isEmpty());
            // The memory readout after the failed step did not run either.
            QCOMPARE(Harness::label(about, "Label3")->text(), QStringLiteral("Label2"));
            QVERIFY(about.isVisible());
        });
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
        form.dispatch().deliver([&] {
            form.Command1.setEnabled(false);
            QVERIFY(Harness::button(form, "Command1")->hasFocus());
            form.Command1.setFocus(); // disabled as far as a handler can tell
        });
        QCOMPARE(h.msgBox.shown.size(), std::size_t{1});
        QVERIFY(disabledWhenShown);
        QVERIFY(!Harness::button(form, "Command1")->isEnabled());
        QCOMPARE(Harness::focused(form), QStringLiteral("Command5"));
    }
};

QTEST_MAIN(TestRuntimeErrors)
#include "tst_runtime_errors.moc"
