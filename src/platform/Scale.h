#pragma once

// Display scales. Each window takes the scale of the monitor it stands on: a
// monitor's dots per inch (96 at 100%) give the twips of one of its pixels,
// and a form laid out in twips has its size in pixels at that scale.

#include "platform/Layout.h"

namespace scale {

inline constexpr int kBaseDpi = 96;

// 1440 / dpi; a scale the system cannot tell (0 or less) counts as 100%.
double TwipsPerPixel(int dpi);

// A length laid out in twips, in pixels at a scale: to the nearest, ties to even.
int Pixels(double twips, double twipsPerPixel);

struct PixelSize {
    int width = 0;
    int height = 0;
    constexpr bool operator==(const PixelSize&) const = default;
};

// The client area of a form at a scale.
PixelSize ClientSize(const platform::FormLayout& layout, double twipsPerPixel);

}  // namespace scale
