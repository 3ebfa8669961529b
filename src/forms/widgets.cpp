#include "forms/widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimerEvent>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace velti::forms {

namespace {

QString text(const char* utf8) {
    return utf8 == nullptr ? QString() : QString::fromUtf8(utf8);
}

// Point sizes are designed for 96 dots per inch; a pixel size keeps the text in proportion with
// the twips of the layout on any screen.
QFont font(const FontSpec& designed, QFont base) {
    if (designed.family == nullptr)
        return base;
    base.setFamilies({QString::fromLatin1(designed.family)});
    base.setPixelSize(qRound(designed.points * 96.0 / 72.0));
    base.setBold(designed.bold);
    base.setItalic(designed.italic);
    return base;
}

QColor colour(const Colour& c, const QPalette& palette) {
    if (c.kind == Colour::Kind::Rgb)
        return QColor::fromRgb(c.value);
    if (c.kind == Colour::Kind::System)
        return palette.color(c.value == kWindowBackground ? QPalette::Base : QPalette::Text);
    return {};
}

QWidget* makeButton(const ControlDescription& c, QWidget* parent, const QIcon& picture) {
    auto* button = new ButtonControl(text(c.caption), parent);
    if (c.picture != nullptr) {
        button->setIcon(picture);
        button->setIconSize(QSize(16, 16));
    }
    // A picture button is read out by its tooltip; a captioned one by its caption, without "&".
    if (*c.caption == '\0' && c.toolTip != nullptr)
        button->setAccessibleName(text(c.toolTip));
    button->setFocusPolicy(Qt::StrongFocus);
    // Enter clicks the button that has the focus, as on any dialog.
    button->setAutoDefault(true);
    button->cancel = c.cancel;
    button->isDefault = c.isDefault;
    return button;
}

QWidget* makeLabel(const ControlDescription& c, QWidget* parent) {
    auto* label = new CaptionLabel(text(c.caption), parent);
    // A bordered label is a one-line field; other text folds at word boundaries.
    label->setWordWrap(!c.border);
    label->setTextFormat(Qt::PlainText);
    const Qt::Alignment across[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    label->setAlignment(across[int(c.alignment)] | Qt::AlignTop);
    QPalette palette = label->palette();
    if (const QColor fore = colour(c.foreColor, palette); fore.isValid())
        palette.setColor(QPalette::WindowText, fore);
    if (!c.transparent) {
        const QColor back = colour(c.backColor, palette);
        palette.setColor(QPalette::Window, back.isValid() ? back : palette.color(QPalette::Window));
        label->setAutoFillBackground(true);
    }
    label->setPalette(palette);
    if (c.border)
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    return label;
}

QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

} // namespace

FormWindow* buildWindow(const FormDescription& d, Form& form, Context& context,
                        std::vector<LiveControl>& controls) {
    const Qt::WindowFlags flags = (d.border == BorderStyle::FixedSingle ? Qt::Dialog : Qt::Window) |
                                  Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                  Qt::MSWindowsFixedSizeDialogHint;
    auto* window = new FormWindow(form, flags);
    window->setObjectName(QString::fromLatin1(d.name));
    window->setWindowTitle(text(d.caption));
    window->setFixedSize(pixels(d.clientWidth), pixels(d.clientHeight));
    // On a scaled screen Qt asks for resizing in steps of a scaled pixel (2 at 1.5): with the
    // steps counted from the designed size, the desktop never rounds that size away.
    window->setBaseSize(window->size());
    window->winId();
    window->windowHandle()->setBaseSize(window->size());
    window->setFont(font(d.font, window->font()));
    if (d.icon != nullptr)
        window->setWindowIcon(context.icon(d.icon));
    if (d.picture != nullptr)
        window->setBackground(QPixmap(text(d.picture)));

    controls.clear();
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlDescription& c : d.controls) {
        QWidget* parent = window;
        for (const LiveControl& live : controls) {
            if (c.container != nullptr && live.name == c.container)
                parent = qobject_cast<QWidget*>(live.object.data());
        }
        const QIcon picture = c.picture != nullptr ? context.icon(c.picture) : QIcon();
        QWidget* widget = nullptr;
        if (c.kind == ControlKind::Timer) {
            auto* timer = new TimerControl(c.interval, context.timers(), window);
            // Designed enabled: it runs from the load until a handler says otherwise.
            timer->setEnabled(true);
            timer->setObjectName(QString::fromLatin1(c.name));
            controls.push_back({c.name, c.index, timer});
            continue;
        } else if (c.kind == ControlKind::CommandButton) {
            widget = makeButton(c, parent, picture);
            tabOrder.emplace_back(c.tabIndex, widget);
        } else if (c.kind == ControlKind::Label) {
            widget = makeLabel(c, parent);
        } else if (c.kind == ControlKind::Frame) {
            auto* frame = new FrameControl(parent);
            frame->statusBar = c.role == AccessibleRole::StatusBar;
            // An untitled frame: an etched rectangle.
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            widget = frame;
        } else {
            // The icon's image of the box's size, at its natural size: never stretched. On a
            // scaled screen the largest image the icon holds is drawn.
            auto* image = new QLabel(parent);
            image->setPixmap(picture.pixmap(QSize(pixels(c.width), pixels(c.height)),
                                            image->devicePixelRatioF()));
            image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = image;
        }
        widget->setObjectName(QString::fromLatin1(c.name));
        widget->setGeometry(pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height));
        widget->setFont(font(c.font, parent->font()));
        if (c.toolTip != nullptr)
            widget->setToolTip(text(c.toolTip));
        if (c.kind != ControlKind::CommandButton)
            widget->setFocusPolicy(Qt::NoFocus);
        controls.push_back({c.name, c.index, widget});
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    return window;
}

