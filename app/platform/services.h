// The platform services the windows are given at start-up; tests hand in fakes.
#pragma once

#include "clock.h"
#include "launcher.h"
#include "memory.h"
#include "msgbox.h"

namespace velti {

struct Services {
    Clock& clock;
    MemoryQuery& memory;
    ProgramLauncher& launcher;
    MsgBox& msgBox;
};

} // namespace velti
