#include "clock/Placement.h"

#include <algorithm>

namespace placement {

namespace {

int IntoSpan(int start, int length, int spanStart, int spanEnd) {
    if (length >= spanEnd - spanStart) return spanStart;
    return std::clamp(start, spanStart, spanEnd - length);
}

}  // namespace

PixelPoint IntoWorkArea(const platform::PixelRect& window, const platform::PixelRect& workArea) {
    return {IntoSpan(window.left, window.Width(), workArea.left, workArea.right),
            IntoSpan(window.top, window.Height(), workArea.top, workArea.bottom)};
}

}  // namespace placement
