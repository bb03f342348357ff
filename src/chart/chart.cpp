#include "chart/chart.h"
#include "chart/measures.h"

#include "heads.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <utility>

namespace dipsheet::chart {
namespace {

constexpr float kStrikerInches = 0.25f;
constexpr float kStrikerMillimetres = 6.0f;

// The text as typed, in quotes; a very long one is cut so the message stays readable. Built by
// appending: GCC 12 at -O3 falsely reports `"'" + std::string(...)` as an overlapping copy.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string out(1, '\'');
    if (text.size() <= kShown)
        return out.append(text).append(1, '\'');
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;  // UTF-8
    return out.append(text.substr(0, cut))
        .append("...' (")
        .append(std::to_string(text.size()))
        .append(" characters)");
}

std::string numberText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7g", value);
    return buffer;
}

bool fitsSingle(double value) {
    return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

// Rounds a double intermediate to single precision, refusing what a single cannot hold.
float toSingle(double value, const std::string& what) {
    if (!fitsSingle(value))
        throw InputError(what + " is beyond the range of the chart's numbers.");
    return static_cast<float>(value);
}

double strictOrThrow(std::string_view text, const char* caption, const NumberFormat& format) {
    const auto value = strictDouble(text, format);
    if (!value && isNumberText(text, format)) {
        throw InputError(std::string(caption) + ": " + quoted(text) +
                         " is beyond the range of the chart's numbers.");
    }
    if (!value) {
        throw InputError(std::string(caption) + ": " + quoted(text) +
                         " is not a number. Type the dimension as digits, e.g. 48 or 48.5.");
    }
    return *value;
}

void requirePositive(float value, const char* caption) {
    if (!(value > 0)) {
        throw InputError(std::string(caption) + " must be greater than 0; it is " +
                         numberText(value) + ".");
    }
}

// An inside dimension: the strict conversion of its text, rounded once to single precision.
float insideDimension(std::string_view text, const char* caption, const NumberFormat& format) {
    const double wide = strictOrThrow(text, caption, format);
    const auto value = strictSingle(text, format);
    if (!value) {
        throw InputError(std::string(caption) + ": " + quoted(text) + " (" + numberText(wide) +
                         ") is beyond the range of the chart's numbers.");
    }
    requirePositive(*value, caption);
    return *value;
}

// An outside dimension less `times` plate thicknesses, taken in double precision and rounded
// once to single precision. What remains must be a positive inside dimension.
float outsideDimension(std::string_view text, const char* caption, std::string_view thickness,
                       const char* thicknessCaption, int times, const NumberFormat& format) {
    const double outside = strictOrThrow(text, caption, format);
    const double plate = strictOrThrow(thickness, thicknessCaption, format);
    if (plate < 0) {
        throw InputError(std::string(thicknessCaption) + " must not be negative; it is " +
                         numberText(plate) + ".");
    }
    const double inside = outside - times * plate;
    const float value =
        toSingle(inside, std::string(caption) + " less " + (times == 2 ? "twice the " : "the ") +
                             thicknessCaption);
    if (!(value > 0)) {
        throw InputError(std::string(caption) + " " + numberText(outside) + " less " +
                         (times == 2 ? "twice the " : "the ") + thicknessCaption + " " +
                         numberText(plate) + " leaves no inside " + caption +
                         ". Check the thickness, or choose Inside dimensions.");
    }
    return value;
}

float dimension(const ChartOptions& o, std::string_view text, const char* caption,
                std::string_view thickness, const char* thicknessCaption, int times) {
    return o.outside ? outsideDimension(text, caption, thickness, thicknessCaption, times, o.format)
                     : insideDimension(text, caption, o.format);
}

float strikerOf(const ChartOptions& o) {
    if (!o.striker)
        return 0;
    return o.inches ? kStrikerInches : kStrikerMillimetres;
}

// The dipstick's span, the top less S, refused below 0.
double spanAboveStriker(const TankVolume& tank) {
    const auto top = static_cast<float>(tank.top());
    const double span = static_cast<double>(top) - static_cast<double>(tank.striker());
    if (span < 0) {
        const std::string name = tank.topName();
        throw InputError("The " + name + " " + numberText(top) +
                         " is below the striker plate allowance of " + numberText(tank.striker()) +
                         ". Uncheck the striker plate or check the " + name + ".");
    }
    return span;
}

void refuseRowCount(double count, const char* table, const char* step) {
    if (count > kMaxRows) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.0f", count);
        throw InputError(std::string("The ") + table + " would have " + buffer + " rows; at most " +
                         std::to_string(kMaxRows) + " fit in a chart. Choose a larger " + step +
                         ".");
    }
}

