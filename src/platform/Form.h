#pragma once

// A form window: a top-level window with the elements of its layout, the
// handlers the program attaches, and the properties the program reads and
// sets (position and size in twips, window state, handle). The form paints
// its windowless elements itself, back to front, and asks the window system
// to repaint only what an element change touched.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Elements.h"
#include "platform/Layout.h"
#include "platform/WindowSystem.h"

namespace platform {

enum class ShowMode { Modeless = 0, Modal = 1 };

class Form final : private WindowEvents {
public:
    Form(WindowSystem& ui, FormLayout layout);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Handlers the program attaches.
    std::function<void()> Form_Load;
    std::function<void()> Form_Activate;
    std::function<void()> Form_Unload;
    // The window is asked to close by the user or the system. Without a
    // handler the form unloads.
    std::function<void()> CloseRequested;
    std::function<void()> EndSession;
    // Monitors or work areas changed.
    std::function<void()> DisplayChanged;
    // The window took another display scale (its monitor's). By then the form
    // has resized the window to its layout at that scale, laid out its
    // controls anew and asked for a full repaint; ratio is new pixels per old.
    std::function<void(double ratio)> ScaleChanged;

    // Creates the window hidden and runs Form_Load; nothing if loaded.
    void Load();
    // Loads if needed and shows the window. Modal returns once the form is
    // hidden or unloaded.
    void Show(ShowMode mode = ShowMode::Modeless);
    void Hide();
    // Runs Form_Unload and destroys the window; nothing if not loaded.
    void Unload();

    bool Loaded() const { return window_ != 0; }
    bool Visible() const { return visible_; }
    WindowHandle hWnd() const { return window_; }
    platform::WindowState WindowState() const;

    // Outer position and size, twips. Setters move the window, size unchanged.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double left);
    void SetTop(double top);
    void Move(double left, double top);

    const FormLayout& Layout() const { return layout_; }
    WindowSystem& Ui() const { return ui_; }

    template <typename T>
    T& Get(std::string_view name) const {
        return static_cast<T&>(Find(name));
    }

    // The twips of one of the window's own pixels: its monitor's scale.
    double TwipsPerPixel() const { return tppX_; }
    // Layout twips to the window's own pixels on each axis, ties to even.
    int PixelsX(double twips) const;
    int PixelsY(double twips) const;
    // Pixels of a length drawn at its design size (15 twips to the pixel).
    int ScaledX(int designPixels) const;
    int ScaledY(int designPixels) const;

    // Element changes pending repaint are handed to the window system.
    void Flush();

    // Called by elements.
    void NoteChange(const Element& element);
    void OptionSelected(const OptionButton& selected);
    void ControlStateChanged(const Element& control);

private:
    Element& Find(std::string_view name) const;
    TwipsRect Rect() const;
    void CreateControls();
    std::vector<int> ControlsInTabOrder() const;
    ControlDescription Describe(int index) const;
    // Pointer twips (the screen's) to layout twips (the window's own scale), and back.
    double LayoutX(double x) const;
    double LayoutY(double y) const;
    double ScreenX(double layoutX) const;
    double ScreenY(double layoutY) const;

    // WindowEvents
    void OnPaint(Canvas& canvas, const PixelRect& area) override;
    void OnMouse(MouseAction action, int button, int shift, double x, double y) override;
    void OnTimer(int timerId) override;
    void OnActivate() override;
    void OnCaptureLost() override;
    void OnClose() override;
    void OnEndSession() override;
    void OnDisplayChange() override;
    void OnControlClicked(int controlId) override;
    void OnScaleChanged(double twipsPerPixel) override;
    void OnMoveLoop(bool moving) override;
    PixelRect ClientAreaAt(double twipsPerPixel) override;
    void ApplyScale(double twipsPerPixel);
    // Takes the scale the system gave last, if the window is not at it.
    void SettleScale();

    struct PendingChange {
        const Element* element;
        PixelRect before;
    };

    WindowSystem& ui_;
    FormLayout layout_;
    std::vector<std::unique_ptr<Element>> elements_;  // front to back
    WindowHandle window_ = 0;
    bool visible_ = false;
    bool activatedSinceShown_ = false;
    std::vector<PendingChange> pending_;
    // The image that took the last press keeps the pointer until every button is up.
    Image* mouseTarget_ = nullptr;
    int buttonsDown_ = 0;
    double lastX_ = 0;
    double lastY_ = 0;
    double tppX_ = 15;
    double tppY_ = 15;
    double toldTpp_ = 15;      // the scale the system gave the window last
    bool rescaling_ = false;   // inside ApplyScale
    bool systemMove_ = false;  // in the system's move loop: a drag by the title bar
};

}  // namespace platform
