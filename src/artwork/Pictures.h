#pragma once

// The pictures the windows show. Their pixels live in src/artwork/generated/
// and are built into the Windows program as resources (artwork.rc).

#include <iterator>

namespace artwork {

enum class Picture {
    LargeFace,         // the large clock's face, 480 x 480, 24-bit
    SmallFace,         // the small clock's face, 233 x 233, 24-bit
    Blink,             // the small face's eye strip with the eyes closed, 99 x 39, 24-bit
    DialogBackground,  // flat dialog grey, 300 x 200, 4-bit
    Title,             // the product name in script, 130 x 30, 4-bit
    Portrait,          // the character's portrait, 71 x 69, 8-bit
};

// The dialog's pictures stand on the same grey as the dialog; where another
// element lies beneath one (a label's end under the title), that grey lets it
// show, as the eye expects from lettering on a plain ground.
inline constexpr unsigned kSeeThroughGrey = 0xC6C6C6;  // RGB(198,198,198) as 0x00BBGGRR

constexpr bool GreyIsSeeThrough(Picture picture) {
    return picture == Picture::Title || picture == Picture::Portrait;
}

struct PictureSize {
    int width;
    int height;
};

constexpr PictureSize SizeOf(Picture picture) {
    switch (picture) {
    case Picture::LargeFace: return {480, 480};
    case Picture::SmallFace: return {233, 233};
    case Picture::Blink: return {99, 39};
    case Picture::DialogBackground: return {300, 200};
    case Picture::Title: return {130, 30};
    case Picture::Portrait: return {71, 69};
    }
    return {0, 0};
}

// Besides the stored 96-dpi pictures, the program carries each picture
// rendered again from its drawing for the common display scales above 100%,
// so that a larger display shows artwork made for its size rather than an
// enlargement.
inline constexpr int kRenditionScales[] = {125, 150, 200};
inline constexpr int kRenditionCount = static_cast<int>(std::size(kRenditionScales));

// `designPixels` at `percent`, rounded to the nearest pixel, ties to even:
// the size and place the windows give a picture element at that scale.
constexpr int ScaledPixels(int designPixels, int percent) {
    const long long hundredths = static_cast<long long>(designPixels) * percent;
    long long whole = hundredths / 100;
    const long long rest = hundredths % 100;
    if (rest > 50 || (rest == 50 && whole % 2 != 0)) ++whole;
    return static_cast<int>(whole);
}

constexpr PictureSize RenditionSize(Picture picture, int percent) {
    const PictureSize size = SizeOf(picture);
    return {ScaledPixels(size.width, percent), ScaledPixels(size.height, percent)};
}

// Which picture is drawn at a size: 100, the stored one, up to its own size;
// above it the rendition made for that size or, for a size between two, the
// next larger one (the largest beyond them), so that it is only ever scaled
// down. The percent of the rendition chosen.
constexpr int RenditionFor(Picture picture, int width, int height) {
    const PictureSize stored = SizeOf(picture);
    if (width <= stored.width && height <= stored.height) return 100;
    for (int percent : kRenditionScales) {
        const PictureSize size = RenditionSize(picture, percent);
        if (size.width >= width && size.height >= height) return percent;
    }
    return kRenditionScales[kRenditionCount - 1];
}

}  // namespace artwork
