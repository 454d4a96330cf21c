#include "bitmap_file.h"

#include <stdexcept>
#include <string>

namespace artwork {
namespace {

class ByteWriter {
public:
    explicit ByteWriter(Bytes& out) : out_(out) {}

    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v & 0xFFu));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) {
            U8(static_cast<std::uint8_t>((v >> shift) & 0xFFu));
        }
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }

private:
    Bytes& out_;
};

void RequireSize(int width, int height) {
    // Far above any picture here; keeps every size computation inside 32 bits.
    constexpr int kLimit = 8192;
    if (width <= 0 || height <= 0 || width > kLimit || height > kLimit) {
        throw std::invalid_argument("picture size " + std::to_string(width) + " x " +
                                    std::to_string(height) + " cannot be stored");
    }
}

void RequireIndexed(const IndexedImage& image, std::size_t paletteLimit) {
    RequireSize(image.indices.width, image.indices.height);
    if (image.indices.pixels.size() !=
        static_cast<std::size_t>(image.indices.width) *
            static_cast<std::size_t>(image.indices.height)) {
        throw std::invalid_argument("pixel count does not match the picture size");
    }
    if (image.palette.empty() || image.palette.size() > paletteLimit) {
        throw std::invalid_argument("palette of " + std::to_string(image.palette.size()) +
                                    " colours does not fit " + std::to_string(paletteLimit) +
                                    " entries");
    }
    for (std::uint8_t index : image.indices.pixels) {
        if (index >= image.palette.size()) {
            throw std::invalid_argument("pixel index " + std::to_string(index) +
                                        " is past the palette");
        }
    }
}

// BITMAPINFOHEADER. `storedHeight` is the picture height, doubled for icons.
void WriteInfoHeader(ByteWriter& w, int width, int storedHeight, int bitsPerPixel,
                     std::int32_t pixelsPerMetre) {
    w.U32(40);
    w.I32(width);
    w.I32(storedHeight);  // positive: rows run bottom-up
    w.U16(1);             // planes
    w.U16(static_cast<std::uint16_t>(bitsPerPixel));
    w.U32(0);  // BI_RGB, no compression
    w.U32(0);  // image size, may be 0 for BI_RGB
    w.I32(pixelsPerMetre);
    w.I32(pixelsPerMetre);
    w.U32(0);  // colours used: all 2^bits
    w.U32(0);  // important colours: all
}

void WritePalette(ByteWriter& w, const std::vector<Rgb>& palette, std::size_t entries) {
    for (std::size_t i = 0; i < entries; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{};
        w.U8(c.b);
        w.U8(c.g);
        w.U8(c.r);
        w.U8(0);
    }
}

// Index rows packed at 4 or 8 bits, bottom row first, each padded to 4 bytes.
void WriteIndexRows(Bytes& out, const Raster<std::uint8_t>& indices, int bitsPerPixel) {
    const std::uint32_t stride = BitmapRowStride(indices.width, bitsPerPixel);
    for (int y = indices.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        out.resize(rowStart + stride, 0);
        for (int x = 0; x < indices.width; ++x) {
            const std::uint8_t index = indices.at(x, y);
            const auto ux = static_cast<std::size_t>(x);
            if (bitsPerPixel == 8) {
                out[rowStart + ux] = index;
            } else {
                // Left pixel in the high nibble.
                const int shift = (x % 2 == 0) ? 4 : 0;
                out[rowStart + ux / 2] |= static_cast<std::uint8_t>((index & 0x0Fu) << shift);
            }
        }
    }
}

}  // namespace

std::uint32_t BitmapRowStride(int width, int bitsPerPixel) {
    const auto bits = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bitsPerPixel);
    return ((bits + 31u) / 32u) * 4u;
}

std::uint32_t BitmapFileSize(int width, int height, int bitsPerPixel) {
    const std::uint32_t paletteBytes =
        bitsPerPixel <= 8 ? (1u << static_cast<unsigned>(bitsPerPixel)) * 4u : 0u;
    return kBitmapHeadersSize + paletteBytes +
           BitmapRowStride(width, bitsPerPixel) * static_cast<std::uint32_t>(height);
}

