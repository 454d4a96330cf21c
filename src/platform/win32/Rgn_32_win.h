#pragma once

// Window regions through gdi32 and user32. Every region made is counted as a
// live GDI object until a window takes it over or it is deleted.

#include "platform/Rgn_32.h"

namespace platform::win32 {

class Regions final : public Rgn_32 {
public:
    RegionHandle CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                    int ellipseHeight) override;
    RegionHandle CreateEllipticRgn(int left, int top, int right, int bottom) override;
    int SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) override;
    bool DeleteObject(RegionHandle region) override;
};

}  // namespace platform::win32
