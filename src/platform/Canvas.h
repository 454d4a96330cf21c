#pragma once

// Where a form paints its windowless elements. Coordinates are device pixels
// in the window's client area. The Windows layer draws into an off-screen
// buffer that it copies to the window once per paint.

#include <string_view>

#include "artwork/Pictures.h"
#include "platform/Layout.h"
#include "platform/Types.h"

namespace platform {

class Canvas {
public:
    // Everything drawn after this call stays inside area (and the paint area).
    virtual void SetClip(const PixelRect& area) = 0;
    virtual void FillRect(const PixelRect& area, ColorRef color) = 0;
    // The picture scaled to width x height with its top-left corner at (x, y).
    virtual void DrawPicture(artwork::Picture picture, int x, int y, int width, int height) = 0;
    // A solid pen of the given width, round ends, no raster mixing.
    virtual void DrawLine(int x1, int y1, int x2, int y2, ColorRef color, int width) = 0;
    // An ellipse inscribed in box: filled, with a solid outline.
    virtual void DrawEllipse(const PixelRect& box, ColorRef fill, ColorRef outline, int outlineWidth) = 0;
    // One line of text centred across box on a transparent background; text
    // wider than box runs past both its ends.
    virtual void DrawText(std::string_view utf8, const PixelRect& box, const FontDesc& font, int emHeight,
                          ColorRef color) = 0;

protected:
    ~Canvas() = default;
};

}  // namespace platform
