#pragma once

// The window system and process services under the form toolkit. The Windows
// layer implements it over user32/gdi32/kernel32; the unit tests use a fake
// that records every call and lets a test drive the events.

#include <functional>
#include <string>

#include "platform/Canvas.h"
#include "platform/Layout.h"
#include "platform/Types.h"

namespace platform {

enum class MouseAction { Down, Move, Up };

// What a top-level window reports to the form that owns it.
class WindowEvents {
public:
    virtual void OnPaint(Canvas& canvas, const PixelRect& area) = 0;
    // Client-area coordinates in the screen's twips (pixels times the
    // screen's twips per pixel, as window positions are), whatever the
    // window's own scale. button: the button that changed (Down, Up) or the
    // buttons held (Move). shift: 1 Shift, 2 Ctrl, 4 Alt.
    virtual void OnMouse(MouseAction action, int button, int shift, double x, double y) = 0;
    virtual void OnTimer(int timerId) = 0;
    virtual void OnActivate() = 0;
    virtual void OnCaptureLost() = 0;
    // The user or the system asks the window to close (close box, Alt+F4).
    virtual void OnClose() = 0;
    // Windows is ending the session (log off, shut down).
    virtual void OnEndSession() = 0;
    // Monitors were added, removed or rearranged, or a work area changed.
    virtual void OnDisplayChange() = 0;
    virtual void OnControlClicked(int controlId) = 0;
    // The system gives the window a display scale (it was moved onto a monitor
    // of another scale, or its monitor's scale changed): the twips of one of
    // its pixels. Where the system suggested a place, the window is there
    // already. The form decides when to take the scale (ResizeClient).
    virtual void OnScaleChanged(double twipsPerPixel) = 0;
    // The system's own move loop (a drag by the title bar) begins or ends.
    virtual void OnMoveLoop(bool moving) = 0;
    // The client area the window takes at that scale: {0, 0, width, height}.
    virtual PixelRect ClientAreaAt(double twipsPerPixel) = 0;

protected:
    ~WindowEvents() = default;
};

// A native dialog control (check box, option button, command button), or a
// picture box in the tab order, which only holds the focus.
struct ControlDescription {
    int controlId = 0;
    const char* name = "";
    ElementKind kind = ElementKind::CommandButton;
    const char* caption = "";  // UTF-8
    PixelRect box;             // client-area pixels
    std::optional<ColorRef> backColor;
    int tabIndex = -1;
    bool groupStart = false;  // first of a group of option buttons, or the control after one
    int fontHeight = 12;      // em height of the control font, pixels at the window's scale
};

class WindowSystem {
public:
    // Screen, in twips, and how many twips make one pixel on each axis.
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;
    virtual double ScreenWidth() = 0;
    virtual double ScreenHeight() = 0;

    // Top-level windows. A new window is hidden; its client area has the
    // layout's size at the scale of the monitor it stands on. Positions and
    // sizes in and out are in the screen's twips (outer frame).
    virtual WindowHandle CreateFormWindow(const FormLayout& layout, WindowEvents& events) = 0;
    // The twips of one of a new window's own pixels: the scale of its monitor.
    virtual double WindowTwipsPerPixel(WindowHandle window) = 0;
    // The window is now drawn at this scale: its client area takes this size
    // in pixels, its frame the frame of that scale; the top-left corner stays.
    virtual void ResizeClient(WindowHandle window, double twipsPerPixel, int width, int height) = 0;
    virtual void DestroyFormWindow(WindowHandle window) = 0;
    virtual void ShowWindow(WindowHandle window) = 0;  // shows and activates
    virtual void HideWindow(WindowHandle window) = 0;
    // Runs the window modally: other windows of the program take no input,
    // and the call returns once stillShown() is false or the program ends.
    virtual void RunModal(WindowHandle window, const std::function<bool()>& stillShown) = 0;
    virtual void MoveWindow(WindowHandle window, double left, double top) = 0;
    virtual TwipsRect GetWindowRect(WindowHandle window) = 0;
    virtual WindowState GetWindowState(WindowHandle window) = 0;
    virtual void Invalidate(WindowHandle window, const PixelRect& area) = 0;
    virtual void StartTimer(WindowHandle window, int timerId, int intervalMs) = 0;
    virtual void SetCapture(WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual void CreateControl(WindowHandle window, const ControlDescription& control) = 0;
    // Moves and resizes a control made before and gives it its font anew.
    virtual void UpdateControl(WindowHandle window, const ControlDescription& control) = 0;
    virtual void SetControlCheck(WindowHandle window, int controlId, bool checked) = 0;

    // The program and its process.
    virtual std::string AppPath() = 0;  // the program's folder, UTF-8
    virtual bool PrevInstance() = 0;
    virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;
    virtual void DoEvents() = 0;  // one pass over the pending messages
    virtual void End() = 0;       // ends the program at once; no unload handling runs
    virtual TimeOfDay Now() = 0;  // local time
    virtual void Randomize() = 0; // seeds the generator from the clock
    virtual float Rnd() = 0;      // next draw in [0, 1)

protected:
    ~WindowSystem() = default;
};

}  // namespace platform
