#include "clock/Placement.h"

#include <algorithm>

#include "platform/Numbers.h"
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

Grab KeepGrabPoint(const Grab& before, double ratio) {
    Grab after;
    after.dragX = numbers::RoundToInt16(before.dragX * ratio);
    after.dragY = numbers::RoundToInt16(before.dragY * ratio);
    after.left = before.left + (before.dragX - after.dragX);
    after.top = before.top + (before.dragY - after.dragY);
    return after;
}

platform::PixelRect PixelRectOf(const platform::Form& form) {
    // Far beyond any desk, and small enough that no sum of two overflows.
    static constexpr int kFar = 1 << 24;
    auto pixels = [](double twips, double twipsPerPixel) {
        return std::clamp(numbers::RoundToInt32(twips / twipsPerPixel), -kFar, kFar);
    };
    double tppX = form.Ui().TwipsPerPixelX();
    double tppY = form.Ui().TwipsPerPixelY();
    int left = pixels(form.Left(), tppX);
    int top = pixels(form.Top(), tppY);
    return {left, top, left + pixels(form.Width(), tppX), top + pixels(form.Height(), tppY)};
}

}  // namespace placement
