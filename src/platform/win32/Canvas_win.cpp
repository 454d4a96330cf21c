#include "platform/win32/Canvas_win.h"

#include "platform/win32/Fonts_win.h"
#include "platform/win32/Text_win.h"

namespace platform::win32 {

BufferCanvas::~BufferCanvas() { ReleaseBuffer(); }

void BufferCanvas::ReleaseBuffer() {
    if (dc_) {
        ::SelectObject(dc_, originalBitmap_);
        ::DeleteDC(dc_);
        --liveGdiObjects;
        dc_ = nullptr;
    }
    buffer_.Reset();
    width_ = height_ = 0;
}

void BufferCanvas::Forget() {
    ReleaseBuffer();
    pens_.clear();
    fonts_.clear();
}

HDC BufferCanvas::Prepare(HDC windowDc, int width, int rows) {
    if (dc_ && width == width_ && rows == height_) return dc_;
    ReleaseBuffer();
    dc_ = ::CreateCompatibleDC(windowDc);
    if (!dc_) return nullptr;
    ++liveGdiObjects;
    buffer_ = Bitmap(::CreateCompatibleBitmap(windowDc, width, rows));
    if (!buffer_) {
        ReleaseBuffer();
        return nullptr;
    }
    originalBitmap_ = ::SelectObject(dc_, buffer_.Get());
    width_ = width;
    height_ = rows;
    return dc_;
}

void BufferCanvas::StartBand(int top) { ::SetViewportOrgEx(dc_, 0, -top, nullptr); }

void BufferCanvas::SetClip(const PixelRect& area) {
    clip_ = {area.left, area.top, area.right, area.bottom};
    ::SelectClipRgn(dc_, nullptr);
    ::IntersectClipRect(dc_, area.left, area.top, area.right, area.bottom);
}

void BufferCanvas::FillRect(const PixelRect& area, ColorRef color) {
    RECT r{area.left, area.top, area.right, area.bottom};
    ::FillRect(dc_, &r, BrushFor(color));
}

void BufferCanvas::DrawPicture(artwork::Picture picture, int x, int y, int width, int height) {
    pictures_.Draw(dc_, picture, x, y, width, height, clip_);
}

void BufferCanvas::DrawLine(int x1, int y1, int x2, int y2, ColorRef color, int width) {
    Selection pen(dc_, PenFor(color, width));
    ::MoveToEx(dc_, x1, y1, nullptr);
    ::LineTo(dc_, x2, y2);
    // A thin line leaves out its last pixel; the hand reaches its end point.
    if (width == 1) ::SetPixelV(dc_, x2, y2, color);
}

void BufferCanvas::DrawEllipse(const PixelRect& box, ColorRef fill, ColorRef outline, int outlineWidth) {
    Selection pen(dc_, PenFor(outline, outlineWidth));
    Selection brush(dc_, BrushFor(fill));
    ::Ellipse(dc_, box.left, box.top, box.right, box.bottom);
}

void BufferCanvas::DrawText(std::string_view utf8, const PixelRect& box, const FontDesc& font, int emHeight,
                            ColorRef color) {
    std::wstring text = Wide(utf8);
    // A fallback face may run wider than the one the layout was made with:
    // the text is set a size smaller until it fits its label.
    int size = emHeight;
    for (; size > kSmallestText; --size) {
        Selection trial(dc_, FontFor(font, size));
        SIZE extent{};
        ::GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &extent);
        if (extent.cx <= box.Width()) break;
    }
    Selection selected(dc_, FontFor(font, size));
    SavedDC saved(dc_);
    ::SetBkMode(dc_, TRANSPARENT);
    ::SetTextColor(dc_, color);
    RECT r{box.left, box.top, box.right, box.bottom};
    ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

HPEN BufferCanvas::PenFor(ColorRef color, int width) {
    for (auto& cached : pens_) {
        if (cached.color == color && cached.width == width) return cached.pen.Get();
    }
    // Wide pens have round ends and joins.
    pens_.push_back({color, width, Pen(::CreatePen(PS_SOLID, width, color))});
    return pens_.back().pen.Get();
}

HBRUSH BufferCanvas::BrushFor(ColorRef color) {
    for (auto& cached : brushes_) {
        if (cached.color == color) return cached.brush.Get();
    }
    brushes_.push_back({color, Brush(::CreateSolidBrush(color))});
    return brushes_.back().brush.Get();
}

HFONT BufferCanvas::FontFor(const FontDesc& font, int emHeight) {
    for (auto& cached : fonts_) {
        if (cached.face == font.face && cached.emHeight == emHeight && cached.italic == font.italic) {
            return cached.font.Get();
        }
    }
    fonts_.push_back({font.face, emHeight, font.italic, MakeFont(dc_, font, emHeight)});
    return fonts_.back().font.Get();
}

}  // namespace platform::win32
