#include "app/application.h"

#include "about/form3.h"
#include "core/version.h"
#include "forms/form.h"
#include "stopwatch/form1.h"

#include <QApplication>
#include <QScopeGuard>

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
// WAYLAND_DISPLAY, a platform name it does not know), Qt advises reinstalling the program and
// aborts. While QApplication is being made, what Qt says is watched instead: the platforms it
// names are noted, its advice held back, and its fatal message becomes the program's own line
// and status 1. A message handler is a plain function, so this lives outside any object, set only
// for the making of QApplication.
struct PlatformStart {
    QString executable;
    QtMessageHandler qtHandler = nullptr;
    QStringList tried;
    // Qt's messages about its plugins, shown after all if a platform starts.
    std::vector<std::pair<QtMsgType, QString>> held;
};
PlatformStart* platformStart = nullptr;

void watchPlatformStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    PlatformStart& start = *platformStart;
    if (type == QtFatalMsg) {
        QString platforms = start.tried.join(QStringLiteral(", "));
        if (const qsizetype last = platforms.lastIndexOf(u','); last >= 0)
            platforms.replace(last, 1, QStringLiteral(" e"));
        const QString what = start.tried.size() > 1
                                 ? QStringLiteral("le piattaforme %1 non si avviano").arg(platforms)
                             : start.tried.size() == 1
                                 ? QStringLiteral("la piattaforma %1 non si avvia").arg(platforms)
                                 : QStringLiteral("nessuna piattaforma si avvia");
        std::fprintf(stderr, "%s: nessuno schermo su cui aprire le finestre: %s (%s, %s).\n",
                     qPrintable(start.executable), qPrintable(what),
                     qPrintable(displayVariable("DISPLAY")),
                     qPrintable(displayVariable("WAYLAND_DISPLAY")));
        std::_Exit(1);
    }
    if (qstrcmp(context.category, "qt.qpa.plugin") != 0) {
        start.qtHandler(type, context, message);
        return;
    }
    // "Could not load the Qt platform plugin "xcb" ...": the name is the first quoted word.
    if (const QString name = message.section(u'"', 1, 1); !name.isEmpty())
        start.tried.append(name);
    start.held.emplace_back(type, message);
}

} // namespace

void start(const ApplicationRecord& record, forms::TimerPolicy timers) {
    int status = 0;
    {
        // The program takes no command line: Qt sees the program's name only.
        QByteArray name = record.executable.toUtf8();
        int argc = 1;
        char* argv[] = {name.data(), nullptr};
        PlatformStart watch;
        watch.executable = record.executable;
        platformStart = &watch;
        watch.qtHandler = qInstallMessageHandler(watchPlatformStart);
        QApplication qt(argc, argv);
        qInstallMessageHandler(watch.qtHandler);
        platformStart = nullptr;
        const QMessageLogContext plugins(nullptr, 0, nullptr, "qt.qpa.plugin");
        for (const auto& [type, message] : watch.held)
            watch.qtHandler(type, plugins, message);
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
        status = QApplication::exec();
    }
    std::exit(status);
}

} // namespace velti
