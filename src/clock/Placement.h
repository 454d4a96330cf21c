#pragma once

// Where a clock goes when its dial lies on no monitor, and the dialog when it
// is out of reach: pure arithmetic on pixel rectangles, so that it can be
// checked case by case.

#include <cstdint>

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

// A clock in a drag and the point of its face that was grabbed: the window's
// corner in the screen's twips, the grab in twips from that corner.
struct Grab {
    double left = 0;
    double top = 0;
    std::int16_t dragX = 0;
    std::int16_t dragY = 0;
};

// The drag after the clock took another scale (ratio: new pixels per old).
// The grabbed point of the face moves with the face to ratio times its
// distance from the corner, and the window moves by the difference, so that
// point stays where it was: under the pointer.
Grab KeepGrabPoint(const Grab& before, double ratio);

// Whether all of the window lies inside the area.
constexpr bool Inside(const platform::PixelRect& window, const platform::PixelRect& area) {
    return window.left >= area.left && window.top >= area.top && window.right <= area.right &&
           window.bottom <= area.bottom;
}

// A form's outer rectangle in the screen's pixels, kept within reach of any sum of pixels.
platform::PixelRect PixelRectOf(const platform::Form& form);

}  // namespace placement
