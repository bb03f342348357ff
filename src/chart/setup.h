#pragma once

// The set-up of a chart as people read it: the shape and heads, the dimensions as typed with
// inside or outside, the unit, the increment and the striker allowance. Stored with the chart,
// shown under it and on its printout, and compared with the inputs to tell a chart that no
// longer matches them.

#include <string>
#include <vector>

#include "chart.h"

namespace dipsheet::chart {

enum class Shape { Rectangular, HorizontalCylinder, VerticalCylinder };

// A dimension row as the user typed it.
struct TypedDimension {
    std::string caption;  // "Diameter", "Head Thickness", "Bottom Depth", ...
    std::string text;
};

// "Horizontal cylinder, 2:1 Ellipsoidal heads, outside, inches: Diameter 49, Length 96, Head
// Thickness .25, Shell Thickness .5; increment 1; striker 0.25 in".
// `dimensions` are the rows the chart reads, in the panel's order; their texts are trimmed.
std::string describeSetup(Shape shape, const ChartOptions& options,
                          const std::vector<TypedDimension>& dimensions, HeadKind heads);

}  // namespace dipsheet::chart
