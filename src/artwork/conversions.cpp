#include "conversions.h"

#include <stdexcept>
#include <string>

#include "bitmap_file.h"
#include "palette.h"

namespace artwork {

RgbImage RequireOpaque(const RgbaImage& image) {
    RgbImage out(image.width, image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = image.at(x, y);
            if (p.a != 255) {
                throw std::runtime_error("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                         ") is not opaque");
            }
            out.at(x, y) = p.rgb();
        }
    }
    return out;
}

RgbImage Crop(const RgbImage& image, Rect rect) {
    if (rect.x < 0 || rect.y < 0 || rect.width <= 0 || rect.height <= 0 ||
        rect.x + rect.width > image.width || rect.y + rect.height > image.height) {
        throw std::invalid_argument("crop rectangle leaves the picture");
    }
    RgbImage out(rect.width, rect.height);
    for (int y = 0; y < rect.height; ++y) {
        for (int x = 0; x < rect.width; ++x) out.at(x, y) = image.at(rect.x + x, rect.y + y);
    }
    return out;
}

Rect ScaledRect(Rect rect, int percent) {
    return {ScaledPixels(rect.x, percent), ScaledPixels(rect.y, percent), ScaledPixels(rect.width, percent),
            ScaledPixels(rect.height, percent)};
}

RgbImage BlinkStrip(const RgbImage& eyesOpen, const RgbImage& eyesClosed, Rect eyes) {
    if (eyesOpen.width != eyesClosed.width || eyesOpen.height != eyesClosed.height) {
        throw std::runtime_error("the open-eyes and closed-eyes renders differ in size");
    }
    bool changedInside = false;
    for (int y = 0; y < eyesOpen.height; ++y) {
        for (int x = 0; x < eyesOpen.width; ++x) {
            if (eyesOpen.at(x, y) == eyesClosed.at(x, y)) continue;
            if (!eyes.Contains(x, y)) {
                throw std::runtime_error("closing the eyes changes pixel (" + std::to_string(x) +
                                         ", " + std::to_string(y) + ") outside the blink rectangle");
            }
            changedInside = true;
        }
    }
    if (!changedInside) throw std::runtime_error("closing the eyes changes nothing");
    return Crop(eyesClosed, eyes);
}

IndexedImage TwoColour(const RgbImage& image, Rgb paper, Rgb ink, double threshold) {
    if (paper == ink) throw std::invalid_argument("paper and ink are the same colour");
    const double dr = ink.r - paper.r;
    const double dg = ink.g - paper.g;
    const double db = ink.b - paper.b;
    const double length2 = dr * dr + dg * dg + db * db;

    IndexedImage out;
    out.palette = {paper, ink};
    out.indices = Raster<std::uint8_t>(image.width, image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const Rgb c = image.pixels[i];
        // Position of the pixel along the line from paper to ink.
        const double t =
            ((c.r - paper.r) * dr + (c.g - paper.g) * dg + (c.b - paper.b) * db) / length2;
        out.indices.pixels[i] = t >= threshold ? 1 : 0;
    }
    return out;
}

IconPicture MakeIcon(const RgbaImage& image) {
    if (image.width != kIconSide || image.height != kIconSide) {
        throw std::runtime_error("the icon must be rendered at 32 x 32");
    }
    IconPicture icon;
    icon.transparent.resize(image.pixels.size());
    RgbImage colours(image.width, image.height);
    // Transparent pixels are painted black so they add no colour of their own
    // to the palette; they are stored as entry 0 (black) anyway.
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const Rgba p = image.pixels[i];
        icon.transparent[i] = p.a < 128;
        colours.pixels[i] = icon.transparent[i] ? Rgb{} : p.rgb();
    }
    const Rgb black{};
    icon.image = Quantise(colours, kIconColours, std::span(&black, 1));
    return icon;
}

}  // namespace artwork
