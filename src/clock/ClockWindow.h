#pragma once

// A clock window: the face picture, three line hands, the pivot disc and a
// 200 ms timer. One class serves the large clock and the small one; what
// differs between them is data (ClockKind).

#include <cstdint>

#include "clock/Hands.h"
#include "platform/Form.h"

class Program;

struct ClockKind {
    platform::FormLayout (*layout)();
    hands::DialGeometry dial;
    enum class Outline { RoundedSquare, Circle } outline;
    int outlineSize;    // pixels at 96 dpi: the square's side or the circle's diameter
    int cornerEllipse;  // pixels at 96 dpi, rounded square only
    bool centresAtLoad;
    bool minuteWithSecondsAtLoad;
    bool blinks;  // shows Image2 now and then, seeded afresh at each load
};

extern const ClockKind kLargeClock;
extern const ClockKind kSmallClock;

class ClockWindow {
public:
    ClockWindow(Program& program, const ClockKind& kind);

    platform::Form form;
    platform::Timer& Timer1;
    platform::Line& Line1;  // hour
    platform::Line& Line2;  // minute
    platform::Line& Line3;  // second
    platform::Image& Image1;
    platform::Image* Image2;  // the blink overlay; the large clock has none

    // Form-level state.
    std::int16_t Hours = 0;
    std::int16_t Minutes = 0;
    std::int16_t Seconds = 0;
    std::int16_t Dragging = 0;
    std::int16_t DragX = 0;
    std::int16_t DragY = 0;

    void Form_Load();
    void Form_Unload();
    void Form_DisplayChanged();
    void Form_ScaleChanged(double ratio);
    void Timer1_Timer();
    void Image1_MouseDown(int button, int shift, float x, float y);
    void Image1_MouseMove(int button, int shift, float x, float y);
    void Image1_MouseUp(int button, int shift, float x, float y);

    // Puts this window where the other one stands, as "O K" does when it
    // switches the clock, and keeps its dial on a monitor.
    void TakePlaceOf(const ClockWindow& other);
    // A clock whose dial (the hands' pivot) lies on no monitor moves the least
    // distance that puts all of it inside the work area of the monitor
    // nearest to it. A dial on a monitor stays, however far the rest of the
    // clock hangs over an edge. Nothing is saved.
    void KeepDialOnMonitor();

private:
    void Shape();
    void ReadTime();
    void SetHands(const hands::HandEnds& ends);

    Program& program_;
    const ClockKind& kind_;
    // Monitors or the scale changed during a drag: its end applies the monitor rule.
    bool displayChangedInDrag_ = false;
    int ticksSinceDeskCheck_ = 0;
};
