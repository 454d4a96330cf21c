#include "platform/win32/Platform_win.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "artwork/resource_ids.h"
#include "platform/Numbers.h"
#include "platform/win32/Fonts_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"MarisoleClock.Form";
constexpr wchar_t kOwnerClass[] = L"MarisoleClock.Owner";
constexpr wchar_t kFocusClass[] = L"MarisoleClock.Focus";
// One name for every copy in the session: a second copy finds it taken.
constexpr wchar_t kRunningMutex[] = L"Local\\MarisoleClock.Running";
// Window coordinates the window system can hold, in pixels.
constexpr int kCoordinateLimit = 30000;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide profile calls fill the program's UTF-16 buffer");

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle ToHandle(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }
HRGN Hrgn(RegionHandle region) { return reinterpret_cast<HRGN>(region); }

int ToPixels(double twips, double twipsPerPixel) {
    return std::clamp(numbers::RoundToInt32(twips / twipsPerPixel), -kCoordinateLimit, kCoordinateLimit);
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance) : instance_(instance), pictures_(instance) {
    // Taken at once, before any window exists: of two copies started at the
    // same moment exactly one creates the mutex.
    running_ = KernelHandle(::CreateMutexW(nullptr, FALSE, kRunningMutex));
    prevInstance_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
    // A copy that finds another running only says so and ends: it lets go of
    // the name at once, so that while its notice waits for the user the
    // name stays with the running copy alone, and a start after that copy
    // has ended is not refused.
    if (prevInstance_) running_ = KernelHandle();

    {
        WindowDC screen(nullptr);
        int dpiX = ::GetDeviceCaps(screen.Get(), LOGPIXELSX);
        int dpiY = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
        tppX_ = 1440.0 / (dpiX > 0 ? dpiX : 96);
        tppY_ = 1440.0 / (dpiY > 0 ? dpiY : 96);
    }

    // The forms; the hidden owner that keeps every window off the taskbar; the
    // picture box's focus holder, which ignores every key.
    auto registerClass = [instance](const wchar_t* name, WNDPROC proc, HCURSOR cursor) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = cursor;
        wc.lpszClassName = name;
        ::RegisterClassExW(&wc);
    };
    registerClass(kFormClass, WindowProc, ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */));
    registerClass(kOwnerClass, ::DefWindowProcW, nullptr);
    registerClass(kFocusClass, ::DefWindowProcW, nullptr);

    owner_ = ::CreateWindowExW(0, kOwnerClass, L"Marisole Clock", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                               nullptr);
#ifdef MARISOLE_PAINT_STATS
    StartStatistics();
#endif
}

Win32Platform::~Win32Platform() {
    for (auto& form : windows_) {
        if (form->hwnd) ::DestroyWindow(form->hwnd);
    }
    if (owner_) ::DestroyWindow(owner_);
}

int Win32Platform::RunMessageLoop() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
        CollectDeadWindows();
    }
    return static_cast<int>(message.wParam);
}

// Keyboard navigation inside a dialog (Tab, arrows, Space) goes through the
// dialog manager; everything else is dispatched as usual.
void Win32Platform::Dispatch(MSG& message) {
    for (auto& form : windows_) {
        if (form->dialog && !form->dead && form->hwnd &&
            (message.hwnd == form->hwnd || ::IsChild(form->hwnd, message.hwnd))) {
            if (::IsDialogMessageW(form->hwnd, &message)) {
                PaintChanged();
                return;
            }
            break;
        }
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
    PaintChanged();
}

// A window destroyed inside one of its own handlers keeps its record until
// no handler is running, so no stack frame is left pointing at freed memory.
void Win32Platform::CollectDeadWindows() {
    if (dispatchDepth_ != 0) return;
    std::erase_if(windows_, [](const auto& form) { return form->dead; });
}

Win32Platform::FormWindow* Win32Platform::Find(WindowHandle window) {
    for (auto& form : windows_) {
        if (ToHandle(form->hwnd) == window && !form->dead) return form.get();
    }
    return nullptr;
}

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

// The folder of the program file, as the user sees it: no trailing "\"
// unless it is a drive's root.
std::string Win32Platform::AppPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return Utf8(folder);
}

namespace {

HHOOK noticeHook = nullptr;

// Puts the message box into the always-on-top band as it is activated, for
// systems whose message box leaves MB_TOPMOST aside (Wine 8 does).
LRESULT CALLBACK LiftNotice(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        ::SetWindowPos(reinterpret_cast<HWND>(wParam), HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return ::CallNextHookEx(noticeHook, code, wParam, lParam);
}

}  // namespace

// The box has no owner among the program's windows, so it would open
// beneath an always-on-top window (the running copy's clock or dialog) and
// take the keyboard unseen: it comes up above every window, in front.
int Win32Platform::MsgBox(const std::string& text, int style, const std::string& title) {
    noticeHook = ::SetWindowsHookExW(WH_CBT, LiftNotice, nullptr, ::GetCurrentThreadId());
    int answer = ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(),
                               static_cast<UINT>(style) | MB_TOPMOST | MB_SETFOREGROUND);
    if (noticeHook) ::UnhookWindowsHookEx(std::exchange(noticeHook, nullptr));
    return answer;
}

