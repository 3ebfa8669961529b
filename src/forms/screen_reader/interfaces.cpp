// What assistive technology sees of the windows: the layer's own interfaces.
#include "forms/screen_reader/interfaces.h"

#include "forms/screen_reader/notices.h"
#include "forms/windows/controls.h"
#include "forms/windows/dispatch.h"
#include "forms/windows/form.h"
#include "forms/windows/properties.h"
#include "forms/windows/widgets.h"

#include <QAccessibleWidget>
#include <QKeySequence>

namespace velti::forms::accessibility {

namespace {

// A push button as Qt presents one, named by its caption without markers, and with two
// corrections. Qt reports a focused auto-default button as the window's default one, so every
// button would claim it: none does. And an assistive technology acts on a button as a person
// does: a window waiting behind a modal one offers no action at all, neither the press nor the
// focus, so a client can tell that nothing would happen.
class ButtonInterface final : public QAccessibleWidget {
public:
    explicit ButtonInterface(QPushButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty())
            return withoutMarkers(button()->text());
        if (const QStringList described = button()->property(kDescribed).toStringList();
            t == QAccessible::Description && described.value(0) == button()->text())
            return described.value(1);
        if (t == QAccessible::Accelerator)
            return button()->shortcut().toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->isDown();
        state.defaultButton = false;
        return state;
    }
    QStringList actionNames() const override {
        if (isBlocked(widget()->window()))
            return {};
        return (widget()->isEnabled() ? QStringList{pressAction()} : QStringList()) +
               QAccessibleWidget::actionNames();
    }
    // As Qt presses a button for a reader: the press is shown and the click follows.
    void doAction(const QString& action) override {
        if (!actionNames().contains(action))
            return;
        if (action == pressAction())
            button()->animateClick();
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        return action == pressAction() ? QStringList{button()->shortcut().toString()}
                                       : QStringList();
    }

private:
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

// A screen reader meets the stopwatch as a window and the About window as a dialog. A control
// hidden because the client area does not reach it is not in the window's tree at all: a reader
// that read it hidden would keep it "not visible" for ever. It joins the tree when it comes into
// sight.
// A label read by its text, and nothing more: Qt's own marks every label read-only, and a braille
// display shows that after every word of the status bar.
class LabelInterface final : public QAccessibleWidget {
public:
    explicit LabelInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? static_cast<QLabel*>(widget())->text()
                                      : QAccessibleWidget::text(t);
    }
};

class ContainerInterface final : public QAccessibleWidget {
public:
    ContainerInterface(QWidget* container, QAccessible::Role role)
        : QAccessibleWidget(container, role) {}

    int childCount() const override { return int(inTree().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = inTree();
        return index < 0 || index >= children.size()
                   ? nullptr
                   : QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child == nullptr ? -1 : int(inTree().indexOf(child->object()));
    }

private:
    QList<QWidget*> inTree() const {
        QList<QWidget*> children;
        for (auto* control : widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            // A notice, or the bar of no size that holds one, is no part of what a person sees.
            if (!control->isWindow() && control->isVisibleTo(widget()) &&
                !control->size().isEmpty())
                children << control;
        }
        return children;
    }
};

bool isForm(const QObject* object) {
    return dynamic_cast<const FormBase*>(object) != nullptr;
}

// Asked with the most derived class name first. A frame is a border, unless it is designed as the
// window's status bar: then a reader's "read the status bar" finds it and speaks the labels it
// holds. What an action has to say is told by a notification: Orca speaks one that is shown,
// after whatever the focus said, shows its label on a braille display and keeps it in its
// history. Qt 6.4's bridge drops alerts and sends a name change without the new name, so neither
// can carry it.
QAccessibleInterface* factory(const QString& className, QObject* object) {
    const auto is = [&className](const QMetaObject& meta) {
        return className == QLatin1String(meta.className());
    };
    if (auto* window = qobject_cast<QWidget*>(object);
        window != nullptr && window->isWindow() && isForm(object))
        return new ContainerInterface(
            window, window->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window);
    if (is(ButtonWidget::staticMetaObject))
        return new ButtonInterface(static_cast<QPushButton*>(object));
    if (is(FrameWidget::staticMetaObject)) {
        auto* frame = static_cast<FrameWidget*>(object);
        return new ContainerInterface(frame, frame->statusBar ? QAccessible::StatusBar
                                                              : QAccessible::Border);
    }
    if (is(LabelWidget::staticMetaObject))
        return new LabelInterface(static_cast<QLabel*>(object));
    if (is(NoticeWidget::staticMetaObject))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

// Nothing is told of a control that is not on screen, as one of a window not yet shown or one the
// client area does not reach: a reader that heard of it would look at it, read it hidden and keep
// it "not visible" for ever. The memory figures, rewritten on every tick out of sight, would
// never be read in a review of the window.
// The handler that was there before: events that may be told go on to it, or to the bridge.
QAccessible::UpdateHandler passOn = nullptr;

void tellOfShownControls(QAccessibleEvent* event) {
    const auto* control = qobject_cast<const QWidget*>(event->object());
    if (control != nullptr && !control->isWindow() && !control->isVisible() &&
        isForm(control->window()))
        return;
    if (passOn != nullptr)
        return passOn(event);
    // Qt offers no way to hand an event on to its bridge but to let it go through again with no
    // handler in the way.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(tellOfShownControls);
}

} // namespace

void install() {
    QAccessible::installFactory(factory);
    passOn = QAccessible::installUpdateHandler(tellOfShownControls);
    tellWhatClicksChange();
}

} // namespace velti::forms::accessibility
