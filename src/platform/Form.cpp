#include "platform/Form.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/Numbers.h"
#include "platform/Scale.h"

namespace platform {

namespace {

// The controls' font (check boxes, option buttons, command buttons), points.
constexpr double kControlFontPoints = 9;

std::unique_ptr<Element> MakeElement(Form& form, const ElementLayout& layout, const Element* container) {
    switch (layout.kind) {
    case ElementKind::Timer: return std::make_unique<Timer>(form, layout, container);
    case ElementKind::Image: return std::make_unique<Image>(form, layout, container);
    case ElementKind::Line: return std::make_unique<Line>(form, layout, container);
    case ElementKind::Shape: return std::make_unique<Shape>(form, layout, container);
    case ElementKind::Label: return std::make_unique<Label>(form, layout, container);
    case ElementKind::PictureBox: return std::make_unique<PictureBox>(form, layout, container);
    case ElementKind::CheckBox: return std::make_unique<CheckBox>(form, layout, container);
    case ElementKind::OptionButton: return std::make_unique<OptionButton>(form, layout, container);
    case ElementKind::CommandButton: return std::make_unique<CommandButton>(form, layout, container);
    }
    throw std::logic_error("unknown element kind");
}

bool Paints(const Element& element) {
    return element.Kind() != ElementKind::Timer && !element.IsControl();
}

}  // namespace

Form::Form(WindowSystem& ui, FormLayout layout) : ui_(ui), layout_(std::move(layout)) {
    for (const ElementLayout& element : layout_.elements) {
        const Element* container = element.container ? &Find(element.container) : nullptr;
        elements_.push_back(MakeElement(*this, element, container));
    }
}

Form::~Form() {
    if (Loaded()) ui_.DestroyFormWindow(window_);
}

Element& Form::Find(std::string_view name) const {
    for (const auto& element : elements_) {
        if (name == element->Name()) return *element;
    }
    throw std::logic_error("no element " + std::string(name) + " on form " + layout_.name);
}

void Form::Load() {
    if (Loaded()) return;
    tppX_ = ui_.TwipsPerPixelX();
    tppY_ = ui_.TwipsPerPixelY();
    for (auto& element : elements_) element->Reset();
    pending_.clear();
    visible_ = false;
    activatedSinceShown_ = false;
    window_ = ui_.CreateFormWindow(layout_, *this);
    if (!Loaded()) return;
    tppX_ = tppY_ = toldTpp_ = ui_.WindowTwipsPerPixel(window_);
    CreateControls();
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        auto& element = *elements_[i];
        if (element.Kind() == ElementKind::Timer && element.Layout().interval > 0) {
            ui_.StartTimer(window_, static_cast<int>(i) + 1, element.Layout().interval);
        }
    }
    if (Form_Load) Form_Load();
    Flush();
}

// The native controls, and a picture box that is a tab stop: it takes the
// focus (and does nothing with keys), so it needs a window of its own.
// Creation order is tab order.
std::vector<int> Form::ControlsInTabOrder() const {
    std::vector<int> order;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const Element& element = *elements_[i];
        bool focusable = element.Kind() == ElementKind::PictureBox && element.Layout().tabIndex >= 0;
        if (element.IsControl() || focusable) order.push_back(static_cast<int>(i));
    }
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return elements_[static_cast<std::size_t>(a)]->Layout().tabIndex <
               elements_[static_cast<std::size_t>(b)]->Layout().tabIndex;
    });
    return order;
}

ControlDescription Form::Describe(int index) const {
    const Element& control = *elements_[static_cast<std::size_t>(index)];
    ControlDescription desc;
    desc.controlId = index + 1;
    desc.name = control.Name();
    desc.kind = control.Kind();
    desc.caption = control.Layout().caption;
    desc.box = control.BoxBounds();
    desc.backColor = control.Layout().backColor;
    desc.tabIndex = control.Layout().tabIndex;
    desc.fontHeight = PixelsY(kControlFontPoints * 20.0);  // a point is 20 twips
    return desc;
}

