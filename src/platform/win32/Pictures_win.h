#pragma once

// The pictures, read in place from the program's resources (the stored bitmap
// files, byte for byte). Drawn 1:1 they are copied straight from there; at
// other display scales, and for pictures with a see-through grey, a copy at
// the display's scale is made once and kept. Above 100% that copy comes from
// the rendition made for the scale (a PNG, decoded then), or for another
// scale from the next larger rendition, scaled down smoothly.

#include <windows.h>

#include <array>

#include "artwork/Pictures.h"
#include "platform/win32/Gdi_win.h"
#include "platform/win32/ImageDecoder_win.h"

namespace platform::win32 {

class Pictures {
public:
    explicit Pictures(HINSTANCE instance);
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;

    // Draws the picture scaled to width x height at (x, y), only inside clip.
    void Draw(HDC dc, artwork::Picture picture, int x, int y, int width, int height, const RECT& clip);

private:
    struct Entry {
        const BITMAPINFO* info = nullptr;  // inside the resource; null if it is unusable
        const void* bits = nullptr;
        int width = 0;
        int height = 0;
        Bitmap scaled;  // a copy at the display's scale, made on first use
        Bitmap mask;    // for a see-through grey: set where the picture is drawn
        int scaledWidth = 0;
        int scaledHeight = 0;
    };

    void Load(HINSTANCE instance, artwork::Picture picture, int resourceId);
    static void MakeMask(HDC dc, Entry& entry);
    // The copy at width x height made from a rendition, or an empty Bitmap
    // when the stored picture serves as well or no rendition can be decoded.
    Bitmap FromRendition(HDC dc, artwork::Picture picture, int width, int height);
    Entry& At(artwork::Picture picture) { return entries_[static_cast<std::size_t>(picture)]; }

    HINSTANCE instance_;
    std::array<Entry, 6> entries_;
    ImageDecoder decoder_;
};

}  // namespace platform::win32
