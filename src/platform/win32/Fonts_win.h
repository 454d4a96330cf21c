#pragma once

// Fonts for the dialog, with a fallback to another Japanese face where the
// one asked for is not installed, so that Japanese text never shows as boxes.

#include <windows.h>

#include <string>

#include "platform/Layout.h"
#include "platform/win32/Gdi_win.h"

namespace platform::win32 {

// The face to use for font: its own if installed, else the first installed
// proportional Japanese face.
std::wstring ResolveFace(HDC dc, const FontDesc& font);

// The font of the labels (emHeight: pixels of the em square).
Font MakeFont(HDC dc, const FontDesc& font, int emHeight);

// The dialog controls' font: the Japanese interface face at 9 points.
Font MakeControlFont(HDC dc, int emHeight);

}  // namespace platform::win32
