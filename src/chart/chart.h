#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "numbers.h"

namespace dipsheet::chart {

// One row of a chart: a liquid depth and the volume held at it, both single precision. The
// job database stores it as a row of table Capacity (Depth, Capacity).
struct CapacityRow {
    float depth = 0.0f;
    float volume = 0.0f;

    friend bool operator==(const CapacityRow&, const CapacityRow&) = default;
};

// The in-memory chart: rows 0 to N. Row 0 stays zero and is never stored; rows 1 to N are the
// chart.
using ChartRows = std::vector<CapacityRow>;

// The largest row count: the signed 16-bit loop counter must be able to step past the last row.
inline constexpr std::int16_t kMaxRows = 32766;

// Input the program cannot chart. The message names the field or the problem and is meant
// for the user as it stands.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The chart options as the user set them. The increment is the text of its field, read as a
// leading number.
struct ChartOptions {
    bool outside = false;  // typed dimensions are outside measures, thicknesses are taken off
    bool inches = true;    // inches and US gallons; millimetres and litres otherwise
    bool striker = true;   // the striker plate raises every liquid height by S
    std::string increment;
    NumberFormat format;  // for the strict conversion of the dimension texts
};

// Field texts of the rectangular panel.
struct RectTexts {
    std::string length, width, height, thickness;
};

// Field texts of the horizontal and of the vertical cylinder panel. On the vertical panel
// `length` holds the height and `headThickness` the bottom thickness.
struct CylTexts {
    std::string diameter, length, headThickness, shellThickness;
};

// The three charts. Each reads its dimensions by strict conversion (outside measures less the
// plate thicknesses), steps the depth by the increment as a running single-precision sum and
// returns rows 0 to N. Throws InputError, naming the field or the problem, for any input it
// cannot chart; nothing is returned then.
ChartRows calcRect(const ChartOptions& options, const RectTexts& texts);
ChartRows calcCyl(const ChartOptions& options, const CylTexts& texts);
ChartRows calcVert(const ChartOptions& options, const CylTexts& texts);

// The row count N of a chart (rows 1 to N), as a signed 16-bit value.
inline std::int16_t rowCount(const ChartRows& rows) {
    return static_cast<std::int16_t>(rows.empty() ? 0 : rows.size() - 1);
}

}  // namespace dipsheet::chart
