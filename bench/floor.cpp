// The Wine floor: the least a clock-like Win32 program can do. A 480 x 480
// borderless popup (a tool window, like the clock) with a 200 ms timer whose
// tick does nothing. Under the same Wine it shows what any such program costs
// before it draws a single hand.

#include <windows.h>

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 200;
constexpr int kSize = 480;

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER: return 0;  // the tick: nothing to do
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"BenchFloor";
    if (!::RegisterClassExW(&windowClass)) return 1;

    HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"Wine floor", WS_POPUP, 0, 0, kSize,
                                  kSize, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ::SetTimer(hwnd, kTickTimer, kTickMs, nullptr);
    ::ShowWindow(hwnd, SW_SHOW);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
