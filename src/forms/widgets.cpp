#include "forms/widgets.h"

#include "forms/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimerEvent>
#include <QWindow>

#include <utility>

namespace velti::forms {

FormWindow::FormWindow(Form& form, Qt::WindowFlags flags) : QWidget(nullptr, flags), form_(form) {}

void FormWindow::paintEvent(QPaintEvent* /*event*/) {
    if (background_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The layer decides whether and how the window goes: it unloads, or stays if the handler
    // cancels. A window that waits behind a modal one cannot be closed at all.
    event->ignore();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != this)
        return;
    form_.unload();
}

void FormWindow::nativeWindowDestroyed() {
    form_.nativeWindowGone();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    const bool escape = event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (escape || enter) {
        for (auto* button : findChildren<ButtonControl*>()) {
            if ((escape ? button->cancel : button->isDefault) && button->isEnabled() &&
                button->isVisible()) {
                button->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

ButtonControl::ButtonControl(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {}

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

QFont CaptionFit::fitted(const QString& caption, const QFont& font, const QRect& room,
                         const std::function<bool(const QFont&)>& fits) {
    if (measured_ && caption == caption_ && font == font_ && room == room_)
        return fitted_;
    measured_ = true;
    caption_ = caption;
    font_ = font;
    room_ = room;
    fitted_ = font;
    if (!fits(fitted_)) {
        int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
        while (size > kCaptionMinimumPx) {
            fitted_.setPixelSize(--size);
            if (fits(fitted_))
                break;
        }
    }
    return fitted_;
}

// The style centres the caption in the button's contents; it keeps a pixel clear of the frame's
// inner edge at either end, as a framed label does of its border.
QRect ButtonControl::captionRoom() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_PushButtonContents, &option, this)
        .adjusted(2, 0, -2, 0);
}

QFont ButtonControl::fittedFont() const {
    const QRect room = captionRoom();
    return fit_.fitted(text(), font(), room, [&](const QFont& font) {
        const QSize caption = QFontMetrics(font).size(Qt::TextShowMnemonic, text());
        return caption.width() <= room.width() && caption.height() <= room.height();
    });
}

void ButtonControl::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (!pressShown_.isActive() && fitted == font()) {
        QPushButton::paintEvent(event);
        return;
    }
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

void ButtonControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressShown_.timerId()) {
        QPushButton::timerEvent(event);
        return;
    }
    pressShown_.stop();
    update();
}

NoticeControl::NoticeControl(QWidget* parent) : QWidget(parent), words_(new QLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 0, 0);
    words_->setGeometry(0, 0, 0, 0);
    shown_.setSingleShot(true);
    connect(&shown_, &QTimer::timeout, this, &QWidget::hide);
}

CaptionLabel::CaptionLabel(const QString& caption, bool oneLine, QWidget* parent)
    : QLabel(caption, parent) {
    setWordWrap(!oneLine);
}

namespace {
// The room a label leaves its text: QLabel indents a framed label's text by half an "x". A later
// sibling that fills its background and lies across the label's lower edge hides the rows under
// it: the room ends above them.
QRect textRoom(const QLabel& label) {
    QRect room = label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(),
                                               -label.margin());
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0)
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) {
        if (label.alignment() & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        else if (label.alignment() & Qt::AlignRight)
            room.setRight(room.right() - indent);
    }
    if (const QWidget* parent = label.parentWidget()) {
        const QObjectList& siblings = parent->children();
        for (qsizetype i = siblings.indexOf(const_cast<QLabel*>(&label)) + 1; i < siblings.size();
             ++i) {
            const auto* sibling = qobject_cast<const QWidget*>(siblings[i]);
            if (sibling == nullptr || sibling->isHidden() || !sibling->autoFillBackground())
                continue;
            const QRect over = sibling->geometry().translated(-label.pos());
            if (over.left() <= room.left() && over.right() >= room.right() &&
                over.top() > room.top() && over.top() <= room.bottom())
                room.setBottom(over.top() - 1);
        }
    }
    return room;
}

// The height a line of text takes on screen, in logical pixels. On a scaled screen the face is
// drawn at the scaled size, and its ascent and descent round up in device pixels: at scale 2 an
// 11 px line needs 12.5 rows, not the 12 the logical metrics report.
qreal lineHeight(const QFont& font, qreal ratio) {
    if (font.pixelSize() <= 0)
        return QFontMetricsF(font).height();
    QFont drawn = font;
    drawn.setPixelSize(qRound(font.pixelSize() * ratio));
    return QFontMetricsF(drawn).height() / ratio;
}

