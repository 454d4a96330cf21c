#pragma once

// The platform on Windows: forms as real top-level windows with native
// controls, painting through an off-screen buffer, and the regions
// (Rgn_32_win), the settings file's calls (INI_32_win) and window placement
// (WIN_32_win) of user32, gdi32 and kernel32, wide-character throughout.

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Platform.h"
#include "platform/Random.h"
#include "platform/win32/Canvas_win.h"
#include "platform/win32/Gdi_win.h"
#include "platform/win32/INI_32_win.h"
#include "platform/win32/Pictures_win.h"
#include "platform/win32/Rgn_32_win.h"
#include "platform/win32/WIN_32_win.h"

namespace platform::win32 {

class Win32Platform final : public WindowSystem {
public:
    explicit Win32Platform(HINSTANCE instance);
    ~Win32Platform();
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Platform Get() { return {*this, regions_, files_, placement_}; }

    // The program's main message loop; returns when the program quits.
    int RunMessageLoop();

    // Paint statistics: device pixels copied to the screen, and WM_PAINTs handled.
    long long paintedPixels = 0;
    long long paints = 0;
#ifdef MARISOLE_PAINT_STATS
    // Appends the figures so far to MarisoleClock.stats (benchmark builds).
    void WriteStatistics();
#endif

    // WindowSystem
    double TwipsPerPixelX() override { return tppX_; }
    double TwipsPerPixelY() override { return tppY_; }
    double ScreenWidth() override;
    double ScreenHeight() override;
    WindowHandle CreateFormWindow(const FormLayout& layout, WindowEvents& events) override;
    double WindowTwipsPerPixel(WindowHandle window) override;
    void ResizeClient(WindowHandle window, double twipsPerPixel, int width, int height) override;
    void DestroyFormWindow(WindowHandle window) override;
    void ShowWindow(WindowHandle window) override;
    void HideWindow(WindowHandle window) override;
    void RunModal(WindowHandle window, const std::function<bool()>& stillShown) override;
    void MoveWindow(WindowHandle window, double left, double top) override;
    TwipsRect GetWindowRect(WindowHandle window) override;
    WindowState GetWindowState(WindowHandle window) override;
    void Invalidate(WindowHandle window, const PixelRect& area) override;
    void StartTimer(WindowHandle window, int timerId, int intervalMs) override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    void CreateControl(WindowHandle window, const ControlDescription& control) override;
    void UpdateControl(WindowHandle window, const ControlDescription& control) override;
    void SetControlCheck(WindowHandle window, int controlId, bool checked) override;
    std::string AppPath() override;
    bool PrevInstance() override { return prevInstance_; }
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    void DoEvents() override;
    void End() override;
    TimeOfDay Now() override;
    void Randomize() override;
    float Rnd() override { return random_.Next(); }

private:
    // Native controls get ids from here, clear of IDOK and IDCANCEL, which the
    // dialog manager sends for Enter and Escape.
    static constexpr int kFirstControlId = 100;

    struct Control {
        HWND hwnd;
        ControlDescription description;
        HFONT font;  // one of the form's fonts
    };
    struct ControlBrush {
        ColorRef color;
        Brush brush;
    };
    struct SizedFont {
        int size;  // em height, pixels
        Font font;
    };
    struct FormWindow {
        Win32Platform* platform = nullptr;
        HWND hwnd = nullptr;
        WindowEvents* events = nullptr;
        bool dialog = false;
        DWORD style = 0;
        DWORD exStyle = 0;
        int dpi = USER_DEFAULT_SCREEN_DPI;  // the scale the form draws it at
        bool movedByProgram = false;         // inside MoveWindow or ResizeClient: the corner asked for stays
        bool holdsPointer = false;           // captured by the form: a drag places the window itself
        bool inMoveLoop = false;             // dragged by its title bar: the system places it
        // Taking a scale the system gave with a suggested place: the moves and
        // the resize the form asks for meanwhile are gathered into one.
        bool gathering = false;
        std::optional<POINT> gatheredCorner;
        std::optional<SIZE> gatheredSize;
        int clientWidth = 0;
        int clientHeight = 0;
        BufferCanvas canvas;
        std::vector<Control> controls;
        std::vector<ControlBrush> brushes;
        std::vector<SizedFont> fonts;  // the controls' fonts, by size
        Icon bigIcon;
        Icon smallIcon;
        HWND lastFocus = nullptr;
        HWND focusBox = nullptr;  // holds the focus for a picture box in the tab order
        RECT changed{};  // bounding box of what changed, drawn after the current message
        bool hasIcon = false;
        bool furnished = false;             // icon, fonts and controls made (at first showing)
        std::vector<ControlDescription> pending;   // controls to make then
        std::map<int, bool> checks;         // check state by control id, as last set
        bool dead = false;
        explicit FormWindow(Pictures& pictures) : canvas(pictures) {}
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(FormWindow& form, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(FormWindow& form);
    void PaintChanged();
    void Render(FormWindow& form, HDC target, RECT area);
    void Mouse(FormWindow& form, MouseAction action, int button, WPARAM wParam, LPARAM lParam);
    HBRUSH BrushForControl(FormWindow& form, HWND control, HDC dc);
    HFONT FitControlFont(FormWindow& form, HWND hwnd, const ControlDescription& control);
    HFONT FontOfSize(FormWindow& form, HDC dc, int size);
    void Furnish(FormWindow& form);
    void SetIcons(FormWindow& form);
    void MakeControl(FormWindow& form, const ControlDescription& control);
    // The system gives the window the scale dpi: to the suggested place, where
    // one is given and the program is neither moving the window nor dragging
    // it, and on to the form; the place and the new size in one step.
    void Rescale(FormWindow& form, int dpi, const RECT* suggested);
    // The window's size at the scale dpi (WM_GETDPISCALEDSIZE).
    SIZE ScaledSize(FormWindow& form, int dpi);
    // A hidden window is given the scale of the monitor it was moved to.
    void RescaleIfHidden(FormWindow& form);
#ifdef MARISOLE_PAINT_STATS
    void StartStatistics();
    long long statisticsSeconds_ = 0;
#endif
    void Dispatch(MSG& message);
    void CollectDeadWindows();
    FormWindow* Find(WindowHandle window);

    HINSTANCE instance_;
    KernelHandle running_;
    bool prevInstance_ = false;
    double tppX_ = 15;
    double tppY_ = 15;
    Pictures pictures_;
    HWND owner_ = nullptr;  // hidden; owns the dialog so it has no taskbar button
    Random random_;
    Regions regions_;
    FileCalls files_;
    WindowPlacement placement_;
    std::vector<std::unique_ptr<FormWindow>> windows_;
    int dispatchDepth_ = 0;
};

}  // namespace platform::win32
