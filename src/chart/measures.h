#pragma once

// The inside measures of a tank as its chart reads them from the texts (outside measures less
// the plates, rounded once to single precision), for the charts that build on them: the tilted
// tank and the drawing of the tank.

#include "chart/chart.h"
#include "chart/heads.h"

namespace dipsheet::chart {

// A horizontal cylinder: inside diameter, the length (the straight shell between the seams,
// or with flat heads the inside length) and its heads (Flat: depth 0).
struct CylinderMeasures {
    float diameter = 0;
    float length = 0;
    Head head{HeadKind::Flat, 0, 0};
};

struct RectangleMeasures {
    float length = 0, width = 0, height = 0;
};

// Throw InputError as the charts do, naming the field.
CylinderMeasures readCylinder(const ChartOptions& options, const CylTexts& texts,
                              const HeadTexts& heads);
RectangleMeasures readRectangle(const ChartOptions& options, const RectTexts& texts);
// A vertical cylinder: `length` is the shell's height above the bottom's seam (with a flat
// bottom, the inside height), `head` its bottom.
CylinderMeasures readVertical(const ChartOptions& options, const CylTexts& texts,
                              const HeadTexts& bottom);

// The striker allowance S of the options. The unit factors are in chart/numeric.h.
float strikerAllowance(const ChartOptions& options);

}  // namespace dipsheet::chart
