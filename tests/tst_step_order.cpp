// Every handler of both windows, failed at each of its control operations in turn. A failure at
// the k-th operation must leave the steps before it done and every later step undone, and the
// user must be told. Comparing what the windows show after each k with the handler's list of
// steps pins the order of the steps, one by one.
#include "tests/support/harness.h"

#include <QMap>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace velti;
using velti::test::Harness;

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
    Form1& f = h.app.form1();
    if (f.isLoaded()) {
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
    v["About window"] = aboutSeen;
    v["Form3"] = flag(h.app.hasForm3() && h.app.form3().isLoaded());
    if (v["Form3"] == u"no")
        return v;
    Form3& a = h.app.form3();
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

bool matches(const View& actual, const View& expected) {
    if (actual.keys() != expected.keys())
        return false;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (it.value() != u"*" && actual.value(it.key()) != it.value())
            return false;
    return true;
}

QString differences(const View& actual, const View& expected) {
    QStringList lines;
    QStringList keys = actual.keys() + expected.keys();
    keys.removeDuplicates();
    for (const QString& key : keys)
        if (expected.value(key) != u"*" && actual.value(key) != expected.value(key))
            lines << QStringLiteral("%1: shown '%2', expected '%3'")
                         .arg(key, actual.value(key, "(none)"), expected.value(key, "(none)"));
    return lines.join(u"; ");
}

// Tabs forward until the named button has the focus: the handler is then pressed without
// touching the focus, so every focus step it takes can be seen.
void focusOn(forms::Form& form, const char* name) {
    for (int i = 0; i < 8 && Harness::focused(form) != QLatin1String(name); ++i)
        Harness::key(form, Qt::Key_Tab);
    QCOMPARE(Harness::focused(form), QLatin1String(name));
}

// Pressed as a screen reader or a script presses it: the click, and nothing else.
void press(forms::Form& form, const char* name) {
    Harness::button(form, name)->click();
}

struct Case {
    const char* name;
    bool inAbout = false;
    // Drives the windows into the state the handler starts from; returns its steps.
    std::function<std::vector<Step>(Harness&)> prepare;
    std::function<void(Harness&)> trigger;
};

const QString injected =
    QStringLiteral("Errore di run-time '5':\n\nChiamata di routine o argomento non validi");

std::vector<Step> startSteps(Harness& h) {
    return {{"Form1.Timer1.enabled", "yes"},   {"Form1.Command1.enabled", "no"},
            {"Form1.Command2.enabled", "yes"}, {"Form1.Command3.enabled", "yes"},
            {"Form1.Command4.enabled", "yes"}, {"Form1.Command5.enabled", "no"},
            {"Form1.focus", "Command3"},       {"Form1.via", number(h.clock.now()), false},
            {"Form1.Label2", "Conteggio..."}};
}

std::vector<Step> stopSteps(Harness&) {
    return {{"Form1.Timer1.enabled", "no"},        {"Form1.Command2.enabled", "no"},
            {"Form1.Command3.enabled", "no"},      {"Form1.Command1.enabled", "yes"},
            {"Form1.Command4.enabled", "no"},      {"Form1.Command3.caption", "&Pausa"},
            {"Form1.Command4.caption", "R&ileva"}, {"Form1.Command5.enabled", "yes"},
            {"Form1.focus", "Command5"},           {"Form1.Label2", "Inattivo"}};
}

// The stopwatch counting for 65 seconds, with the focus on the information button.
void counting(Harness& h) {
    Form1& f = h.app.form1();
    press(f, "Command1");
    h.clock.advance(65);
    Harness::tick(f);
}

// Memory figures, different from the ones the panel shows, so every write of it can be seen.
std::vector<Step> memorySteps(Harness& h, std::uint64_t base) {
    h.memory.status = {base * 1000, (base + 1) * 1000, (base + 2) * 1000};
    const auto shown = [](std::uint64_t thousands) { return QString::number(thousands) + ",000"; };
    return {{"Form3.Label8", " Memoria virtuale disponibile: " + shown(base + 2) + " bytes"},
            {"Form3.Label3", " Memoria fisica totale:  " + shown(base) + " bytes"},
            {"Form3.Label4", " Memoria fisica disponibile:  " + shown(base + 1) + " bytes"}};
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"Form1 Form_Load", false,
         [](Harness& h) {
             // Nothing else sets the pause instant: a value of our own shows when it is cleared.
             h.app.form1().sttop = 1234.5;
             return std::vector<Step>{{"Form1.Timer1.enabled", "no"},
                                      {"Form1.Command2.enabled", "no"},
                                      {"Form1.Command3.enabled", "no"},
                                      {"Form1.Command4.enabled", "no"},
                                      {"Form1.sttop", "0", false}};
         },
         [](Harness& h) { h.startUp(); }},
        {"Form1 Command1_Click, start", false,
         [](Harness& h) {
             h.clock.advance(30);
             return startSteps(h);
         },
         [](Harness& h) { press(h.app.form1(), "Command1"); }},
        {"Form1 Command2_Click, stop while counting", false,
         [](Harness& h) {
             counting(h);
             return stopSteps(h);
         },
         [](Harness& h) { press(h.app.form1(), "Command2"); }},
        {"Form1 Command2_Click, stop while paused", false,
         [](Harness& h) {
             counting(h);
             press(h.app.form1(), "Command3");
             return stopSteps(h);
         },
         [](Harness& h) { press(h.app.form1(), "Command2"); }},
        {"Form1 Command2_Click, stop in a reading", false,
         [](Harness& h) {
             counting(h);
             press(h.app.form1(), "Command4");
             return stopSteps(h);
         },
         [](Harness& h) { press(h.app.form1(), "Command2"); }},
        {"Form1 Command3_Click, pause", false,
         [](Harness& h) {
             counting(h);
             h.clock.advance(2);
             return std::vector<Step>{{"Form1.Command3.caption", "&Riprendi"},
                                      {"Form1.focus", "Command3"},
                                      {"Form1.Command4.enabled", "no"},
                                      {"Form1.sttop", number(h.clock.now()), false},
                                      {"Form1.Label2", "In pausa"},
                                      {"Form1.Timer1.enabled", "no"}};
         },
         [](Harness& h) { press(h.app.form1(), "Command3"); }},
        {"Form1 Command3_Click, resume", false,
         [](Harness& h) {
             counting(h);
             Form1& f = h.app.form1();
             press(f, "Command3");
             h.clock.advance(40);
             const Instant via = f.via + (h.clock.now() - f.sttop);
             return std::vector<Step>{
                 {"Form1.Command3.caption", "&Pausa"}, {"Form1.Command4.enabled", "yes"},
                 {"Form1.focus", "Command3"},          {"Form1.Label2", "Conteggio..."},
                 {"Form1.via", number(via), false},    {"Form1.Timer1.enabled", "yes"}};
         },
         [](Harness& h) { press(h.app.form1(), "Command3"); }},
        {"Form1 Command4_Click, reading", false,
         [](Harness& h) {
             counting(h);
             return std::vector<Step>{{"Form1.Command3.enabled", "no"},
                                      {"Form1.Command4.caption", "OK"},
                                      {"Form1.focus", "Command4"},
                                      {"Form1.Label2", "Rilevamento"},
                                      {"Form1.Timer1.enabled", "no"}};
         },
         [](Harness& h) { press(h.app.form1(), "Command4"); }},
        {"Form1 Command4_Click, end of the reading", false,
         [](Harness& h) {
             counting(h);
             press(h.app.form1(), "Command4");
             return std::vector<Step>{{"Form1.Command3.enabled", "yes"},
                                      {"Form1.Command4.caption", "R&ileva"},
                                      {"Form1.Label2", "Conteggio..."},
                                      {"Form1.focus", "Command3"},
                                      {"Form1.Timer1.enabled", "yes"}};
         },
         [](Harness& h) { press(h.app.form1(), "Command4"); }},
        {"Form1 Command5_Click, reset", false,
         [](Harness& h) {
             counting(h);
             press(h.app.form1(), "Command2");
             return std::vector<Step>{{"Form1.Label1", "00:00:00"}, {"Form1.focus", "Command1"}};
         },
         [](Harness& h) { press(h.app.form1(), "Command5"); }},
        {"Form1 Command6_Click, About", false,
         [](Harness&) {
             return std::vector<Step>{{"About window", "shown"}};
         },
         [](Harness& h) {
             QTimer::singleShot(0, h.app.form1().window(), [&h] {
                 if (!h.app.hasForm3() || !h.app.form3().isLoaded())
                     return;
                 h.app.context().failureHook().failAt = 0;
                 aboutSeen = QStringLiteral("shown");
                 Harness::click(h.app.form3(), "Command1");
             });
             press(h.app.form1(), "Command6");
         }},
        {"Form1 Timer1_Timer", false,
         [](Harness& h) {
             counting(h);
             h.clock.advance(3600);
             return std::vector<Step>{{"Form1.Label1", "01:01:05"}};
         },
         [](Harness& h) { Harness::tick(h.app.form1()); }},
        {"Form3 Command1_Click, OK", true,
         [](Harness&) {
             return std::vector<Step>{{"Form3", "no"}};
         },
         [](Harness& h) { press(h.app.form3(), "Command1"); }},
        {"Form3 Command3_Click, Memoria", true,
         [](Harness&) {
             return std::vector<Step>{{"Form3.height", "270"}, {"Form3.Command3.enabled", "no"}};
         },
         [](Harness& h) { press(h.app.form3(), "Command3"); }},
        {"Form3 Timer1_Timer, first character", true,
         [](Harness& h) {
             return std::vector<Step>{{"Form3.Sc", "1", false}, {"Form3.Label1(1).caption", "Q"}} +
                    memorySteps(h, 1);
         },
         [](Harness& h) { Harness::tick(h.app.form3()); }},
        {"Form3 Timer1_Timer, end of the first line", true,
         [](Harness& h) {
             Harness::tick(h.app.form3(), 61);
             return std::vector<Step>{{"Form3.Sc", "62", false},
                                      {"Form3.Label1(1).colour", "#ffffff"},
                                      {"Form3.Indice", "2", false}} +
                    memorySteps(h, 4);
         },
         [](Harness& h) { Harness::tick(h.app.form3()); }},
        {"Form3 Timer1_Timer, notice typed", true,
         [](Harness& h) {
             Harness::tick(h.app.form3(), 130);
             return memorySteps(h, 7);
         },
         [](Harness& h) { Harness::tick(h.app.form3()); }},
    };
    return all;
}

} // namespace

