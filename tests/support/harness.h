// Drives the real windows the way a user does: clicks, access keys, ticks on a fake clock.
#pragma once

#include "tests/support/design.h"
#include "tests/support/fakes.h"

#include "about/form3.h"
#include "app/application.h"
#include "forms/widgets.h"
#include "stopwatch/form1.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace velti::test {

// The designed state the stopwatch shows ("idle", "counting"...: its status line, which buttons
// can be pressed, their captions and the timer, all as tests/support/design.json states them), or
// what sets it apart from every designed state.
QString stateOf(Form1& form);

// Timers whose ticks come from the tests alone, one at a time: the real timers never fire.
inline constexpr forms::TimerPolicy quietTimers{.floorMs = 24 * 3600 * 1000};

// A window that does not become active, or a button that stays down, fails the test that met it:
// what follows would be checked against a window the user could not have used.
class Harness {
public:
    FakeClock clock;
    FakeMemory memory;
    FakeLauncher launcher;
    FakeMsgBox msgBox;
    Application app;
    int allUnloaded = 0;

    explicit Harness(forms::TimerPolicy timers = {});
    ~Harness();

    // The stopwatch window, started up as the program does, shown and active.
    Form1& startUp();

    static QPushButton* button(forms::Form& form, const char* name);
    static QLabel* label(forms::Form& form, const char* name, int index = -1);
    static forms::TimerControl* timer(forms::Form& form);

    // A left click in the middle of the button, as the mouse gives it.
    static void click(forms::Form& form, const char* name);
    // Alt with the letter, sent to the window.
    static void altKey(forms::Form& form, Qt::Key key);
    static void key(forms::Form& form, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // Ticks of the window's timer, delivered as the running timer does (none while disabled).
    static void tick(forms::Form& form, int count = 1);
    // The name of the control with the keyboard focus in that window.
    static QString focused(forms::Form& form);

    // Opens the About window from the stopwatch (with a click on the information button, or as
    // open says) and runs body inside its modal loop once it is active; the window is closed
    // with "OK" afterwards if body leaves it open.
    void withAbout(const std::function<void(Form3&)>& body, const std::function<void()>& open = {});
};

// A suite whose every test starts in the suite's locale with the stopwatch up, on quiet timers.
class StartedSuite : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<Harness> h;
    QLocale locale = QLocale::c();

private slots:
    void init() {
        QLocale::setDefault(locale);
        h = std::make_unique<Harness>(quietTimers);
        h->startUp();
    }
    void cleanup() { h.reset(); }
};

} // namespace velti::test
