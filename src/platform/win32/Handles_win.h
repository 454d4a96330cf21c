#pragma once

// Conversions between the portable handle values and Win32 handles, and the
// names the Windows layer registers, shared by its files.

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/Numbers.h"
#include "platform/Types.h"

namespace platform::win32 {

inline constexpr wchar_t kFormClass[] = L"MarisoleClock.Form";
inline constexpr wchar_t kOwnerClass[] = L"MarisoleClock.Owner";
inline constexpr wchar_t kFocusClass[] = L"MarisoleClock.Focus";

// Window coordinates the window system can hold, in pixels.
inline constexpr int kCoordinateLimit = 30000;

inline HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle ToHandle(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }
inline HRGN Hrgn(RegionHandle region) { return reinterpret_cast<HRGN>(region); }

// Twips to pixels, ties to even, within what the window system can hold.
inline int ToPixels(double twips, double twipsPerPixel) {
    return std::clamp(numbers::RoundToInt32(twips / twipsPerPixel), -kCoordinateLimit, kCoordinateLimit);
}

// A library from the system folder only. Windows 7 without KB2533623 refuses
// LOAD_LIBRARY_SEARCH_SYSTEM32, and there the library is named by its full path.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace platform::win32
