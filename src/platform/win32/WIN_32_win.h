#pragma once

// Window placement through user32: the always-on-top band and the monitors.

#include "platform/WIN_32.h"

namespace platform::win32 {

class WindowPlacement final : public WIN_32 {
public:
    bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    MonitorHandle MonitorFromPoint(int x, int y, MonitorDefault fallback) override;
    MonitorHandle MonitorFromRect(const PixelRect& rect, MonitorDefault fallback) override;
    bool GetMonitorInfoW(MonitorHandle monitor, MonitorInfo& info) override;
};

}  // namespace platform::win32
