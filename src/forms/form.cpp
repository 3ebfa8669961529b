#include "forms/form.h"

#include "core/runtime_error.h"
#include "forms/accessibility.h"
#include "forms/widgets.h"

#include <QApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace velti::forms {

namespace {

int pixels(int twips) {
    return qRound(static_cast<double>(twips) / kTwipsPerPixel);
}

QRect pixels(const ControlDescription& c) {
    return {pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height)};
}

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
    switch (c.kind) {
    case Colour::Kind::Rgb:
        return QColor::fromRgb(c.value);
    case Colour::Kind::System:
        return c.value == kWindowBackground ? palette.color(QPalette::Base)
                                            : palette.color(QPalette::Text);
    case Colour::Kind::Default:
        break;
    }
    return {};
}

Qt::Alignment alignment(Alignment a) {
    switch (a) {
    case Alignment::Centre:
        return Qt::AlignHCenter | Qt::AlignTop;
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
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
    // A bordered label is a one-line field; other text folds at word boundaries.
    auto* label = new CaptionLabel(text(c.caption), c.border, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment(c.alignment));
    QPalette palette = label->palette();
    if (const QColor fore = colour(c.foreColor, palette); fore.isValid())
        palette.setColor(QPalette::WindowText, fore);
    if (!c.transparent) {
        const QColor back = colour(c.backColor, palette);
        palette.setColor(QPalette::Window,
                         back.isValid() ? back : label->palette().color(QPalette::Window));
        label->setAutoFillBackground(true);
    }
    label->setPalette(palette);
    if (c.border) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
    }
    return label;
}

QWidget* makeFrame(const ControlDescription& c, QWidget* parent) {
    auto* frame = new FrameControl(parent);
    frame->statusBar = c.role == AccessibleRole::StatusBar;
    // An untitled frame: an etched rectangle.
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setLineWidth(1);
    return frame;
}

QWidget* makeImage(const ControlDescription& c, QWidget* parent, const QIcon& picture) {
    auto* image = new LabelControl(parent);
    // The icon's image of the box's size, at its natural size: never stretched. On a scaled screen
    // the largest image the icon holds is drawn.
    const QSize size(pixels(c.width), pixels(c.height));
    image->setPixmap(picture.pixmap(size, image->devicePixelRatioF()));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

} // namespace

Form::Form(const FormDescription& description, Context& context)
    : description_(description), context_(context) {}

Form::~Form() {
    delete window_.data();
}

bool Form::isLoaded() const {
    return window_ != nullptr;
}

QWidget* Form::window() const {
    return window_.data();
}

void Form::load() {
    if (window_)
        return;
    build();
    bindEvents();
    context_.windowLoaded();
    for (const EventBinding& binding : events()) {
        if (binding.event() == Event::Load)
            deliver(binding.handler());
    }
}

void Form::build() {
    const FormDescription& d = description_;
    const Qt::WindowFlags flags = (d.border == BorderStyle::FixedSingle ? Qt::Dialog : Qt::Window) |
                                  Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                  Qt::MSWindowsFixedSizeDialogHint;
    auto* window = new FormWindow(*this, flags);
    window_ = window;
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
        window->setWindowIcon(context_.icon(d.icon));
    if (d.picture != nullptr)
        window->setBackground(QPixmap(text(d.picture)));

    controls_.clear();
    std::vector<std::pair<int, QPushButton*>> tabOrder;
    for (const ControlDescription& c : d.controls) {
        QWidget* parent = window;
        if (c.container != nullptr)
            parent = qobject_cast<QWidget*>(control(c.container));
        QObject* object = nullptr;
        const QIcon picture = c.picture != nullptr ? context_.icon(c.picture) : QIcon();
        switch (c.kind) {
        case ControlKind::CommandButton: {
            QWidget* button = makeButton(c, parent, picture);
            tabOrder.emplace_back(c.tabIndex, static_cast<QPushButton*>(button));
            object = button;
            break;
        }
        case ControlKind::Label:
            object = makeLabel(c, parent);
            break;
        case ControlKind::Frame:
            object = makeFrame(c, parent);
            break;
        case ControlKind::Image:
            object = makeImage(c, parent, picture);
            break;
        case ControlKind::Timer: {
            auto* timer = new TimerControl(c.interval, context_.timers(), window);
            // Designed enabled: it runs from the load until a handler says otherwise.
            timer->setEnabled(true);
            object = timer;
            break;
        }
        }
        object->setObjectName(QString::fromLatin1(c.name));
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            widget->setGeometry(pixels(c));
            widget->setFont(font(c.font, parent->font()));
            if (c.toolTip != nullptr)
                widget->setToolTip(text(c.toolTip));
            if (c.kind != ControlKind::CommandButton)
                widget->setFocusPolicy(Qt::NoFocus);
        }
        controls_.push_back({c.name, c.index, object});
    }

    showControlsInSight();
    for (Control* handle : handles_)
        bindHandle(handle);

    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
}

