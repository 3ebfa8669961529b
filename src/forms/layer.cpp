#include "forms/layer.h"

#include "forms/accessibility.h"
#include "forms/widgets.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QSet>
#include <QStyleFactory>
#include <QTranslator>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define VELTI_XCB 1
#endif

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

} // namespace velti::forms
