#pragma once

// The elements a form holds. Windowless ones (image, line, shape, label,
// picture box) are painted by their form; check boxes, option buttons and
// command buttons are native controls. Property setters that change what is
// on the screen tell the form, which repaints only the area that changed.

#include <functional>
#include <string>

#include "platform/Layout.h"
#include "platform/Types.h"

namespace platform {

class Canvas;
class Form;

class Element {
public:
    Element(Form& form, const ElementLayout& layout, const Element* container);
    virtual ~Element() = default;
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    const char* Name() const { return layout_.name; }
    ElementKind Kind() const { return layout_.kind; }
    const ElementLayout& Layout() const { return layout_; }
    const Element* Container() const { return container_; }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Position of the box's top-left corner in the form's client area, twips.
    double FormLeft() const;
    double FormTop() const;

    bool IsControl() const;
    // The device pixels this element may paint; empty for controls and timers.
    virtual PixelRect Bounds() const;
    virtual void Paint(Canvas&) const {}
    // Back to the values of the layout (a form that is loaded again starts afresh).
    virtual void Reset() { visible_ = layout_.visible; }
    // The layout box in device pixels.
    PixelRect BoxBounds() const;

protected:
    // Call before a change that alters Bounds() or the pixels inside them.
    void WillChange();

    Form& form_;
    ElementLayout layout_;
    const Element* container_;
    bool visible_;
};

class Timer final : public Element {
public:
    using Element::Element;
    int Interval() const { return layout_.interval; }
    PixelRect Bounds() const override { return {}; }
    std::function<void()> Tick;
};

class Image final : public Element {
public:
    using Element::Element;
    void Paint(Canvas& canvas) const override;
    PixelRect Bounds() const override;
    // Pointer position relative to the image's top-left corner, twips.
    std::function<void(int button, int shift, float x, float y)> MouseDown;
    std::function<void(int button, int shift, float x, float y)> MouseMove;
    std::function<void(int button, int shift, float x, float y)> MouseUp;
};

class Line final : public Element {
public:
    Line(Form& form, const ElementLayout& layout, const Element* container);
    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void SetX2(double x);
    void SetY2(double y);
    PixelRect Bounds() const override;
    void Paint(Canvas& canvas) const override;
    void Reset() override;

private:
    double x1_, y1_, x2_, y2_;
};

class Shape final : public Element {
public:
    using Element::Element;
    PixelRect Bounds() const override;
    void Paint(Canvas& canvas) const override;
};

class Label final : public Element {
public:
    using Element::Element;
    // Text wider than its label (a fallback face may run wider) spreads
    // evenly past both ends rather than being cut off.
    PixelRect Bounds() const override;
    void Paint(Canvas& canvas) const override;
};

class PictureBox final : public Element {
public:
    using Element::Element;
    void Paint(Canvas& canvas) const override;
};

class CheckBox final : public Element {
public:
    using Element::Element;
    int Value() const { return value_; }
    // 0 unchecked, 1 checked. A change runs Click.
    void SetValue(int value);
    void Reset() override;
    std::function<void()> Click;

private:
    friend class Form;
    int value_ = 0;
};

class OptionButton final : public Element {
public:
    using Element::Element;
    bool Value() const { return value_; }
    // Selecting one clears the others of its container and runs its Click.
    void SetValue(bool value);
    void Reset() override;
    std::function<void()> Click;

private:
    friend class Form;
    bool value_ = false;
};

class CommandButton final : public Element {
public:
    using Element::Element;
    std::function<void()> Click;
};

}  // namespace platform