// What every chart shares: the striker allowance S, the increment and the row count N.
struct Steps {
    float striker = 0;
    float increment = 0;
    std::int16_t rows = 0;
};

Steps steps(std::string_view increment, const TankVolume& tank) {
    Steps s;
    s.striker = tank.striker();

    // The text must be one number as a whole before its value is looked at: read as a leading
    // number, '1/8' would chart silently at a step of 1, and 'abc' or 'NaN' would read 0.
    if (!isNumberText(increment, NumberFormat{".", ""})) {
        throw InputError("Incremental distance: " + quoted(increment) +
                         " is not a number. Type the increment as a decimal, e.g. .125 for 1/8.");
    }
    const double lead = leadingNumber(increment);
    if (!(lead > 0)) {
        throw InputError("Incremental distance: " + quoted(increment) +
                         " is not above 0. Type an increment greater than 0, e.g. .125.");
    }
    s.increment = toSingle(lead, "Incremental distance " + quoted(increment));
    if (!(s.increment > 0)) {
        throw InputError("Incremental distance: " + quoted(increment) +
                         " is too small to step the chart.");
    }

    const double span = spanAboveStriker(tank);
    if (tank.chartsToFull()) {
        // Rows run to the first whose liquid height reaches the top, as the running sum steps.
        refuseRowCount(std::ceil(span / static_cast<double>(s.increment)), "chart",
                       "incremental distance");
        float depth = 0;
        int count = 0;
        do {
            depth = static_cast<float>(static_cast<double>(depth) + s.increment);
            ++count;
        } while (static_cast<double>(depth) + s.striker < tank.top() && count <= kMaxRows);
        refuseRowCount(count, "chart", "incremental distance");
        s.rows = static_cast<std::int16_t>(count);
        return s;
    }
    const double count = std::floor(span / static_cast<double>(s.increment));
    refuseRowCount(count, "chart", "incremental distance");
    // A chart of no rows says nothing of the tank and, stored, would wipe the chart on file.
    if (count < 1) {
        throw InputError("The increment " + numberText(s.increment) + " is larger than the " +
                         tank.topName() + " " + numberText(static_cast<float>(tank.top())) +
                         " less the striker allowance " + numberText(s.striker) +
                         ": no row to chart. Choose a smaller increment.");
    }
    s.rows = static_cast<std::int16_t>(count);
    return s;
}

// Fills rows 1 to N: each depth is the previous one plus the increment, summed in double and
// stored in single precision (a running sum, not i × increment); the volume is taken at the
// liquid height depth + S.
ChartRows fill(const Steps& s, const TankVolume& tank) {
    ChartRows rows(static_cast<std::size_t>(s.rows) + 1, CapacityRow{});
    for (std::int16_t i = 1; i <= s.rows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const float depth =
            static_cast<float>(static_cast<double>(rows[at - 1].depth) + s.increment);
        const double volume = tank.at(static_cast<double>(depth) + s.striker);
        if (!fitsSingle(volume)) {
            throw InputError("The volume at depth " + singleText(depth) +
                             " is beyond the range of the chart's numbers. Check the dimensions.");
        }
        rows[at] = {depth, static_cast<float>(volume)};
    }
    return rows;
}

ChartRows chartOf(const ChartOptions& o, const TankVolume& tank) {
    return chartRows(tank, o.increment);
}

// The inside depth of the heads (bottom): the one that follows from the inside diameter, or
// the typed one, which with outside measures loses the head (bottom) thickness once.
double headDepth(const ChartOptions& o, const HeadTexts& heads, float diameter,
                 std::string_view thickness, const char* caption, const char* thicknessCaption,
                 const char* what) {
    if (!headDepthIsTyped(heads.kind))
        return *fixedHeadDepth(heads.kind, diameter);
    if (heads.depth.find_first_not_of(" \t") == std::string::npos) {
        throw InputError(std::string(caption) + " is required for " + what + " " +
                         std::string(headKindTitle(heads.kind)) + ". Type its depth, e.g. 12.");
    }
    const float depth =
        o.outside ? outsideDimension(heads.depth, caption, thickness, thicknessCaption, 1, o.format)
                  : insideDimension(heads.depth, caption, o.format);
    if (heads.kind == HeadKind::Dished && static_cast<double>(depth) > diameter / 2.0) {
        throw InputError(std::string(caption) + " " + numberText(depth) +
                         " is more than half the Diameter " + numberText(diameter) +
                         ": a dished head is at most a half sphere.");
    }
    return depth;
}

