#pragma once

// In-memory pictures used while turning rendered artwork into the stored
// bitmap and icon files. Rows run top-down here; the file writers turn them
// bottom-up.

#include <compare>
#include <cstdint>
#include <vector>

namespace artwork {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr auto operator<=>(const Rgb&, const Rgb&) = default;
};

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    friend constexpr bool operator==(const Rgba&, const Rgba&) = default;
    constexpr Rgb rgb() const { return {r, g, b}; }
};

template <typename Pixel>
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;  // width * height, row by row from the top

    Raster() = default;
    Raster(int w, int h, Pixel fill = {})
        : width(w), height(h), pixels(Count(w, h), fill) {}

    Pixel& at(int x, int y) { return pixels[Index(x, y)]; }
    const Pixel& at(int x, int y) const { return pixels[Index(x, y)]; }

private:
    static std::size_t Count(int w, int h) {
        return w > 0 && h > 0 ? static_cast<std::size_t>(w) * static_cast<std::size_t>(h) : 0;
    }
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
};

using RgbImage = Raster<Rgb>;
using RgbaImage = Raster<Rgba>;

// A palette picture: every pixel is an index into `palette`.
struct IndexedImage {
    std::vector<Rgb> palette;
    Raster<std::uint8_t> indices;
};

}  // namespace artwork
