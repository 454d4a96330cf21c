#include "clock/Placement.h"

#include <algorithm>

#include "platform/Form.h"

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

platform::PixelRect PixelRectOf(const platform::Form& form) {
    // Far beyond any desk, and small enough that no sum of two overflows.
    static constexpr int kFar = 1 << 24;
    auto pixels = [](int value) { return std::clamp(value, -kFar, kFar); };
    int left = pixels(form.PixelsX(form.Left()));
    int top = pixels(form.PixelsY(form.Top()));
    return {left, top, left + pixels(form.PixelsX(form.Width())), top + pixels(form.PixelsY(form.Height()))};
}

}  // namespace placement
