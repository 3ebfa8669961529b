// The runtime: what the windows of one program share (the error box and its title, how timers
// run, the icons read once, the check tests plant), and how many handlers run.
#pragma once

#include "platform/msgbox.h"

#include <QHash>
#include <QIcon>
#include <QString>

namespace velti::forms {

// How the timers of a program run: none ticks faster than the floor, about the granularity
// desktop timers have always had; a paced timer sleeps until its window has something new to
// show. Tests give a floor no timer reaches, and tick by hand.
struct TimerPolicy {
    int floorMs = 15;
    bool pacing = true;
};

// Each picture file is read once: a window made afresh reuses its icons, and with them the pixmaps
// Qt has cached for them, so that a thousand openings hold no more than one.
class Icons {
public:
    QIcon operator()(const char* file);

private:
    QHash<QString, QIcon> loaded_;
};

// Asked before each control operation a handler takes. Tests plant a failure here; the program
// has none.
class OperationCheck {
public:
    virtual ~OperationCheck() = default;
    virtual void beforeOperation() = 0;
};

struct Runtime {
    MsgBox& msgBox;
    QString title; // of the run-time error box: the program's name
    TimerPolicy timers = {};
    Icons icons = {};
    OperationCheck* check = nullptr;
    int running = 0;        // handlers running, of every window
    bool reporting = false; // an error box is open
};

} // namespace velti::forms
