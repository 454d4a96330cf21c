// The program's one message box: the notice of a copy that finds another running.

#include "platform/win32/Platform_win.h"

#include <utility>

#include "platform/win32/Text_win.h"

namespace platform::win32 {

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

}  // namespace platform::win32
