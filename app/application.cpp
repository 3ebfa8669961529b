#include "application.h"

#include "../about/form3.h"
#include "../stopwatch/form1.h"
#include "forms/layer.h"

#include <QApplication>

#include <cstdlib>

namespace velti {

const ApplicationRecord& applicationRecord() {
    static const ApplicationRecord record{
        .name = QStringLiteral("Vantelsiro"),
        .executable = QStringLiteral("velti"),
        .company = QStringLiteral("Laboratorio Velti"),
        .version = QStringLiteral("1.00"),
        .language = 1040,
        .secondLanguage = 1033,
    };
    return record;
}

Application::Application(const Services& services)
    : services_(services), context_{applicationRecord().name, services.msgBox, 0, false, {}} {}

Application::~Application() = default;

Form1& Application::form1() {
    if (!form1_)
        form1_ = std::make_unique<Form1>(*this);
    return *form1_;
}

Form3& Application::form3() {
    if (!form3_)
        form3_ = std::make_unique<Form3>(*this);
    return *form3_;
}

void Application::startUp() {
    form1().show();
}

void start(const ApplicationRecord& record) {
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
        QGuiApplication::setDesktopFileName(QStringLiteral("it.laboratoriovelti.vantelsiro"));
        forms::initialise(qt);

        SystemWallSource wall;
        SystemMonotonicSource monotonic;
        SteadyClock clock(wall, monotonic);
        SystemMemoryQuery memory;
        SystemLauncher launcher;
        SystemMsgBox msgBox;
        Application application({clock, memory, launcher, msgBox});
        application.context().onAllUnloaded = [] { QCoreApplication::exit(0); };
        application.startUp();
        status = QApplication::exec();
    }
    std::exit(status);
}

} // namespace velti
