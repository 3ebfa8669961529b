// The platform services the windows are given at start-up; tests hand in fakes.
#pragma once

#include "app/platform/clock.h"
#include "app/platform/launcher.h"
#include "app/platform/memory.h"
#include "app/platform/msgbox.h"

namespace velti {

struct Services {
    Clock& clock;
    MemoryQuery& memory;
    ProgramLauncher& launcher;
    MsgBox& msgBox;
};

} // namespace velti