struct HeadName {
    HeadKind kind;
    std::string_view name, title;
};

constexpr HeadName kHeadNames[] = {
    {HeadKind::Flat, "flat", "Flat"},
    {HeadKind::TwoToOne, "2:1", "2:1 Ellipsoidal"},
    {HeadKind::Hemispherical, "hemispherical", "Hemispherical"},
    {HeadKind::AsmeFd, "asme-fd", "ASME F&D"},
    {HeadKind::Ellipsoidal, "ellipsoidal", "Ellipsoidal"},
    {HeadKind::Conical, "conical", "Conical"},
    {HeadKind::Dished, "dished", "Dished"},
};

const HeadName& headName(HeadKind kind) {
    for (const auto& entry : kHeadNames) {
        if (entry.kind == kind)
            return entry;
    }
    return kHeadNames[0];
}

}  // namespace

std::string_view headKindName(HeadKind kind) {
    return headName(kind).name;
}

std::string_view headKindTitle(HeadKind kind) {
    return headName(kind).title;
}

std::optional<HeadKind> headKindFromName(std::string_view name) {
    for (const auto& entry : kHeadNames) {
        if (entry.name == name)
            return entry.kind;
    }
    return std::nullopt;
}

bool headDepthIsTyped(HeadKind kind) {
    return kind == HeadKind::Ellipsoidal || kind == HeadKind::Conical || kind == HeadKind::Dished;
}

std::optional<double> fixedHeadDepth(HeadKind kind, double insideDiameter) {
    switch (kind) {
        case HeadKind::Flat:
            return 0.0;
        case HeadKind::TwoToOne:
            return insideDiameter / 4;
        case HeadKind::Hemispherical:
            return insideDiameter / 2;
        case HeadKind::AsmeFd:
            return Head(kind, insideDiameter, 0).depth();
        default:
            return std::nullopt;
    }
}

TankVolume::TankVolume(std::function<double(double)> volume, double top, float striker,
                       const char* topName, bool toFull)
    : m_volume(std::move(volume)),
      m_top(top),
      m_striker(striker),
      m_topName(topName),
      m_toFull(toFull) {}

double TankVolume::heightFor(double volume, double tolerance) const {
    if (!(volume > 0))
        return 0;
    Point lo{0, m_volume(0)}, hi{m_top, full()};
    if (volume >= hi.volume)
        return m_top;
    if (volume <= lo.volume)
        return 0;
    return heightIn(lo, hi, volume, tolerance, std::numeric_limits<double>::quiet_NaN());
}

// Illinois regula falsi: the secant through the bracket's ends, with the volume of an end kept
// twice running halved so that both ends close in. Each probe stays half a tolerance inside
// the bracket, so one beside the root closes it; bisection takes over when three probes have
// not halved the bracket.
double TankVolume::heightIn(Point& lo, Point& hi, double volume, double tolerance,
                            double guess) const {
    const double half = tolerance / 2;
    const auto probe = [&](double x) {
        const double at = m_volume(x);
        const bool below = at < volume;
        (below ? lo : hi) = {x, at};
        return below;
    };
    // A good guess settles the root with two probes just under a tolerance apart.
    const double reach = 0.49 * tolerance;
    if (std::isfinite(guess) && guess - reach > lo.height && guess + reach < hi.height) {
        if (probe(guess - reach))
            probe(guess + reach);
    }
    double weightLo = 1, weightHi = 1, width = hi.height - lo.height;
    int lastMoved = 0, sinceHalved = 0;
    while (hi.height - lo.height > tolerance) {
        const double fLo = (lo.volume - volume) * weightLo, fHi = (hi.volume - volume) * weightHi;
        double x = lo.height + (hi.height - lo.height) * (-fLo / (fHi - fLo));
        if (sinceHalved >= 3 || !std::isfinite(x))
            x = lo.height + (hi.height - lo.height) / 2;
        x = std::clamp(x, lo.height + half, hi.height - half);
        if (probe(x)) {
            weightLo = 1;
            if (lastMoved == 1)
                weightHi /= 2;
            lastMoved = 1;
        } else {
            weightHi = 1;
            if (lastMoved == -1)
                weightLo /= 2;
            lastMoved = -1;
        }
        const double now = hi.height - lo.height;
        if (now <= width / 2) {
            width = now;
            sinceHalved = 0;
        } else {
            ++sinceHalved;
        }
    }
    // The secant across the final bracket: far closer to the root than its middle, which
    // keeps the guesses extrapolated from it within the next bracket.
    const double share = (volume - lo.volume) / (hi.volume - lo.volume);
    return lo.height + (hi.height - lo.height) * std::clamp(share, 0.0, 1.0);
}

