#pragma once

// The rules that turn each rendered picture into the pixels that are
// stored: which pictures must be opaque, how the blink strip is cut from
// the closed-eyes render, how the title is reduced to its two colours, and
// how the icon gets its 16 colours and transparency mask.

#include <vector>

#include "Pictures.h"
#include "raster.h"

namespace artwork {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    constexpr bool Contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

// Where the blink picture lies over the small face.
inline constexpr Rect kBlinkRect{70, 116, 99, 39};

// A rectangle of design pixels at a display scale, each edge and length
// rounded as the windows round an element's place and size.
Rect ScaledRect(Rect rect, int percent);

inline constexpr Rgb kDialogGrey{198, 198, 198};
inline constexpr Rgb kTitleBlue{0, 0, 255};

// Drops the alpha channel. Throws std::runtime_error if any pixel is not
// fully opaque: the stored bitmaps have no transparency, so a see-through
// pixel means the drawing leaves a hole.
RgbImage RequireOpaque(const RgbaImage& image);

RgbImage Crop(const RgbImage& image, Rect rect);

// The blink picture: the closed-eyes render cut to `eyes` (kBlinkRect for
// the 96-dpi face, scaled with the face for a larger rendition). Both renders
// come from the same drawing; throws std::runtime_error if they differ
// anywhere outside `eyes` (the face would change around the blink) or
// nowhere inside it (there would be no blink).
RgbImage BlinkStrip(const RgbImage& eyesOpen, const RgbImage& eyesClosed, Rect eyes = kBlinkRect);

// Two-colour picture on palette {paper, ink}: a pixel becomes ink when it
// lies at least `threshold` (0..1) of the way from paper to ink.
IndexedImage TwoColour(const RgbImage& image, Rgb paper, Rgb ink, double threshold);

struct IconPicture {
    IndexedImage image;             // 16-colour palette, entry 0 black
    std::vector<bool> transparent;  // one per pixel, row by row from the top
};

// Pixels with alpha below 128 become transparent; the rest are reduced to
// 15 colours plus black at entry 0.
IconPicture MakeIcon(const RgbaImage& image);

}  // namespace artwork