// How a label lays out its plain text: as QLabel does, but a one-line field centres its line in
// the rows that stay in sight. QLabel would indent it from the top as far as from the side, and
// the descenders of the memory fields (11 px of text in 15 rows) met the border below.
int textFlags(const QLabel& label) {
    const Qt::Alignment aligned =
        QStyle::visualAlignment(label.layoutDirection(), label.alignment());
    if (label.wordWrap())
        return int(aligned) | Qt::TextWordWrap;
    return int(aligned & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine;
}
} // namespace

bool CaptionLabel::fits(const QFont& font) const {
    const QFontMetrics metrics(font);
    const QRect room = textRoom(*this);
    if (!wordWrap()) {
        // A shrunk caption keeps the label's indent clear at its other end too: it never runs
        // up to the border, whatever the font engine's rounding.
        const int indent = contentsRect().width() - room.width();
        return metrics.horizontalAdvance(text()) <= room.width() - indent &&
               lineHeight(font, devicePixelRatioF()) <= room.height();
    }
    // Every line, as the words fold in this face, and no word wider than the box.
    const QRect drawn = metrics.boundingRect(room, textFlags(*this), text());
    return drawn.width() <= room.width() && drawn.height() <= room.height();
}

QFont CaptionLabel::fittedFont() const {
    return fit_.fitted(text(), font(), textRoom(*this),
                       [this](const QFont& font) { return fits(font); });
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (fitted == font() && wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(fitted);
    style()->drawItemText(&painter, textRoom(*this), textFlags(*this), palette(), isEnabled(),
                          text(), foregroundRole());
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (framed_ && frameGeometry() != geometry())
        std::exchange(framed_, {})();
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A fixed-size window is never maximised or made full screen. On Wayland Qt draws its own
    // title bar, with a maximise button whatever the window's flags say; a press on it is undone
    // here, so it does nothing visible.
    static constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (event->type() == QEvent::WindowStateChange && (windowState() & enlarged)) {
        QMetaObject::invokeMethod(
            this, [this] { setWindowState(windowState() & ~enlarged); }, Qt::QueuedConnection);
    }
    // A modal window minimised on its own takes its owner along: a blocked window is never
    // left on screen without it.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        isModal() && windowHandle() != nullptr) {
        QWindow* owner = windowHandle()->transientParent();
        if (owner != nullptr && owner->isVisible() &&
            !(owner->windowStates() & Qt::WindowMinimized))
            owner->showMinimized();
    }
    // A window behind a modal one, restored or activated (from a taskbar, Alt+Tab) while the modal
    // window is minimised, would stand blocked with nothing on screen to unblock it: the modal
    // window comes back with it, in front. Qt hands the keyboard on to a modal window only while
    // that one is on screen.
    const bool restored =
        event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized);
    const bool activated = event->type() == QEvent::ActivationChange && isActiveWindow();
    QWidget* modal = QApplication::activeModalWidget();
    if ((restored || (activated && modal != nullptr && modal->isMinimized())) && isVisible() &&
        Form::isBlocked(this)) {
        QMetaObject::invokeMethod(
            this,
            [modal = QPointer<QWidget>(modal)] {
                // Unless it has been closed meanwhile.
                if (!modal || modal != QApplication::activeModalWidget())
                    return;
                modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
                modal->show();
                modal->raise();
                modal->windowHandle()->requestActivate();
            },
            Qt::QueuedConnection);
    }
}

TimerControl::TimerControl(int intervalMs, const TimerPolicy& policy, QObject* parent)
    : QObject(parent), pacingAllowed_(policy.pacing),
      period_(std::max({intervalMs, policy.floorMs, 1})), wait_(period_) {}

void TimerControl::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (enabled && !timer_.isActive()) {
        wait_ = period_;
        timer_.start(wait_, Qt::PreciseTimer, this);
    } else if (!enabled) {
        timer_.stop();
    }
}

void TimerControl::tick() {
    if (enabled_ && handler_)
        handler_();
}

void TimerControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        tick();
        // A window with nothing new to show before a known moment is not woken until then,
        // however near or far that moment is: the floor limits how often a timer ticks, and
        // this wakes it at most as often.
        if (pacing_ && pacingAllowed_ && enabled_ && timer_.isActive()) {
            const int until = pacing_();
            const int wait = until > 0 ? until : period_;
            // A paced wait counts from now. Left running, the timer keeps the rhythm of its
            // last start, and a wait equal to the last one could bring the next tick a moment
            // before the awaited one, for a wasted wake-up.
            if (until > 0 || wait != wait_) {
                wait_ = wait;
                timer_.start(wait_, Qt::PreciseTimer, this);
            }
        }
    } else
        QObject::timerEvent(event);
}

} // namespace velti::forms
