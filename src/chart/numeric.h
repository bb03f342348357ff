#pragma once

// The constants every chart shares: the two values of pi and the unit factors, each written
// once. A change here moves the printed rows of every chart.

#include <numbers>

namespace dipsheet::chart {

// Pi to full double precision: every head and bottom, the tilted tank, the quadrature's own
// nodes and the angles, so that a tank's volume is one geometry from its lowest point to its top.
inline constexpr double kPi = std::numbers::pi;
// The chart's circle constant, not the full-precision pi: the flat charts (the horizontal
// cylinder with flat heads and the flat-bottomed vertical one) use it, and their stored rows
// keep its digits.
inline constexpr double kChartPi = 3.141592654;

// Lengths and volumes between the two kinds of units (25.4 mm to the inch exactly; the US
// gallon of 231 cubic inches holds 3.785411784 litres exactly).
inline constexpr double kMillimetresPerInch = 25.4;
inline constexpr double kLitresPerGallon = 3.785411784;

// US gallons per cubic inch (1/231 as the charts round it) and litres per cubic millimetre:
// the volume of the cubic units of the measures in the chart's units.
inline constexpr double kGallonsPerCubicInch = 0.004328704;
inline constexpr double kLitresPerCubicMillimetre = 1e-6;
// The same factors rounded to single precision. The rectangle and the flat-bottomed vertical
// cylinder have always multiplied by these, widened to double: 0.004328704f is 0.00432870397...,
// 6e-9 of itself below the double factor, enough to move the last bit of a single-precision row.
// Their stored charts keep that, so both factors stay; every other chart uses the double one.
inline constexpr float kGallonsPerCubicInchSingle = 0.004328704f;
inline constexpr float kLitresPerCubicMillimetreSingle = 1e-6f;

// Chart units (US gallons or litres) per cubic unit of the measures (inches or millimetres).
constexpr double volumeFactor(bool inches) {
    return inches ? kGallonsPerCubicInch : kLitresPerCubicMillimetre;
}
// The single-precision factor widened, for the rectangle and the flat-bottomed vertical cylinder.
constexpr double singleVolumeFactor(bool inches) {
    return static_cast<double>(inches ? kGallonsPerCubicInchSingle
                                      : kLitresPerCubicMillimetreSingle);
}

}  // namespace dipsheet::chart
