#include "clock/ClockWindow.h"

#include <algorithm>

#include "app/Program.h"
#include "clock/Placement.h"
#include "forms/Layouts.h"
#include "platform/Numbers.h"
#include "platform/Region.h"

namespace {

constexpr int kTicksPerDeskCheck = 5;  // of 200 ms

}  // namespace

const ClockKind kLargeClock{
    .layout = forms::ClockLayout,
    .dial = {.centreX = 3775, .centreY = 5700, .secondLength = 897, .minuteLength = 797, .hourLength = 597},
    .outline = ClockKind::Outline::RoundedSquare,
    .outlineSize = 480,
    .cornerEllipse = 30,
    .centresAtLoad = true,
    .minuteWithSecondsAtLoad = true,
    .blinks = false,
};

const ClockKind kSmallClock{
    .layout = forms::ClockMiniLayout,
    .dial = {.centreX = 1740, .centreY = 1740, .secondLength = 1347, .minuteLength = 1047, .hourLength = 747},
    .outline = ClockKind::Outline::Circle,
    .outlineSize = 233,
    .cornerEllipse = 0,
    .centresAtLoad = false,
    .minuteWithSecondsAtLoad = false,
    .blinks = true,
};

ClockWindow::ClockWindow(Program& program, const ClockKind& kind)
    : form(program.sys.ui, kind.layout()),
      Timer1(form.Get<platform::Timer>("Timer1")),
      Line1(form.Get<platform::Line>("Line1")),
      Line2(form.Get<platform::Line>("Line2")),
      Line3(form.Get<platform::Line>("Line3")),
      Image1(form.Get<platform::Image>("Image1")),
      Image2(kind.blinks ? &form.Get<platform::Image>("Image2") : nullptr),
      program_(program),
      kind_(kind) {
    form.Form_Load = [this] { Form_Load(); };
    form.Form_Unload = [this] { Form_Unload(); };
    // Closing a clock by the system or Alt+F4 must not leave the program
    // running without a window: save and end, as closing the dialog does.
    form.CloseRequested = [this] { program_.SaveAndEnd(); };
    form.EndSession = [this] { program_.SaveAndEnd(); };
    form.DisplayChanged = [this] { Form_DisplayChanged(); };
    form.ScaleChanged = [this](double ratio) { Form_ScaleChanged(ratio); };
    Timer1.Tick = [this] { Timer1_Timer(); };
    Image1.MouseDown = [this](int b, int s, float x, float y) { Image1_MouseDown(b, s, x, y); };
    Image1.MouseMove = [this](int b, int s, float x, float y) { Image1_MouseMove(b, s, x, y); };
    Image1.MouseUp = [this](int b, int s, float x, float y) { Image1_MouseUp(b, s, x, y); };
}

void ClockWindow::Form_Load() {
    Shape();

    if (kind_.centresAtLoad && form.WindowState() == platform::WindowState::Normal) {
        platform::WindowSystem& ui = program_.sys.ui;
        float left = (static_cast<float>(ui.ScreenWidth()) - static_cast<float>(form.Width())) / 2.0f;
        float top = (static_cast<float>(ui.ScreenHeight()) - static_cast<float>(form.Height())) / 2.0f;
        form.Move(static_cast<double>(left), static_cast<double>(top));
    }

    Dragging = 0;
    displayChangedInDrag_ = false;
    ticksSinceDeskCheck_ = 0;

    if (kind_.blinks) program_.sys.ui.Randomize();

    ReadTime();
    SetHands(hands::ComputeHands(kind_.dial, Hours, Minutes, Seconds,
                                 kind_.minuteWithSecondsAtLoad ? hands::kLoadFactors : hands::kTickFactors,
                                 kind_.minuteWithSecondsAtLoad));
}

// Cuts the window to its outline. The outline is laid out in pixels at
// 96 dpi and scaled with everything else, so that it keeps to the face's edge.
// A new outline replaces the old one, which the window system frees.
void ClockWindow::Shape() {
    platform::Rgn_32& rgn = program_.sys.rgn;
    int width = form.ScaledX(kind_.outlineSize);
    int height = form.ScaledY(kind_.outlineSize);
    platform::RegionHandle handle =
        kind_.outline == ClockKind::Outline::RoundedSquare
            ? rgn.CreateRoundRectRgn(0, 0, width, height, form.ScaledX(kind_.cornerEllipse),
                                     form.ScaledY(kind_.cornerEllipse))
            : rgn.CreateEllipticRgn(0, 0, width, height);
    platform::UniqueRegion region(rgn, handle);
    region.GiveTo(form.hWnd(), true);
}

