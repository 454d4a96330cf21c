#include "platform/win32/Rgn_32_win.h"

#include "platform/win32/Gdi_win.h"
#include "platform/win32/Handles_win.h"

namespace platform::win32 {

RegionHandle Regions::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                         int ellipseHeight) {
    HRGN region = ::CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight);
    if (region) ++liveGdiObjects;
    return reinterpret_cast<RegionHandle>(region);
}

RegionHandle Regions::CreateEllipticRgn(int left, int top, int right, int bottom) {
    HRGN region = ::CreateEllipticRgn(left, top, right, bottom);
    if (region) ++liveGdiObjects;
    return reinterpret_cast<RegionHandle>(region);
}

int Regions::SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) {
    int result = ::SetWindowRgn(ToHwnd(window), Hrgn(region), redraw ? TRUE : FALSE);
    if (result && region) --liveGdiObjects;  // the window system owns it now
    return result;
}

bool Regions::DeleteObject(RegionHandle region) {
    if (!region || !::DeleteObject(Hrgn(region))) return false;
    --liveGdiObjects;
    return true;
}
}  // namespace platform::win32
