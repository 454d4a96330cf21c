#pragma once

// Where the hands end, as pure functions of the time. Angles are radians
// with pi taken as 3.141592; positions are twips in the window, y downwards.

#include <cstdint>

namespace hands {

struct HandPoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
    bool operator==(const HandPoint&) const = default;
};

// The dial of one clock window: pivot and hand lengths, twips.
struct DialGeometry {
    double centreX;
    double centreY;
    double secondLength;
    double minuteLength;
    double hourLength;
};

// The angle factors: a quarter turn, one minute mark (6 degrees) and one hour
// mark (30 degrees).
struct AngleFactors {
    double halfPi;
    double perMinuteMark;
    double perHourMark;
};

// As the tick writes them, decimal literals.
inline constexpr AngleFactors kTickFactors{1.570796, 0.1047197333333, 0.5235986666667};
// As the large window's load computes them from pi.
inline constexpr double kPi = 3.141592;
inline constexpr AngleFactors kLoadFactors{kPi / 2, 6 * (kPi / 180), 30 * (kPi / 180)};

// End point of a hand of the given length at value u (0 points straight up,
// growing clockwise), each coordinate rounded half to even.
HandPoint HandEnd(double centreX, double centreY, double length, double u, double factor, double halfPi);

struct HandEnds {
    HandPoint second;
    HandPoint minute;
    HandPoint hour;
    bool operator==(const HandEnds&) const = default;
};

// The three hands for a time of day (24-hour; no reduction to 12 is needed).
// minuteWithSeconds places the minute hand between the marks, as the large
// window does once, at load.
HandEnds ComputeHands(const DialGeometry& dial, int hours, int minutes, int seconds, const AngleFactors& factors,
                      bool minuteWithSeconds);

}  // namespace hands