// The clock on the screen checks its place when monitors come, go or change.
// A drag in progress is left alone; its end checks instead.
void ClockWindow::Form_DisplayChanged() {
    if (!form.Visible()) return;
    if (Dragging == 1) {
        displayChangedInDrag_ = true;
        return;
    }
    KeepDialOnMonitor();
}

// On a monitor of another scale the clock takes that scale: the form has
// resized it, and its outline is cut again to the new size. A clock being
// dragged grows or shrinks about the grabbed point of its face, which stays
// under the pointer; one that is not keeps its dial on a monitor.
void ClockWindow::Form_ScaleChanged(double ratio) {
    Shape();
    if (Dragging == 1) {
        placement::Grab grab = placement::KeepGrabPoint({form.Left(), form.Top(), DragX, DragY}, ratio);
        DragX = grab.dragX;
        DragY = grab.dragY;
        form.Move(grab.left, grab.top);
        displayChangedInDrag_ = true;
    } else if (form.Visible()) {
        KeepDialOnMonitor();
    }
}

void ClockWindow::TakePlaceOf(const ClockWindow& other) {
    form.SetTop(other.form.Top());
    form.SetLeft(other.form.Left());
    KeepDialOnMonitor();
}

void ClockWindow::KeepDialOnMonitor() {
    if (!form.Loaded() || form.WindowState() != platform::WindowState::Normal) return;
    // Far beyond any desk, and small enough that no sum below overflows.
    static constexpr int kFar = 1 << 24;
    // The window in screen pixels; the pivot lies within it at the window's own scale.
    platform::WindowSystem& ui = program_.sys.ui;
    auto pixels = [](double twips, double twipsPerPixel) {
        return std::clamp(numbers::RoundToInt32(twips / twipsPerPixel), -kFar, kFar);
    };
    int left = pixels(form.Left(), ui.TwipsPerPixelX());
    int top = pixels(form.Top(), ui.TwipsPerPixelY());
    platform::PixelRect window{left, top, left + pixels(form.Width(), ui.TwipsPerPixelX()),
                               top + pixels(form.Height(), ui.TwipsPerPixelY())};

    platform::WIN_32& win = program_.sys.win;
    int pivotX = left + form.PixelsX(kind_.dial.centreX);
    int pivotY = top + form.PixelsY(kind_.dial.centreY);
    if (win.MonitorFromPoint(pivotX, pivotY, platform::MonitorDefault::Null) != 0) return;

    platform::MonitorInfo monitor;
    if (!win.GetMonitorInfoW(win.MonitorFromRect(window, platform::MonitorDefault::Nearest), monitor)) return;
    placement::PixelPoint corner = placement::IntoWorkArea(window, monitor.workArea);
    form.Move(corner.x * ui.TwipsPerPixelX(), corner.y * ui.TwipsPerPixelY());
}

// The region went with the window; the form-level state stays for the next load.
void ClockWindow::Form_Unload() {}

void ClockWindow::Timer1_Timer() {
    ReadTime();
    SetHands(hands::ComputeHands(kind_.dial, Hours, Minutes, Seconds, hands::kTickFactors, false));
    if (Image2) {
        float r = program_.sys.ui.Rnd();
        Image2->SetVisible(static_cast<int>(r * 20.0f) == 5);
    }
    // Not every system says when the desk changes (Wine does not when its X
    // screen is resized), so once a second the tick checks that the dial is
    // still on a monitor. That is one monitor look-up; under Wine every such
    // call asks the server, which costs a tenth of a millisecond.
    if (++ticksSinceDeskCheck_ == kTicksPerDeskCheck) {
        ticksSinceDeskCheck_ = 0;
        Form_DisplayChanged();
    }
    // A save kept for later is tried again on the shown clock's tick (a hidden
    // one may tick too).
    if (&program_.CurrentClock() == this) program_.RetrySave();
}

void ClockWindow::ReadTime() {
    platform::TimeOfDay now = program_.sys.ui.Now();
    Hours = static_cast<std::int16_t>(now.hour);
    Minutes = static_cast<std::int16_t>(now.minute);
    Seconds = static_cast<std::int16_t>(now.second);
}

void ClockWindow::SetHands(const hands::HandEnds& ends) {
    Line3.SetX2(ends.second.x);
    Line3.SetY2(ends.second.y);
    Line2.SetX2(ends.minute.x);
    Line2.SetY2(ends.minute.y);
    Line1.SetX2(ends.hour.x);
    Line1.SetY2(ends.hour.y);
}
