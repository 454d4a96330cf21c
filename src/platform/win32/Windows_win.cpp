// What the form windows do with their messages: paint through the buffer,
// and pass mouse, timer, activation and control events to their form.

#include <windowsx.h>

#include <utility>

#include "platform/Bands.h"
#include "platform/win32/Platform_win.h"

namespace platform::win32 {

namespace {

// Controls are made in tab order, so the first tab stop is the first child
// that is one.
HWND FirstTabStop(HWND dialog) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) return child;
    }
    return nullptr;
}

}  // namespace

// WM_GETDPISCALEDSIZE (Windows 10 1703 on), which the headers declare only for builds aimed there.
constexpr UINT kGetDpiScaledSize = 0x02E4;

LRESULT Win32Platform::Handle(FormWindow& form, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = form.hwnd;
    switch (message) {
    case WM_PAINT: Paint(form); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers everything; erasing would flicker

    case WM_LBUTTONDOWN: Mouse(form, MouseAction::Down, LeftButton, wParam, lParam); return 0;
    case WM_RBUTTONDOWN: Mouse(form, MouseAction::Down, RightButton, wParam, lParam); return 0;
    case WM_MBUTTONDOWN: Mouse(form, MouseAction::Down, MiddleButton, wParam, lParam); return 0;
    case WM_LBUTTONUP: Mouse(form, MouseAction::Up, LeftButton, wParam, lParam); return 0;
    case WM_RBUTTONUP: Mouse(form, MouseAction::Up, RightButton, wParam, lParam); return 0;
    case WM_MBUTTONUP: Mouse(form, MouseAction::Up, MiddleButton, wParam, lParam); return 0;
    case WM_MOUSEMOVE: Mouse(form, MouseAction::Move, 0, wParam, lParam); return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd) {
            form.holdsPointer = false;
            form.events->OnCaptureLost();
        }
        return 0;

    case WM_TIMER: form.events->OnTimer(static_cast<int>(wParam)); return 0;

    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(hwnd, focus)) form.lastFocus = focus;
            return 0;
        }
        if (form.dialog) {
            // Back where the focus was when the dialog was left; the first
            // time, on the first tab stop of its layout.
            HWND focus = form.lastFocus && ::IsWindow(form.lastFocus) ? form.lastFocus : FirstTabStop(hwnd);
            if (focus) ::SetFocus(focus);
        }
        form.events->OnActivate();
        return 0;

    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0 && LOWORD(wParam) >= kFirstControlId) {
            form.events->OnControlClicked(LOWORD(wParam) - kFirstControlId);
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (HBRUSH brush = BrushForControl(form, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
            return reinterpret_cast<LRESULT>(brush);
        }
        break;

    case WM_CLOSE: form.events->OnClose(); return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        if (wParam) form.events->OnEndSession();
        return 0;
    case WM_DPICHANGED:
        Rescale(form, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case kGetDpiScaledSize:
        // The client area follows the layout, rounded at each scale, and the
        // frame is the system's at that scale: seldom a plain scale of the old size.
        *reinterpret_cast<SIZE*>(lParam) = ScaledSize(form, static_cast<int>(LOWORD(wParam)));
        return TRUE;
    case WM_ENTERSIZEMOVE:
        form.inMoveLoop = true;
        form.events->OnMoveLoop(true);
        break;
    case WM_EXITSIZEMOVE:
        form.inMoveLoop = false;
        form.events->OnMoveLoop(false);
        break;
    case WM_DISPLAYCHANGE: form.events->OnDisplayChange(); break;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETWORKAREA) form.events->OnDisplayChange();
        break;
    default: break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// Renders an area into the buffer and copies it to the window, band by
// band; a clock's hands fit in one band, a whole window takes a few.
void Win32Platform::Render(FormWindow& form, HDC target, RECT area) {
    RECT client{0, 0, form.clientWidth, form.clientHeight};
    if (!::IntersectRect(&area, &area, &client)) return;
    int rows = BandRows(form.clientWidth, form.clientHeight);
    HDC buffer = form.canvas.Prepare(target, form.clientWidth, rows);
    if (!buffer) return;
    for (const PixelRect& band : Bands({area.left, area.top, area.right, area.bottom}, rows)) {
        form.canvas.StartBand(band.top);
        form.events->OnPaint(form.canvas, band);
        // Source coordinates go through the buffer's origin, as the drawing did.
        ::BitBlt(target, band.left, band.top, band.Width(), band.Height(), buffer, band.left, band.top, SRCCOPY);
    }
    paintedPixels += static_cast<long long>(area.right - area.left) * (area.bottom - area.top);
    ++paints;
}

// What the system asks to be painted (the window shown or uncovered). Every
// paint under Wine has a fixed cost that dwarfs its size, so the update
// region is painted as one rectangle, its bounding box, in one pass.
void Win32Platform::Paint(FormWindow& form) {
    PaintScope paint(form.hwnd);
    Render(form, paint.Dc(), paint.Area());
}

// Draws what changed in the clocks during the last message straight through
// their window DCs. Parts covered by other windows are clipped away here and
// painted by WM_PAINT when they are uncovered.
void Win32Platform::PaintChanged() {
    for (auto& form : windows_) {
        if (::IsRectEmpty(&form->changed)) continue;
        RECT area = std::exchange(form->changed, RECT{});
        if (form->dead || !form->hwnd) continue;
        if (!::IsWindowVisible(form->hwnd)) {
            ::InvalidateRect(form->hwnd, &area, FALSE);
            continue;
        }
        WindowDC dc(form->hwnd);
        if (dc.Get()) Render(*form, dc.Get(), area);
    }
}

void Win32Platform::Mouse(FormWindow& form, MouseAction action, int button, WPARAM wParam, LPARAM lParam) {
    // A press on the dialog's picture gives the picture the focus, as a
    // press on a control gives it that control's.
    if (action == MouseAction::Down && form.focusBox) ::SetFocus(form.focusBox);
    if (action == MouseAction::Move) button = 0;
    int buttons = button;
    if (action == MouseAction::Move) {
        if (wParam & MK_LBUTTON) buttons |= LeftButton;
        if (wParam & MK_RBUTTON) buttons |= RightButton;
        if (wParam & MK_MBUTTON) buttons |= MiddleButton;
    }
    int shift = 0;
    if (wParam & MK_SHIFT) shift |= 1;
    if (wParam & MK_CONTROL) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    form.events->OnMouse(action, buttons, shift, GET_X_LPARAM(lParam) * tppX_, GET_Y_LPARAM(lParam) * tppY_);
}

}  // namespace platform::win32
