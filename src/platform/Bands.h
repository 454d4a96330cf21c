#pragma once

// A window's off-screen buffer holds a band of rows, not the whole client
// area: a paint larger than one band is drawn and copied band by band, each
// band complete before it reaches the window, so nothing half-drawn is seen.
// Per tick a clock repaints only its hands' area, which fits in one band at
// 100%; the buffer stays at 256 KiB whatever the size and display scale.

#include <algorithm>
#include <vector>

#include "platform/Types.h"

namespace platform {

// Pixels the buffer may hold (256 KiB at 32 bits a pixel).
constexpr long long kBandPixels = 65536;

// Rows of a buffer as wide as the client area: as many as the budget allows,
// at least one, no more than the client has.
constexpr int BandRows(int clientWidth, int clientHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) return 0;
    long long rows = kBandPixels / clientWidth;
    return static_cast<int>(std::clamp<long long>(rows, 1, clientHeight));
}

// The area cut into bands of at most rows rows, top to bottom.
inline std::vector<PixelRect> Bands(const PixelRect& area, int rows) {
    std::vector<PixelRect> bands;
    if (area.Empty() || rows <= 0) return bands;
    for (int top = area.top; top < area.bottom; top += std::min(rows, area.bottom - top)) {
        bands.push_back({area.left, top, area.right, top + std::min(rows, area.bottom - top)});
    }
    return bands;
}

}  // namespace platform
