#pragma once

// Where a clock goes when its dial lies on no monitor, and the dialog when it
// is out of reach: pure arithmetic on pixel rectangles, so that it can be
// checked case by case.

#include "platform/Types.h"

namespace platform {
class Form;
}

namespace placement {

struct PixelPoint {
    int x = 0;
    int y = 0;
    constexpr bool operator==(const PixelPoint&) const = default;
};

// The top-left corner that puts the whole window inside the work area with
// the least move: on each axis the window keeps its place if it is inside
// already, else it goes just inside the nearer edge. On an axis where the
// window is longer than the work area it goes to the left or top edge.
PixelPoint IntoWorkArea(const platform::PixelRect& window, const platform::PixelRect& workArea);

// Whether all of the window lies inside the area.
constexpr bool Inside(const platform::PixelRect& window, const platform::PixelRect& area) {
    return window.left >= area.left && window.top >= area.top && window.right <= area.right &&
           window.bottom <= area.bottom;
}

// A form's outer rectangle in pixels, kept within reach of any sum of pixels.
platform::PixelRect PixelRectOf(const platform::Form& form);

}  // namespace placement
