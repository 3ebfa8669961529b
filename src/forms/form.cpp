#include "forms/form.h"

#include "forms/desktop_watch.h"

#include "platform/msgbox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QPainter>
#include <QScreen>
#include <QShortcutEvent>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace velti::forms {

bool isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

bool ButtonControl::event(QEvent* event) {
    if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent*>(event)->isAmbiguous())
        return QPushButton::event(event);
    // Qt would hold the button down and click it 100 ms later, whatever happened meanwhile.
    if (isEnabled() && isVisible()) {
        QPointer<ButtonControl> alive(this);
        click();
        if (alive && isEnabled() && isVisible()) {
            pressShown_.start(100, this);
            update();
        }
    }
    return true;
}

// A key held down acts once. Space clicks on its release already; Return and Enter would click the
// focused button again at every repeat of the key.
void ButtonControl::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        return event->accept();
    QPushButton::keyPressEvent(event);
}

void ButtonControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressShown_.timerId())
        return QPushButton::timerEvent(event);
    pressShown_.stop();
    update();
}

Shell::Shell(const FormDescription& description, Runtime& runtime, QWidget* window)
    : description_(description), runtime_(runtime), window_(window) {
    if (description.picture != nullptr)
        background_ = QPixmap(QString::fromUtf8(description.picture));
}

void Shell::connectClick(QPushButton* button, Handler handler) {
    QObject::connect(button, &QPushButton::clicked, window_,
                     [this, button, handler] { click(button, handler); });
}

void Shell::click(QWidget* button, Handler handler) {
    if (!isButtonEnabled(button) || !button->isVisible() || isBlocked(window_))
        return;
    const accessibility::Seen before = accessibility::look(window_);
    deliver([&] { handler(*this); });
    accessibility::tell(window_, before);
}

// What changed, told after a click's handler.

namespace accessibility {

namespace {

FrameControl* statusBar(const QWidget* window) {
    for (auto* frame : window->findChildren<FrameControl*>()) {
        if (frame->statusBar)
            return frame;
    }
    return nullptr;
}

// What a control says when told: a label its text, a button its caption, a status bar its labels
// one after the other (the time, then the state).
QString spoken(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().trimmed();
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return withoutMarkers(button->text());
    QStringList texts;
    for (const QLabel* label : control->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    return texts.join(u' ');
}

} // namespace

NoticeControl::NoticeControl(QWidget* parent) : QWidget(parent), words(new QLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 0, 0);
    words->setGeometry(0, 0, 0, 0);
    shown.setSingleShot(true);
    connect(&shown, &QTimer::timeout, this, &QWidget::hide);
}

Seen look(QWidget* window) {
    Seen seen;
    seen.focus = window->focusWidget();
    seen.focusCaption = seen.focus ? spoken(seen.focus) : QString();
    const FrameControl* bar = statusBar(window);
    seen.status = bar != nullptr ? spoken(bar) : QString();
    for (auto* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow() && control->isHidden() &&
            qobject_cast<NoticeControl*>(control) == nullptr)
            seen.hidden << control;
    }
    return seen;
}

