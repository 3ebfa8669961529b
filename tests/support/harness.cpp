#include "tests/support/harness.h"

#include "forms/setup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace velti::test {

QString stateOf(Form1& form) {
    const QString status = Harness::label(form, "Label2")->text();
    for (const DesignedState& state : designedStopwatch().states) {
        if (status != state.status)
            continue;
        QStringList differences;
        for (const QString& name : designedStopwatch().tabOrder) {
            const QPushButton* button = Harness::button(form, qPrintable(name));
            if (button->isEnabled() != state.enabled.contains(name))
                differences << name + (button->isEnabled() ? " enabled" : " disabled");
            if (button->text() != state.captions[name])
                differences << name + " reads " + button->text();
        }
        if (Harness::timer(form)->isEnabled() != state.timer)
            differences << QStringLiteral("the timer %1").arg(state.timer ? "off" : "on");
        const QWidget* focus = form.window()->focusWidget();
        if (focus != nullptr && !focus->isEnabled())
            differences << QStringLiteral("the focus on a disabled button");
        return differences.isEmpty() ? state.name : status + " with " + differences.join(", ");
    }
    return QStringLiteral("unknown status ") + status;
}

Harness::Harness(forms::TimerPolicy timers)
    : app(Services{clock, memory, launcher, msgBox}, timers) {
    // The layer is set up once per test binary, before its first window is made: the application
    // makes none until it starts up.
    [[maybe_unused]] static const bool initialised = (forms::initialise(*qApp), true);
    app.runtime().check = &failure;
}

Harness::~Harness() = default;

int Harness::windowsShown() {
    int shown = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        shown += top->isVisible() && dynamic_cast<forms::FormBase*>(top) != nullptr ? 1 : 0;
    return shown;
}

Form1& Harness::startUp() {
    app.startUp();
    Form1& form = app.form1();
    QWidget* window = form.window();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        QTest::qFail("the stopwatch window did not become active", __FILE__, __LINE__);
    return form;
}

QPushButton* Harness::button(QWidget& form, const char* name) {
    return qobject_cast<QPushButton*>(forms::controlOf(form, name));
}

QLabel* Harness::label(QWidget& form, const char* name, int index) {
    return qobject_cast<QLabel*>(forms::controlOf(form, name, index));
}

forms::TickTimer* Harness::timer(QWidget& form) {
    return qobject_cast<forms::TickTimer*>(forms::controlOf(form, "Timer1"));
}

// Mouse and keys go through the window, as the windowing system delivers them, so a window behind
// a modal one is blocked as it is for a user.
void Harness::click(QWidget& form, const char* name) {
    QPushButton* target = button(form, name);
    QWidget* window = target->window();
    const QPoint at = target->mapTo(window, target->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
}

void Harness::altKey(QWidget& form, Qt::Key key) {
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

void Harness::key(QWidget& form, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(form.window()->windowHandle(), key, modifiers);
}

void Harness::tick(QWidget& form, int count) {
    for (int i = 0; i < count; ++i)
        timer(form)->tick();
}

QString Harness::focused(QWidget& form) {
    QWidget* focus = form.window()->focusWidget();
    return focus == nullptr ? QString() : focus->objectName();
}

void Harness::withAbout(const std::function<void(Form3&)>& body,
                        const std::function<void()>& open) {
    // Polled: an assistive technology's press opens the window a moment after it is asked.
    auto* poll = new QTimer(qApp);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, qApp, [this, poll, body, waited] {
        const bool active = about() != nullptr && QApplication::activeWindow() == about();
        // Not qWaitForWindowActive: Qt takes an owned window for active while its owner is.
        if (!active && waited.elapsed() < 5000)
            return;
        poll->deleteLater();
        if (!active)
            QTest::qFail("the About window did not become active", __FILE__, __LINE__);
        else
            body(*about());
        if (about() != nullptr && about()->isVisible())
            click(*about(), "Command1");
    });
    poll->start(5);
    const QPointer<QTimer> polling(poll);
    if (open)
        open();
    else
        click(app.form1(), "Command6");
    QTRY_VERIFY_WITH_TIMEOUT(polling.isNull(), 6000);
    // The layer gives the keyboard back to the stopwatch, window manager or not.
    QWidget* stopwatch = app.form1().window();
    if (!QTest::qWaitForWindowActive(stopwatch))
        QTest::qFail("the stopwatch window did not become active again", __FILE__, __LINE__);
}

} // namespace velti::test
