// How the windows meet the desktop: the style, fonts and texts they start with, where a modal
// window opens, the states a desktop may put a window in, and windows another program destroys.
#include "forms/accessibility.h"
#include "forms/form.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QSet>
#include <QStyleFactory>
#include <QTranslator>
#include <QWindow>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define VELTI_XCB 1
#endif

namespace velti::forms {

namespace {

QMargins frameMargins(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

#ifdef VELTI_XCB
// Another client may destroy one of the program's X windows (xdotool windowclose does). Qt takes
// no notice and keeps the window as it was: a modal window gone that way would go on blocking
// the others for ever. Such a window goes as if it were closed, and a message box as if it were
// dismissed. Qt's requests on it that follow (unmap, destroy, focus) fail as expected: their
// errors are not reported. A DestroyNotify that another client sent (the send_event bit) is not
// the server's word, and is ignored.
class DestroyedWindows final : public QObject, public QAbstractNativeEventFilter {
public:
    using QObject::QObject;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (event->response_type == 0)
            return gone_.contains(static_cast<const xcb_generic_error_t*>(message)->resource_id);
        if (event->response_type != XCB_DESTROY_NOTIFY)
            return false;
        const xcb_window_t destroyed =
            static_cast<const xcb_destroy_notify_event_t*>(message)->window;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->internalWinId() != destroyed || !top->testAttribute(Qt::WA_WState_Created))
                continue;
            // At once, before the events that follow: a key typed to the window that now has
            // the focus must not find it blocked still by a modal window that is gone.
            gone_.insert(destroyed);
            if (auto* form = dynamic_cast<Shell*>(top))
                form->nativeWindowGone();
            else if (auto* box = qobject_cast<QDialog*>(top))
                box->reject();
            break;
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
#ifdef VELTI_XCB
    application.installNativeEventFilter(new DestroyedWindows(&application));
#endif
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

void Shell::stateChanged(QEvent* event) {
    const bool stateChange = event->type() == QEvent::WindowStateChange;
    // A fixed-size window is never maximised or made full screen. On Wayland Qt draws its own
    // title bar, with a maximise button whatever the window's flags say; a press on it is undone
    // here, so it does nothing visible.
    static constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
    QWidget* window = window_;
    if (stateChange && (window->windowState() & enlarged)) {
        QMetaObject::invokeMethod(
            window, [window] { window->setWindowState(window->windowState() & ~enlarged); },
            Qt::QueuedConnection);
    }
    // A modal window minimised on its own takes its owner along: a blocked window is never
    // left on screen without it.
    QWindow* owner =
        window->windowHandle() != nullptr ? window->windowHandle()->transientParent() : nullptr;
    if (stateChange && window->isMinimized() && window->isModal() && owner != nullptr &&
        owner->isVisible() && !(owner->windowStates() & Qt::WindowMinimized))
        owner->showMinimized();
    // A window behind a modal one, restored or activated (from a taskbar, Alt+Tab) while the modal
    // window is minimised, would stand blocked with nothing on screen to unblock it: the modal
    // window comes back with it, in front. Qt hands the keyboard on to a modal window only while
    // that one is on screen.
    const bool activated = event->type() == QEvent::ActivationChange && window->isActiveWindow();
    const QPointer<QWidget> modal = QApplication::activeModalWidget();
    if (((stateChange && !window->isMinimized()) || (activated && modal && modal->isMinimized())) &&
        window->isVisible() && isBlocked(window)) {
        QMetaObject::invokeMethod(
            window,
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

} // namespace velti::forms
