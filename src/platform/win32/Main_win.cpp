// The Windows entry point: harden the process, build the platform and the
// program, start it (the startup window runs the start-up routine), then
// dispatch messages until the program ends.

#include <windows.h>

#include "app/Program.h"
#include "platform/win32/Platform_win.h"

namespace {

// Libraries load from the system folder only, never from the program's own
// folder or the current directory, where a planted DLL could wait. (The
// program's own imports are all Known DLLs, which come from there anyway.)
// Windows 7 has SetDefaultDllDirectories only with KB2533623, so it is looked
// up: an import the system lacks would keep the program from starting at all.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll")) {
        // A function pointer cast is how GetProcAddress is meant to be used.
        auto confine = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
        if (confine) confine(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    ::SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

    platform::win32::Win32Platform system(instance);
    platform::Platform platform = system.Get();
    Program program(platform);
    program.Start();
    return system.RunMessageLoop();
}
