#include "app/Program.h"

#include "app/M_Clock.h"
#include "platform/Numbers.h"

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

void Program::SaveAndEnd() {
    about.Save_Size();
    M_Clock::Save_Position(*this);
    sys.ui.End();
}
