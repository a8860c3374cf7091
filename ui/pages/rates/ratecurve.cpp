#include "ui/pages/rates/ratecurve.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFullPercent = 100.0;

// The response of one side for a stick deflection x of 0 to 1, ending at 1 for full stick.
// A positive exponential e (0 to 1) softens the centre: (1 - e) x + e x^3 has the slope
// 1 - e at the centre and reaches full travel unchanged. A negative one sharpens it with the
// mirrored cubic: (1 - |e|) x + |e| (1 - (1 - x)^3) starts with the slope 1 + 2 |e| and
// flattens towards the end. Zero is the straight line.
double expoShape(double x, double e)
{
    if (e >= 0)
        return (1 - e) * x + e * x * x * x;
    const double k = -e;
    const double rest = 1 - x;
    return (1 - k) * x + k * (1 - rest * rest * rest);
}

} // namespace

// The dual rate scales the travel of its side: full stick gives the rate in percent, and
// the exponential shapes the way there.
double rateCurveOutput(const RateCurve &curve, double stickPercent)
{
    const double stick = std::clamp(stickPercent, -kFullPercent, kFullPercent);
    const bool positive = stick >= 0;
    const double expo =
        std::clamp((positive ? curve.expoPositive : curve.expoNegative) / kFullPercent, -1.0, 1.0);
    const double rate = positive ? curve.dualRatePositive : curve.dualRateNegative;
    const double shaped = expoShape(std::abs(stick) / kFullPercent, expo);
    return (positive ? 1.0 : -1.0) * rate * shaped;
}