float strikerAllowance(const ChartOptions& o) {
    return strikerOf(o);
}

namespace {

// What a horizontal cylinder and a vertical one call their parts: the length (height), the
// plate at its end(s) and how many of them an outside length loses, the heads' (bottom's)
// depth, and the heads (bottom) in messages.
struct CylinderCaptions {
    const char *length, *endThickness;
    int endPlates;
    const char *depth, *what;
};

CylinderMeasures readCylinderAs(const ChartOptions& o, const CylTexts& t, const HeadTexts& heads,
                                const CylinderCaptions& c) {
    CylinderMeasures m;
    m.diameter = dimension(o, t.diameter, "Diameter", t.shellThickness, "Shell Thickness", 2);
    if (heads.kind == HeadKind::Flat) {
        m.length = dimension(o, t.length, c.length, t.headThickness, c.endThickness, c.endPlates);
        m.head = Head(HeadKind::Flat, m.diameter, 0);
        return m;
    }
    // the straight shell between (above) the seams, the same inside or outside
    m.length = insideDimension(t.length, c.length, o.format);
    m.head =
        Head(heads.kind, m.diameter,
             headDepth(o, heads, m.diameter, t.headThickness, c.depth, c.endThickness, c.what));
    return m;
}

}  // namespace

CylinderMeasures readCylinder(const ChartOptions& o, const CylTexts& t, const HeadTexts& heads) {
    return readCylinderAs(o, t, heads, {"Length", "Head Thickness", 2, "Head Depth", "heads"});
}

CylinderMeasures readVertical(const ChartOptions& o, const CylTexts& t, const HeadTexts& bottom) {
    // The outside height loses only the bottom plate: a vertical tank has no roof plate here.
    return readCylinderAs(o, t, bottom,
                          {"Height", "Bottom Thickness", 1, "Bottom Depth", "a bottom"});
}

RectangleMeasures readRectangle(const ChartOptions& o, const RectTexts& t) {
    return {dimension(o, t.length, "Length", t.thickness, "Thickness", 2),
            dimension(o, t.width, "Width", t.thickness, "Thickness", 2),
            dimension(o, t.height, "Height", t.thickness, "Thickness", 2)};
}

TankVolume rectVolume(const ChartOptions& o, const RectTexts& t) {
    const auto [length, width, height] = readRectangle(o, t);
    const double factor = singleVolumeFactor(o.inches);
    const double floorArea = static_cast<double>(length) * static_cast<double>(width);
    return TankVolume(
        [floorArea, factor](double level) {
            // liquid height first, then the floor area, then the factor
            return level * floorArea * factor;
        },
        height, strikerOf(o), "Height");
}