void FormWindow::paintEvent(QPaintEvent* /*event*/) {
    if (!background_.isNull())
        QPainter(this).drawPixmap(0, 0, background_);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The layer decides whether and how the window goes: it unloads, or stays if the handler
    // cancels. A window that waits behind a modal one cannot be closed at all.
    event->ignore();
    if (!Form::isBlocked(this))
        form_.unload();
}

void FormWindow::nativeWindowDestroyed() {
    form_.nativeWindowGone();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    const bool escape = event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    for (auto* button : findChildren<ButtonControl*>()) {
        if (((escape && button->cancel) || (enter && button->isDefault)) && button->isEnabled() &&
            button->isVisible())
            return button->click();
    }
    QWidget::keyPressEvent(event);
}

// The frame is not known until the desktop has framed the window: until then the owner's frame
// stands in for it, and the window is placed again once its own is known.
void FormWindow::centre(const QWidget* owner) {
    screen_ = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    guess_ = owner != nullptr ? frameMargins(owner) : QMargins();
    framed_ = false;
    centre(guess_);
}

void FormWindow::centre(QMargins frame) {
    if (!screen_)
        return;
    QRect outer(QPoint(), size().grownBy(frame));
    outer.moveCenter(screen_->availableGeometry().center());
    // Placed by its client area: Qt moves a created window's frame only once it knows it.
    const QPoint client = outer.topLeft() + QPoint(frame.left(), frame.top());
    if (geometry().topLeft() != client)
        move(pos() + client - geometry().topLeft());
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (framed_ || frameGeometry() == geometry())
        return;
    framed_ = true;
    if (frameMargins(this) != guess_)
        centre(frameMargins(this));
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    const bool stateChange = event->type() == QEvent::WindowStateChange;
    // A fixed-size window is never maximised or made full screen. On Wayland Qt draws its own
    // title bar, with a maximise button whatever the window's flags say; a press on it is undone
    // here, so it does nothing visible.
    static constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (stateChange && (windowState() & enlarged)) {
        QMetaObject::invokeMethod(
            this, [this] { setWindowState(windowState() & ~enlarged); }, Qt::QueuedConnection);
    }
    // A modal window minimised on its own takes its owner along: a blocked window is never
    // left on screen without it.
    QWindow* owner = windowHandle() != nullptr ? windowHandle()->transientParent() : nullptr;
    if (stateChange && isMinimized() && isModal() && owner != nullptr && owner->isVisible() &&
        !(owner->windowStates() & Qt::WindowMinimized))
        owner->showMinimized();
    // A window behind a modal one, restored or activated (from a taskbar, Alt+Tab) while the modal
    // window is minimised, would stand blocked with nothing on screen to unblock it: the modal
    // window comes back with it, in front. Qt hands the keyboard on to a modal window only while
    // that one is on screen.
    const bool activated = event->type() == QEvent::ActivationChange && isActiveWindow();
    const QPointer<QWidget> modal = QApplication::activeModalWidget();
    if (((stateChange && !isMinimized()) || (activated && modal && modal->isMinimized())) &&
        isVisible() && Form::isBlocked(this)) {
        QMetaObject::invokeMethod(
            this,
            [modal] {
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

void ButtonControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pressShown_.timerId())
        return QPushButton::timerEvent(event);
    pressShown_.stop();
    update();
}

namespace {

// The font a caption is drawn with so that it shows whole in its room, whatever face the machine
// gives: the control's own when the caption fits at that size, else the largest pixel size that
// fits, never below kCaptionMinimumPx.
QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits) {
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!fits(font) && size > kCaptionMinimumPx)
        font.setPixelSize(--size);
    return font;
}

} // namespace

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
    if (indent > 0 && (label.alignment() & Qt::AlignLeft))
        room.setLeft(room.left() + indent);
    else if (indent > 0 && (label.alignment() & Qt::AlignRight))
        room.setRight(room.right() - indent);
    const QObjectList& siblings = label.parentWidget()->children();
    for (qsizetype i = siblings.indexOf(const_cast<QLabel*>(&label)) + 1; i < siblings.size();
         ++i) {
        const auto* sibling = qobject_cast<const QWidget*>(siblings[i]);
        if (sibling == nullptr || sibling->isHidden() || !sibling->autoFillBackground())
            continue;
        const QRect over = sibling->geometry().translated(-label.pos());
        if (over.left() <= room.left() && over.right() >= room.right() && over.top() > room.top() &&
            over.top() <= room.bottom())
            room.setBottom(over.top() - 1);
    }
    return room;
}

