#pragma once

// Window regions (gdi32 and user32). Coordinates are device pixels relative to
// the window's top-left corner.

#include "platform/Types.h"

namespace platform {

class Rgn_32 {
public:
    virtual RegionHandle CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                            int ellipseHeight) = 0;
    virtual RegionHandle CreateEllipticRgn(int left, int top, int right, int bottom) = 0;
    // On success the window system owns the region; on failure the caller still does.
    virtual int SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) = 0;
    virtual bool DeleteObject(RegionHandle region) = 0;

protected:
    ~Rgn_32() = default;
};

}  // namespace platform
