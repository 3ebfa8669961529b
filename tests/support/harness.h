// Drives the real windows the way a user does: clicks, access keys, ticks on a fake clock.
#pragma once

#include "tests/support/design.h"
#include "tests/support/fakes.h"

#include "about/form3.h"
#include "app/application.h"
#include "forms/screen_reader/notices.h"
#include "forms/windows/form.h"
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
inline constexpr int kTimerFloorMs = forms::TimerPolicy{}.floorMs;

// Fails the control operation that brings the count to failAt, as a real failure would; only
// operations inside a handler count. Unset (0), nothing fails.
struct FailAt final : forms::OperationCheck {
    int failAt = 0;
    int counted = 0;
    void beforeOperation() override {
        if (failAt != 0 && ++counted == failAt)
            throw RuntimeError::invalidCall();
    }
};

// A window that does not become active, or a button that stays down, fails the test that met it:
// what follows would be checked against a window the user could not have used.
class Harness {
public:
    FakeClock clock;
    FakeMemory memory;
    FakeLauncher launcher;
    FakeMsgBox msgBox;
    Application app;
    FailAt failure;

    explicit Harness(forms::TimerPolicy timers = {});
    ~Harness();

    // The stopwatch window, started up as the program does, shown and active.
    Form1& startUp();

    // The About window while it is open, or nullptr.
    Form3* about() const { return app.about(); }
    // The program's windows on screen.
    static int windowsShown();

    // A control of the window by its designed name (and array index), or nullptr.
    static QObject* control(QWidget& form, const char* name, int index = -1) {
        return forms::controlOf(form, name, index);
    }
    static QPushButton* button(QWidget& form, const char* name);
    static QLabel* label(QWidget& form, const char* name, int index = -1);
    static forms::TickTimer* timer(QWidget& form);

    // A left click in the middle of the button, as the mouse gives it.
    static void click(QWidget& form, const char* name);
    // Alt with the letter, sent to the window.
    static void altKey(QWidget& form, Qt::Key key);
    static void key(QWidget& form, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // Ticks of the window's timer, delivered as the running timer does (none while disabled).
    static void tick(QWidget& form, int count = 1);
    // The name of the control with the keyboard focus in that window.
    static QString focused(QWidget& form);

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
