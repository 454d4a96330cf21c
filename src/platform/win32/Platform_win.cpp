// The platform's process side: the single-copy test, the window classes, the
// message loop and its dispatch, and the program's folder, time and random draws.

#include "platform/win32/Platform_win.h"

#include <cstdint>

#include "platform/win32/Handles_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

namespace {

// One name for every copy in the session: a second copy finds it taken.
constexpr wchar_t kRunningMutex[] = L"Local\\MarisoleClock.Running";

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

}  // namespace platform::win32