void Form::CreateControls() {
    ElementKind previous = ElementKind::Timer;
    for (int index : ControlsInTabOrder()) {
        ControlDescription desc = Describe(index);
        // Option buttons in a row of the tab order form one group; every
        // other control starts a group of its own.
        desc.groupStart = desc.kind != ElementKind::OptionButton || previous != ElementKind::OptionButton;
        previous = desc.kind;
        ui_.CreateControl(window_, desc);
    }
}

void Form::Show(ShowMode mode) {
    if (!Loaded()) Load();
    if (!Loaded()) return;
    Flush();
    if (!visible_) {
        visible_ = true;
        activatedSinceShown_ = false;
        ui_.ShowWindow(window_);
    }
    if (mode == ShowMode::Modal && Loaded() && visible_) {
        ui_.RunModal(window_, [this] { return Loaded() && visible_; });
    }
}

void Form::Hide() {
    if (!Loaded() || !visible_) return;
    visible_ = false;
    activatedSinceShown_ = false;
    ui_.HideWindow(window_);
}

void Form::Unload() {
    if (!Loaded()) return;
    if (Form_Unload) Form_Unload();
    if (!Loaded()) return;
    WindowHandle window = window_;
    window_ = 0;
    visible_ = false;
    pending_.clear();
    mouseTarget_ = nullptr;
    buttonsDown_ = 0;
    ui_.DestroyFormWindow(window);
}

platform::WindowState Form::WindowState() const {
    return Loaded() ? ui_.GetWindowState(window_) : platform::WindowState::Normal;
}

TwipsRect Form::Rect() const { return Loaded() ? ui_.GetWindowRect(window_) : TwipsRect{}; }
double Form::Left() const { return Rect().left; }
double Form::Top() const { return Rect().top; }
double Form::Width() const { return Rect().width; }
double Form::Height() const { return Rect().height; }

void Form::SetLeft(double left) { Move(left, Top()); }
void Form::SetTop(double top) { Move(Left(), top); }

void Form::Move(double left, double top) {
    if (Loaded()) ui_.MoveWindow(window_, left, top);
}

int Form::PixelsX(double twips) const { return numbers::RoundToInt32(twips / tppX_); }
int Form::PixelsY(double twips) const { return numbers::RoundToInt32(twips / tppY_); }
int Form::ScaledX(int designPixels) const { return numbers::RoundToInt32(designPixels * 15.0 / tppX_); }
int Form::ScaledY(int designPixels) const { return numbers::RoundToInt32(designPixels * 15.0 / tppY_); }

void Form::NoteChange(const Element& element) {
    for (const PendingChange& change : pending_) {
        if (change.element == &element) return;  // the first "before" of a batch counts
    }
    pending_.push_back({&element, element.Visible() ? element.Bounds() : PixelRect{}});
}

void Form::Flush() {
    if (!Loaded()) {
        pending_.clear();
        return;
    }
    for (const PendingChange& change : pending_) {
        PixelRect after = change.element->Visible() ? change.element->Bounds() : PixelRect{};
        // The old and the new extent, as a union of two rectangles rather than
        // their bounding box: a turning hand costs little more than itself.
        if (!change.before.Empty()) ui_.Invalidate(window_, change.before);
        if (!after.Empty() && after != change.before) ui_.Invalidate(window_, after);
    }
    pending_.clear();
}

void Form::ControlStateChanged(const Element& control) {
    if (!Loaded()) return;
    int id = 0;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        if (elements_[i].get() == &control) id = static_cast<int>(i) + 1;
    }
    bool checked = control.Kind() == ElementKind::CheckBox
                       ? static_cast<const CheckBox&>(control).Value() != 0
                       : static_cast<const OptionButton&>(control).Value();
    ui_.SetControlCheck(window_, id, checked);
}

void Form::OptionSelected(const OptionButton& selected) {
    for (auto& element : elements_) {
        if (element.get() == &selected || element->Kind() != ElementKind::OptionButton) continue;
        if (element->Container() != selected.Container()) continue;
        auto& other = static_cast<OptionButton&>(*element);
        if (other.value_) {
            other.value_ = false;
            ControlStateChanged(other);
        }
    }
}

