// The application record, the two windows, and the start routine: the one place that wires the
// windows to the platform services.
#pragma once

#include "forms/form.h"
#include "platform/services.h"

#include <QString>

#include <memory>

namespace velti {

class Form1;
class Form3;

struct ApplicationRecord {
    QString id; // reversed domain: the desktop entry and the AppStream id
    QString name;
    QString executable;
    QString company;
    QString version;
    int language;       // 1040: Italian, Italy
    int secondLanguage; // 1033: English, United States
};

ApplicationRecord applicationRecord();

// Holds the platform services and the windows' single instances. A window's instance is made at
// the first use of its name and lives to the end of the program; its controls come and go with
// each load.
class Application {
public:
    explicit Application(const Services& services, forms::TimerPolicy timers = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const Services& services() const { return services_; }
    forms::Context& context() { return context_; }

    Form1& form1();
    Form3& form3();
    bool hasForm3() const { return form3_ != nullptr; }

    // The start-up sequence: the stopwatch window is made, loaded and shown, not modal.
    void startUp();

private:
    Services services_;
    forms::Context context_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form3> form3_;
};

// Runs the application with the real platform services and ends the process when the last window
// has been unloaded. Command-line arguments are not read. The timer policy is the desktop's; the
// benchmarks ask for others.
[[noreturn]] void start(const ApplicationRecord& record, forms::TimerPolicy timers = {});

} // namespace velti
