#include "forms/accessibility.h"

#include "forms/widgets.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QKeySequence>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QStringList>

namespace velti::forms::accessibility {

namespace {

const char* const statusBarProperty = "veltiStatusBar";
const char* const reannouncePending = "veltiReannounce";
const char* const watchedProperty = "veltiSightWatched";

// A control the client area does not reach at all, as the memory panel before the About window
// grows, is not on screen: a reader must not read it out.
bool outside(const QWidget* control, QSize client) {
    const QRect inWindow(control->mapTo(control->window(), QPoint()), control->size());
    return !QRect(QPoint(), client).intersects(inWindow);
}

QAccessible::State onScreen(QAccessible::State state, const QWidget* control) {
    if (outside(control, control->window()->size())) {
        state.invisible = true;
        state.offscreen = true;
    }
    return state;
}

QWidget* statusBar(const QWidget* window) {
    for (auto* frame : window->findChildren<FrameControl*>()) {
        if (frame->property(statusBarProperty).toBool())
            return frame;
    }
    return nullptr;
}

QList<QLabel*> readings(const QWidget* bar) {
    return bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
}

// A caption without its access-key markers; "&&" stands for one "&".
QString withoutMarkers(const QString& caption) {
    QString heard;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && i + 1 < caption.size())
            ++i;
        heard += caption.at(i);
    }
    return heard;
}

class LabelInterface final : public QAccessibleWidget {
public:
    explicit LabelInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QAccessible::Role role() const override {
        return label()->pixmap().isNull() ? QAccessible::StaticText : QAccessible::Graphic;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        return onScreen(QAccessibleWidget::state(), widget());
    }

private:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
};

// A frame is a border, unless it is designed as the window's status bar: then a reader's "read
// the status bar" finds it and speaks the labels it holds, as they are now. Its text is theirs,
// one after the other, so that the buttons it labels are heard with the time and the state.
class FrameInterface final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit FrameInterface(QWidget* frame)
        : QAccessibleWidget(frame, frame->property(statusBarProperty).toBool()
                                       ? QAccessible::StatusBar
                                       : QAccessible::Border) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface && role() == QAccessible::StatusBar)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        return onScreen(QAccessibleWidget::state(), widget());
    }

    QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
    QString text(int start, int end) const override { return readout().mid(start, end - start); }
    int characterCount() const override { return int(readout().size()); }
    // Read only, with no caret and no selection.
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }

private:
    QString readout() const {
        QStringList texts;
        for (const QLabel* label : readings(widget())) {
            if (!label->text().isEmpty())
                texts << label->text();
        }
        return texts.join(u' ');
    }
};

// A push button as Qt presents one, with two additions. In a window with a status bar, the bar
// labels every button: the focus arriving on a button, and where-am-I, then say the time and the
// state with the button's name. And a button the client area does not reach is not shown.
class ButtonInterface final : public QAccessibleWidget {
public:
    explicit ButtonInterface(QPushButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = button()->accessibleName();
            return name.isEmpty() ? withoutMarkers(button()->text()) : name;
        }
        if (t == QAccessible::Accelerator)
            return button()->shortcut().toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = onScreen(QAccessibleWidget::state(), widget());
        state.pressed = button()->isDown();
        state.defaultButton = button()->isDefault();
        return state;
    }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto related = QAccessibleWidget::relations(match);
        QWidget* bar = statusBar(widget()->window());
        if (bar == nullptr || !(match & QAccessible::Label))
            return related;
        if (QAccessibleInterface* label = QAccessible::queryAccessibleInterface(bar))
            related.append({label, QAccessible::Label});
        return related;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled())
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }
    // As Qt presses a button for a reader: the press is shown and the click follows.
    void doAction(const QString& action) override {
        if (!widget()->isEnabled())
            return;
        if (action == pressAction())
            button()->animateClick();
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction())
            return {button()->shortcut().toString()};
        return {};
    }

private:
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

