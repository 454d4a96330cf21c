// The start-up routine (the options dialog is the startup window, so this is
// its load handler) and the dialog's activation.

#include "app/Program.h"
#include "clock/Placement.h"
#include "platform/Numbers.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

namespace {

// Long enough for a scanner or a sync tool to let go, short enough for a start.
constexpr int kLockedFileWaitMs = 3000;

}  // namespace

void AboutDialog::Form_Load() {
    platform::WindowSystem& ui = program_.sys.ui;

    // The dialog is centred now, while hidden, for whenever it is shown.
    if (form.WindowState() == platform::WindowState::Normal) {
        form.Move((ui.ScreenWidth() - form.Width()) / 2.0, (ui.ScreenHeight() - form.Height()) / 2.0);
    }

    if (ui.PrevInstance()) {
        ui.MsgBox("既に､起動されています。", platform::MB_EXCLAMATION_OK, "Marisole Clock");
        ui.End();
        return;
    }

    program_.IniPath = settings::SettingsPath(ui.AppPath());

    ui.DoEvents();

    // Read once, whole. A file held open by another program for a moment is
    // waited for; one held all that time reads as the defaults, which are not
    // the user's.
    settings::StoredFile stored = settings::ReadAtStart(program_.sys.ini, program_.IniPath, kLockedFileWaitMs);
    program_.SizeKnown = stored.read;
    program_.PositionKnown = stored.read;

    program_.SizeMode = numbers::RoundToInt16(settings::ReadNumber(stored.bytes, "SIZE"));

    bool small = program_.SizeMode > 1;
    ClockWindow& clock = small ? program_.Clock_Mini : program_.Clock;
    std::int16_t onTopMode = small ? 3 : 1;
    std::int16_t normalMode = small ? 2 : 0;

    clock.form.Load();

    // Held in single precision, as read, not rounded.
    float top = numbers::ToFiniteSingle(settings::ReadNumber(stored.bytes, "TOP"));
    clock.form.SetTop(static_cast<double>(top));
    float left = numbers::ToFiniteSingle(settings::ReadNumber(stored.bytes, "LEFT"));
    clock.form.SetLeft(static_cast<double>(left));
    // A place from another desk (a monitor unplugged, a smaller screen) or a
    // hand edit may be on no monitor at all; the file is left as it is.
    clock.KeepDialOnMonitor();

    form.Hide();
    clock.form.Show();

    // Every mode out of range ends up as the window's normal mode.
    if (program_.SizeMode == onTopMode) {
        Check1.SetValue(1);
        program_.PlaceInBand(clock.form, true);
        program_.SizeMode = onTopMode;
    } else {
        Check1.SetValue(0);
        program_.PlaceInBand(clock.form, false);
        program_.SizeMode = normalMode;
    }

    if (small) {
        Option2.SetValue(true);
        Option1.SetValue(false);
    } else {
        Option1.SetValue(true);
        Option2.SetValue(false);
    }
}

// Each time the dialog comes up: within reach, above every window, an
// always-on-top clock included, and noting the mode it opened with.
void AboutDialog::Form_Activate() {
    KeepInWorkArea();
    program_.PlaceInBand(form, true);
    SizeAtOpen = program_.SizeMode;
    ClosedByOk = 0;
}

// Centred once at start-up, the dialog may find the desk changed since (a
// smaller screen, a monitor gone). Unless all of it lies inside a monitor's
// work area it comes, by the least move, into that of the clock's monitor.
void AboutDialog::KeepInWorkArea() {
    if (form.WindowState() != platform::WindowState::Normal) return;
    platform::WIN_32& win = program_.sys.win;
    platform::PixelRect dialog = placement::PixelRectOf(form);
    platform::MonitorInfo monitor;
    if (win.GetMonitorInfoW(win.MonitorFromRect(dialog, platform::MonitorDefault::Null), monitor) &&
        placement::Inside(dialog, monitor.workArea)) {
        return;
    }
    const platform::Form& clockForm = program_.CurrentClock().form;
    if (!clockForm.Loaded()) return;
    platform::PixelRect clock = placement::PixelRectOf(clockForm);
    if (!win.GetMonitorInfoW(win.MonitorFromRect(clock, platform::MonitorDefault::Nearest), monitor)) return;
    placement::PixelPoint corner = placement::IntoWorkArea(dialog, monitor.workArea);
    platform::WindowSystem& ui = program_.sys.ui;
    form.Move(corner.x * ui.TwipsPerPixelX(), corner.y * ui.TwipsPerPixelY());
}
