#include "tests/support/harness.h"

#include "app/forms/layer.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace velti::test {

void initialiseLayer() {
    forms::initialise(*qApp);
}

Harness::Harness(forms::TimerPolicy timers)
    : app(Services{clock, memory, launcher, msgBox}, timers) {
    app.context().onAllUnloaded = [this] { ++allUnloaded; };
}

Harness::~Harness() = default;

Form1& Harness::startUp() {
    app.startUp();
    Form1& form = app.form1();
    QWidget* window = form.window();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        QTest::qFail("the stopwatch window did not become active", __FILE__, __LINE__);
    return form;
}

QPushButton* Harness::button(forms::Form& form, const char* name) {
    return qobject_cast<QPushButton*>(form.control(name));
}

QLabel* Harness::label(forms::Form& form, const char* name, int index) {
    return qobject_cast<QLabel*>(form.control(name, index));
}

forms::TimerControl* Harness::timer(forms::Form& form) {
    return qobject_cast<forms::TimerControl*>(form.control("Timer1"));
}

// Mouse and keys go through the window, as the windowing system delivers them, so a window behind
// a modal one is blocked as it is for a user.
void Harness::click(forms::Form& form, const char* name) {
    QPushButton* target = button(form, name);
    QWidget* window = target->window();
    const QPoint at = target->mapTo(window, target->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
}

void Harness::altKey(forms::Form& form, Qt::Key key) {
    QWidget* window = form.window();
    QTest::keyClick(window->windowHandle(), key, Qt::AltModifier);
    // An access key presses the button down and clicks it a moment later, as a mouse would.
    const auto buttons = window->findChildren<QPushButton*>();
    const bool released = QTest::qWaitFor([&] {
        return std::none_of(buttons.begin(), buttons.end(),
                            [](const QPushButton* b) { return b->isDown(); });
    });
    if (!released)
        QTest::qFail("a button stayed down after its access key", __FILE__, __LINE__);
}

void Harness::key(forms::Form& form, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(form.window()->windowHandle(), key, modifiers);
}

void Harness::tick(forms::Form& form, int count) {
    for (int i = 0; i < count; ++i)
        timer(form)->tick();
}

QString Harness::focused(forms::Form& form) {
    QWidget* focus = form.window()->focusWidget();
    return focus == nullptr ? QString() : focus->objectName();
}

QStringList Harness::tabCycle(forms::Form& form, Qt::Key key, int count) {
    QStringList order{focused(form)};
    for (int i = 1; i < count; ++i) {
        Harness::key(form, key);
        order << focused(form);
    }
    return order;
}

void Harness::withAbout(const std::function<void(Form3&)>& body) {
    QTimer::singleShot(0, qApp, [this, body] {
        Form3& about = app.form3();
        QWidget* window = about.window();
        // Not qWaitForWindowActive: Qt takes an owned window for active while its owner is.
        if (window != nullptr &&
            !QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }))
            QTest::qFail("the About window did not become active", __FILE__, __LINE__);
        body(about);
        if (about.isLoaded())
            click(about, "Command1");
    });
    click(app.form1(), "Command6");
    // The window manager gives the activation back to the stopwatch.
    QWidget* stopwatch = app.form1().window();
    stopwatch->activateWindow();
    if (!QTest::qWaitForWindowActive(stopwatch))
        QTest::qFail("the stopwatch window did not become active again", __FILE__, __LINE__);
}

} // namespace velti::test
