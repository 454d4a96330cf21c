// Benchmark builds only: every ten seconds of the program's own time, one
// line of what it has cost so far is appended to MarisoleClock.stats beside
// the program, so that a benchmark or a long run can watch it from outside.
//
//   seconds=10 paints=52 pixels=10440 gdi=9 handles=31 workingset=5324800 private=1572864

#ifdef MARISOLE_PAINT_STATS

#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

#include <string>

#include "platform/win32/Platform_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

namespace {

constexpr UINT_PTR kStatisticsTimer = 0x5757;
constexpr UINT kIntervalMs = 10000;
Win32Platform* statisticsOwner = nullptr;

void CALLBACK StatisticsTick(HWND, UINT, UINT_PTR, DWORD) { statisticsOwner->WriteStatistics(); }

}  // namespace

void Win32Platform::StartStatistics() {
    statisticsOwner = this;
    ::SetTimer(owner_, kStatisticsTimer, kIntervalMs, StatisticsTick);
}

void Win32Platform::WriteStatistics() {
    statisticsSeconds_ += kIntervalMs / 1000;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof memory);
    DWORD handles = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
    std::string line = "seconds=" + std::to_string(statisticsSeconds_) + " paints=" + std::to_string(paints) +
                       " pixels=" + std::to_string(paintedPixels) + " gdi=" + std::to_string(liveGdiObjects.load()) +
                       " handles=" + std::to_string(handles) + " workingset=" + std::to_string(memory.WorkingSetSize) +
                       " private=" + std::to_string(memory.PrivateUsage) + "\r\n";

    std::string folder = AppPath();
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    HANDLE opened = ::CreateFileW(Wide(folder + "MarisoleClock.stats").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return;
    KernelHandle file(opened);
    DWORD written = 0;
    ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace platform::win32

#endif