void Form::OnPaint(Canvas& canvas, const PixelRect& area) {
    canvas.SetClip(area);
    canvas.FillRect(area, layout_.backColor);
    // Back to front; a picture box paints itself, then what it holds, inside its box.
    auto paintLevel = [&](auto& self, const Element* container, const PixelRect& clip) -> void {
        for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
            const Element& element = **it;
            if (element.Container() != container || !element.Visible() || !Paints(element)) continue;
            if (Intersect(clip, element.Bounds()).Empty()) continue;
            canvas.SetClip(clip);
            element.Paint(canvas);
            if (element.Kind() == ElementKind::PictureBox) {
                self(self, &element, Intersect(clip, element.BoxBounds()));
            }
        }
    };
    paintLevel(paintLevel, nullptr, area);
}

double Form::LayoutX(double x) const { return x * tppX_ / ui_.TwipsPerPixelX(); }
double Form::LayoutY(double y) const { return y * tppY_ / ui_.TwipsPerPixelY(); }
double Form::ScreenX(double layoutX) const { return layoutX * ui_.TwipsPerPixelX() / tppX_; }
double Form::ScreenY(double layoutY) const { return layoutY * ui_.TwipsPerPixelY() / tppY_; }

// The pointer arrives, and reaches the handlers, in the screen's twips, the
// unit of the window's own position, so that a drag moves the window by as
// many pixels as the pointer moved at any scale. The layout's boxes are in
// the window's own twips, so the hit test converts.
void Form::OnMouse(MouseAction action, int button, int shift, double x, double y) {
    Image* hit = nullptr;
    double layoutX = LayoutX(x);
    double layoutY = LayoutY(y);
    for (auto& element : elements_) {
        if (element->Kind() != ElementKind::Image || !element->Visible()) continue;
        const ElementLayout& box = element->Layout();
        double left = element->FormLeft();
        double top = element->FormTop();
        if (layoutX >= left && layoutX < left + box.width && layoutY >= top && layoutY < top + box.height) {
            hit = static_cast<Image*>(element.get());
            break;
        }
    }

    auto deliver = [&](Image* target, auto Image::*handler, int buttons) {
        if (target && target->*handler) {
            (target->*handler)(buttons, shift, static_cast<float>(x - ScreenX(target->FormLeft())),
                               static_cast<float>(y - ScreenY(target->FormTop())));
        }
    };

    switch (action) {
    case MouseAction::Down:
        if (buttonsDown_ == 0) {
            mouseTarget_ = hit;
            ui_.SetCapture(window_);
        }
        buttonsDown_ |= button;
        deliver(mouseTarget_, &Image::MouseDown, button);
        break;
    case MouseAction::Move: deliver(buttonsDown_ != 0 ? mouseTarget_ : hit, &Image::MouseMove, button); break;
    case MouseAction::Up: {
        if ((buttonsDown_ & button) == 0) break;  // a press that began elsewhere
        Image* target = mouseTarget_;
        buttonsDown_ &= ~button;
        if (buttonsDown_ == 0) {
            mouseTarget_ = nullptr;
            ui_.ReleaseCapture();
        }
        deliver(target, &Image::MouseUp, button);
        if (buttonsDown_ == 0) SettleScale();  // a scale given during a drag
        break;
    }
    }
    lastX_ = x;
    lastY_ = y;
    Flush();
}

void Form::OnCaptureLost() {
    // Another window took the pointer (a dialog, a task switch): whatever was
    // held counts as released where the pointer was last seen, so a drag never
    // outlives its button.
    Image* target = mouseTarget_;
    int held = buttonsDown_;
    mouseTarget_ = nullptr;
    buttonsDown_ = 0;
    if (target && target->MouseUp) {
        auto x = static_cast<float>(lastX_ - ScreenX(target->FormLeft()));
        auto y = static_cast<float>(lastY_ - ScreenY(target->FormTop()));
        for (int button : {LeftButton, RightButton, MiddleButton}) {
            if (held & button) target->MouseUp(button, 0, x, y);
        }
    }
    SettleScale();
    Flush();
}

