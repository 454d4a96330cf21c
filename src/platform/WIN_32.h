#pragma once

// Window placement (user32): moving a window into or out of the always-on-top band.

#include "platform/Types.h"

namespace platform {

class WIN_32 {
public:
    virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                              unsigned flags) = 0;

protected:
    ~WIN_32() = default;
};

}  // namespace platform
