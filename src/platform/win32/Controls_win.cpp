// The native controls of a form (check boxes, option buttons, command
// buttons, the picture box's focus holder), their fonts and their state.

#include "platform/win32/Platform_win.h"

#include <algorithm>

#include "artwork/resource_ids.h"
#include "platform/Numbers.h"
#include "platform/win32/Dpi_win.h"
#include "platform/win32/Fonts_win.h"
#include "platform/win32/Handles_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

namespace {

// A caption is never set smaller than this to fit its control, em pixels.
constexpr int kSmallestControlText = 9;

}  // namespace

// A window's icon, fonts and native controls are made when it is first
// shown. The dialog spends most of a run hidden, often all of it: until it
// comes up, the program loads no font and no control library, and starts
// faster and smaller.
void Win32Platform::Furnish(FormWindow& form) {
    if (form.furnished) return;
    form.furnished = true;
    if (form.hasIcon) SetIcons(form);
    for (const ControlDescription& control : form.pending) MakeControl(form, control);
    form.pending.clear();
}

// The title bar's icons at the window's scale; the old ones go once the
// window holds the new.
void Win32Platform::SetIcons(FormWindow& form) {
    auto load = [&](int width, int height) {
        return Icon(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                    MetricFor(width, form.dpi), MetricFor(height, form.dpi), 0)));
    };
    Icon big = load(SM_CXICON, SM_CYICON);
    Icon small = load(SM_CXSMICON, SM_CYSMICON);
    ::SendMessageW(form.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    ::SendMessageW(form.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
    form.bigIcon = std::move(big);
    form.smallIcon = std::move(small);
}

void Win32Platform::CreateControl(WindowHandle window, const ControlDescription& control) {
    FormWindow* form = Find(window);
    if (!form) return;
    if (form->furnished) {
        MakeControl(*form, control);
    } else {
        form->pending.push_back(control);  // made when the window is first shown
    }
}

void Win32Platform::MakeControl(FormWindow& form, const ControlDescription& control) {
    int id = kFirstControlId + control.controlId;
    auto check = form.checks.find(control.controlId);
    bool checked = check != form.checks.end() && check->second;
    if (control.kind == ElementKind::PictureBox) {
        // The picture itself is painted by the form; this window only holds
        // the focus. It has no size, so it covers nothing and takes no clicks,
        // and its window procedure ignores every key.
        HWND hwnd = ::CreateWindowExW(0, kFocusClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP,
                                      std::max(0, control.box.left), std::max(0, control.box.top), 0, 0, form.hwnd,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        if (hwnd) form.focusBox = hwnd;
        return;
    }
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (control.groupStart ? WS_GROUP : 0);
    switch (control.kind) {
    case ElementKind::CheckBox: style |= BS_AUTOCHECKBOX; break;
    case ElementKind::OptionButton:
        // A group of option buttons is one tab stop, the selected one; the
        // button moves the stop itself as its check changes.
        style |= BS_AUTORADIOBUTTON;
        if (!checked) style &= ~static_cast<DWORD>(WS_TABSTOP);
        break;
    default: style |= BS_PUSHBUTTON; break;
    }
    HWND hwnd = ::CreateWindowExW(0, L"BUTTON", Wide(control.caption).c_str(), style, control.box.left,
                                  control.box.top, control.box.Width(), control.box.Height(), form.hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (!hwnd) return;
    HFONT font = FitControlFont(form, hwnd, control);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (checked) ::SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    form.controls.push_back({hwnd, control, font});
}

// At a new scale: the control's new box and its font at the new size. A
// control not made yet takes the new description when it is.
void Win32Platform::UpdateControl(WindowHandle window, const ControlDescription& control) {
    FormWindow* form = Find(window);
    if (!form) return;
    auto update = [&control](ControlDescription& made) {
        if (made.controlId != control.controlId) return false;
        bool groupStart = made.groupStart;
        made = control;
        made.groupStart = groupStart;
        return true;
    };
    for (ControlDescription& pending : form->pending) update(pending);
    if (control.kind == ElementKind::PictureBox && form->focusBox) {
        ::SetWindowPos(form->focusBox, nullptr, std::max(0, control.box.left), std::max(0, control.box.top), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (Control& made : form->controls) {
        if (!update(made.description)) continue;
        const PixelRect& box = made.description.box;
        ::SetWindowPos(made.hwnd, nullptr, box.left, box.top, box.Width(), box.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        made.font = FitControlFont(*form, made.hwnd, made.description);
        ::SendMessageW(made.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made.font), TRUE);
    }
}

HFONT Win32Platform::FontOfSize(FormWindow& form, HDC dc, int size) {
    for (const SizedFont& made : form.fonts) {
        if (made.size == size) return made.font.Get();
    }
    form.fonts.push_back({size, MakeControlFont(dc, size)});
    return form.fonts.back().font.Get();
}

// The control font, or a size of it small enough for the caption to fit the
// control beside its check mark, where a fallback face runs wider.
HFONT Win32Platform::FitControlFont(FormWindow& form, HWND hwnd, const ControlDescription& control) {
    std::wstring caption = Wide(control.caption);
    int mark = control.kind == ElementKind::CommandButton ? 8 : MetricFor(SM_CXMENUCHECK, form.dpi) + 6;
    int room = control.box.Width() - mark;
    WindowDC dc(hwnd);
    for (int size = control.fontHeight;; --size) {
        HFONT font = FontOfSize(form, dc.Get(), size);
        if (size <= kSmallestControlText) return font;
        Selection selected(dc.Get(), font);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
        if (extent.cx <= room) return font;
    }
}

void Win32Platform::SetControlCheck(WindowHandle window, int controlId, bool checked) {
    if (FormWindow* form = Find(window)) form->checks[controlId] = checked;  // for controls made later
    HWND control = ::GetDlgItem(ToHwnd(window), kFirstControlId + controlId);
    if (control) ::SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

HBRUSH Win32Platform::BrushForControl(FormWindow& form, HWND control, HDC dc) {
    for (const Control& c : form.controls) {
        const std::optional<ColorRef>& back = c.description.backColor;
        if (c.hwnd != control || !back) continue;
        ::SetBkColor(dc, *back);
        for (const ControlBrush& cached : form.brushes) {
            if (cached.color == *back) return cached.brush.Get();
        }
        form.brushes.push_back({*back, Brush(::CreateSolidBrush(*back))});
        return form.brushes.back().brush.Get();
    }
    return nullptr;
}

}  // namespace platform::win32
