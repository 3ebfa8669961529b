// The application record, the two windows, and the start routine: the one place that wires the
// windows to the platform services.
#pragma once

#include "forms/windows/form.h"
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

// Holds the platform services and the stopwatch window, which lives to the end of the program.
// The About window is made afresh at each opening and goes when it closes.
class Application {
public:
    explicit Application(const Services& services, forms::TimerPolicy timers = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const Services& services() const { return services_; }
    forms::Runtime& runtime() { return runtime_; }

    bool started() const { return form1_ != nullptr; }
    Form1& form1() { return *form1_; }
    // The About window while it is open, or nullptr.
    Form3* about() const { return about_; }

    // The start-up sequence: the stopwatch window is made, loaded and shown, not modal.
    void startUp();

private:
    void openAbout();

    Services services_;
    forms::Runtime runtime_;
    std::unique_ptr<Form1> form1_;
    Form3* about_ = nullptr;
};

// Runs the application with the real platform services and ends the process when the last window
// has been unloaded. Command-line arguments are not read. The timer policy is the desktop's; the
// benchmarks ask for others.
[[noreturn]] void start(const ApplicationRecord& record, forms::TimerPolicy timers = {});

} // namespace velti
