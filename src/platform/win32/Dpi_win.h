#pragma once

// A window's display scale and the sizes that follow from it. The calls that
// know a monitor's own scale came with later versions of Windows; they are
// found at run time, so that the program still starts where they are missing
// (Windows 7), and there the system's scale serves every window.

#include <windows.h>

namespace platform::win32 {

// The scale the user signed in with, dots per inch.
int SystemDpi();

// The scale of the monitor the window stands on (the one it covers most).
int DpiOf(HWND window);

// The outer rectangle of a window with this client area, style and scale.
RECT FrameFor(const RECT& client, DWORD style, DWORD exStyle, int dpi);

// A system metric (SM_CXMENUCHECK, SM_CXSMICON...) at a scale.
int MetricFor(int index, int dpi);

}  // namespace platform::win32
