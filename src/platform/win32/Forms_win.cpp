// The form windows: creating, showing, hiding, moving and destroying them,
// running one modally, their timers and the pointer capture, and the window
// procedure that hands their messages to Handle (Windows_win.cpp).

#include "platform/win32/Platform_win.h"

#include "platform/win32/Handles_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

double Win32Platform::ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN) * tppX_; }
double Win32Platform::ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN) * tppY_; }

WindowHandle Win32Platform::CreateFormWindow(const FormLayout& layout, WindowEvents& events) {
    auto form = std::make_unique<FormWindow>(pictures_);
    form->platform = this;
    form->events = &events;
    form->dialog = layout.border == FormBorder::FixedDialog;
    form->clientWidth = numbers::RoundToInt32(layout.clientWidth / tppX_);
    form->clientHeight = numbers::RoundToInt32(layout.clientHeight / tppY_);

    // A clock: no frame at all, and a tool window so it has no taskbar button.
    // The dialog: a fixed frame with a close box, owned by a hidden window so
    // that it has no taskbar button either.
    DWORD style = form->dialog ? WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN : WS_POPUP;
    DWORD exStyle = form->dialog ? WS_EX_CONTROLPARENT : WS_EX_TOOLWINDOW;
    RECT frame{0, 0, form->clientWidth, form->clientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int x = 0;
    int y = 0;
    if (layout.initialLeft && layout.initialTop) {
        x = ToPixels(*layout.initialLeft, tppX_) + frame.left;
        y = ToPixels(*layout.initialTop, tppY_) + frame.top;
    }

    FormWindow* record = form.get();
    windows_.push_back(std::move(form));
    HWND hwnd = ::CreateWindowExW(exStyle, kFormClass, Wide(layout.caption).c_str(), style, x, y,
                                  frame.right - frame.left, frame.bottom - frame.top,
                                  record->dialog ? owner_ : nullptr, nullptr, instance_, record);
    if (!hwnd) {
        record->dead = true;
        CollectDeadWindows();
        return 0;
    }
    record->hasIcon = layout.hasIcon;
    return ToHandle(hwnd);
}

void Win32Platform::DestroyFormWindow(WindowHandle window) {
    FormWindow* form = Find(window);
    if (!form) return;
    form->dead = true;
    HWND hwnd = form->hwnd;
    form->hwnd = nullptr;
    ::DestroyWindow(hwnd);
    CollectDeadWindows();
}

void Win32Platform::ShowWindow(WindowHandle window) {
    if (FormWindow* form = Find(window)) Furnish(*form);
    ::ShowWindow(ToHwnd(window), SW_SHOW);
}

void Win32Platform::HideWindow(WindowHandle window) { ::ShowWindow(ToHwnd(window), SW_HIDE); }

void Win32Platform::RunModal(WindowHandle window, const std::function<bool()>& stillShown) {
    // The program's other windows take no input meanwhile (disabling one
    // also ends any pointer capture it holds).
    std::vector<HWND> disabled;
    for (auto& form : windows_) {
        if (!form->dead && form->hwnd && ToHandle(form->hwnd) != window && ::IsWindowEnabled(form->hwnd)) {
            ::EnableWindow(form->hwnd, FALSE);
            disabled.push_back(form->hwnd);
        }
    }
    MSG message{};
    bool quit = false;
    while (stillShown()) {
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        Dispatch(message);
    }
    for (HWND hwnd : disabled) {
        if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
    }
    if (quit) ::PostQuitMessage(static_cast<int>(message.wParam));
}

void Win32Platform::MoveWindow(WindowHandle window, double left, double top) {
    ::SetWindowPos(ToHwnd(window), nullptr, ToPixels(left, tppX_), ToPixels(top, tppY_), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipsRect Win32Platform::GetWindowRect(WindowHandle window) {
    RECT r{};
    ::GetWindowRect(ToHwnd(window), &r);
    return {r.left * tppX_, r.top * tppY_, (r.right - r.left) * tppX_, (r.bottom - r.top) * tppY_};
}

WindowState Win32Platform::GetWindowState(WindowHandle window) {
    if (::IsIconic(ToHwnd(window))) return WindowState::Minimized;
    if (::IsZoomed(ToHwnd(window))) return WindowState::Maximized;
    return WindowState::Normal;
}

// A shown clock collects what changed and draws it itself once the current
// message is handled (PaintChanged): under Wine an invalidation and the
// WM_PAINT it brings cost several server round trips, more than the drawing.
// Hidden windows and the dialog, whose controls paint themselves, invalidate.
void Win32Platform::Invalidate(WindowHandle window, const PixelRect& area) {
    RECT r{area.left, area.top, area.right, area.bottom};
    if (::IsRectEmpty(&r)) return;
    FormWindow* form = Find(window);
    if (form && !form->dialog && ::IsWindowVisible(form->hwnd)) {
        ::UnionRect(&form->changed, &form->changed, &r);
        return;
    }
    ::InvalidateRect(ToHwnd(window), &r, FALSE);
}

void Win32Platform::StartTimer(WindowHandle window, int timerId, int intervalMs) {
    ::SetTimer(ToHwnd(window), static_cast<UINT_PTR>(timerId), static_cast<UINT>(intervalMs), nullptr);
}

void Win32Platform::SetCapture(WindowHandle window) { ::SetCapture(ToHwnd(window)); }
void Win32Platform::ReleaseCapture() { ::ReleaseCapture(); }

// --- Window procedure

LRESULT CALLBACK Win32Platform::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* form = static_cast<FormWindow*>(create->lpCreateParams);
        form->hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (!form || form->dead || !form->events) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    Win32Platform& platform = *form->platform;
    ++platform.dispatchDepth_;
    LRESULT result = platform.Handle(*form, message, wParam, lParam);
    --platform.dispatchDepth_;
    return result;
}

}  // namespace platform::win32
