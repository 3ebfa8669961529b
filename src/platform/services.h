// The platform services the windows are given at start-up; tests hand in fakes.
#pragma once

#include "platform/clock.h"
#include "platform/launcher.h"
#include "platform/memory.h"
#include "platform/msgbox.h"

namespace velti {

struct Services {
    Clock& clock;
    MemoryQuery& memory;
    ProgramLauncher& launcher;
    MsgBox& msgBox;
};

} // namespace velti
