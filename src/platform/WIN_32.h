#pragma once

// Window placement (user32): moving a window into or out of the always-on-top
// band, and the monitors a window can stand on.

#include "platform/Types.h"

namespace platform {

class WIN_32 {
public:
    virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                              unsigned flags) = 0;

    // The monitor that holds a point (right and bottom edges exclusive), or
    // that a rectangle meets most, in virtual-screen pixels; when there is
    // none, 0 or the nearest monitor as fallback says.
    virtual MonitorHandle MonitorFromPoint(int x, int y, MonitorDefault fallback) = 0;
    virtual MonitorHandle MonitorFromRect(const PixelRect& rect, MonitorDefault fallback) = 0;
    // False for a monitor that is gone.
    virtual bool GetMonitorInfoW(MonitorHandle monitor, MonitorInfo& info) = 0;

protected:
    ~WIN_32() = default;
};

}  // namespace platform
