#pragma once

// One tank as the user describes it: its shape, the chart options and the dimensions as typed.
// The desktop builds it from the screen and the command line from its options; both store it
// with the chart, and everything else (the chart, the volume function, the full capacity, the
// set-up line, whether a chart on show still matches the inputs) is computed from it.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "chart/chart.h"

namespace dipsheet::chart {

// A horizontal rectangular tank, a horizontal cylinder with two like heads, or a vertical
// cylinder with a bottom.
enum class Shape { Rectangular, HorizontalCylinder, VerticalCylinder };

struct Tank {
    Shape shape = Shape::HorizontalCylinder;
    bool inches = true;
    bool outside = false;
    bool striker = true;
    // The increment of the depth, or with `byVolume` the volume step (US gallons or litres):
    // the chart is then the depth-for-volume table, the depth at which the tank holds the
    // step, twice the step, ... and the full tank. Either is read with '.' as the decimal point.
    std::string increment;
    bool byVolume = false;
    // The dimension texts. A rectangular tank reads length, width, height and thickness; a
    // horizontal cylinder diameter, length, headThickness and shellThickness; a vertical
    // cylinder diameter, verticalHeight(), headThickness (its bottom thickness) and
    // shellThickness. The thicknesses are read only with outside measures.
    std::string length, width, height, thickness;
    std::string diameter, headThickness, shellThickness;
    HeadTexts heads;  // of a cylinder; the depth only for the kinds whose depth is typed
    // A horizontal tank as it lies: the fall to end B or the tilt in degrees (at most one;
    // neither, or 0: level), and the dip point from end A (empty: the middle). See tilt.h.
    std::string fall, tiltDegrees, dipAt;
    // The number format the texts are read in (the user's, on the desktop).
    NumberFormat format;

    // The same tank with every text trimmed and the texts the chart does not read emptied
    // (the thicknesses with inside measures, the fields of the other shape, a head depth the
    // kind does not take): two tanks that chart alike compare equal.
    Tank normalised() const;

    // The same tank with its texts in the number format `to`: each text that is one number in
    // `format` rewritten for the same value (group separators dropped, the decimal separator
    // replaced), every other text as it stands. A tank stored under one format is shown and
    // charted under another as the same tank. The increment, always read with '.', is kept.
    Tank inFormat(const NumberFormat& to) const;

    bool horizontal() const { return shape != Shape::VerticalCylinder; }
    // A vertical cylinder's height, the straight shell standing above its bottom's seam (its
    // key in the stored line and on the command line is "height"). A cylinder keeps its shell
    // along the axis in one text, `length`, whether it lies or stands: a tank turned from one
    // to the other keeps the figure typed.
    std::string& verticalHeight() { return length; }
    const std::string& verticalHeight() const { return length; }
    // Whether a fall or degrees of tilt is typed (a fall of 0 still charts as a level tank).
    bool tilted() const { return !fall.empty() || !tiltDegrees.empty(); }
    ChartOptions options() const;

    // The set-up as people read it: "Horizontal cylinder, 2:1 Ellipsoidal heads, outside,
    // inches: Diameter 49, Length 96, Head Thickness .25, Shell Thickness .5; increment 1;
    // striker 0.25 in" ("; volume step 100 US gal" in place of the increment for a chart by
    // volume), and for a tilted tank "; tilted: B 2.5 in lower, dip 30 in from A;
    // below the stick 12.41 US gal" (the volume at reading 0, where the chart can be made).
    std::string describe() const;
    // "2:1 Ellipsoidal heads, depth 12" (the depth as typed, or as it follows from the inside
    // diameter): the heads (bottom) named under the printed heading; empty for flat ones and
    // for a rectangular tank.
    std::string headsDescription() const;

    // The tank in a few words, for a list: "Horizontal 2:1, 72 × 120 in", "Vertical flat,
    // 2000 × 3000 mm", "Rectangular, 120 × 40 × 30 in" (the dimensions as typed), and how a
    // tilted tank lies: "Horizontal 2:1, 72 × 120 in, B 3 in lower", "..., 2 degrees, A lower";
    // a chart by volume ends ", by volume 100 US gal".
    std::string brief() const;

    // The tank's inside measures as its chart reads them, for a drawing of it: the diameter
    // (or width and height), the height of a rectangular or a vertical tank (a vertical one's
    // shell above its bottom's seam), the length of a lying one, the heads' depth, and how a
    // horizontal tank lies (fall 0: level). None when a text cannot be read.
    struct Measures {
        double diameter = 0, width = 0, height = 0, headDepth = 0;
        // A horizontal or rectangular tank's length; 0 for a vertical one, whose is `height`.
        double length = 0;
        double fall = 0, dipAt = 0;
    };
    std::optional<Measures> measures() const;

    // The volume function, the chart and its full capacity. Throw InputError, in the words of
    // the chart, for a tank the program cannot chart.
    TankVolume volume() const;
    // A chart by volume has the rows of depthsByVolume as rows 1 to N, less any whose depth is
    // not above 0 (a volume held right at the striker plate): no such row is part of a chart.
    struct Chart {
        ChartRows rows;  // rows 0 to N
        double full = 0;
    };
    Chart chart() const;

    // The tank in one line of "key=value" pairs, for the job database ("tank=1; shape=cyl;
    // units=in; measures=inside; striker=yes; increment=1; diameter=48; length=96; heads=2:1").
    // A chart by volume has "by-volume=100" in place of the increment.
    // The keys after "tank=1" are the command line's option names; a value keeps any character,
    // with '%', ';' and control characters written as %XX.
    std::string toText() const;
    // The tank of such a line; none for a text this version cannot read (an unknown key or
    // version, a missing or bad value).
    static std::optional<Tank> fromText(std::string_view text);

    friend bool operator==(const Tank&, const Tank&) = default;

private:
    // "; tilted: B 2.5 in lower, dip 30 in from A; below the stick 12.41 US gal", or nothing.
    std::string tiltDescription() const;
    // How a tilted tank lies, as typed: "B 2.5 in lower", "2 degrees, A lower"; empty when
    // neither is typed.
    std::string lean() const;
};

// How people read the depths of a chart of `tank`: by its increment (a depth-for-volume table,
// whose depths fall on no step, and a chart kept without its tank by the single's default
// text), with as
// many more decimals as it takes to tell each of `rows` from the next. `fractions`: the page is
// laid out in fractions of an inch.
DepthWriting depthWritingOf(const std::optional<Tank>& tank, bool fractions,
                            std::span<const CapacityRow> rows = {});

// A chart as CSV: "Depth,Capacity", then one line per row, each value the shortest text that
// reads back to the same single. Rows whose depth is not above 0 are no part of a chart. A
// depth-for-volume table (`byVolume`) is "Capacity,Depth", every row, the volume first.
std::string chartCsv(std::span<const CapacityRow> rows, bool byVolume = false);

// A measure typed in one unit as typed in the other, for a switch of units that keeps the
// tank: a length from inches to millimetres (`toInches` false) or back, rounded to 0.1 mm or
// 0.01 in; with `volume`, from US gallons to litres or back (1 US gal = 3.785411784 L), rounded
// to 0.1 L or 0.01 US gal. The result is written in `format` without group separators and
// without trailing zeros ("1828.8", "72", "6,4"). A text that is not one number in `format`
// (blank, "12 ft", "1/8") is returned as it stands.
std::string convertedMeasure(std::string_view text, bool toInches, const NumberFormat& format,
                             bool volume = false);

}  // namespace dipsheet::chart
