// The application: its record, the windows wired to the real services, and the start routine.
#include "app/application.h"

#include "about/form3.h"
#include "core/version.h"
#include "forms/setup.h"
#include "stopwatch/form1.h"

#include <QApplication>
#include <QScopeGuard>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace velti {

ApplicationRecord applicationRecord() {
    return {
        .id = QStringLiteral(VELTI_APP_ID),
        .name = QStringLiteral(VELTI_NAME),
        .executable = QStringLiteral(VELTI_EXECUTABLE),
        .company = QStringLiteral(VELTI_COMPANY),
        .version = QStringLiteral(VELTI_SHORT_VERSION),
        .language = 1040,
        .secondLanguage = 1033,
    };
}

Application::Application(const Services& services, forms::TimerPolicy timers)
    : services_(services), runtime_{services.msgBox, QStringLiteral(VELTI_NAME), timers} {}

Application::~Application() = default;

void Application::startUp() {
    form1_ = std::make_unique<Form1>(runtime_, services_.clock, [this] { openAbout(); });
    form1_->show();
}

void Application::openAbout() {
    Form3 about(runtime_, services_, form1_.get());
    about_ = &about;
    const auto gone = qScopeGuard([this] { about_ = nullptr; });
    about.showModal();
}

namespace {

// How a variable that names a display reads in the line below.
QString displayVariable(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString::fromLatin1(name) + QStringLiteral(" non impostata")
                           : QString::fromLatin1(name) + u'=' + value;
}

// When none of the platforms Qt tries can start (no X server at DISPLAY, no compositor at
// WAYLAND_DISPLAY, a platform name it does not know), or one that started cannot open a window
// (linuxfb with no framebuffer), Qt advises reinstalling the program and aborts. What Qt says is
// watched instead, for the whole run: its fatal message becomes the program's own line and status
// 1. Until the first window is up everything Qt says is held back, to be shown after all if it
// comes up; the platforms Qt names are noted. A message handler is a plain function, so
// this lives outside any object.
struct QtWatch {
    QString executable;
    QtMessageHandler qtHandler = nullptr;
    bool platformUp = false;
    bool holding = true;
    QStringList tried;
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString message;
    };
    std::vector<Held> held;
};
QtWatch* qtWatch = nullptr;

void watchQt(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QtWatch& watch = *qtWatch;
    if (type == QtFatalMsg) {
        QString platforms = watch.tried.join(QStringLiteral(", "));
        if (const qsizetype last = platforms.lastIndexOf(u','); last >= 0)
            platforms.replace(last, 1, QStringLiteral(" e"));
        const QString what = watch.platformUp
                                 ? QStringLiteral("la piattaforma %1 non ne ha (%2)")
                                       .arg(QGuiApplication::platformName(), message.trimmed())
                             : watch.tried.size() > 1
                                 ? QStringLiteral("le piattaforme %1 non si avviano").arg(platforms)
                             : watch.tried.size() == 1
                                 ? QStringLiteral("la piattaforma %1 non si avvia").arg(platforms)
                                 : QStringLiteral("nessuna piattaforma si avvia");
        std::fprintf(stderr, "%s: nessuno schermo su cui aprire le finestre: %s (%s, %s).\n",
                     qPrintable(watch.executable), qPrintable(what),
                     qPrintable(displayVariable("DISPLAY")),
                     qPrintable(displayVariable("WAYLAND_DISPLAY")));
        std::_Exit(1);
    }
    if (!watch.holding)
        return watch.qtHandler(type, context, message);
    // "Could not load the Qt platform plugin "xcb" ...": the name is the first quoted word.
    if (qstrcmp(context.category, "qt.qpa.plugin") == 0) {
        if (const QString name = message.section(u'"', 1, 1); !name.isEmpty())
            watch.tried.append(name);
    }
    watch.held.push_back({type, context.category, message});
}

} // namespace

void start(const ApplicationRecord& record, forms::TimerPolicy timers) {
    int status = 0;
    {
        // The program takes no command line: Qt sees the program's name only.
        QByteArray name = record.executable.toUtf8();
        int argc = 1;
        char* argv[] = {name.data(), nullptr};
#ifdef SIGPIPE
        // A display server that goes away is an error Qt reports, not a silent death.
        std::signal(SIGPIPE, SIG_IGN);
#endif
        QtWatch watch;
        watch.executable = record.executable;
        qtWatch = &watch;
        watch.qtHandler = qInstallMessageHandler(watchQt);
        QApplication qt(argc, argv);
        watch.platformUp = true;
        QApplication::setApplicationName(record.name);
        QApplication::setApplicationVersion(record.version);
        QApplication::setOrganizationName(record.company);
        // Ties the windows to the menu entry, on Wayland too.
        QGuiApplication::setDesktopFileName(record.id);
        forms::initialise(qt);

        SystemWallSource wall;
        SystemMonotonicSource monotonic;
        SteadyClock clock(wall, monotonic);
        SystemMemoryQuery memory;
        SystemLauncher launcher;
        SystemMsgBox msgBox;
        Application application({clock, memory, launcher, msgBox}, timers);
        application.startUp();
        watch.holding = false;
        for (const QtWatch::Held& held : watch.held)
            watch.qtHandler(held.type,
                            QMessageLogContext(nullptr, 0, nullptr, held.category.constData()),
                            held.message);
        watch.held.clear();
        status = QApplication::exec();
        qInstallMessageHandler(watch.qtHandler);
        qtWatch = nullptr;
    }
    std::exit(status);
}

} // namespace velti
