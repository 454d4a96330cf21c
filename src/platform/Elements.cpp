#include "platform/Elements.h"

#include <algorithm>
#include <cmath>

#include "platform/Canvas.h"
#include "platform/Form.h"

namespace platform {

Element::Element(Form& form, const ElementLayout& layout, const Element* container)
    : form_(form), layout_(layout), container_(container), visible_(layout.visible) {}

void Element::SetVisible(bool visible) {
    if (visible == visible_) return;
    WillChange();
    visible_ = visible;
}

double Element::FormLeft() const { return layout_.left + (container_ ? container_->FormLeft() : 0.0); }
double Element::FormTop() const { return layout_.top + (container_ ? container_->FormTop() : 0.0); }

bool Element::IsControl() const {
    return layout_.kind == ElementKind::CheckBox || layout_.kind == ElementKind::OptionButton ||
           layout_.kind == ElementKind::CommandButton;
}

PixelRect Element::Bounds() const {
    if (IsControl()) return {};
    return BoxBounds();
}

PixelRect Element::BoxBounds() const {
    int left = form_.PixelsX(FormLeft());
    int top = form_.PixelsY(FormTop());
    return {left, top, form_.PixelsX(FormLeft() + layout_.width), form_.PixelsY(FormTop() + layout_.height)};
}

void Element::WillChange() { form_.NoteChange(*this); }

// Pictures are drawn at their design size, 15 twips to each of their pixels,
// so that they stay in step with the layout at any display scale.
PixelRect Image::Bounds() const {
    if (!layout_.picture) return BoxBounds();
    auto size = artwork::SizeOf(*layout_.picture);
    int left = form_.PixelsX(FormLeft());
    int top = form_.PixelsY(FormTop());
    return {left, top, left + form_.ScaledX(size.width), top + form_.ScaledY(size.height)};
}

void Image::Paint(Canvas& canvas) const {
    if (!layout_.picture) return;
    PixelRect box = Bounds();
    canvas.DrawPicture(*layout_.picture, box.left, box.top, box.Width(), box.Height());
}

Line::Line(Form& form, const ElementLayout& layout, const Element* container)
    : Element(form, layout, container), x1_(layout.x1), y1_(layout.y1), x2_(layout.x2), y2_(layout.y2) {}

void Line::SetX2(double x) {
    if (x == x2_) return;
    WillChange();
    x2_ = x;
}

void Line::SetY2(double y) {
    if (y == y2_) return;
    WillChange();
    y2_ = y;
}

void Line::Reset() {
    Element::Reset();
    x1_ = layout_.x1;
    y1_ = layout_.y1;
    x2_ = layout_.x2;
    y2_ = layout_.y2;
}

PixelRect Line::Bounds() const {
    double offsetX = container_ ? container_->FormLeft() : 0.0;
    double offsetY = container_ ? container_->FormTop() : 0.0;
    int ax = form_.PixelsX(x1_ + offsetX), ay = form_.PixelsY(y1_ + offsetY);
    int bx = form_.PixelsX(x2_ + offsetX), by = form_.PixelsY(y2_ + offsetY);
    // A wide pen with round ends reaches half its width past each end point;
    // one more pixel covers the rasteriser's rounding.
    int reach = form_.ScaledX(layout_.lineWidth) / 2 + 2;
    return {std::min(ax, bx) - reach, std::min(ay, by) - reach, std::max(ax, bx) + reach + 1,
            std::max(ay, by) + reach + 1};
}

void Line::Paint(Canvas& canvas) const {
    double offsetX = container_ ? container_->FormLeft() : 0.0;
    double offsetY = container_ ? container_->FormTop() : 0.0;
    canvas.DrawLine(form_.PixelsX(x1_ + offsetX), form_.PixelsY(y1_ + offsetY), form_.PixelsX(x2_ + offsetX),
                    form_.PixelsY(y2_ + offsetY), layout_.color, std::max(1, form_.ScaledX(layout_.lineWidth)));
}

PixelRect Shape::Bounds() const {
    PixelRect box = BoxBounds();
    return {box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
}

void Shape::Paint(Canvas& canvas) const {
    canvas.DrawEllipse(BoxBounds(), layout_.color, layout_.outline, std::max(1, form_.ScaledX(1)));
}

PixelRect Label::Bounds() const {
    PixelRect box = BoxBounds();
    return {box.left - box.Width(), box.top, box.right + box.Width(), box.bottom};
}

void Label::Paint(Canvas& canvas) const {
    if (!layout_.font) return;
    // A point is 20 twips.
    int emHeight = form_.PixelsY(layout_.font->points * 20.0);
    canvas.DrawText(layout_.caption, BoxBounds(), *layout_.font, emHeight, layout_.color);
}

void PictureBox::Paint(Canvas& canvas) const {
    if (!layout_.picture) return;
    auto size = artwork::SizeOf(*layout_.picture);
    PixelRect box = BoxBounds();
    canvas.DrawPicture(*layout_.picture, box.left, box.top, form_.ScaledX(size.width), form_.ScaledY(size.height));
}

void CheckBox::SetValue(int value) {
    value = value != 0 ? 1 : 0;
    if (value == value_) return;
    value_ = value;
    form_.ControlStateChanged(*this);
    if (Click) Click();
}

void CheckBox::Reset() {
    Element::Reset();
    value_ = 0;
}

void OptionButton::SetValue(bool value) {
    if (value == value_) return;
    value_ = value;
    form_.ControlStateChanged(*this);
    if (value) {
        form_.OptionSelected(*this);
        if (Click) Click();
    }
}

void OptionButton::Reset() {
    Element::Reset();
    value_ = false;
}

}  // namespace platform
