#pragma once

// The stick-to-output response of one axis: an exponential and a dual rate for each side of
// the stick centre, all in percent as the rates settings store them.
struct RateCurve
{
    int expoPositive = 0;
    int expoNegative = 0;
    int dualRatePositive = 100;
    int dualRateNegative = 100;

    bool operator==(const RateCurve &) const = default;
};

// The output in percent of travel for a stick position of -100 to 100 %; the positive side
// of the stick uses the positive values, the negative side the negative ones.
[[nodiscard]] double rateCurveOutput(const RateCurve &curve, double stickPercent);
