// Holds a file open and shares it with no one, as a sync tool, a backup
// program or a virus scanner does for a moment:
//
//   HoldFile PATH MILLISECONDS      (a negative time: until ended)
//
// Prints "held" once it has the file and "released" when it lets go.

#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: HoldFile PATH MILLISECONDS\n", stderr);
        return 2;
    }
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open the file: error %lu\n", ::GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    long ms = std::wcstol(argv[2], nullptr, 10);
    ::Sleep(ms < 0 ? INFINITE : static_cast<DWORD>(ms));
    ::CloseHandle(file);
    std::puts("released");
    std::fflush(stdout);
    return 0;
}
