// A small model of the stopwatch driven side by side with the real window: random clicks and
// access keys on enabled and disabled buttons, Tab, Space and Enter, ticks and clock advances, with
// no pause between them but now and then one longer than Qt's animated click.
// After every event the window must show what the model says: the designed state (the Enabled
// flags, the captions, the status line, the timer), the focus, the display, and the instants via
// and sttop. (The About window over the stopwatch, in each of its states: tst_desktop.)
//
// The seed is fixed; VELTI_MODEL_SEED picks another and VELTI_MODEL_EVENTS another length (the
// long run in bench/ uses it). A failure names the seed, the event and the events before it.
#include "tests/support/harness.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <deque>
#include <random>

using namespace velti;
using velti::test::Harness;

namespace {

constexpr std::uint64_t kDefaultSeed = 20261207;
constexpr long kDefaultEvents = 20000;

const test::DesignedWindow& design() {
    return test::designedStopwatch();
}

// What the window should show, worked out from the design table and the clock alone.
struct Model {
    QString state = QStringLiteral("idle");
    std::int64_t now = 0; // the clock, in whole seconds
    std::int64_t via = 0; // seconds; the window starts with via and sttop at the zero instant
    std::int64_t sttop = 0;
    QString display = QStringLiteral("00:00:00");
    QString focus = design().tabOrder.first();

    const test::DesignedState& shown() const { return design().state(state); }
    bool enabled(const QString& button) const { return shown().enabled.contains(button); }

    // The button a letter with Alt presses: its caption's marked letter, whether or not enabled.
    QString accessKey(QChar letter) const {
        for (const QString& button : design().tabOrder) {
            const QString caption = shown().captions[button];
            const qsizetype at = caption.indexOf(u'&');
            if (at >= 0 && caption.at(at + 1).toUpper() == letter)
                return button;
        }
        return {};
    }

    void tick() {
        if (!shown().timer)
            return;
        const std::int64_t count = now - via;
        display = QString::asprintf("%02lld:%02lld:%02lld", static_cast<long long>(count / 3600),
                                    static_cast<long long>(count / 60 % 60),
                                    static_cast<long long>(count % 60));
    }

    // A press of an enabled button, Command6 aside (the About window is never opened here): the
    // designed press, its variables set as its steps say.
    void press(const QString& button) {
        const test::DesignedPress* p = design().press(state, button);
        if (p == nullptr)
            return;
        for (const QString& step : p->steps) {
            if (step == u"via=now")
                via = now;
            else if (step == u"via=resumed")
                via += now - sttop;
            else if (step == u"sttop=now")
                sttop = now;
            else if (step.startsWith(u"Label1="))
                display = step.section(u'=', 1);
        }
        state = p->to.isEmpty() ? state : p->to;
        focus = p->focus.isEmpty() ? focus : p->focus;
    }
};

// An instant in whole seconds from the zero instant, worked out here rather than by the program.
std::int64_t wholeSeconds(Instant instant) {
    return std::llround(instant * 86400.0);
}

const char* const buttons[] = {"Command1", "Command2", "Command3", "Command4", "Command5"};

} // namespace

