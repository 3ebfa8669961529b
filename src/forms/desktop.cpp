// How the windows meet the desktop: the style, fonts and texts they start with, a window that
// another program destroys, and what assistive technology is told of them.
#include "forms/widgets.h"

#include <QAbstractNativeEventFilter>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStyleFactory>
#include <QTranslator>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define VELTI_XCB 1
#endif

namespace velti::forms::accessibility {

namespace {

// A caption without its access-key markers; "&&" stands for one "&".
QString withoutMarkers(QString caption) {
    static const QRegularExpression marker(QStringLiteral("&(.)"));
    return caption.replace(marker, QStringLiteral("\\1"));
}

// A push button as Qt presents one, named by its caption without markers, and with two
// corrections. Qt reports a focused auto-default button as the window's default one, so every
// button would claim it: only the designed default button does. And an assistive technology
// acts on a button as a person does, so a window waiting behind a modal one refuses its
// requests, the focus as well as the press.
class ButtonInterface final : public QAccessibleWidget {
public:
    explicit ButtonInterface(ButtonControl* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty())
            return withoutMarkers(button()->text());
        if (t == QAccessible::Accelerator)
            return button()->shortcut().toString(QKeySequence::NativeText);
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->isDown();
        state.defaultButton = button()->isDefault;
        return state;
    }
    QStringList actionNames() const override {
        return (widget()->isEnabled() ? QStringList{pressAction()} : QStringList()) +
               QAccessibleWidget::actionNames();
    }
    // As Qt presses a button for a reader: the press is shown and the click follows.
    void doAction(const QString& action) override {
        if (!widget()->isEnabled() || Form::isBlocked(widget()->window()))
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
    ButtonControl* button() const { return static_cast<ButtonControl*>(widget()); }
};

// A screen reader meets the stopwatch as a window and the About window as a dialog. A control
// hidden because the client area does not reach it is not in the window's tree at all: a reader
// that read it hidden would keep it "not visible" for ever, as Qt tells of a control shown only
// that it is "showing". It joins the tree when it comes into sight.
class WindowInterface final : public QAccessibleWidget {
public:
    explicit WindowInterface(QWidget* window)
        : QAccessibleWidget(window, window->windowType() == Qt::Dialog ? QAccessible::Dialog
                                                                       : QAccessible::Window) {}

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
            if (!control->isWindow() && control->isVisibleTo(widget()))
                children << control;
        }
        return children;
    }
};

