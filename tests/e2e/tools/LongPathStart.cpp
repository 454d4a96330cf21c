// Starts a program whose path is MAX_PATH or longer and waits for it:
//
//   LongPathStart PATH        (a full Windows path: Z:\...\Program.exe)
//
// Exits with the program's exit code. Under Wine, CreateProcessW and start.exe
// refuse such a path; RtlCreateUserProcess takes the NT path whole.

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <string>

extern "C" {
NTSTATUS NTAPI RtlCreateProcessParametersEx(RTL_USER_PROCESS_PARAMETERS**, UNICODE_STRING* image, UNICODE_STRING*,
                                            UNICODE_STRING*, UNICODE_STRING* commandLine, void*, UNICODE_STRING*,
                                            UNICODE_STRING*, UNICODE_STRING*, UNICODE_STRING*, ULONG flags);
NTSTATUS NTAPI RtlCreateUserProcess(UNICODE_STRING* ntPath, ULONG attributes, RTL_USER_PROCESS_PARAMETERS*, void*,
                                    void*, HANDLE, BOOLEAN, HANDLE, HANDLE, void* info);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: LongPathStart PATH\n", stderr);
        return 2;
    }
    std::wstring ntPath = std::wstring(L"\\??\\") + argv[1], commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    UNICODE_STRING image, nt, command;
    ::RtlInitUnicodeString(&image, argv[1]);
    ::RtlInitUnicodeString(&nt, ntPath.c_str());
    ::RtlInitUnicodeString(&command, commandLine.c_str());

    // Normalized parameters; no directory or environment given: the child takes this one's.
    RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
    // RTL_USER_PROCESS_INFORMATION: its length, then the process and thread handles; room for the rest.
    struct {
        ULONG length = sizeof *this;
        HANDLE process, thread;
        unsigned char rest[160];
    } info{};
    NTSTATUS status = ::RtlCreateProcessParametersEx(&parameters, &image, nullptr, nullptr, &command, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, 1);
    if (status >= 0) {
        status = ::RtlCreateUserProcess(&nt, OBJ_CASE_INSENSITIVE, parameters, nullptr, nullptr, nullptr, FALSE,
                                        nullptr, nullptr, &info);
    }
    if (status < 0) {
        std::printf("cannot start the program: 0x%08lx\n", static_cast<unsigned long>(status));
        return 1;
    }
    ::ResumeThread(info.thread);  // made suspended
    ::WaitForSingleObject(info.process, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(info.process, &code);
    return static_cast<int>(code);
}