namespace {

TankVolume flatCylVolume(const ChartOptions& o, const CylTexts& t) {
    const CylinderMeasures m = readCylinder(o, t, {});
    const float diameter = m.diameter, length = m.length;
    const float radius = static_cast<float>(static_cast<double>(diameter) / 2);
    const double d = diameter;
    const float area = toSingle(d * d * kChartPi / 4, "The cross-section of the tank");
    const double factor = volumeFactor(o.inches);
    const double r = radius;
    const double r2 = r * r;
    const auto volume = [=](double height) {
        const float h = static_cast<float>(height);
        float segment;
        if (h >= diameter) {
            // The running depth sum can pass the top in the last rows: the tank is full.
            segment = area;
        } else if (h > radius) {
            // Surface above the centre: the full circle less the empty segment above it.
            const float x = static_cast<float>(height - r);
            const double x2 = static_cast<double>(x) * x;
            const float c = static_cast<float>(std::sqrt(r2 - x2));
            const float angle = static_cast<float>(2 * std::atan(static_cast<double>(c) / x));
            segment = static_cast<float>(static_cast<double>(area) -
                                         (r2 * angle / 2 - static_cast<double>(x) * c));
        } else {
            // Surface at or below the centre: the liquid segment itself.
            const float x = static_cast<float>(r - height);
            const double x2 = static_cast<double>(x) * x;
            const float c = static_cast<float>(std::sqrt(r2 - x2));
            if (x == 0.0f) {
                segment = static_cast<float>(r2 * kChartPi / 2);
            } else {
                const float angle = static_cast<float>(2 * std::atan(static_cast<double>(c) / x));
                segment = static_cast<float>(r2 * angle / 2 - static_cast<double>(x) * c);
            }
        }
        return static_cast<double>(segment) * factor * static_cast<double>(length);
    };
    return TankVolume(volume, diameter, strikerOf(o), "Diameter");
}

TankVolume flatVertVolume(const ChartOptions& o, const CylTexts& t) {
    const CylinderMeasures m = readVertical(o, t, {});
    const float diameter = m.diameter, height = m.length;
    const double factor = singleVolumeFactor(o.inches);
    const double half = static_cast<double>(diameter) / 2;  // not rounded before squaring
    const double floorArea = half * half * kChartPi;
    return TankVolume([floorArea, factor](double level) { return floorArea * level * factor; },
                      height, strikerOf(o), "Height");
}

}  // namespace

TankVolume cylVolume(const ChartOptions& o, const CylTexts& t, const HeadTexts& heads) {
    if (heads.kind == HeadKind::Flat)
        return flatCylVolume(o, t);
    const CylinderMeasures m = readCylinder(o, t, heads);
    const float diameter = m.diameter, length = m.length;
    Head head = m.head;
    head.tabulate();
    const double factor = volumeFactor(o.inches);
    const double d = diameter, r = d / 2, shell = length;
    const double full = kChartPi * r * r * shell + 2 * head.full();
    const auto volume = [=](double height) {
        // the shell's segment and both heads with the liquid e above the bottom, in double and
        // rounded once by the chart
        const auto below = [&](double e) {
            const Level level = Level::at(r, e);
            return shell * circleSegment(r, level) + 2 * head.lower(level);
        };
        double held;
        if (!(height > 0))
            held = 0;
        else if (height >= d)
            held = full;  // the running depth sum can pass the top in the last rows
        else if (height <= r)
            held = below(height);
        else
            held = full - below(d - height);  // the full tank less the empty space above
        return held * factor;
    };
    return TankVolume(volume, diameter, strikerOf(o), "Diameter");
}

TankVolume vertVolume(const ChartOptions& o, const CylTexts& t, const HeadTexts& bottom) {
    if (bottom.kind == HeadKind::Flat)
        return flatVertVolume(o, t);
    const CylinderMeasures m = readVertical(o, t, bottom);
    const float diameter = m.diameter, height = m.length;
    const Head head = m.head;
    const double a = head.depth();
    const double top = a + static_cast<double>(height);
    toSingle(top, "The Bottom Depth and the Height");
    const double factor = volumeFactor(o.inches);
    const double r = static_cast<double>(diameter) / 2;
    const double area = kChartPi * r * r;
    const auto volume = [=](double height) {
        // the running depth sum can pass the top in the last rows: the tank is then full
        const double level = std::min(height, top);
        const double held = level <= a ? head.vertical(level) : head.full() + area * (level - a);
        return held * factor;
    };
    return TankVolume(volume, top, strikerOf(o), "depth of the tank");
}

ChartRows chartRows(const TankVolume& tank, std::string_view increment) {
    return fill(steps(increment, tank), tank);
}

ChartRows calcRect(const ChartOptions& o, const RectTexts& t) {
    return chartOf(o, rectVolume(o, t));
}

ChartRows calcCyl(const ChartOptions& o, const CylTexts& t) {
    return chartOf(o, flatCylVolume(o, t));
}

ChartRows calcVert(const ChartOptions& o, const CylTexts& t) {
    return chartOf(o, flatVertVolume(o, t));
}

