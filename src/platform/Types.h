#pragma once

// Small value types shared by the platform layer and the program.

#include <algorithm>
#include <cstdint>

namespace platform {

// A colour as the window system stores it: 0x00BBGGRR, red in the lowest byte.
using ColorRef = std::uint32_t;

constexpr ColorRef Rgb(int r, int g, int b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}
constexpr int RedOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

// Opaque handles, wide enough for a pointer on either Windows target.
using WindowHandle = std::intptr_t;
using RegionHandle = std::intptr_t;
using MonitorHandle = std::intptr_t;  // 0: no monitor

// Insert-after values of the z-order call: into the always-on-top band, or out of it.
constexpr WindowHandle kInsertTopmost = -1;
constexpr WindowHandle kInsertNoTopmost = -2;
// SWP_SHOWWINDOW | SWP_NOACTIVATE
constexpr unsigned SWP_SHOWWINDOW_NOACTIVATE = 0x50;

// Message box style: exclamation icon and a single OK button.
constexpr int MB_EXCLAMATION_OK = 48;

enum class WindowState { Normal, Minimized, Maximized };

// Mouse buttons as the handlers receive them.
enum MouseButton : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

// A rectangle in device pixels, right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool Empty() const { return right <= left || bottom <= top; }
    constexpr long long Area() const { return Empty() ? 0 : static_cast<long long>(Width()) * Height(); }
    constexpr bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr bool operator==(const PixelRect&) const = default;
};

constexpr PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    PixelRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    return r.Empty() ? PixelRect{} : r;
}

// The smallest rectangle holding both; an empty one adds nothing.
constexpr PixelRect Bounding(const PixelRect& a, const PixelRect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// A monitor's rectangle and its work area (the part not taken by task bars),
// in virtual-screen pixels.
struct MonitorInfo {
    PixelRect monitor;
    PixelRect workArea;
};

// What the monitor look-ups answer when no monitor holds the point or meets
// the rectangle: no monitor, or the nearest one.
enum class MonitorDefault { Null, Nearest };

// A window's place and outer size on the screen, in twips.
struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// Local wall-clock time of day, 24-hour.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

}  // namespace platform