// The height a line of text takes on screen, in logical pixels. On a scaled screen the face is
// drawn at the scaled size, and its ascent and descent round up in device pixels: at scale 2 an
// 11 px line needs 12.5 rows, not the 12 the logical metrics report.
qreal lineHeight(QFont font, qreal ratio) {
    if (font.pixelSize() <= 0)
        return QFontMetricsF(font).height();
    font.setPixelSize(qRound(font.pixelSize() * ratio));
    return QFontMetricsF(font).height() / ratio;
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

QFont CaptionLabel::fittedFont() const {
    const QRect room = textRoom(*this);
    return fitted(font(), [&](const QFont& font) {
        const QFontMetrics metrics(font);
        if (!wordWrap()) {
            // A shrunk caption keeps the label's indent clear at its other end too: it never
            // runs up to the border, whatever the font engine's rounding.
            const int indent = contentsRect().width() - room.width();
            return metrics.horizontalAdvance(text()) <= room.width() - indent &&
                   lineHeight(font, devicePixelRatioF()) <= room.height();
        }
        // Every line, as the words fold in this face, and no word wider than the box.
        const QRect drawn = metrics.boundingRect(room, textFlags(*this), text());
        return drawn.width() <= room.width() && drawn.height() <= room.height();
    });
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (fitted == font() && wordWrap())
        return QLabel::paintEvent(event);
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(fitted);
    style()->drawItemText(&painter, textRoom(*this), textFlags(*this), palette(), isEnabled(),
                          text(), foregroundRole());
}

NoticeControl::NoticeControl(QWidget* parent) : QWidget(parent), words(new QLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 0, 0);
    words->setGeometry(0, 0, 0, 0);
    shown.setSingleShot(true);
    connect(&shown, &QTimer::timeout, this, &QWidget::hide);
}

TimerControl::TimerControl(int intervalMs, const TimerPolicy& policy, QObject* parent)
    : QObject(parent), pacingAllowed_(policy.pacing),
      period_(std::max({intervalMs, policy.floorMs, 1})), wait_(period_) {}

void TimerControl::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled)
        timer_.stop();
    else if (!timer_.isActive())
        timer_.start(wait_ = period_, Qt::PreciseTimer, this);
}

void TimerControl::tick() {
    if (enabled_ && handler_)
        handler_();
}

void TimerControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId())
        return QObject::timerEvent(event);
    tick();
    // A window with nothing new to show before a known moment is not woken until then, however
    // near or far that moment is: the floor limits how often a timer ticks, and this wakes it at
    // most as often.
    if (!pacing_ || !pacingAllowed_ || !enabled_ || !timer_.isActive())
        return;
    const int until = pacing_();
    // A paced wait counts from now. Left running, the timer keeps the rhythm of its last start,
    // and a wait equal to the last one could bring the next tick a moment before the awaited
    // one, for a wasted wake-up.
    if (until > 0 || wait_ != period_)
        timer_.start(wait_ = until > 0 ? until : period_, Qt::PreciseTimer, this);
}

} // namespace velti::forms
