#pragma once

// Everything the program asks of the system, in the three groups of calls
// it makes by name and the toolkit underneath its forms.

#include "platform/INI_32.h"
#include "platform/Rgn_32.h"
#include "platform/WIN_32.h"
#include "platform/WindowSystem.h"

namespace platform {

struct Platform {
    WindowSystem& ui;
    Rgn_32& rgn;
    INI_32& ini;
    WIN_32& win;
};

}  // namespace platform