ChartRows calcCyl(const ChartOptions& o, const CylTexts& t, const HeadTexts& heads) {
    return chartOf(o, cylVolume(o, t, heads));
}

ChartRows calcVert(const ChartOptions& o, const CylTexts& t, const HeadTexts& bottom) {
    return chartOf(o, vertVolume(o, t, bottom));
}

std::vector<CapacityRow> depthsByVolume(const TankVolume& tank, std::string_view step) {
    if (!isNumberText(step, NumberFormat{".", ""})) {
        throw InputError("Volume step: " + quoted(step) +
                         " is not a number. Type the step as a decimal, e.g. 50 or 2.5.");
    }
    const double lead = leadingNumber(step);
    if (!(lead > 0)) {
        throw InputError("Volume step: " + quoted(step) +
                         " is not above 0. Type a step greater than 0, e.g. 50.");
    }
    if (!(toSingle(lead, "Volume step " + quoted(step)) > 0))
        throw InputError("Volume step: " + quoted(step) + " is too small to step the table.");
    spanAboveStriker(tank);
    const double striker = tank.striker(), top = tank.top(), full = tank.full();
    if (!fitsSingle(full)) {
        throw InputError(
            "The volume of the full tank is beyond the range of the chart's numbers. Check the "
            "dimensions.");
    }
    const auto fullSingle = static_cast<float>(full);
    // The volume below the plate: no dipstick depth reads it.
    const double plate = tank.at(striker);

    // Row k holds k × step rounded to single, for the k from `first` (the first at or above
    // the plate) up to, not including, `end` (the first that reaches the full tank); then the
    // full tank. A rough count first keeps the counting exact in double.
    const auto volumeOf = [lead](double k) { return static_cast<float>(k * lead); };
    const double rough = std::ceil(full / lead) - std::floor(plate / lead);
    if (rough > 2.0 * kMaxRows)
        refuseRowCount(rough, "table", "volume step");
    double first = std::max(1.0, std::ceil(plate / lead));
    while (first > 1 && static_cast<double>(volumeOf(first - 1)) >= plate)
        --first;
    while (static_cast<double>(volumeOf(first)) < plate)
        ++first;
    double end = std::max(first, std::ceil(full / lead));
    while (end > first && volumeOf(end - 1) >= fullSingle)
        --end;
    while (volumeOf(end) < fullSingle)
        ++end;
    refuseRowCount(end - first + 1, "table", "volume step");

    // Successive roots share their brackets: the upper end of one is the lower end of the
    // next once its volume is passed. The roots of the last three rows, extrapolated in
    // volume, guess the next one.
    // The root is within the final bracket, and rounding to single adds at most 2^-24 of top.
    const double tolerance = 0.9e-6 * top;
    std::vector<CapacityRow> rows;
    rows.reserve(static_cast<std::size_t>(end - first) + 1);
    TankVolume::Point lo{striker, plate}, hi{top, full};
    double vs[3] = {}, hs[3] = {}, height = striker;
    int known = 0;
    for (double k = first; k < end; ++k) {
        const float volume = volumeOf(k);
        const double v = volume;
        if (v > lo.volume) {
            if (hi.volume < v) {
                lo = hi;
                hi = {top, full};
            }
            double guess = std::numeric_limits<double>::quiet_NaN();
            if (known >= 2) {
                const double slope = (hs[2] - hs[1]) / (vs[2] - vs[1]);
                guess = hs[2] + (v - vs[2]) * slope;
                if (known >= 3) {
                    const double curve =
                        (slope - (hs[1] - hs[0]) / (vs[1] - vs[0])) / (vs[2] - vs[0]);
                    guess += (v - vs[2]) * (v - vs[1]) * curve;
                }
            }
            // Never below the row before: the volume is non-decreasing in height.
            height = std::max(height, tank.heightIn(lo, hi, v, tolerance, guess));
            vs[0] = vs[1], vs[1] = vs[2], vs[2] = v;
            hs[0] = hs[1], hs[1] = hs[2], hs[2] = height;
            known = std::min(known + 1, 3);
        }
        rows.push_back({static_cast<float>(height - striker), volume});
    }
    rows.push_back({static_cast<float>(top - striker), fullSingle});
    return rows;
}

}  // namespace dipsheet::chart