void tell(QWidget* window, const Seen& before) {
    if (window == nullptr || !window->isVisible())
        return;
    // What to say, in the order said: the status bar once when the time or the state changed or
    // the click moved the focus on, then whatever else changed. Each action's own words are taken
    // now, so that a second action a moment later cannot change them; only the time is read when
    // they are said, once a timer the handler started has ticked, so that it is the live one.
    QPointer<QLabel> time;
    QStringList said;
    QWidget* focus = window->focusWidget();
    FrameControl* bar = statusBar(window);
    if (bar != nullptr && (spoken(bar) != before.status || focus != before.focus)) {
        const QList<QLabel*> labels = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        time = labels.value(0);
        for (const QLabel* label : labels.mid(1))
            said << label->text();
    }
    // A button renamed under the focus: Qt 6.4 tells the reader of no name change. One that the
    // focus moved to is heard by its new name already.
    if (focus != nullptr && focus == before.focus && spoken(focus) != before.focusCaption)
        said << QStringLiteral("pulsante ") + spoken(focus);
    for (const QPointer<QWidget>& control : before.hidden) {
        if (control && control->isVisible() && !spoken(control).isEmpty())
            said << spoken(control);
    }
    if (said.isEmpty())
        return;
    // In a status bar a reader says the words alone, without calling them a notification. In a
    // dialog it would read the whole dialog before them, so a window without a status bar of its
    // own tells through its owner's; failing that it gets a bar of no size, out of its tree.
    QWidget* owner = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    if (bar == nullptr && owner != nullptr && owner->isVisible())
        bar = statusBar(owner);
    if (bar == nullptr) {
        bar = new FrameControl(window);
        bar->statusBar = true;
        bar->setGeometry(0, 0, 0, 0);
        bar->show();
    }
    auto* notice = bar->findChild<NoticeControl*>(QString(), Qt::FindDirectChildrenOnly);
    if (notice == nullptr) {
        notice = new NoticeControl(bar);
        notice->hide();
    }
    // A moment later: the focus, moved by the handler or by the buttons it held, is heard first.
    // The notice is taken away once told, so that a later review of the window never reads an old
    // time from it.
    QTimer::singleShot(kNoticeDelayMs, notice, [notice, time, said] {
        notice->words->setText((time ? time->text() + u' ' : QString()) +
                               said.join(QStringLiteral(", ")));
        notice->hide();
        notice->show();
        notice->shown.start(kNoticeShownMs);
    });
}

} // namespace accessibility

void Shell::connectTimer(TimerControl* timer, Handler handler, Pacing pacing) {
    QObject::connect(timer, &TimerControl::ticked, window_,
                     [this, handler] { deliver([&] { handler(*this); }); });
    if (pacing == nullptr || !runtime_.timers.pacing)
        return;
    // A paced wait counts from the tick. Left running, the timer would keep the rhythm of its
    // last start, and could wake a moment before the awaited one, for nothing.
    QObject::connect(timer, &QTimer::timeout, window_, [this, timer, pacing] {
        const int until = pacing(*this);
        if (timer->isActive() && (until > 0 || timer->interval() != timer->period()))
            timer->start(until > 0 ? until : timer->period());
    });
}

void Shell::enter() {
    ++running_;
    ++runtime_.running;
}

void Shell::leave(const RuntimeError* error) {
    const int depth = running_--;
    --runtime_.running;
    // Taken out first: disabling one moves the focus, which may deliver further events.
    std::vector<Held> released;
    std::erase_if(held_, [&](const Held& h) {
        if (h.depth >= depth)
            released.push_back(h);
        return h.depth >= depth;
    });
    for (const Held& h : released) {
        if (h.button)
            h.button->setEnabled(false);
    }
    // Timers go on ticking while the box is open; a handler that keeps failing must not stack
    // one box on another.
    if (error != nullptr && !runtime_.reporting) {
        runtime_.reporting = true;
        runtime_.msgBox.show(QStringLiteral("Errore di run-time '%1':\n\n%2")
                                 .arg(error->number())
                                 .arg(error->message()),
                             msgbox::Critical, runtime_.title, window_);
        runtime_.reporting = false;
    }
    if (running_ == 0 && std::exchange(unloadWhenIdle_, false))
        unload();
}

// A handler of this window may be running still, under a modal window that it opened: the
// stopwatch's information button waits in its handler for the About window to close.
void Shell::nativeWindowGone() {
    if (running_ > 0)
        unloadWhenIdle_ = true;
    else
        unload();
}

void Shell::setHeight(double twips) {
    operation();
    const int clientTwips = qRound(twips) - description_.borderTop - description_.borderSide;
    if (clientTwips < 0)
        throw RuntimeError::invalidCall();
    window_->setBaseSize(window_->width(), pixels(clientTwips));
    window_->setFixedHeight(pixels(clientTwips));
    showControlsInSight();
}

