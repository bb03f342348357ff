// The inside measures of a tank as its chart reads them from the typed texts: outside measures
// less the plates, the heads' depth, the striker allowance; and the checks of reading.h.

#include "chart/measures.h"

#include "reading.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

namespace dipsheet::chart {

namespace detail {

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

double readStep(std::string_view text, const StepWords& words) {
    const std::string caption = words.caption;
    // The text must be one number as a whole before its value is looked at: read as a leading
    // number, '1/8' would chart silently at a step of 1, and 'abc' or 'NaN' would read 0.
    if (!isNumberText(text, NumberFormat{".", ""}))
        throw InputError(caption + ": " + quoted(text) + " is not a number. " + words.notANumber);
    const double lead = leadingNumber(text);
    if (!(lead > 0)) {
        throw InputError(caption + ": " + quoted(text) + " is not above 0. " + words.notAboveZero);
    }
    if (!(toSingle(lead, caption + " " + quoted(text)) > 0)) {
        throw InputError(caption + ": " + quoted(text) + " is too small to step the " +
                         words.stepped + ".");
    }
    return lead;
}

}  // namespace detail

using detail::numberText;
using detail::quoted;
using detail::toSingle;

namespace {

constexpr float kStrikerInches = 0.25f;
constexpr float kStrikerMillimetres = 6.0f;

double strictOrThrow(std::string_view text, const char* caption, const NumberFormat& format) {
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        throw InputError(std::string(caption) +
                         " is missing. Type the dimension as digits, e.g. "
                         "48 or 48.5.");
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

float strikerAllowance(const ChartOptions& o) {
    if (!o.striker)
        return 0;
    return o.inches ? kStrikerInches : kStrikerMillimetres;
}

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

}  // namespace dipsheet::chart
