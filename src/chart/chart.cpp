#include "chart.h"

#include "heads.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

namespace dipsheet::chart {
namespace {

constexpr float kGallonsPerCubicInch = 0.004328704f;
constexpr double kGallonsPerCubicInchD = 0.004328704;
constexpr float kLitresPerCubicMillimetre = 1e-6f;
constexpr double kLitresPerCubicMillimetreD = 1e-6;
constexpr float kStrikerInches = 0.25f;
constexpr float kStrikerMillimetres = 6.0f;
constexpr double kPi = kChartPi;

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

// What every chart shares: the striker allowance S, the increment and the row count N.
struct Steps {
    float striker = 0;
    float increment = 0;
    std::int16_t rows = 0;
};

Steps steps(const ChartOptions& o, float usableHeight, const char* heightCaption) {
    Steps s;
    if (o.striker)
        s.striker = o.inches ? kStrikerInches : kStrikerMillimetres;

    const double lead = leadingNumber(o.increment);
    if (!(lead > 0)) {
        throw InputError("Incremental distance: " + quoted(o.increment) +
                         " is not above 0. Type an increment greater than 0, e.g. .125.");
    }
    // The step is the number the text begins with, but a text that is not one number as a
    // whole ('1/8' reads 1) would chart silently at the wrong step: refused.
    if (!isNumberText(o.increment, NumberFormat{".", ""})) {
        throw InputError("Incremental distance: " + quoted(o.increment) +
                         " is not a number. Type the increment as a decimal, e.g. .125 for 1/8.");
    }
    s.increment = toSingle(lead, "Incremental distance " + quoted(o.increment));
    if (!(s.increment > 0)) {
        throw InputError("Incremental distance: " + quoted(o.increment) +
                         " is too small to step the chart.");
    }

    const double span = static_cast<double>(usableHeight) - static_cast<double>(s.striker);
    if (span < 0) {
        throw InputError(std::string("The ") + heightCaption + " " + numberText(usableHeight) +
                         " is below the striker plate allowance of " + numberText(s.striker) +
                         ". Uncheck the striker plate or check the " + heightCaption + ".");
    }
    const double count = std::floor(span / static_cast<double>(s.increment));
    if (count > kMaxRows) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.0f", count);
        throw InputError("The chart would have " + std::string(buffer) + " rows; at most " +
                         std::to_string(kMaxRows) +
                         " fit in a chart. Choose a larger incremental distance.");
    }
    s.rows = static_cast<std::int16_t>(count);
    return s;
}

// Fills rows 1 to N: each depth is the previous one plus the increment, summed in double and
// stored in single precision (a running sum, not i × increment); the volume is taken at the
// liquid height depth + S.
template <typename Volume>
ChartRows fill(const Steps& s, Volume volumeAt) {
    ChartRows rows(static_cast<std::size_t>(s.rows) + 1, CapacityRow{});
    for (std::int16_t i = 1; i <= s.rows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const float depth =
            static_cast<float>(static_cast<double>(rows[at - 1].depth) + s.increment);
        const double volume = volumeAt(depth);
        if (!fitsSingle(volume)) {
            throw InputError("The volume at depth " + singleText(depth) +
                             " is beyond the range of the chart's numbers. Check the dimensions.");
        }
        rows[at] = {depth, static_cast<float>(volume)};
    }
    return rows;
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

ChartRows calcRect(const ChartOptions& o, const RectTexts& t) {
    const float length = dimension(o, t.length, "Length", t.thickness, "Thickness", 2);
    const float width = dimension(o, t.width, "Width", t.thickness, "Thickness", 2);
    const float height = dimension(o, t.height, "Height", t.thickness, "Thickness", 2);
    const float factor = o.inches ? kGallonsPerCubicInch : kLitresPerCubicMillimetre;
    const Steps s = steps(o, height, "Height");
    const double floorArea = static_cast<double>(length) * static_cast<double>(width);
    return fill(s, [&](float depth) {
        // liquid height first, then the floor area, then the factor
        return (static_cast<double>(depth) + s.striker) * floorArea * static_cast<double>(factor);
    });
}

ChartRows calcCyl(const ChartOptions& o, const CylTexts& t) {
    const float diameter =
        dimension(o, t.diameter, "Diameter", t.shellThickness, "Shell Thickness", 2);
    const float length = dimension(o, t.length, "Length", t.headThickness, "Head Thickness", 2);
    const float radius = static_cast<float>(static_cast<double>(diameter) / 2);
    const double d = diameter;
    const float area = toSingle(d * d * kPi / 4, "The cross-section of the tank");
    const double factor = o.inches ? kGallonsPerCubicInchD : kLitresPerCubicMillimetreD;
    const Steps s = steps(o, diameter, "Diameter");
    const double r = radius;
    const double r2 = r * r;
    return fill(s, [&](float depth) {
        const double height = static_cast<double>(depth) + s.striker;
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
                segment = static_cast<float>(r2 * kPi / 2);
            } else {
                const float angle = static_cast<float>(2 * std::atan(static_cast<double>(c) / x));
                segment = static_cast<float>(r2 * angle / 2 - static_cast<double>(x) * c);
            }
        }
        return static_cast<double>(segment) * factor * static_cast<double>(length);
    });
}

