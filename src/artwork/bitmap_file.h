#pragma once

// Writers for the two stored formats the program embeds: uncompressed
// Windows bitmap files (24-bit, 8-bit and 4-bit) and a single-image icon
// file (32 x 32, 16 colours, with a one-bit transparency mask).
//
// All functions throw std::invalid_argument when the picture cannot be
// stored as asked (wrong size, too many palette entries, an index past the
// palette), so that a bad render never turns into a half-valid file.

#include <cstdint>
#include <vector>

#include "raster.h"

namespace artwork {

using Bytes = std::vector<std::uint8_t>;

// File header (14 bytes) + BITMAPINFOHEADER (40 bytes).
inline constexpr std::uint32_t kBitmapHeadersSize = 14 + 40;
// 2834 pixels per metre is 72 dots per inch.
inline constexpr std::int32_t kPixelsPerMetre = 2834;

// Bytes in one stored row: bits rounded up to whole bytes, then to 4 bytes.
std::uint32_t BitmapRowStride(int width, int bitsPerPixel);

// Size of the whole file for a picture of this size and depth.
std::uint32_t BitmapFileSize(int width, int height, int bitsPerPixel);

Bytes EncodeBitmap24(const RgbImage& image);

// bitsPerPixel is 4 or 8. The palette is written with all 2^bits entries;
// entries past image.palette are black.
Bytes EncodeBitmapIndexed(const IndexedImage& image, int bitsPerPixel);

// A binary PPM ("P6", 8-bit RGB): how the renditions for larger display
// scales are handed back to the render script, which stores them as PNG.
Bytes EncodePpm(const RgbImage& image);

inline constexpr int kIconSide = 32;
inline constexpr int kIconColours = 16;

// One 32 x 32 image with 16 colours. `transparent` has one entry per pixel
// (row by row from the top); a transparent pixel gets mask bit 1 and is
// stored with palette index 0, which should be black so that the screen
// shows through unchanged.
Bytes EncodeIcon(const IndexedImage& image, const std::vector<bool>& transparent);

}  // namespace artwork
