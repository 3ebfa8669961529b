// Buttons: the push button a window shows, and the handle its handlers hold of it.
#include "forms/button.h"

#include <QKeyEvent>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace velti::forms {

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

// The style centres the caption in the button's contents; it keeps a pixel clear of the frame's
// inner edge at either end, as a framed label does of its border.
QFont ButtonControl::fittedFont() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect room =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
    return fitted(font(), [&](const QFont& font) {
        const QSize caption = QFontMetrics(font).size(Qt::TextShowMnemonic, text());
        return caption.width() <= room.width() && caption.height() <= room.height();
    });
}

void ButtonControl::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (!pressShown_.isActive() && fitted == font())
        return QPushButton::paintEvent(event);
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (pressShown_.isActive()) {
        option.state |= QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
    }
    painter.setFont(fitted);
    option.fontMetrics = QFontMetrics(fitted);
    painter.drawControl(QStyle::CE_PushButton, option);
}

QString CommandButton::caption() const {
    return live<QPushButton>()->text();
}

void CommandButton::setCaption(const QString& caption) {
    live<QPushButton>()->setText(caption);
}

void CommandButton::setEnabled(bool enabled) {
    window_.setButtonEnabled(live<QPushButton>(), enabled);
}

void CommandButton::setFocus() {
    auto* button = live<QPushButton>();
    if (!window_.isButtonEnabled(button) || button->isHidden())
        throw RuntimeError::invalidCall();
    button->setFocus(Qt::OtherFocusReason);
}

} // namespace velti::forms