// Readers know an object by its id and keep what they learnt of it: its states, and its focus.
// A control given a fresh interface, and with it a fresh id, is a new object to them, read afresh.
void renew(QWidget* control) {
    if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(control)) {
        QAccessibleEvent gone(old, QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&gone);
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    }
    QAccessibleEvent created(control, QAccessible::ObjectCreated);
    QAccessible::updateAccessibility(&created);
}

// They say nothing when the focus "arrives" on the object that already has it, and Qt's
// name-change event cannot carry a new caption to them: the focus announced on the button renewed
// is heard as the focus arriving on it, with its new caption.
void reannounce(QWidget* button) {
    renew(button);
    QAccessibleEvent focus(button, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

// Tells the reader which controls come into sight, or leave it, as the window is shown and as its
// height changes. Qt reports every control showing when the window is shown, those the client
// area does not reach included.
class SightWatcher final : public QObject {
public:
    explicit SightWatcher(QWidget* window) : QObject(window) { window->installEventFilter(this); }

    static void watch(QWidget* window) {
        if (!window->property(watchedProperty).toBool()) {
            window->setProperty(watchedProperty, true);
            new SightWatcher(window);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show) {
            for (QWidget* control : window->findChildren<QWidget*>()) {
                if (!control->isHidden() && outside(control, window->size()))
                    tell(control, QAccessible::ObjectHide);
            }
        } else if (event->type() == QEvent::Resize && window->isVisible()) {
            const auto* resize = static_cast<QResizeEvent*>(event);
            for (QWidget* control : window->findChildren<QWidget*>()) {
                const bool before = !outside(control, resize->oldSize());
                const bool now = !outside(control, resize->size());
                if (before == now || control->isHidden())
                    continue;
                // Readers keep the "visible" state they first read, and Qt has no event to
                // change it: a control coming into sight is renewed, and read afresh.
                if (now)
                    renew(control);
                else
                    tell(control, QAccessible::ObjectHide);
            }
        }
        return false;
    }

private:
    static void tell(QWidget* control, QAccessible::Event type) {
        QAccessibleEvent event(control, type);
        QAccessible::updateAccessibility(&event);
    }
};

// A screen reader meets the stopwatch as a window and the About window as a dialog.
QAccessibleInterface* accessibleWindow(FormWindow* window) {
    const bool dialog = window->windowType() == Qt::Dialog;
    return new QAccessibleWidget(window, dialog ? QAccessible::Dialog : QAccessible::Window);
}

QAccessibleInterface* accessibleControl(const QString& className, QWidget* control) {
    const auto is = [&className](const QMetaObject& meta) {
        return className == QLatin1String(meta.className());
    };
    if (is(ButtonControl::staticMetaObject))
        return new ButtonInterface(static_cast<QPushButton*>(control));
    if (is(LabelControl::staticMetaObject) || is(CaptionLabel::staticMetaObject))
        return new LabelInterface(static_cast<QLabel*>(control));
    if (is(FrameControl::staticMetaObject))
        return new FrameInterface(control);
    return nullptr;
}

// Asked with the most derived class name first: the layer's own classes come before Qt's.
QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String(FormWindow::staticMetaObject.className())) {
        auto* window = static_cast<FormWindow*>(object);
        SightWatcher::watch(window);
        return accessibleWindow(window);
    }
    auto* control = qobject_cast<QWidget*>(object);
    if (control == nullptr || qobject_cast<FormWindow*>(control->window()) == nullptr)
        return nullptr;
    QAccessibleInterface* accessible = accessibleControl(className, control);
    if (accessible != nullptr)
        SightWatcher::watch(control->window());
    return accessible;
}

} // namespace

void install() {
    QAccessible::installFactory(factory);
}

void captionChanged(QWidget* button) {
    if (!button->hasFocus() || button->property(reannouncePending).toBool())
        return;
    // Once the handler is done: by then it has put the focus, and the state, where it wants them.
    button->setProperty(reannouncePending, true);
    QMetaObject::invokeMethod(
        button,
        [target = QPointer<QWidget>(button)] {
            target->setProperty(reannouncePending, false);
            if (target->hasFocus() && target->isEnabled())
                reannounce(target);
        },
        Qt::QueuedConnection);
}

} // namespace velti::forms::accessibility
