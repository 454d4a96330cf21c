#include "clock/Hands.h"

#include <cmath>

#include "platform/Numbers.h"

namespace hands {

HandPoint HandEnd(double centreX, double centreY, double length, double u, double factor, double halfPi) {
    double theta = halfPi - u * factor;
    return {numbers::RoundToInt16(centreX + length * std::cos(theta)),
            numbers::RoundToInt16(centreY - length * std::sin(theta))};
}

HandEnds ComputeHands(const DialGeometry& dial, int hours, int minutes, int seconds, const AngleFactors& factors,
                      bool minuteWithSeconds) {
    double minuteValue = minuteWithSeconds ? minutes + seconds / 60.0 : static_cast<double>(minutes);
    double hourValue = hours + minutes / 60.0;
    auto end = [&](double length, double u, double factor) {
        return HandEnd(dial.centreX, dial.centreY, length, u, factor, factors.halfPi);
    };
    return {end(dial.secondLength, seconds, factors.perMinuteMark),
            end(dial.minuteLength, minuteValue, factors.perMinuteMark),
            end(dial.hourLength, hourValue, factors.perHourMark)};
}

}  // namespace hands