class TestModel : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;
    Form1* form = nullptr;
    Model model;
    std::mt19937_64 random;
    std::uint64_t seed = kDefaultSeed;
    long index = 0;
    std::deque<QString> recent;
    QString failure;

    int pick(int n) { return static_cast<int>(random() % static_cast<std::uint64_t>(n)); }

    void note(const QString& what) {
        recent.push_back(QStringLiteral("#%1 %2 -> %3").arg(index).arg(what, model.state));
        if (recent.size() > 25)
            recent.pop_front();
    }

    // Compares the window with the model; the first difference is kept with its story.
    bool agrees(const char* where) {
        if (!failure.isEmpty())
            return false;
        QStringList differences;
        const auto compare = [&](const QString& what, const QString& actual,
                                 const QString& expected) {
            if (actual != expected)
                differences
                    << QStringLiteral("%1: window '%2', model '%3'").arg(what, actual, expected);
        };
        compare(u"state"_qs, test::stateOf(*form), model.state);
        compare(u"display"_qs, Harness::label(*form, "Label1")->text(), model.display);
        compare(u"focus"_qs, Harness::focused(*form), model.focus);
        compare(u"via"_qs, QString::number(wholeSeconds(form->via)), QString::number(model.via));
        compare(u"sttop"_qs, QString::number(wholeSeconds(form->sttop)),
                QString::number(model.sttop));
        if (differences.isEmpty())
            return true;
        failure = QStringLiteral("seed %1, event %2 (%3):\n  %4\nlast events:\n  %5\n"
                                 "(run again with VELTI_MODEL_SEED=%1)")
                      .arg(seed)
                      .arg(index)
                      .arg(QLatin1String(where), differences.join(u"\n  "_qs),
                           QStringList(recent.begin(), recent.end()).join(u"\n  "_qs));
        return false;
    }

    void advance(int seconds) {
        h->clock.advance(seconds);
        model.now += seconds;
    }

    void tick() {
        Harness::tick(*form);
        model.tick();
    }

    void click(int button) {
        const bool enabled = model.enabled(QLatin1String(buttons[button]));
        Harness::click(*form, buttons[button]);
        if (enabled)
            model.press(QLatin1String(buttons[button]));
    }

    void accessKey(Qt::Key key) {
        const QString button = model.accessKey(QChar(key));
        const bool hit = !button.isEmpty() && model.enabled(button);
        Harness::altKey(*form, key);
        if (hit)
            model.press(button);
    }

    // Space or Enter: the focused button is clicked.
    void keyOnFocus(Qt::Key key) {
        Harness::key(*form, key);
        model.press(model.focus);
    }

    void tab(bool forward) {
        Harness::key(*form, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                     forward ? Qt::NoModifier : Qt::ShiftModifier);
        // Where Tab goes from each button in each state is tst_desktop's: the model follows it.
        model.focus = Harness::focused(*form);
    }

    void play() {
        const int roll = pick(1000);
        if (roll < 340) {
            const int button = pick(5);
            click(button);
            note(QStringLiteral("click %1").arg(QLatin1String(buttons[button])));
        } else if (roll < 580) {
            tick();
            note(u"tick"_qs);
        } else if (roll < 800) {
            const int seconds = pick(4);
            advance(seconds);
            note(QStringLiteral("advance %1 s").arg(seconds));
        } else if (roll < 880) {
            const bool forward = pick(3) != 0;
            tab(forward);
            note(forward ? u"Tab"_qs : u"Shift+Tab"_qs);
        } else if (roll < 960) {
            if (model.focus == u"Command6") {
                // Space there would open the About window outside the harness: move on instead.
                tab(true);
                note(u"Tab"_qs);
            } else {
                const Qt::Key key = pick(2) == 0 ? Qt::Key_Space : Qt::Key_Return;
                keyOnFocus(key);
                note(key == Qt::Key_Space ? u"Space"_qs : u"Enter"_qs);
            }
        } else if (roll < 975) {
            static const Qt::Key letters[] = {Qt::Key_V, Qt::Key_S, Qt::Key_P, Qt::Key_R, Qt::Key_I,
                                              Qt::Key_A, Qt::Key_M, Qt::Key_C, Qt::Key_X};
            const Qt::Key key = letters[pick(9)];
            accessKey(key);
            note(QStringLiteral("Alt+%1").arg(QChar(key)));
        } else if (roll == 975) {
            // Longer than Qt's animated click: whatever an input left pending has happened.
            QTest::qWait(110);
            note(u"a pause"_qs);
        } else {
            // Advance and tick together, as the running timer sees the clock move.
            const int seconds = pick(4);
            advance(seconds);
            tick();
            note(QStringLiteral("advance %1 s and tick").arg(seconds));
        }
    }

private slots:

    void theWindowFollowsTheModel() {
        if (qEnvironmentVariableIsSet("VELTI_MODEL_SEED"))
            seed = qEnvironmentVariable("VELTI_MODEL_SEED").toULongLong();
        long events = kDefaultEvents;
        if (qEnvironmentVariableIsSet("VELTI_MODEL_EVENTS"))
            events = qEnvironmentVariable("VELTI_MODEL_EVENTS").toLong();
        QVERIFY(events > 0);
        random.seed(seed);
        qInfo("seed %llu, %ld events", static_cast<unsigned long long>(seed), events);

        h = std::make_unique<Harness>(test::quietTimers);
        form = &h->startUp();
        model.now = h->clock.seconds;
        QVERIFY2(agrees("start-up"), qPrintable(failure));

        for (index = 1; index <= events; ++index) {
            play();
            if (!agrees("after the event"))
                QFAIL(qPrintable(failure));
        }
        QVERIFY(h->msgBox.shown.empty());
        h.reset();
    }
};

QTEST_MAIN(TestModel)
#include "tst_model.moc"
