#include "app/application.h"

#include "about/form3.h"
#include "app/forms/layer.h"
#include "app/version.h"
#include "stopwatch/form1.h"

#include <QApplication>

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

void start(const ApplicationRecord& record, forms::TimerPolicy timers) {
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
        application.context().onAllUnloaded = [] { QCoreApplication::exit(0); };
        application.startUp();
        status = QApplication::exec();
    }
    std::exit(status);
}

} // namespace velti
