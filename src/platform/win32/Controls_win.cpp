// The native controls of a form (check boxes, option buttons, command
// buttons, the picture box's focus holder), their fonts and their state.

#include "platform/win32/Platform_win.h"

#include <algorithm>

#include "artwork/resource_ids.h"
#include "platform/Numbers.h"
#include "platform/win32/Fonts_win.h"
#include "platform/win32/Handles_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

// A window's icon, fonts and native controls are made when it is first
// shown. The dialog spends most of a run hidden, often all of it: until it
// comes up, the program loads no font and no control library, and starts
// faster and smaller.
void Win32Platform::Furnish(FormWindow& form) {
    if (form.furnished) return;
    form.furnished = true;
    if (form.hasIcon) {
        if (!bigIcon_.Get()) {
            bigIcon_ = Icon(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                            ::GetSystemMetrics(SM_CXICON),
                                                            ::GetSystemMetrics(SM_CYICON), 0)));
            smallIcon_ = Icon(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                              ::GetSystemMetrics(SM_CXSMICON),
                                                              ::GetSystemMetrics(SM_CYSMICON), 0)));
        }
        ::SendMessageW(form.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
        ::SendMessageW(form.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    }
    if (form.pending.empty()) return;
    {
        WindowDC dc(form.hwnd);
        form.controlFont = MakeControlFont(dc.Get(), numbers::RoundToInt32(9 * 20 / tppY_));
    }
    for (const ControlDescription& control : form.pending) MakeControl(form, control);
    form.pending.clear();
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
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FitControlFont(form, hwnd, control)), FALSE);
    if (checked) ::SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    form.controls.push_back({control.controlId, hwnd, control.backColor});
}

// The control font, or a size of it small enough for the caption to fit the
// control beside its check mark, where a fallback face runs wider.
HFONT Win32Platform::FitControlFont(FormWindow& form, HWND hwnd, const ControlDescription& control) {
    std::wstring caption = Wide(control.caption);
    int mark = control.kind == ElementKind::CommandButton ? 8 : ::GetSystemMetrics(SM_CXMENUCHECK) + 6;
    int room = control.box.Width() - mark;
    WindowDC dc(hwnd);
    int base = numbers::RoundToInt32(9 * 20 / tppY_);
    for (int size = base; size >= 9; --size) {
        HFONT font = size == base ? form.controlFont.Get() : nullptr;
        for (const auto& smaller : form.smallerFonts) {
            if (smaller.size == size) font = smaller.font.Get();
        }
        if (!font) {
            form.smallerFonts.push_back({size, MakeControlFont(dc.Get(), size)});
            font = form.smallerFonts.back().font.Get();
        }
        Selection selected(dc.Get(), font);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
        if (extent.cx <= room || size == 9) return font;
    }
    return form.controlFont.Get();
}

void Win32Platform::SetControlCheck(WindowHandle window, int controlId, bool checked) {
    if (FormWindow* form = Find(window)) form->checks[controlId] = checked;  // for controls made later
    HWND control = ::GetDlgItem(ToHwnd(window), kFirstControlId + controlId);
    if (control) ::SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

HBRUSH Win32Platform::BrushForControl(FormWindow& form, HWND control, HDC dc) {
    for (const Control& c : form.controls) {
        if (c.hwnd != control || !c.backColor) continue;
        ::SetBkColor(dc, *c.backColor);
        for (const ControlBrush& cached : form.brushes) {
            if (cached.color == *c.backColor) return cached.brush.Get();
        }
        form.brushes.push_back({*c.backColor, Brush(::CreateSolidBrush(*c.backColor))});
        return form.brushes.back().brush.Get();
    }
    return nullptr;
}

}  // namespace platform::win32
