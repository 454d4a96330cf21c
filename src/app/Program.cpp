#include "app/Program.h"

#include "app/M_Clock.h"
#include <algorithm>

#include "platform/Numbers.h"
#include "settings/SettingsFile.h"

Program::Program(platform::Platform& platform)
    : sys(platform), about(*this), Clock(*this, kLargeClock), Clock_Mini(*this, kSmallClock) {}

void Program::Start() { about.form.Load(); }

void Program::PlaceInBand(platform::Form& window, bool onTop) {
    double tppX = sys.ui.TwipsPerPixelX();
    double tppY = sys.ui.TwipsPerPixelY();
    sys.win.SetWindowPos(window.hWnd(), onTop ? platform::kInsertTopmost : platform::kInsertNoTopmost,
                         numbers::RoundToInt32(window.Left() / tppX), numbers::RoundToInt32(window.Top() / tppY),
                         numbers::RoundToInt32(window.Width() / tppX), numbers::RoundToInt32(window.Height() / tppY),
                         platform::SWP_SHOWWINDOW_NOACTIVATE);
}

bool Program::SaveSettings() {
    if (PendingSave.Empty()) return true;
    if (settings::Save(sys.ini, IniPath, PendingSave.Values())) {
        PendingSave.Clear();
        retryTicks_ = kFirstRetryTicks;
        return true;
    }
    ticksToRetry_ = retryTicks_;
    retryTicks_ = std::min(retryTicks_ * 2, kLastRetryTicks);
    return false;
}

void Program::RetrySave() {
    if (!PendingSave.Empty() && --ticksToRetry_ <= 0) SaveSettings();
}

void Program::SaveAndEnd() {
    about.Save_Size();
    M_Clock::Save_Position(*this);
    SaveSettings();
    sys.ui.End();
}
