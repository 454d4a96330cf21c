// Boots a test's Wine session and keeps it: its first window makes Wine start the desktop's
// explorer, and while it lives Wine never closes the desktop (which it does a second after the
// last program on it ends), so that no copy of the clock the test starts later starts another.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Never shown: it only has to be on the desktop.
    HWND window = ::CreateWindowExW(0, L"STATIC", L"KeepDesktop", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    instance, nullptr);
    if (!window) return 1;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    return 0;
}
