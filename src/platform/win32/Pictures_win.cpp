#include "platform/win32/Pictures_win.h"

#include <algorithm>
#include <cstring>

#include "artwork/resource_ids.h"

namespace platform::win32 {

namespace {

// MaskBlt's four-operand raster operation MAKEROP4(SRCCOPY, keep the
// destination): copy where the mask is set, leave the rest untouched.
constexpr DWORD kCopyWhereMasked = 0xAACC0020;

}  // namespace

Pictures::Pictures(HINSTANCE instance) : instance_(instance) {
    Load(instance, artwork::Picture::LargeFace, IDR_LARGE_FACE);
    Load(instance, artwork::Picture::SmallFace, IDR_SMALL_FACE);
    Load(instance, artwork::Picture::Blink, IDR_BLINK);
    Load(instance, artwork::Picture::DialogBackground, IDR_DIALOG_BACKGROUND);
    Load(instance, artwork::Picture::Title, IDR_TITLE);
    Load(instance, artwork::Picture::Portrait, IDR_PORTRAIT);
}

// Checks the stored file before trusting any offset in it: a picture that
// does not hold together is simply not drawn.
void Pictures::Load(HINSTANCE instance, artwork::Picture picture, int resourceId) {
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return;
    HGLOBAL loaded = ::LoadResource(instance, found);
    DWORD size = ::SizeofResource(instance, found);
    const auto* bytes = static_cast<const unsigned char*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!bytes || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return;

    // Copied out: the header stands 14 bytes in, off its natural alignment.
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    std::memcpy(&file, bytes, sizeof file);
    std::memcpy(&header, bytes + sizeof file, sizeof header);
    if (file.bfType != 0x4D42 || file.bfOffBits >= size || header.biSize < sizeof(BITMAPINFOHEADER)) return;
    if (header.biWidth <= 0 || header.biHeight <= 0 || header.biPlanes != 1 || header.biCompression != BI_RGB) {
        return;
    }
    WORD depth = header.biBitCount;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return;
    // The header and the palette end before the pixels begin.
    unsigned long long colours = depth <= 8 ? (header.biClrUsed ? header.biClrUsed : 1ULL << depth) : 0;
    if (depth <= 8 && colours > (1ULL << depth)) return;
    if (sizeof file + static_cast<unsigned long long>(header.biSize) + colours * sizeof(RGBQUAD) > file.bfOffBits) {
        return;
    }
    auto stride = ((static_cast<unsigned long long>(header.biWidth) * depth + 31) / 32) * 4;
    if (stride * static_cast<unsigned long long>(header.biHeight) > size - file.bfOffBits) return;

    Entry& entry = At(picture);
    entry.info = reinterpret_cast<const BITMAPINFO*>(bytes + sizeof file);
    entry.bits = bytes + file.bfOffBits;
    entry.width = header.biWidth;
    entry.height = header.biHeight;
}

// A one-bit mask of the scaled copy: set everywhere but on the dialog grey.
void Pictures::MakeMask(HDC dc, Entry& entry) {
    entry.mask = Bitmap(::CreateBitmap(entry.scaledWidth, entry.scaledHeight, 1, 1, nullptr));
    if (!entry.mask) return;
    MemoryDC colour(dc);
    MemoryDC mask(dc);
    Selection selectColour(colour.Get(), entry.scaled.Get());
    Selection selectMask(mask.Get(), entry.mask.Get());
    // Copying colour to one bit gives 1 where a pixel equals the background
    // colour and 0 elsewhere; inverting it makes the grey the clear part.
    ::SetBkColor(colour.Get(), artwork::kSeeThroughGrey);
    ::BitBlt(mask.Get(), 0, 0, entry.scaledWidth, entry.scaledHeight, colour.Get(), 0, 0, NOTSRCCOPY);
}

Bitmap Pictures::FromRendition(HDC dc, artwork::Picture picture, int width, int height) {
    int percent = artwork::RenditionFor(picture, width, height);
    if (percent == 100) return {};
    int chosen = 0;
    while (artwork::kRenditionScales[chosen] != percent) ++chosen;
    artwork::PictureSize size = artwork::RenditionSize(picture, percent);
    int resourceId = IDR_RENDITIONS + 10 * static_cast<int>(picture) + chosen;
    HRSRC found = ::FindResourceW(instance_, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? ::LoadResource(instance_, found) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    Bitmap rendition = decoder_.Decode(bytes, found ? ::SizeofResource(instance_, found) : 0, size.width, size.height);
    if (!rendition || (size.width == width && size.height == height)) return rendition;

    Bitmap scaled(::CreateCompatibleBitmap(dc, width, height));
    if (!scaled) return {};
    MemoryDC from(dc);
    MemoryDC to(dc);
    Selection selectFrom(from.Get(), rendition.Get());
    Selection selectTo(to.Get(), scaled.Get());
    // As below: smooth, except where the grey must stay exact.
    ::SetStretchBltMode(to.Get(), artwork::GreyIsSeeThrough(picture) ? COLORONCOLOR : HALFTONE);
    ::SetBrushOrgEx(to.Get(), 0, 0, nullptr);
    ::StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, size.width, size.height, SRCCOPY);
    return scaled;
}

void Pictures::Draw(HDC dc, artwork::Picture picture, int x, int y, int width, int height, const RECT& clip) {
    Entry& entry = At(picture);
    if (!entry.info || width <= 0 || height <= 0) return;

    RECT target{x, y, x + width, y + height};
    RECT area;
    if (!::IntersectRect(&area, &target, &clip)) return;
    int areaWidth = area.right - area.left;
    int areaHeight = area.bottom - area.top;

    bool seeThrough = artwork::GreyIsSeeThrough(picture);
    if (width == entry.width && height == entry.height && !seeThrough) {
        // Rows are stored bottom-up, so the source rectangle is measured from the bottom.
        int top = area.top - y;
        ::SetDIBitsToDevice(dc, area.left, area.top, static_cast<DWORD>(areaWidth), static_cast<DWORD>(areaHeight),
                            area.left - x, entry.height - top - areaHeight, 0, static_cast<UINT>(entry.height),
                            entry.bits, entry.info, DIB_RGB_COLORS);
        return;
    }

    if (!entry.scaled || entry.scaledWidth != width || entry.scaledHeight != height) {
        entry.mask.Reset();
        entry.scaled = FromRendition(dc, picture, width, height);
        entry.scaledWidth = width;
        entry.scaledHeight = height;
    }
    if (!entry.scaled) {
        entry.scaled = Bitmap(::CreateCompatibleBitmap(dc, width, height));
        if (!entry.scaled) return;
        MemoryDC scaling(dc);
        Selection select(scaling.Get(), entry.scaled.Get());
        // Smooth scaling, except for pictures with a see-through grey, whose
        // grey must stay exact.
        ::SetStretchBltMode(scaling.Get(), artwork::GreyIsSeeThrough(picture) ? COLORONCOLOR : HALFTONE);
        ::SetBrushOrgEx(scaling.Get(), 0, 0, nullptr);
        ::StretchDIBits(scaling.Get(), 0, 0, width, height, 0, 0, entry.width, entry.height, entry.bits, entry.info,
                        DIB_RGB_COLORS, SRCCOPY);
        entry.scaledWidth = width;
        entry.scaledHeight = height;
    }
    // Made once the copy is no longer selected into the scaling DC.
    if (seeThrough && !entry.mask) MakeMask(dc, entry);
    MemoryDC source(dc);
    Selection select(source.Get(), entry.scaled.Get());
    if (seeThrough && entry.mask) {
        // Source where the mask is set, the destination where the grey was.
        ::MaskBlt(dc, area.left, area.top, areaWidth, areaHeight, source.Get(), area.left - x, area.top - y,
                  entry.mask.Get(), area.left - x, area.top - y, kCopyWhereMasked);
    } else {
        ::BitBlt(dc, area.left, area.top, areaWidth, areaHeight, source.Get(), area.left - x, area.top - y, SRCCOPY);
    }
}

}  // namespace platform::win32
