#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "chart/numbers.h"

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

// The heads of a horizontal cylinder (both alike) or the bottom of a vertical one. Flat is the
// plain cylinder; every other kind is a head of revolution of depth `a` below its seam.
enum class HeadKind { Flat, TwoToOne, Hemispherical, AsmeFd, Ellipsoidal, Conical, Dished };

// The kind of head and, for the kinds that take one, the text of its depth field. A depth
// text is ignored for the kinds whose depth follows from the diameter.
struct HeadTexts {
    HeadKind kind = HeadKind::Flat;
    std::string depth;

    friend bool operator==(const HeadTexts&, const HeadTexts&) = default;
};

// The kinds in the order they are offered.
inline constexpr HeadKind kHeadKinds[] = {
    HeadKind::Flat,        HeadKind::TwoToOne, HeadKind::Hemispherical, HeadKind::AsmeFd,
    HeadKind::Ellipsoidal, HeadKind::Conical,  HeadKind::Dished};

// The command-line name of a kind ("flat", "2:1", "hemispherical", "asme-fd", "ellipsoidal",
// "conical", "dished") and the kind of such a name; no kind for any other text.
std::string_view headKindName(HeadKind kind);
std::optional<HeadKind> headKindFromName(std::string_view name);
// The kind's name on screen ("Flat", "2:1 Ellipsoidal", "Hemispherical", "ASME F&D", ...).
std::string_view headKindTitle(HeadKind kind);
// Whether the depth of the kind is typed (ellipsoidal, conical, dished).
bool headDepthIsTyped(HeadKind kind);
// The inside depth of a head whose depth follows from its inside diameter D: 0 for flat, D/4
// for 2:1, D/2 for hemispherical, D(1 - sqrt(0.69)) for ASME F&D (crown radius D, knuckle
// radius 0.06 D). No value for the kinds with a typed depth.
std::optional<double> fixedHeadDepth(HeadKind kind, double insideDiameter);

// The three charts. Each reads its dimensions by strict conversion (outside measures less the
// plate thicknesses), steps the depth by the increment as a running single-precision sum and
// returns rows 0 to N, N at least 1. Throws InputError, naming the field or the problem, for
// any input it cannot chart (an increment that leaves no row among them); nothing is returned
// then.
ChartRows calcRect(const ChartOptions& options, const RectTexts& texts);
ChartRows calcCyl(const ChartOptions& options, const CylTexts& texts);
ChartRows calcVert(const ChartOptions& options, const CylTexts& texts);

// The horizontal cylinder with two like heads and the vertical cylinder with a bottom. Flat
// gives the chart above, bit for bit. Otherwise the length (height) is the straight shell
// between the seams, the same inside or outside; with outside measures a typed depth loses
// the head (bottom) thickness. The horizontal chart runs to the diameter; the vertical one
// to the bottom's depth plus the height, its depth counted from the lowest point inside. A
// missing depth, one that is no number, or one the kind does not allow is refused, naming
// "Head Depth" ("Bottom Depth").
ChartRows calcCyl(const ChartOptions& options, const CylTexts& texts, const HeadTexts& heads);
ChartRows calcVert(const ChartOptions& options, const CylTexts& texts, const HeadTexts& bottom);

// A tank's volume as a function of the liquid height, as its chart takes it: the dimensions
// read, the heads built and the units chosen once, from the same options and texts as the
// chart. Holds no reference to them.
class TankVolume {
public:
    // `toFull`: the chart runs on to the first row at which the tank is full, which shows the
    // full tank (a tilted tank, whose top no reading need hit); otherwise it stops at the last
    // row at or below the top.
    TankVolume(std::function<double(double)> volume, double top, float striker, const char* topName,
               bool toFull = false);

    // The liquid height at which the tank is full: the height of a rectangular tank or of a
    // vertical one with a flat bottom, the diameter of a horizontal one, the bottom's depth
    // plus the shell's height of a vertical one with a bottom.
    double top() const { return m_top; }
    // The striker allowance S of the options: the dipstick depth d reads the liquid height d + S.
    float striker() const { return m_striker; }
    // What the top is called in messages ("Height", "Diameter", "depth of the tank").
    const char* topName() const { return m_topName; }
    bool chartsToFull() const { return m_toFull; }

    // The volume in US gallons or litres with the liquid at `height` above the lowest point
    // inside, in double precision: the value a chart row rounds to single. 0 at 0 and
    // non-decreasing up to the top.
    double at(double height) const { return m_volume(height); }
    double full() const { return m_volume(m_top); }

    // The liquid height at which the tank holds `volume`, to within `tolerance`, by a root find
    // on at() bracketed by 0 and the top. A volume at or below 0 gives 0, one at or above
    // full() the top.
    double heightFor(double volume, double tolerance) const;

    // A height and the volume at it.
    struct Point {
        double height, volume;
    };
    // The same inside a bracket, at(lo.height) < volume <= at(hi.height), and from an optional
    // guess (NaN for none): narrows the bracket to a width of at most `tolerance` and returns
    // the height the secant across it gives, inside it. Each probe costs one volume.
    double heightIn(Point& lo, Point& hi, double volume, double tolerance, double guess) const;

private:
    std::function<double(double)> m_volume;
    double m_top;
    float m_striker;
    const char* m_topName;
    bool m_toFull;
};

// The volume functions of the three charts below, for the same options and texts (the
// increment is not read). Throw InputError for dimensions the chart refuses, in its words.
TankVolume rectVolume(const ChartOptions& options, const RectTexts& texts);
TankVolume cylVolume(const ChartOptions& options, const CylTexts& texts,
                     const HeadTexts& heads = {});
TankVolume vertVolume(const ChartOptions& options, const CylTexts& texts,
                      const HeadTexts& bottom = {});

// The chart of a tank's volume function, stepped by the increment text as the three charts
// above step it: rows 0 to N. Throws InputError for an increment that leaves no row.
ChartRows chartRows(const TankVolume& tank, std::string_view increment);

// The depth-for-volume table: the dipstick depth at which the tank holds STEP, 2 STEP, ...
// below the full tank, then the full tank itself at depth top - S. The step is the text
// `step`, one number with '.' as the decimal point; each volume is k times it in double,
// rounded once to single; each depth is the liquid height less S, rounded to single, within
// a millionth of the top of the root of at(). Volumes below the striker plate (depth below 0)
// are left out. Rows are {depth, volume} in order; there is no row 0. Throws InputError for
// a step that is not a number or not above 0, a tank below the striker plate, or a table of
// more than kMaxRows rows.
std::vector<CapacityRow> depthsByVolume(const TankVolume& tank, std::string_view step);

// The units of a chart's volumes and lengths as the program writes them: "US gal" and "in",
// or "L" and "mm".
inline const char* volumeUnit(bool inches) {
    return inches ? "US gal" : "L";
}
inline const char* lengthUnit(bool inches) {
    return inches ? "in" : "mm";
}

// The row count N of a chart (rows 1 to N), as a signed 16-bit value.
inline std::int16_t rowCount(const ChartRows& rows) {
    return static_cast<std::int16_t>(rows.empty() ? 0 : rows.size() - 1);
}

}  // namespace dipsheet::chart
