#pragma once

// A form's off-screen buffer and the canvas that draws into it. A paint
// renders the changed area here, a band of rows at a time (platform/Bands.h),
// and copies each band to the window in one BitBlt, so the window never
// shows a half-drawn frame.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/win32/Gdi_win.h"
#include "platform/win32/Pictures_win.h"

namespace platform::win32 {

class BufferCanvas final : public Canvas {
public:
    explicit BufferCanvas(Pictures& pictures) : pictures_(pictures) {}
    BufferCanvas(const BufferCanvas&) = delete;
    BufferCanvas& operator=(const BufferCanvas&) = delete;
    ~BufferCanvas();

    // Makes sure the buffer is width x rows pixels; returns its DC.
    HDC Prepare(HDC windowDc, int width, int rows);
    // Points the buffer's first row at client row top: what is drawn in
    // client coordinates from here on lands in the buffer.
    void StartBand(int top);
    HDC Dc() const { return dc_; }
    // Lets go of the buffer, pens and fonts, as at a change of display scale.
    void Forget();

    void SetClip(const PixelRect& area) override;
    void FillRect(const PixelRect& area, ColorRef color) override;
    void DrawPicture(artwork::Picture picture, int x, int y, int width, int height) override;
    void DrawLine(int x1, int y1, int x2, int y2, ColorRef color, int width) override;
    void DrawEllipse(const PixelRect& box, ColorRef fill, ColorRef outline, int outlineWidth) override;
    void DrawText(std::string_view utf8, const PixelRect& box, const FontDesc& font, int emHeight,
                  ColorRef color) override;

    // Text is never set smaller than this, in pixels of the em square.
    static constexpr int kSmallestText = 9;

private:
    HPEN PenFor(ColorRef color, int width);
    HBRUSH BrushFor(ColorRef color);
    HFONT FontFor(const FontDesc& font, int emHeight);
    void ReleaseBuffer();

    struct CachedPen {
        ColorRef color;
        int width;
        Pen pen;
    };
    struct CachedBrush {
        ColorRef color;
        Brush brush;
    };
    struct CachedFont {
        std::string face;
        int emHeight;
        bool italic;
        Font font;
    };

    Pictures& pictures_;
    HDC dc_ = nullptr;  // memory DC holding buffer_
    Bitmap buffer_;
    HGDIOBJ originalBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    RECT clip_{};
    std::vector<CachedPen> pens_;
    std::vector<CachedBrush> brushes_;
    std::vector<CachedFont> fonts_;
};

}  // namespace platform::win32