// A control comes into sight, and joins what a reader can see, when the window grows to reach it.
void Shell::showControlsInSight() {
    for (auto* control : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow() || control->size().isEmpty())
            continue;
        if (!window_->rect().intersects(control->geometry()))
            control->hide();
        else if (control->isHidden() && window_->isVisible()) {
            control->show();
            accessibility::joinedTheTree(control);
        }
    }
}

void Shell::paintBackground() {
    if (!background_.isNull())
        QPainter(window_).drawPixmap(0, 0, background_);
}

// The window opens with the focus on the enabled button with the lowest tab index: the first in
// the tab order that may take it. Qt sends a show event again whenever the window comes back (a
// restore, a return from another workspace): the focus stays then where the person left it.
void Shell::shown() {
    if (std::exchange(opened_, true))
        return;
    const ControlDescription* first = nullptr;
    for (const ControlDescription& c : description_.controls) {
        auto* button = qobject_cast<QWidget*>(controlOf(*window_, c.name));
        if (c.kind == ControlKind::CommandButton && button->isEnabled() &&
            (first == nullptr || c.tabIndex < first->tabIndex))
            first = &c;
    }
    if (first != nullptr)
        static_cast<QWidget*>(controlOf(*window_, first->name))
            ->setFocus(Qt::ActiveWindowFocusReason);
    // Without a window manager nobody else gives the window the keyboard, and it would ignore
    // its access keys until clicked. A window manager that decides focus itself is only asked.
    window_->windowHandle()->requestActivate();
}

void Shell::unload() {
    operation();
    window_->close();
}

bool Shell::unloading() {
    std::int16_t cancel = 0;
    deliver([&] { Form_Unload(cancel); });
    return cancel == 0;
}

void Dialog::showModal() {
    operation();
    if (description().centred)
        centre(parentWidget());
    exec();
    // The keyboard goes back to the owner. A window manager does it by itself; without one, or
    // after one was replaced, nobody else would, and the owner would ignore its keys until
    // clicked.
    if (parentWidget() != nullptr && parentWidget()->isVisible())
        parentWidget()->windowHandle()->requestActivate();
}

namespace {

QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

} // namespace

void initialise(QApplication& application) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(style);
#ifdef Q_OS_LINUX
    // The designed fonts are Windows faces; Liberation Sans has Arial's metrics. Windows has
    // the faces themselves.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
#endif
    watchTheDesktop(application);
    accessibility::install();

    // Owned by the application object, it lasts as long as the application does.
    auto* translator = new QTranslator(&application);
#ifdef Q_OS_WIN
    // The installer puts Qt's Italian beside the program.
    const QString translations = QCoreApplication::applicationDirPath();
#else
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    if (translator->load(QStringLiteral("qtbase_it"), translations))
        QApplication::installTranslator(translator);
}

// The frame is not known until the desktop has framed the window: until then the owner's frame
// stands in for it, and the window is placed again once its own is known.
void Shell::centre(const QWidget* owner) {
    screen_ = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    guess_ = owner != nullptr ? frameMargins(owner) : QMargins();
    framed_ = false;
    centre(guess_);
}

void Shell::centre(QMargins frame) {
    if (!screen_)
        return;
    QRect outer(QPoint(), window_->size().grownBy(frame));
    outer.moveCenter(screen_->availableGeometry().center());
    // Placed by its client area: Qt moves a created window's frame only once it knows it.
    const QPoint client = outer.topLeft() + QPoint(frame.left(), frame.top());
    if (window_->geometry().topLeft() != client)
        window_->move(window_->pos() + client - window_->geometry().topLeft());
}

void Shell::moved() {
    if (framed_ || window_->frameGeometry() == window_->geometry())
        return;
    framed_ = true;
    if (frameMargins(window_) != guess_)
        centre(frameMargins(window_));
}

} // namespace velti::forms
