#include "platform/Scale.h"

#include "platform/Numbers.h"

namespace scale {

double TwipsPerPixel(int dpi) { return 1440.0 / (dpi > 0 ? dpi : kBaseDpi); }

int Pixels(double twips, double twipsPerPixel) { return numbers::RoundToInt32(twips / twipsPerPixel); }

PixelSize ClientSize(const platform::FormLayout& layout, double twipsPerPixel) {
    return {Pixels(layout.clientWidth, twipsPerPixel), Pixels(layout.clientHeight, twipsPerPixel)};
}

}  // namespace scale
