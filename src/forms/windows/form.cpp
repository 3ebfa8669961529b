// The window kinds: building, opening, showing, painting and centring a window.
#include "forms/windows/form.h"

#include "forms/windows/widgets.h"
#include "platform/title_bar.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace velti::forms {

FormBase::FormBase(const FormDescription& description, Runtime& runtime, QWidget* window)
    : description_(description), dispatch_(runtime, window) {
    if (description.picture != nullptr)
        background_ = QPixmap(QString::fromUtf8(description.picture));
}

void FormBase::connectTimer(TickTimer* timer, Dispatcher::Handler handler,
                            std::function<int()> pacing) {
    if (!dispatch_.runtime().timers.pacing)
        pacing = nullptr;
    timer->onTick([this, handler = std::move(handler)] { dispatch_.deliver(handler); },
                  std::move(pacing));
}

void FormBase::setHeight(double twips) {
    dispatch_.operation();
    QWidget* window = &widget();
    const int clientTwips = qRound(twips) - description_.borderTop - description_.borderSide;
    if (clientTwips < 0)
        throw RuntimeError::invalidCall();
    window->setBaseSize(window->width(), top_ + pixels(clientTwips));
    window->setFixedHeight(top_ + pixels(clientTwips));
    showControlsInSight();
}

// A control comes into sight, and joins what a reader can see, when the window grows to reach it.
void FormBase::showControlsInSight() {
    for (auto* control : widget().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow() || control->size().isEmpty())
            continue;
        if (!widget().rect().adjusted(0, top_, 0, 0).intersects(control->geometry()))
            control->hide();
        else if (control->isHidden() && widget().isVisible()) {
            control->show();
            if (telling().cameIntoSight != nullptr)
                telling().cameIntoSight(control);
        }
    }
}

void FormBase::paintBackground() {
    if (!background_.isNull())
        QPainter(&widget()).drawPixmap(0, top_, background_);
}

void FormBase::wearTitleBar() {
    top_ = velti::wearTitleBar(widget());
}

// The window opens with the focus on the enabled button with the lowest tab index: the first in
// the tab order that may take it. Qt sends a show event again whenever the window comes back (a
// restore, a return from another workspace): the focus stays then where the person left it.
void FormBase::onShow() {
    if (std::exchange(opened_, true))
        return;
    const ControlDescription* first = nullptr;
    for (const ControlDescription& c : description_.controls) {
        auto* button = qobject_cast<QWidget*>(controlOf(widget(), c.name));
        if (c.kind == ControlKind::CommandButton && button->isEnabled() &&
            (first == nullptr || c.tabIndex < first->tabIndex))
            first = &c;
    }
    if (first != nullptr)
        static_cast<QWidget*>(controlOf(widget(), first->name))
            ->setFocus(Qt::ActiveWindowFocusReason);
    // Without a window manager nobody else gives the window the keyboard, and it would ignore
    // its access keys until clicked. A window manager that decides focus itself is only asked.
    widget().windowHandle()->requestActivate();
}

bool FormBase::unloading() {
    std::int16_t cancel = 0;
    dispatch_.deliver([&] { Form_Unload(cancel); });
    return cancel == 0;
}

void Dialog::showModal() {
    dispatch().operation();
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

// The frame is not known until the desktop has framed the window: until then the owner's frame
// stands in for it, and the window is placed again once its own is known.
void FormBase::centre(const QWidget* owner) {
    screen_ = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    guess_ = owner != nullptr ? frameMargins(owner) : QMargins();
    framed_ = false;
    centre(guess_);
}

void FormBase::centre(QMargins frame) {
    if (!screen_)
        return;
    QRect outer(QPoint(), widget().size().grownBy(frame));
    outer.moveCenter(screen_->availableGeometry().center());
    // Placed by its client area: Qt moves a created window's frame only once it knows it.
    const QPoint client = outer.topLeft() + QPoint(frame.left(), frame.top());
    if (widget().geometry().topLeft() != client)
        widget().move(widget().pos() + client - widget().geometry().topLeft());
}

void FormBase::moved() {
    if (framed_ || widget().frameGeometry() == widget().geometry())
        return;
    framed_ = true;
    if (frameMargins(&widget()) != guess_)
        centre(frameMargins(&widget()));
}

} // namespace velti::forms
