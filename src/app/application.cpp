#include "app/application.h"

#include "about/form3.h"
#include "app/version.h"
#include "forms/layer.h"
#include "stopwatch/form1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

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
    : services_(services), context_(QStringLiteral(VELTI_NAME), services.msgBox, timers) {}

Application::~Application() = default;

Form1& Application::form1() {
    if (!form1_)
        form1_ =
            std::make_unique<Form1>(context_, services_.clock, [this] { form3().showModal(); });
    return *form1_;
}

Form3& Application::form3() {
    if (!form3_)
        form3_ = std::make_unique<Form3>(context_, services_);
    return *form3_;
}

void Application::startUp() {
    form1().show();
}

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
// Where a Wayland client looks for its compositor, as libwayland does.
bool waylandListens() {
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return true;
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    if (QDir::isAbsolutePath(name))
        return QFileInfo::exists(name);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + u'/' + name);
}

// The variables that name a display, when none of the platforms Qt would try has one: without
// QT_QPA_PLATFORM Qt tries the X server and the Wayland compositor of the session. A platform
// that needs no display server (offscreen, a framebuffer) is left to Qt.
QStringList displaysMissing() {
    QStringList platforms = qEnvironmentVariable("QT_QPA_PLATFORM").split(u';', Qt::SkipEmptyParts);
    if (platforms.isEmpty())
        platforms = {QStringLiteral("xcb"), QStringLiteral("wayland")};
    QStringList lookedFor;
    for (const QString& platform : platforms) {
        const QString name = platform.section(u':', 0, 0);
        if (name == u"xcb" && qEnvironmentVariableIsEmpty("DISPLAY"))
            lookedFor.append(QStringLiteral("DISPLAY"));
        else if (name.startsWith(u"wayland") && !waylandListens())
            lookedFor.append(QStringLiteral("WAYLAND_DISPLAY"));
        else
            return {};
    }
    lookedFor.removeDuplicates();
    return lookedFor;
}
#else
QStringList displaysMissing() {
    return {};
}
#endif

} // namespace

void start(const ApplicationRecord& record, forms::TimerPolicy timers) {
    // Qt would abort with a message about reinstalling the program.
    if (const QStringList missing = displaysMissing(); !missing.isEmpty()) {
        const QString where =
            missing.size() == 1
                ? missing.front() + QStringLiteral(" non indica")
                : QStringLiteral("n\u00e9 %1 n\u00e9 %2 indicano").arg(missing[0], missing[1]);
        std::fprintf(stderr,
                     "%s: nessuno schermo su cui aprire le finestre: %s un server grafico "
                     "in funzione.\n",
                     qPrintable(record.executable), qPrintable(where));
        std::exit(1);
    }
    int status = 0;
    {
        // The program takes no command line: Qt sees the program's name only.
        QByteArray name = record.executable.toUtf8();
        int argc = 1;
        char* argv[] = {name.data(), nullptr};
        QApplication qt(argc, argv);
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
        application.context().whenAllUnloaded([] { QCoreApplication::exit(0); });
        application.startUp();
        status = QApplication::exec();
    }
    std::exit(status);
}

} // namespace velti