Bytes EncodeBitmap24(const RgbImage& image) {
    RequireSize(image.width, image.height);
    if (image.pixels.size() !=
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        throw std::invalid_argument("pixel count does not match the picture size");
    }
    Bytes out;
    out.reserve(BitmapFileSize(image.width, image.height, 24));
    ByteWriter w(out);
    w.U8('B');
    w.U8('M');
    w.U32(BitmapFileSize(image.width, image.height, 24));
    w.U16(0);
    w.U16(0);
    w.U32(kBitmapHeadersSize);
    WriteInfoHeader(w, image.width, image.height, 24, kPixelsPerMetre);

    const std::uint32_t stride = BitmapRowStride(image.width, 24);
    const std::uint32_t used = static_cast<std::uint32_t>(image.width) * 3u;
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb c = image.at(x, y);
            w.U8(c.b);
            w.U8(c.g);
            w.U8(c.r);
        }
        w.Zeros(stride - used);
    }
    return out;
}

Bytes EncodeBitmapIndexed(const IndexedImage& image, int bitsPerPixel) {
    if (bitsPerPixel != 4 && bitsPerPixel != 8) {
        throw std::invalid_argument("palette bitmaps are stored at 4 or 8 bits per pixel");
    }
    const std::size_t entries = std::size_t{1} << static_cast<unsigned>(bitsPerPixel);
    RequireIndexed(image, entries);
    const int width = image.indices.width;
    const int height = image.indices.height;

    Bytes out;
    out.reserve(BitmapFileSize(width, height, bitsPerPixel));
    ByteWriter w(out);
    w.U8('B');
    w.U8('M');
    w.U32(BitmapFileSize(width, height, bitsPerPixel));
    w.U16(0);
    w.U16(0);
    w.U32(kBitmapHeadersSize + static_cast<std::uint32_t>(entries) * 4u);
    WriteInfoHeader(w, width, height, bitsPerPixel, kPixelsPerMetre);
    WritePalette(w, image.palette, entries);
    WriteIndexRows(out, image.indices, bitsPerPixel);
    return out;
}

Bytes EncodeIcon(const IndexedImage& image, const std::vector<bool>& transparent) {
    RequireIndexed(image, kIconColours);
    if (image.indices.width != kIconSide || image.indices.height != kIconSide) {
        throw std::invalid_argument("the icon image must be 32 x 32");
    }
    if (transparent.size() != image.indices.pixels.size()) {
        throw std::invalid_argument("the transparency mask does not match the icon");
    }

    // Transparent pixels are stored as index 0 so the XOR part leaves the
    // screen alone.
    Raster<std::uint8_t> colours = image.indices;
    for (std::size_t i = 0; i < colours.pixels.size(); ++i) {
        if (transparent[i]) colours.pixels[i] = 0;
    }

    constexpr std::uint32_t kDirectorySize = 6 + 16;
    const std::uint32_t colourBytes = BitmapRowStride(kIconSide, 4) * kIconSide;
    const std::uint32_t maskBytes = BitmapRowStride(kIconSide, 1) * kIconSide;
    const std::uint32_t imageBytes = 40 + kIconColours * 4 + colourBytes + maskBytes;

    Bytes out;
    out.reserve(kDirectorySize + imageBytes);
    ByteWriter w(out);
    // ICONDIR
    w.U16(0);  // reserved
    w.U16(1);  // type: icon
    w.U16(1);  // one image
    // ICONDIRENTRY
    w.U8(kIconSide);
    w.U8(kIconSide);
    w.U8(kIconColours);
    w.U8(0);   // reserved
    w.U16(1);  // planes
    w.U16(4);  // bits per pixel
    w.U32(imageBytes);
    w.U32(kDirectorySize);
    // The image: header with doubled height (colour rows, then mask rows).
    // Icons carry no resolution.
    WriteInfoHeader(w, kIconSide, kIconSide * 2, 4, 0);
    WritePalette(w, image.palette, kIconColours);
    WriteIndexRows(out, colours, 4);

    const std::uint32_t maskStride = BitmapRowStride(kIconSide, 1);
    for (int y = kIconSide - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        out.resize(rowStart + maskStride, 0);
        for (int x = 0; x < kIconSide; ++x) {
            if (transparent[static_cast<std::size_t>(y * kIconSide + x)]) {
                out[rowStart + static_cast<std::size_t>(x / 8)] |=
                    static_cast<std::uint8_t>(0x80u >> static_cast<unsigned>(x % 8));
            }
        }
    }
    return out;
}

Bytes EncodePpm(const RgbImage& image) {
    if (image.width <= 0 || image.height <= 0) throw std::invalid_argument("empty picture");
    const std::string header = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    Bytes out(header.begin(), header.end());
    out.reserve(header.size() + image.pixels.size() * 3);
    for (const Rgb& p : image.pixels) {
        out.push_back(p.r);
        out.push_back(p.g);
        out.push_back(p.b);
    }
    return out;
}

}  // namespace artwork
