#pragma once

// What a site asks of a chart besides its rows: how much more will fit (ullage) and how full
// the tank is, where the fill marks lie (the overfill alarm and shut-off levels), and a short
// table of breakpoints for a tank gauge that interpolates linearly between them.

#include <span>
#include <string>
#include <vector>

#include "chart/chart.h"

namespace dipsheet::chart {

// The ullage (full less the volume) and the percent full (100 volume / full) of a row.
struct SiteColumns {
    float ullage = 0;
    float percent = 0;
};
SiteColumns siteColumns(const CapacityRow& row, double full);
// A chart as CSV with them: "Depth,Capacity,Ullage,Percent", the rows as chartCsv takes them.
// A depth-for-volume table (`byVolume`) is "Capacity,Depth,Ullage,Percent", the volume first.
std::string chartCsvWithUllage(std::span<const CapacityRow> rows, double full,
                               bool byVolume = false);

// A fill mark: where the dipstick stops a filling so that the tank holds at most `percent` of
// full. The percent is the limit and the depth is where to stop, so the depth is the deepest
// reading at or below the level of that volume: rounded down to a multiple of `step` (the
// resolution it is shown to) when step > 0, else found on the tank's volume function to within
// a millionth of its height and rounded down to a single, the depth as a single prints it. The
// volume is the one at that depth, what the tank holds filled to
// the mark as read (so never above the percent when rounded). A percent the tank holds more
// than at the first reading (depth 0: the liquid below the striker plate, or below the dip
// point of a tilted tank) is below the stick: no reading marks it, and depth 0 and the volume
// there are given.
struct FillMark {
    double percent = 0;
    double depth = 0;
    double volume = 0;
    bool belowStick = false;
};
std::vector<FillMark> fillMarks(const TankVolume& tank, const std::vector<double>& percents,
                                double step = 0);

// The percents of a list such as "90,95": each a number above 0 and below 100. Throws
// InputError naming `what` for anything else.
std::vector<double> percentList(const std::string& text, const std::string& what);

// A gauge table: `count` breakpoints (depth, volume), the first at depth 0 (what the stick
// reads first) and the last at the full tank, placed so that the largest error of linear
// interpolation between them against the tank's volume function is as small as this search
// makes it; and that largest error with the depth where it occurs. Depth and volume rise
// strictly from point to point as singles, and only the last point is the full tank: a depth
// whose single depth or volume would repeat a neighbour's is never a point, so a table has
// fewer than `count` points only when the tank offers fewer such depths.
struct GaugeTable {
    std::vector<CapacityRow> points;
    double largestError = 0;
    double errorDepth = 0;
};
// Throws InputError for a count outside 2 ... 1000 or a tank below the striker plate.
GaugeTable gaugeTable(const TankVolume& tank, int count);
// A gauge table's error as people read it: `digits` significant digits in plain decimals
// ("0.00123", "0.561", "1230"), so that a small error never shows as 0.00.
std::string significantText(double value, int digits = 3);
// The table as CSV: "Depth,Capacity", then every point, depth 0 included.
std::string gaugeCsv(const GaugeTable& table);

// The largest error of linear interpolation between `points` against the tank's volume
// function, and where: each span searched densely, then narrowed on its largest error.
std::pair<double, double> interpolationError(const TankVolume& tank,
                                             const std::vector<CapacityRow>& points);

}  // namespace dipsheet::chart