// Asked with the most derived class name first: the layer's own classes come before Qt's. A
// frame is a border, unless it is designed as the window's status bar: then a reader's "read the
// status bar" finds it and speaks the labels it holds, as they are now. What an action has to
// say is told by a notification: Orca speaks one that is shown, after whatever the focus said,
// shows its label on a braille display and keeps it in its history. Qt 6.4's bridge drops alerts
// and sends a name change without the new name, so neither can carry it.
QAccessibleInterface* factory(const QString& className, QObject* object) {
    const auto is = [&className](const QMetaObject& meta) {
        return className == QLatin1String(meta.className());
    };
    if (is(FormWindow::staticMetaObject))
        return new WindowInterface(static_cast<QWidget*>(object));
    if (is(ButtonControl::staticMetaObject))
        return new ButtonInterface(static_cast<ButtonControl*>(object));
    if (is(FrameControl::staticMetaObject)) {
        auto* frame = static_cast<FrameControl*>(object);
        return new QAccessibleWidget(frame, frame->statusBar ? QAccessible::StatusBar
                                                             : QAccessible::Border);
    }
    if (is(NoticeControl::staticMetaObject))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

// Nothing is told of a control that is not on screen, as one of a window not yet shown or one the
// client area does not reach: a reader that heard of it would look at it, read it hidden and keep
// it "not visible" for ever. The memory figures, rewritten on every tick out of sight, would
// never be read in a review of the window.
void tellOfShownControls(QAccessibleEvent* event) {
    const auto* control = qobject_cast<const QWidget*>(event->object());
    if (control != nullptr && !control->isWindow() && !control->isVisible() &&
        qobject_cast<const FormWindow*>(control->window()) != nullptr)
        return;
    // Qt offers no way to hand an event on to its bridge but to let it go through again with no
    // handler in the way.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(tellOfShownControls);
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

void joinedTheTree(QWidget* control) {
    QAccessibleEvent joined(control, QAccessible::ObjectCreated);
    QAccessible::updateAccessibility(&joined);
}

void announce(QWidget* window, const std::vector<QPointer<QWidget>>& changed,
              const QWidget* focusBefore) {
    if (window == nullptr || changed.empty())
        return;
    // What to say, in the order said: the status bar once for any change to the time or the
    // state, then whatever else changed.
    QList<QPointer<QWidget>> told;
    for (const QPointer<QWidget>& control : changed) {
        if (!control || control->window() != window || !control->isVisible())
            continue;
        QWidget* what = control;
        auto* bar = qobject_cast<FrameControl*>(control->parentWidget());
        if (bar != nullptr && bar->statusBar)
            what = bar;
        // A button renamed under the focus: Qt 6.4 tells the reader of no name change. One that
        // the focus moved to is heard by its new name already.
        else if (qobject_cast<QPushButton*>(control) != nullptr &&
                 (control != focusBefore || !control->hasFocus()))
            continue;
        if (told.contains(what))
            continue;
        if (what == bar)
            told.prepend(what);
        else
            told.append(what);
    }
    if (told.isEmpty())
        return;
    auto* notice = window->findChild<NoticeControl*>();
    if (notice == nullptr) {
        notice = new NoticeControl(window);
        notice->hide();
    }
    // A moment later: the focus, moved by the handler or by the buttons it held, is heard first,
    // and a timer the handler started has ticked (the floor is 15 ms), so the time said is the
    // live one, not the one the display held before. The notice is taken away once told, so
    // that a later review of the window never reads an old time from it.
    QTimer::singleShot(kNoticeDelayMs, notice, [notice, told] {
        QStringList said;
        for (const QPointer<QWidget>& control : told) {
            if (control && !spoken(control).isEmpty())
                said << spoken(control);
        }
        if (said.isEmpty())
            return;
        notice->words->setText(said.join(QStringLiteral(", ")));
        notice->hide();
        notice->show();
        notice->shown.start(kNoticeShownMs);
    });
}

} // namespace velti::forms::accessibility

namespace velti::forms {

namespace {

#ifdef VELTI_XCB
// Another client may destroy one of the program's X windows (xdotool windowclose does). Qt takes
// no notice and keeps the window as it was: a modal window gone that way would go on blocking
// the others for ever. The layer unloads such a window as if it were closed, and Qt's requests
// on it that follow (unmap, destroy, focus) fail as expected: their errors are not reported.
class DestroyedWindows final : public QObject, public QAbstractNativeEventFilter {
public:
    using QObject::QObject;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (event->response_type == 0)
            return gone_.contains(static_cast<const xcb_generic_error_t*>(message)->resource_id);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
            return false;
        const xcb_window_t destroyed =
            static_cast<const xcb_destroy_notify_event_t*>(message)->window;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<FormWindow*>(top);
            if (window != nullptr && window->internalWinId() == destroyed) {
                // At once, before the events that follow: a key typed to the window that now
                // has the focus must not find it blocked still by a modal window that is gone.
                gone_.insert(destroyed);
                window->nativeWindowDestroyed();
                break;
            }
        }
        return false;
    }

private:
    QSet<xcb_window_t> gone_;
};
#endif

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
    application.setQuitOnLastWindowClosed(false);
#ifdef VELTI_XCB
    application.installNativeEventFilter(new DestroyedWindows(&application));
#endif
    QAccessible::installFactory(accessibility::factory);
    QAccessible::installUpdateHandler(accessibility::tellOfShownControls);

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

} // namespace velti::forms