void Win32Platform::DoEvents() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
}

void Win32Platform::End() { ::ExitProcess(0); }

TimeOfDay Win32Platform::Now() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void Win32Platform::Randomize() {
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    random_.Seed(static_cast<std::uint64_t>(counter.QuadPart) ^
                 ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime));
}

// --- Regions

RegionHandle Win32Platform::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                               int ellipseHeight) {
    HRGN region = ::CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight);
    if (region) ++liveGdiObjects;
    return reinterpret_cast<RegionHandle>(region);
}

RegionHandle Win32Platform::CreateEllipticRgn(int left, int top, int right, int bottom) {
    HRGN region = ::CreateEllipticRgn(left, top, right, bottom);
    if (region) ++liveGdiObjects;
    return reinterpret_cast<RegionHandle>(region);
}

int Win32Platform::SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) {
    int result = ::SetWindowRgn(ToHwnd(window), Hrgn(region), redraw ? TRUE : FALSE);
    if (result && region) --liveGdiObjects;  // the window system owns it now
    return result;
}

bool Win32Platform::DeleteObject(RegionHandle region) {
    if (!region || !::DeleteObject(Hrgn(region))) return false;
    --liveGdiObjects;
    return true;
}

// --- Profile strings

std::size_t Win32Platform::GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                                   char16_t* buffer, std::size_t capacity,
                                                   const std::string& path) {
    if (capacity == 0) return 0;
    DWORD size = static_cast<DWORD>(std::min<std::size_t>(capacity, UINT_MAX));
    return ::GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(defaultValue).c_str(),
                                      reinterpret_cast<wchar_t*>(buffer), size, Wide(path).c_str());
}

namespace {

// The profile writer rewrites the whole file, and on a full disk it stops
// where the space ran out, leaving the file cut short. So a key is written
// only when the disk holds the largest file the write can make. The writer
// keeps the file's encoding and rewrites it from what it parsed, which at
// most triples it (a lone CR or LF becomes CR LF; a byte that does not
// decode comes back as U+FFFD, three bytes in a UTF-8 file), and adds at
// most a byte-order mark, the section's header and the key's line, each
// character three bytes at most. Whatever cannot be known (the file's
// size, the free space) counts as not fitting.
bool WholeFileFits(const std::wstring& path, std::size_t addedCharacters) {
    std::uint64_t size = 0;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        size = (static_cast<std::uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring folder = path.substr(0, slash + 1);
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return false;
    std::uint64_t largest = 3 * size + 3 * static_cast<std::uint64_t>(addedCharacters) + 3;
    return largest <= available.QuadPart;
}

}  // namespace

bool Win32Platform::WritePrivateProfileString(const char* section, const char* key, const std::string& value,
                                              const std::string& path) {
    std::wstring wideSection = Wide(section);
    std::wstring wideKey = Wide(key);
    std::wstring wideValue = Wide(value);
    std::wstring widePath = Wide(path);
    // "[section]" and "key=value", each with its CR LF.
    std::size_t added = wideSection.size() + 4 + wideKey.size() + 1 + wideValue.size() + 2;
    if (!WholeFileFits(widePath, added)) return false;
    return ::WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideValue.c_str(),
                                        widePath.c_str()) != FALSE;
}

// --- Z-order

bool Win32Platform::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                 unsigned flags) {
    return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

// --- Monitors

namespace {

DWORD MonitorFlags(MonitorDefault fallback) {
    return fallback == MonitorDefault::Nearest ? MONITOR_DEFAULTTONEAREST : MONITOR_DEFAULTTONULL;
}

PixelRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

MonitorHandle Win32Platform::MonitorFromPoint(int x, int y, MonitorDefault fallback) {
    return reinterpret_cast<MonitorHandle>(::MonitorFromPoint(POINT{x, y}, MonitorFlags(fallback)));
}

MonitorHandle Win32Platform::MonitorFromRect(const PixelRect& rect, MonitorDefault fallback) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    return reinterpret_cast<MonitorHandle>(::MonitorFromRect(&r, MonitorFlags(fallback)));
}

bool Win32Platform::GetMonitorInfoW(MonitorHandle monitor, MonitorInfo& info) {
    if (!monitor) return false;
    MONITORINFO found{};
    found.cbSize = sizeof found;
    if (!::GetMonitorInfoW(reinterpret_cast<HMONITOR>(monitor), &found)) return false;
    info = {FromRect(found.rcMonitor), FromRect(found.rcWork)};
    return true;
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