class TestStepOrder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::initialiseLayer(); }

    void failingAtEveryOperation_data() {
        QTest::addColumn<int>("which");
        for (std::size_t i = 0; i < cases().size(); ++i)
            QTest::newRow(cases()[i].name) << int(i);
    }
    void failingAtEveryOperation() {
        QFETCH(int, which);
        const Case& c = cases()[std::size_t(which)];
        const bool startsUp = QByteArray(c.name).endsWith("Form_Load");
        std::size_t reached = 0; // steps done at the previous k
        for (int k = 1;; ++k) {
            QVERIFY2(k < 64, "the handler never ran to its end");
            Harness h{test::quietTimers};
            aboutSeen.clear();
            std::vector<Step> steps;
            View before, after;
            bool failed = false;
            const auto run = [&] {
                forms::Form& form = c.inAbout ? static_cast<forms::Form&>(h.app.form3())
                                              : static_cast<forms::Form&>(h.app.form1());
                steps = c.prepare(h);
                if (!startsUp)
                    focusOn(form, c.inAbout ? "Command2" : "Command6");
                before = startsUp ? View{} : view(h);
                const std::size_t boxes = h.msgBox.shown.size();
                h.app.context().failureHook().counted = 0;
                h.app.context().failureHook().failAt = k;
                c.trigger(h);
                h.app.context().failureHook().failAt = 0;
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
                before["Form1.sttop"] = "1234.5";
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
                if (matches(after, expectedAfter(before, steps, p)))
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

    // The About window's Load handler and "&Crediti" take no control operation: they cannot be
    // stopped half-way.
    void aboutLoadAndCreditiTakeNoOperation() {
        Harness h{test::quietTimers};
        h.startUp();
        h.app.context().failureHook().counted = 0;
        h.app.context().failureHook().failAt = 2; // the first is the information button's Show
        h.withAbout([&](Form3& about) {
            QCOMPARE(h.app.context().failureHook().counted, 1);
            QCOMPARE(about.Sc, std::int16_t{0});
            QCOMPARE(about.Indice, std::int16_t{1});
            QCOMPARE(about.Stringa.size(), 122);
            press(about, "Command2");
            QCOMPARE(h.launcher.calls.size(), std::size_t{1});
            QCOMPARE(h.app.context().failureHook().counted, 1);
            h.app.context().failureHook().failAt = 0;
        });
        QVERIFY(h.msgBox.shown.empty());
    }
};

QTEST_MAIN(TestStepOrder)
#include "tst_step_order.moc"
