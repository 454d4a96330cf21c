// Moving a clock by its face, and the way to the options dialog.

#include "app/M_Clock.h"
#include "app/Program.h"
#include "clock/ClockWindow.h"
#include "platform/Numbers.h"

void ClockWindow::Image1_MouseDown(int button, int /*shift*/, float x, float y) {
    if (button == platform::LeftButton) {
        Dragging = 1;
        DragX = numbers::RoundToInt16(static_cast<double>(x));
        DragY = numbers::RoundToInt16(static_cast<double>(y));
    } else {
        program_.about.form.Show(platform::ShowMode::Modal);
    }
}

// The pointer is measured from the picture, which moves with the window, so
// the grabbed point stays under the pointer.
void ClockWindow::Image1_MouseMove(int /*button*/, int /*shift*/, float x, float y) {
    if (Dragging != 1) return;
    float left = x - static_cast<float>(DragX) + static_cast<float>(form.Left());
    float top = y - static_cast<float>(DragY) + static_cast<float>(form.Top());
    if (static_cast<double>(left) != form.Left() || static_cast<double>(top) != form.Top()) {
        program_.PositionKnown = true;  // the user's place now
    }
    form.Move(static_cast<double>(left), static_cast<double>(top));
}

void ClockWindow::Image1_MouseUp(int button, int /*shift*/, float /*x*/, float /*y*/) {
    if (button != platform::LeftButton) return;
    Dragging = 0;
    // What is saved is where the clock then stands: a dial dropped off every
    // monitor comes onto one first.
    displayChangedInDrag_ = false;
    KeepDialOnMonitor();
    M_Clock::Save_Position(program_);
    program_.SaveSettings();
}
