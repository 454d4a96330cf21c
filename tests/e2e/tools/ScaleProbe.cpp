// A helper the end-to-end tests start beside the clock, in the same Wine
// prefix, to do what a desk of monitors at different scales would do:
//
//   ScaleProbe send TITLE DPI LEFT TOP RIGHT BOTTOM
//       sends WM_DPICHANGED to the program's window TITLE, with the suggested
//       rectangle placed in the program's own memory, as the system does;
//   ScaleProbe controls TITLE
//       prints the window's client size and, for each child window, its id
//       and its rectangle in the client area.
//
// Exit code 0 on success; a failure says why on stderr.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kFormClass[] = L"MarisoleClock.Form";

int Fail(const char* what) {
    std::fprintf(stderr, "ScaleProbe: %s (error %lu)\n", what, ::GetLastError());
    return 1;
}

int Send(HWND window, int dpi, RECT suggested) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    HANDLE target = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (!target) return Fail("cannot open the program's process");
    void* remote = ::VirtualAllocEx(target, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    int result = 0;
    if (!remote || !::WriteProcessMemory(target, remote, &suggested, sizeof suggested, nullptr)) {
        result = Fail("cannot place the rectangle in the program's memory");
    } else {
        WPARAM both = MAKEWPARAM(static_cast<WORD>(dpi), static_cast<WORD>(dpi));
        ::SendMessageW(window, WM_DPICHANGED, both, reinterpret_cast<LPARAM>(remote));
    }
    if (remote) ::VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    ::CloseHandle(target);
    return result;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
    std::printf("child %d %ld %ld %ld %ld\n", ::GetDlgCtrlID(child), r.left, r.top, r.right, r.bottom);
    return TRUE;
}

int Controls(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    ::EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(window));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return Fail("usage: ScaleProbe send TITLE DPI LEFT TOP RIGHT BOTTOM | controls TITLE");
    std::wstring verb = argv[1];
    HWND window = ::FindWindowW(kFormClass, argv[2]);
    if (!window) return Fail("no such window");
    if (verb == L"send" && argc == 8) {
        RECT suggested{std::wcstol(argv[4], nullptr, 10), std::wcstol(argv[5], nullptr, 10),
                       std::wcstol(argv[6], nullptr, 10), std::wcstol(argv[7], nullptr, 10)};
        return Send(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10)), suggested);
    }
    if (verb == L"controls") return Controls(window);
    return Fail("unknown command");
}