ChartRows calcVert(const ChartOptions& o, const CylTexts& t) {
    const float diameter =
        dimension(o, t.diameter, "Diameter", t.shellThickness, "Shell Thickness", 2);
    // The outside height loses only the bottom plate: a vertical tank has no roof plate here.
    const float height = dimension(o, t.length, "Height", t.headThickness, "Bottom Thickness", 1);
    const float factor = o.inches ? kGallonsPerCubicInch : kLitresPerCubicMillimetre;
    const Steps s = steps(o, height, "Height");
    const double half = static_cast<double>(diameter) / 2;  // not rounded before squaring
    const double floorArea = half * half * kPi;
    return fill(s, [&](float depth) {
        return floorArea * (static_cast<double>(depth) + s.striker) * static_cast<double>(factor);
    });
}

ChartRows calcCyl(const ChartOptions& o, const CylTexts& t, const HeadTexts& heads) {
    if (heads.kind == HeadKind::Flat)
        return calcCyl(o, t);
    const float diameter =
        dimension(o, t.diameter, "Diameter", t.shellThickness, "Shell Thickness", 2);
    // the straight shell between the seams, the same inside or outside
    const float length = insideDimension(t.length, "Length", o.format);
    const Head head(
        heads.kind, diameter,
        headDepth(o, heads, diameter, t.headThickness, "Head Depth", "Head Thickness", "heads"));
    const double factor = o.inches ? kGallonsPerCubicInchD : kLitresPerCubicMillimetreD;
    const Steps s = steps(o, diameter, "Diameter");
    const double d = diameter, r = d / 2, shell = length;
    const double full = kPi * r * r * shell + 2 * head.full();
    // the shell's segment and both heads with the liquid at q below the axis
    const auto below = [&](double q) {
        return shell * circleSegmentBelow(r, q) + 2 * head.belowAxis(q);
    };
    return fill(s, [&](float depth) {
        const double height = static_cast<double>(depth) + s.striker;
        double volume;
        if (height >= d)
            volume = full;  // the running depth sum can pass the top in the last rows
        else if (height <= r)
            volume = below(r - height);
        else
            volume = full - below(height - r);  // the full tank less the empty space above
        return volume * factor;
    });
}

ChartRows calcVert(const ChartOptions& o, const CylTexts& t, const HeadTexts& bottom) {
    if (bottom.kind == HeadKind::Flat)
        return calcVert(o, t);
    const float diameter =
        dimension(o, t.diameter, "Diameter", t.shellThickness, "Shell Thickness", 2);
    // the straight shell above the bottom's seam, the same inside or outside
    const float height = insideDimension(t.length, "Height", o.format);
    const Head head(bottom.kind, diameter,
                    headDepth(o, bottom, diameter, t.headThickness, "Bottom Depth",
                              "Bottom Thickness", "a bottom"));
    const double a = head.depth();
    const double top = a + static_cast<double>(height);
    const float depthOfTank = toSingle(top, "The Bottom Depth and the Height");
    const double factor = o.inches ? kGallonsPerCubicInchD : kLitresPerCubicMillimetreD;
    const Steps s = steps(o, depthOfTank, "depth of the tank");
    const double r = static_cast<double>(diameter) / 2;
    const double area = kPi * r * r;
    return fill(s, [&](float depth) {
        // the running depth sum can pass the top in the last rows: the tank is then full
        const double level = std::min(static_cast<double>(depth) + s.striker, top);
        const double volume = level <= a ? head.vertical(level) : head.full() + area * (level - a);
        return volume * factor;
    });
}

}  // namespace dipsheet::chart