void Form::bindEvents() {
    unloadHandler_ = nullptr;
    for (const EventBinding& binding : events()) {
        switch (binding.event()) {
        case Event::Load:
            break;
        case Event::Unload:
            unloadHandler_ = binding.unloadHandler();
            break;
        case Event::Click: {
            auto* button = qobject_cast<QPushButton*>(designedControl(binding));
            // Whoever sends the click (mouse, key, an assistive technology's action, a queued
            // or delayed click), a disabled or hidden button runs nothing, nor does one whose
            // window is no longer on screen or waits behind a modal window.
            QObject::connect(button, &QPushButton::clicked, window_,
                             [this, button, handler = binding.handler()] {
                                 if (context_.delivery().isButtonEnabled(button) && button->isVisible() &&
                                     !isBlocked(button->window()))
                                     deliverClick(handler);
                             });
            break;
        }
        case Event::Timer: {
            auto* timer = qobject_cast<TimerControl*>(designedControl(binding));
            timer->setHandler([this, handler = binding.handler()] { deliver(handler); });
            timer->setPacing(binding.pacing());
            break;
        }
        }
    }
}

// A row that names no control of the right kind is a fault of the program itself, in any build.
QObject* Form::designedControl(const EventBinding& binding) const {
    const std::string_view source = binding.source();
    const ControlKind kind =
        binding.event() == Event::Click ? ControlKind::CommandButton : ControlKind::Timer;
    const bool designed = std::any_of(
        description_.controls.begin(), description_.controls.end(),
        [&](const ControlDescription& c) { return c.name == source && c.kind == kind; });
    if (!designed || !binding.handler())
        qFatal("%s: the event binding of '%s' names no such control or no handler",
               description_.name, binding.source());
    return control(source);
}

void Form::show() {
    load();
    if (!window_)
        return;
    window_->show();
    // The keyboard, as when a modal window gives it back: without a window manager nobody else
    // gives it, and the window would ignore its access keys until clicked. A window manager that
    // decides focus itself is only asked.
    window_->windowHandle()->requestActivate();
    focusFirstButton();
}

void Form::showModal() {
    context_.delivery().operation();
    load();
    if (!window_)
        return;
    // The window that was active owns the modal one, so the desktop keeps the two together:
    // minimised, raised and placed as one.
    QWidget* owner = QApplication::activeWindow();
    if (owner == nullptr || owner == window_) {
        owner = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top != window_ && top->isVisible() && qobject_cast<FormWindow*>(top) != nullptr) {
                owner = top;
                break;
            }
        }
    }
    window_->setWindowModality(Qt::ApplicationModal);
    if (owner != nullptr)
        window_->windowHandle()->setTransientParent(owner->windowHandle());
    placeModal(owner);
    // Buttons held by the handler that opens this window are disabled before the nested loop.
    context_.delivery().releaseHeldButtons();
    window_->show();
    // Asked of the window itself: activateWindow() takes an owned window whose owner is active
    // for active already.
    window_->windowHandle()->requestActivate();
    focusFirstButton();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
}

namespace {
QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}
} // namespace

// A centred window centres its frame, title bar included, on the screen of its owner. The frame
// is not known until the desktop has framed the window: until then the owner's frame stands in
// for it, and the window is placed again once its own is known.
void Form::placeModal(QWidget* owner) {
    if (!description_.centred)
        return;
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const auto centre = [window = window_, screen](QMargins margins) {
        QRect frame(QPoint(), window->size().grownBy(margins));
        frame.moveCenter(screen->availableGeometry().center());
        // Placed by its client area: Qt moves a created window's frame only once it knows it.
        const QPoint client = frame.topLeft() + QPoint(margins.left(), margins.top());
        if (window->geometry().topLeft() != client)
            window->move(window->pos() + client - window->geometry().topLeft());
    };
    const QMargins guess = owner != nullptr ? frameMargins(owner) : QMargins();
    centre(guess);
    static_cast<FormWindow*>(window_.data())->whenFramed([window = window_, guess, centre] {
        if (window && frameMargins(window) != guess)
            centre(frameMargins(window));
    });
}

