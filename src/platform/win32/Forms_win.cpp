// The form windows: creating, showing, hiding, moving and destroying them,
// running one modally, their timers and the pointer capture, and the window
// procedure that hands their messages to Handle (Windows_win.cpp).

#include "platform/win32/Platform_win.h"

#include <algorithm>
#include <utility>

#include "platform/Numbers.h"
#include "platform/Scale.h"
#include "platform/win32/Dpi_win.h"
#include "platform/win32/Handles_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

double Win32Platform::ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN) * tppX_; }
double Win32Platform::ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN) * tppY_; }

// A new window is laid out at the system's scale. On a monitor of another
// scale it learns that scale at once (it is hidden, so nothing shows) and is
// laid out again for it, its client area's corner where it was asked for.
WindowHandle Win32Platform::CreateFormWindow(const FormLayout& layout, WindowEvents& events) {
    auto form = std::make_unique<FormWindow>(pictures_);
    form->platform = this;
    form->events = &events;
    form->dialog = layout.border == FormBorder::FixedDialog;
    // A clock: no frame at all, and a tool window so it has no taskbar button.
    // The dialog: a fixed frame with a close box, owned by a hidden window so
    // that it has no taskbar button either.
    form->style = form->dialog ? WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN : WS_POPUP;
    form->exStyle = form->dialog ? WS_EX_CONTROLPARENT : WS_EX_TOOLWINDOW;

    auto outer = [&layout](FormWindow& record, int dpi) {
        record.dpi = dpi;
        scale::PixelSize client = scale::ClientSize(layout, scale::TwipsPerPixel(dpi));
        record.clientWidth = client.width;
        record.clientHeight = client.height;
        RECT frame = FrameFor({0, 0, client.width, client.height}, record.style, record.exStyle, dpi);
        return frame;
    };
    RECT frame = outer(*form, SystemDpi());
    int clientX = 0;
    int clientY = 0;
    if (layout.initialLeft && layout.initialTop) {
        clientX = ToPixels(*layout.initialLeft, tppX_);
        clientY = ToPixels(*layout.initialTop, tppY_);
    }

    FormWindow* record = form.get();
    windows_.push_back(std::move(form));
    HWND hwnd = ::CreateWindowExW(record->exStyle, kFormClass, Wide(layout.caption).c_str(), record->style,
                                  clientX + frame.left, clientY + frame.top, frame.right - frame.left,
                                  frame.bottom - frame.top, record->dialog ? owner_ : nullptr, nullptr, instance_,
                                  record);
    if (!hwnd) {
        record->dead = true;
        CollectDeadWindows();
        return 0;
    }
    record->hasIcon = layout.hasIcon;
    if (int dpi = DpiOf(hwnd); dpi != record->dpi) {
        frame = outer(*record, dpi);
        ::SetWindowPos(hwnd, nullptr, clientX + frame.left, clientY + frame.top, frame.right - frame.left,
                       frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return ToHandle(hwnd);
}

double Win32Platform::WindowTwipsPerPixel(WindowHandle window) {
    FormWindow* form = Find(window);
    return scale::TwipsPerPixel(form ? form->dpi : SystemDpi());
}

// The frame is the system's at the window's scale; where the system draws
// another (Wine keeps one frame for every scale), the client area as it came
// out sets the size right with a second call.
void Win32Platform::ResizeClient(WindowHandle window, double twipsPerPixel, int width, int height) {
    FormWindow* form = Find(window);
    if (!form) return;
    if (int dpi = numbers::RoundToInt32(1440 / twipsPerPixel); dpi != form->dpi) {
        form->dpi = dpi;
        form->canvas.Forget();  // its pens, fonts and buffer were for the old scale
        if (form->furnished && form->hasIcon) SetIcons(*form);
    }
    form->clientWidth = width;
    form->clientHeight = height;
    RECT frame = FrameFor({0, 0, width, height}, form->style, form->exStyle, form->dpi);
    int outerWidth = frame.right - frame.left;
    int outerHeight = frame.bottom - frame.top;
    constexpr UINT kResizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (form->gathering) {
        form->gatheredSize = SIZE{outerWidth, outerHeight};
        return;
    }
    bool moving = std::exchange(form->movedByProgram, true);
    ::SetWindowPos(form->hwnd, nullptr, 0, 0, outerWidth, outerHeight, kResizeOnly);
    RECT client{};
    if (::GetClientRect(form->hwnd, &client) && (client.right != width || client.bottom != height)) {
        ::SetWindowPos(form->hwnd, nullptr, 0, 0, outerWidth + width - client.right,
                       outerHeight + height - client.bottom, kResizeOnly);
    }
    form->movedByProgram = moving;
}

// The system's suggestion is followed when the system moved the window (a
// monitor rearranged, its scale changed); where the program moved it, the
// corner it asked for stays, and in a drag the clock places itself.
void Win32Platform::Rescale(FormWindow& form, int dpi, const RECT* suggested) {
    if (dpi <= 0 || form.dead || !form.hwnd) return;
    // Inside the program's own move the system's call returns to that move; in
    // the system's move loop the window stays as it is until the drop.
    bool gather = suggested && dpi != form.dpi && !form.movedByProgram && !form.gathering && !form.inMoveLoop;
    if (gather) {
        form.gathering = true;
        form.gatheredCorner.reset();
        form.gatheredSize.reset();
        if (!form.holdsPointer) form.gatheredCorner = POINT{suggested->left, suggested->top};
    }
    form.events->OnScaleChanged(scale::TwipsPerPixel(dpi));
    if (gather && !form.dead) {
        form.gathering = false;
        RECT now{};
        ::GetWindowRect(form.hwnd, &now);
        POINT corner = form.gatheredCorner.value_or(POINT{now.left, now.top});
        SIZE size = form.gatheredSize.value_or(SIZE{now.right - now.left, now.bottom - now.top});
        bool moving = std::exchange(form.movedByProgram, true);
        ::SetWindowPos(form.hwnd, nullptr, corner.x, corner.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        // Where the system draws another frame than it reports (Wine keeps one
        // for every scale), the client area as it came out sets the size right.
        RECT client{};
        if (form.gatheredSize && ::GetClientRect(form.hwnd, &client) &&
            (client.right != form.clientWidth || client.bottom != form.clientHeight)) {
            ::SetWindowPos(form.hwnd, nullptr, 0, 0, size.cx + form.clientWidth - client.right,
                           size.cy + form.clientHeight - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        form.movedByProgram = moving;
    }
    std::erase_if(form.fonts, [&form](const SizedFont& font) {
        return std::none_of(form.controls.begin(), form.controls.end(),
                            [&font](const Control& control) { return control.font == font.font.Get(); });
    });
}

SIZE Win32Platform::ScaledSize(FormWindow& form, int dpi) {
    PixelRect client = form.events->ClientAreaAt(scale::TwipsPerPixel(dpi));
    RECT frame = FrameFor({0, 0, client.right, client.bottom}, form.style, form.exStyle, dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// The system tells a shown window of a new scale (WM_DPICHANGED); a hidden
// one that was moved is asked.
void Win32Platform::RescaleIfHidden(FormWindow& form) {
    if (!form.dead && form.hwnd && !::IsWindowVisible(form.hwnd)) Rescale(form, DpiOf(form.hwnd), nullptr);
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

// The dialog is meant to come up above every window, an always-on-top clock
// included (its activation lifts it there). It goes into that band before it
// is mapped: a window manager raises a window as it maps it, and Wine 10 asks
// for that raise before it passes on the band set after showing, which left
// the dialog beneath the clock.
void Win32Platform::ShowWindow(WindowHandle window) {
    if (FormWindow* form = Find(window)) {
        RescaleIfHidden(*form);
        Furnish(*form);
        if (form->dialog) {
            ::SetWindowPos(form->hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
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
    FormWindow* form = Find(window);
    if (form && form->gathering) {
        form->gatheredCorner = POINT{ToPixels(left, tppX_), ToPixels(top, tppY_)};
        return;
    }
    if (form) form->movedByProgram = true;
    ::SetWindowPos(ToHwnd(window), nullptr, ToPixels(left, tppX_), ToPixels(top, tppY_), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (form) {
        form->movedByProgram = false;
        RescaleIfHidden(*form);
    }
}

TwipsRect Win32Platform::GetWindowRect(WindowHandle window) {
    RECT r{};
    ::GetWindowRect(ToHwnd(window), &r);
    // What is gathered for one step stands already, as far as the form sees.
    if (FormWindow* form = Find(window); form && form->gathering) {
        if (form->gatheredCorner) ::OffsetRect(&r, form->gatheredCorner->x - r.left, form->gatheredCorner->y - r.top);
        if (form->gatheredSize) {
            r.right = r.left + form->gatheredSize->cx;
            r.bottom = r.top + form->gatheredSize->cy;
        }
    }
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

void Win32Platform::SetCapture(WindowHandle window) {
    if (FormWindow* form = Find(window)) form->holdsPointer = true;
    ::SetCapture(ToHwnd(window));
}

void Win32Platform::ReleaseCapture() {
    for (auto& form : windows_) form->holdsPointer = false;
    ::ReleaseCapture();
}

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