void Form::OnTimer(int timerId) {
    if (timerId < 1 || static_cast<std::size_t>(timerId) > elements_.size()) return;
    auto& element = *elements_[static_cast<std::size_t>(timerId) - 1];
    if (element.Kind() != ElementKind::Timer) return;
    auto& timer = static_cast<Timer&>(element);
    if (timer.Tick) timer.Tick();
    Flush();
}

void Form::OnActivate() {
    if (activatedSinceShown_) return;
    activatedSinceShown_ = true;
    if (Form_Activate) Form_Activate();
    Flush();
}

void Form::OnClose() {
    if (CloseRequested) {
        CloseRequested();
    } else {
        Unload();
    }
}

void Form::OnEndSession() {
    if (EndSession) EndSession();
}

void Form::OnDisplayChange() {
    if (DisplayChanged) DisplayChanged();
    Flush();
}

void Form::OnControlClicked(int controlId) {
    if (controlId < 1 || static_cast<std::size_t>(controlId) > elements_.size()) return;
    Element& element = *elements_[static_cast<std::size_t>(controlId) - 1];
    switch (element.Kind()) {
    case ElementKind::CheckBox: {
        auto& box = static_cast<CheckBox&>(element);
        box.SetValue(box.Value() ? 0 : 1);
        break;
    }
    case ElementKind::OptionButton: {
        auto& option = static_cast<OptionButton&>(element);
        // The window system may show the click already; keep it in step.
        if (option.Value()) {
            ControlStateChanged(option);
        } else {
            option.SetValue(true);
        }
        break;
    }
    case ElementKind::CommandButton: {
        auto& button = static_cast<CommandButton&>(element);
        if (button.Click) button.Click();
        break;
    }
    default: break;
    }
    Flush();
}

// The system gives the window a scale: the window takes it, unless it is
// taking one already. Taking a scale resizes the window, which can carry it
// onto the other monitor's side of an edge; the system then gives the old
// scale back. A window that is not being dragged takes that once more; in a
// drag it waits for the release, so that a drag across an edge never turns
// into a window growing and shrinking with every step.
void Form::OnScaleChanged(double twipsPerPixel) {
    if (!Loaded() || twipsPerPixel <= 0) return;
    toldTpp_ = twipsPerPixel;
    if (rescaling_ || systemMove_) return;  // taken once the window settles
    if (twipsPerPixel != tppX_) ApplyScale(twipsPerPixel);
    if (buttonsDown_ == 0) SettleScale();
    Flush();
}

// A window dragged by its title bar is in a drag too: a scale given on the way
// waits for the drop.
void Form::OnMoveLoop(bool moving) {
    systemMove_ = moving;
    if (!moving) SettleScale();
    Flush();
}

PixelRect Form::ClientAreaAt(double twipsPerPixel) {
    scale::PixelSize client = scale::ClientSize(layout_, twipsPerPixel);
    return {0, 0, client.width, client.height};
}

void Form::SettleScale() {
    if (Loaded() && !rescaling_ && toldTpp_ != tppX_) ApplyScale(toldTpp_);
}

// Everything in pixels is laid out again at the new scale: the client area,
// the controls and their font; then the program adapts what it made itself
// (a clock's outline) and the whole window is painted afresh.
void Form::ApplyScale(double twipsPerPixel) {
    rescaling_ = true;
    double ratio = tppX_ / twipsPerPixel;
    tppX_ = tppY_ = twipsPerPixel;
    scale::PixelSize client = scale::ClientSize(layout_, twipsPerPixel);
    ui_.ResizeClient(window_, twipsPerPixel, client.width, client.height);
    for (int index : ControlsInTabOrder()) ui_.UpdateControl(window_, Describe(index));
    pending_.clear();
    if (ScaleChanged) ScaleChanged(ratio);
    pending_.clear();
    rescaling_ = false;
    if (Loaded()) ui_.Invalidate(window_, {0, 0, client.width, client.height});
}

}  // namespace platform