void Form::focusFirstButton() {
    // The enabled button with the lowest tab index; Qt's focus chain follows the tab indices.
    QWidget* first = nullptr;
    int lowest = 0;
    for (const ControlDescription& c : description_.controls) {
        if (c.kind != ControlKind::CommandButton)
            continue;
        auto* button = qobject_cast<QWidget*>(control(c.name, c.index));
        if (button->isEnabled() && (first == nullptr || c.tabIndex < lowest)) {
            first = button;
            lowest = c.tabIndex;
        }
    }
    if (first != nullptr)
        first->setFocus(Qt::ActiveWindowFocusReason);
}

void Form::unload() {
    context_.delivery().operation();
    if (!window_)
        return;
    std::int16_t cancel = 0;
    if (unloadHandler_)
        deliver([&] { unloadHandler_(cancel); });
    if (cancel != 0 || !window_)
        return;
    QWidget* window = window_.data();
    for (auto* timer : window->findChildren<TimerControl*>())
        timer->setEnabled(false);
    window_ = nullptr;
    controls_.clear();
    for (Control* handle : handles_)
        handle->unbind();
    unloadHandler_ = nullptr;
    const QPointer<QWindow> owner =
        modalLoop_ != nullptr ? window->windowHandle()->transientParent() : nullptr;
    window->hide();
    window->deleteLater();
    if (modalLoop_ != nullptr)
        modalLoop_->quit();
    // The keyboard goes back to the window the modal one belonged to. A window manager does it
    // by itself; without one, or after one was replaced, nobody else would, and the stopwatch
    // would ignore its keys until clicked.
    if (owner && owner->isVisible())
        owner->requestActivate();
    context_.windowUnloaded();
}

// A handler of this window may be running still, under a modal window that it opened: the
// stopwatch's information button waits in its handler for the About window to close. Its widgets
// are not deleted under it; the unload comes when that handler ends.
void Form::nativeWindowGone() {
    if (handlersRunning_ > 0)
        unloadWhenIdle_ = true;
    else
        unload();
}

void Form::setHeight(double twips) {
    context_.delivery().operation();
    if (!window_)
        throw RuntimeError::objectUnloaded();
    const int clientTwips = qRound(twips) - description_.borderTop - description_.borderSide;
    if (clientTwips < 0)
        throw RuntimeError::invalidCall();
    window_->setBaseSize(window_->width(), pixels(clientTwips));
    window_->setFixedHeight(pixels(clientTwips));
    window_->windowHandle()->setBaseSize(window_->size());
    showControlsInSight();
}

// A control the client area does not reach, as the memory panel before the About window grows,
// is hidden: nobody sees it, so no reader reads it out. It shows, and a person is told of it,
// when the window grows to reach it.
void Form::showControlsInSight() {
    const QRect client = window_->rect();
    for (const LiveControl& c : controls_) {
        auto* control = qobject_cast<QWidget*>(c.object.data());
        if (control == nullptr)
            continue;
        const bool inSight =
            client.intersects(QRect(control->mapTo(window_.data(), QPoint()), control->size()));
        if (!inSight)
            control->hide();
        else if (control->isHidden() && window_->isVisible()) {
            control->show();
            accessibility::joinedTheTree(control);
            context_.delivery().changed(control);
        }
    }
}

QObject* Form::control(std::string_view name, int index) const {
    if (!window_)
        throw RuntimeError::objectUnloaded();
    bool named = false;
    for (const LiveControl& c : controls_) {
        if (c.name != name)
            continue;
        named = true;
        if (c.index == index && c.object)
            return c.object.data();
    }
    if (named && index >= 0)
        throw RuntimeError::noSuchElement(index);
    throw RuntimeError::noSuchControl(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

void Form::adopt(Control* handle) {
    handles_.push_back(handle);
    bindHandle(handle);
}

void Form::release(Control* handle) {
    std::erase(handles_, handle);
}

// Once, as the window loads: every control of the handle's name.
void Form::bindHandle(Control* handle) const {
    for (const LiveControl& c : controls_) {
        if (c.name == handle->name())
            handle->bind(c.object, c.index);
    }
}

bool Form::isBlocked(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != window;
}

// The window's own handlers are counted, so that a window whose native window is destroyed under
// a running handler is unloaded once that handler ends.
void Form::deliver(const std::function<void()>& handler, std::vector<QPointer<QWidget>>* told) {
    ++handlersRunning_;
    context_.delivery().deliver(handler, told);
    if (--handlersRunning_ == 0 && std::exchange(unloadWhenIdle_, false))
        unload();
}

// A person hears what the click changed once its handler has ended, whatever it ran meanwhile.
void Form::deliverClick(const std::function<void()>& handler) {
    std::vector<QPointer<QWidget>> changed;
    const QPointer<QWidget> window = window_;
    const QPointer<QWidget> focus = window ? window->focusWidget() : nullptr;
    deliver(handler, &changed);
    accessibility::announce(window, changed, focus);
}

} // namespace velti::forms
