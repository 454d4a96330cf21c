// Starts a program whose path is MAX_PATH or longer, as a program of the
// user's that calls the system's native process call would, and waits for it:
//
//   LongPathStart PATH        (a full Windows path: Z:\...\Program.exe)
//
// Exits with the program's exit code. Under Wine, CreateProcessW and start.exe
// refuse such a path; RtlCreateUserProcess takes the NT path whole.

#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <string>

namespace {

using CreateParameters = NTSTATUS(NTAPI*)(RTL_USER_PROCESS_PARAMETERS**, UNICODE_STRING* image, UNICODE_STRING* dllPath,
                                          UNICODE_STRING* currentDirectory, UNICODE_STRING* commandLine,
                                          void* environment, UNICODE_STRING* title, UNICODE_STRING* desktop,
                                          UNICODE_STRING* shellInfo, UNICODE_STRING* runtimeData, ULONG flags);
using CreateUserProcess = NTSTATUS(NTAPI*)(UNICODE_STRING* ntPath, ULONG attributes, RTL_USER_PROCESS_PARAMETERS*,
                                           void* processSecurity, void* threadSecurity, HANDLE parent,
                                           BOOLEAN inheritHandles, HANDLE debugPort, HANDLE token, void* info);
using DestroyParameters = NTSTATUS(NTAPI*)(RTL_USER_PROCESS_PARAMETERS*);

// RTL_USER_PROCESS_INFORMATION: the handles come first; the image information
// after them is not read here, only given room.
struct ProcessInformation {
    ULONG length;
    HANDLE process;
    HANDLE thread;
    void* clientId[2];
    unsigned char imageInformation[128];
};

constexpr ULONG kNormalized = 1;

template <typename Fn>
Fn Find(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

UNICODE_STRING Counted(std::wstring& text) {
    UNICODE_STRING s;
    s.Buffer = text.data();
    s.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    s.MaximumLength = s.Length;
    return s;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: LongPathStart PATH\n", stderr);
        return 2;
    }
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto createParameters = Find<CreateParameters>(ntdll, "RtlCreateProcessParametersEx");
    auto createProcess = Find<CreateUserProcess>(ntdll, "RtlCreateUserProcess");
    auto destroyParameters = Find<DestroyParameters>(ntdll, "RtlDestroyProcessParameters");
    if (!createParameters || !createProcess || !destroyParameters) {
        std::fputs("ntdll lacks the process calls\n", stderr);
        return 2;
    }
    std::wstring dosPath = argv[1];
    std::wstring ntPath = L"\\??\\" + dosPath;
    std::wstring commandLine = L"\"" + dosPath + L"\"";
    UNICODE_STRING image = Counted(dosPath), nt = Counted(ntPath), command = Counted(commandLine);

    // No current directory given: the child takes this one's, which Windows keeps under MAX_PATH.
    RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
    NTSTATUS status = createParameters(&parameters, &image, nullptr, nullptr, &command, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, kNormalized);
    if (status < 0) {
        std::printf("RtlCreateProcessParametersEx failed: 0x%08lx\n", static_cast<unsigned long>(status));
        return 1;
    }
    ProcessInformation info{};
    info.length = sizeof info;
    status = createProcess(&nt, OBJ_CASE_INSENSITIVE, parameters, nullptr, nullptr, nullptr, FALSE, nullptr, nullptr,
                           &info);
    destroyParameters(parameters);
    if (status < 0) {
        std::printf("RtlCreateUserProcess failed: 0x%08lx\n", static_cast<unsigned long>(status));
        return 1;
    }
    // The process is made with its first thread suspended.
    ::ResumeThread(info.thread);
    ::WaitForSingleObject(info.process, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(info.process, &code);
    ::CloseHandle(info.thread);
    ::CloseHandle(info.process);
    return static_cast<int>(code);
}
