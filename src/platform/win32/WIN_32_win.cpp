#include "platform/win32/WIN_32_win.h"

#include <windows.h>

#include "platform/win32/Handles_win.h"

namespace platform::win32 {

bool WindowPlacement::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                   unsigned flags) {
    return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

namespace {

DWORD MonitorFlags(MonitorDefault fallback) {
    return fallback == MonitorDefault::Nearest ? MONITOR_DEFAULTTONEAREST : MONITOR_DEFAULTTONULL;
}

PixelRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

MonitorHandle WindowPlacement::MonitorFromPoint(int x, int y, MonitorDefault fallback) {
    return reinterpret_cast<MonitorHandle>(::MonitorFromPoint(POINT{x, y}, MonitorFlags(fallback)));
}

MonitorHandle WindowPlacement::MonitorFromRect(const PixelRect& rect, MonitorDefault fallback) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    return reinterpret_cast<MonitorHandle>(::MonitorFromRect(&r, MonitorFlags(fallback)));
}

bool WindowPlacement::GetMonitorInfoW(MonitorHandle monitor, MonitorInfo& info) {
    if (!monitor) return false;
    MONITORINFO found{};
    found.cbSize = sizeof found;
    if (!::GetMonitorInfoW(reinterpret_cast<HMONITOR>(monitor), &found)) return false;
    info = {FromRect(found.rcMonitor), FromRect(found.rcWork)};
    return true;
}
}  // namespace platform::win32
