/* Holds a file open and shares it with no one, as a sync tool, a backup program or a virus
   scanner does for a moment:  hold_file PATH MILLISECONDS  (a negative time: until ended).
   Prints "held" once it has the file and "released" when it lets go. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fputs("usage: hold_file PATH MILLISECONDS\n", stderr);
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        printf("cannot open the file: error %lu\n", GetLastError());
        return 1;
    }
    puts("held");
    fflush(stdout);
    int ms = _wtoi(argv[2]);
    Sleep(ms < 0 ? INFINITE : (DWORD)ms);
    CloseHandle(file);
    puts("released");
    fflush(stdout);
    return 0;
}
