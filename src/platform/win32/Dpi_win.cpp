#include "platform/win32/Dpi_win.h"

#include "platform/win32/Handles_win.h"

namespace platform::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

template <typename Fn>
Fn Find(HMODULE module, const char* name) {
    // A function pointer cast is how GetProcAddress is meant to be used.
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

HMODULE User32() {
    static HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32;
}

// Windows 8.1 has a monitor's scale only in shcore, from the system folder.
GetDpiForMonitorFn MonitorDpiCall() {
    static GetDpiForMonitorFn call = [] {
        HMODULE shcore = LoadSystemLibrary(L"shcore.dll");
        return Find<GetDpiForMonitorFn>(shcore, "GetDpiForMonitor");
    }();
    return call;
}

}  // namespace

int SystemDpi() {
    static int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        int found = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ::ReleaseDC(nullptr, screen);
        return found > 0 ? found : USER_DEFAULT_SCREEN_DPI;
    }();
    return dpi;
}

int DpiOf(HWND window) {
    static auto forWindow = Find<GetDpiForWindowFn>(User32(), "GetDpiForWindow");
    if (forWindow) {
        UINT dpi = forWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    } else if (GetDpiForMonitorFn forMonitor = MonitorDpiCall()) {
        UINT x = 0;
        UINT y = 0;
        constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
        if (SUCCEEDED(forMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
            y > 0) {
            return static_cast<int>(y);
        }
    }
    return SystemDpi();
}

RECT FrameFor(const RECT& client, DWORD style, DWORD exStyle, int dpi) {
    static auto forDpi = Find<AdjustWindowRectExForDpiFn>(User32(), "AdjustWindowRectExForDpi");
    RECT frame = client;
    if (!forDpi || !forDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        frame = client;
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return frame;
}

int MetricFor(int index, int dpi) {
    static auto forDpi = Find<GetSystemMetricsForDpiFn>(User32(), "GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

}  // namespace platform::win32
