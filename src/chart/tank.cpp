// The tank as the user describes it: its fields by shape, its texts made ready to chart, the
// set-up line and brief, its measures, volume and chart, the chart as CSV and the unit switch.

#include "chart/tank.h"

#include "tank_fields.h"

#include "chart/measures.h"
#include "chart/numbers.h"
#include "chart/numeric.h"
#include "chart/tilt.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace dipsheet::chart {

namespace detail {

const std::array<ShapeFields, 3>& shapeTable() {
    static const std::array<ShapeFields, 3> table{{
        {Shape::Rectangular,
         "rect",
         "Rectangular tank",
         {{&Tank::length, "Length", "length"},
          {&Tank::width, "Width", "width"},
          {&Tank::height, "Height", "height"},
          {&Tank::thickness, "Thickness", "thickness"}},
         1,
         nullptr,
         nullptr,
         nullptr},
        {Shape::HorizontalCylinder,
         "cyl",
         "Horizontal cylinder",
         {{&Tank::diameter, "Diameter", "diameter"},
          {&Tank::length, "Length", "length"},
          {&Tank::headThickness, "Head Thickness", "head-thickness"},
          {&Tank::shellThickness, "Shell Thickness", "shell-thickness"}},
         2,
         "heads",
         "head-depth",
         "Head Depth"},
        {Shape::VerticalCylinder,
         "vert",
         "Vertical cylinder",
         {{&Tank::diameter, "Diameter", "diameter"},
          {&Tank::length, "Height", "height"},  // verticalHeight()
          {&Tank::headThickness, "Bottom Thickness", "bottom-thickness"},
          {&Tank::shellThickness, "Shell Thickness", "shell-thickness"}},
         2,
         "bottom",
         "bottom-depth",
         "Bottom Depth"},
    }};
    return table;
}

const ShapeFields& fieldsOf(Shape shape) {
    for (const ShapeFields& entry : shapeTable()) {
        if (entry.shape == shape)
            return entry;
    }
    return shapeTable()[0];
}

// The fields the tank reads: the thicknesses only with outside measures.
std::vector<Field> readFields(const Tank& tank) {
    const ShapeFields& own = fieldsOf(tank.shape);
    std::vector<Field> fields = own.fields;
    if (!tank.outside)
        fields.resize(fields.size() - own.thicknesses);
    return fields;
}

bool typedDepth(const Tank& tank) {
    return tank.shape != Shape::Rectangular && headDepthIsTyped(tank.heads.kind);
}

}  // namespace detail

using detail::Field;
using detail::fieldsOf;
using detail::readFields;
using detail::ShapeFields;
using detail::typedDepth;

Tank Tank::normalised() const {
    Tank tank;
    tank.shape = shape;
    tank.inches = inches;
    tank.outside = outside;
    tank.striker = striker;
    tank.increment = trimmed(increment);
    tank.byVolume = byVolume;
    tank.format = format;
    for (const Field& field : readFields(*this))
        tank.*field.text = trimmed(this->*field.text);
    if (shape != Shape::Rectangular) {
        tank.heads.kind = heads.kind;
        if (typedDepth(*this))
            tank.heads.depth = trimmed(heads.depth);
    }
    if (horizontal()) {
        tank.fall = trimmed(fall);
        tank.tiltDegrees = trimmed(tiltDegrees);
        tank.dipAt = trimmed(dipAt);
    }
    return tank;
}

Tank Tank::inFormat(const NumberFormat& to) const {
    Tank tank = *this;
    tank.format = to;
    if (to == format)
        return tank;
    for (std::string Tank::*text : {&Tank::length, &Tank::width, &Tank::height, &Tank::thickness,
                                    &Tank::diameter, &Tank::headThickness, &Tank::shellThickness,
                                    &Tank::fall, &Tank::tiltDegrees, &Tank::dipAt}) {
        if (auto converted = numberInFormat(this->*text, format, to))
            tank.*text = std::move(*converted);
    }
    if (auto depth = numberInFormat(heads.depth, format, to))
        tank.heads.depth = std::move(*depth);
    return tank;
}

ChartOptions Tank::options() const {
    ChartOptions options;
    options.outside = outside;
    options.inches = inches;
    options.striker = striker;
    options.increment = increment;
    options.format = format;
    return options;
}

std::string Tank::describe() const {
    const ShapeFields& own = fieldsOf(shape);
    std::string text = own.title;
    if (shape != Shape::Rectangular) {
        text.append(", ").append(headKindTitle(heads.kind));
        text.append(shape == Shape::VerticalCylinder ? " bottom" : " heads");
    }
    text.append(outside ? ", outside" : ", inside");
    text.append(inches ? ", inches: " : ", millimetres: ");
    const char* separator = "";
    for (const Field& field : readFields(*this)) {
        text.append(separator).append(field.caption).append(" ").append(trimmed(this->*field.text));
        separator = ", ";
    }
    if (typedDepth(*this))
        text.append(separator).append(own.depthCaption).append(" ").append(trimmed(heads.depth));
    if (byVolume)
        text.append("; volume step ")
            .append(trimmed(increment))
            .append(" ")
            .append(volumeUnit(inches));
    else
        text.append("; increment ").append(trimmed(increment));
    text.append(!striker ? "; no striker plate" : inches ? "; striker 0.25 in" : "; striker 6 mm");
    return text.append(tiltDescription());
}

std::string Tank::tiltDescription() const {
    if (!horizontal() || !tilted() || lean().empty())
        return {};
    const std::string unit = std::string(" ") + lengthUnit(inches);
    std::string text = "; tilted: " + lean();
    const std::string x = trimmed(dipAt);
    text.append(x.empty() ? ", dip in the middle" : ", dip " + x + unit + " from A");
    // What the stick cannot see, where the tank can be charted at all.
    try {
        const TankVolume tank = volume();
        const double hidden = tank.at(tank.striker());
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", hidden);
        text.append("; below the stick ").append(buffer).append(" ").append(volumeUnit(inches));
    } catch (const InputError&) {
    }
    return text;
}

std::string Tank::lean() const {
    const std::string f = trimmed(fall), degrees = trimmed(tiltDegrees);
    // A fall or tilt of 0 charts the level tank: it lies no way at all.
    const auto zero = [this](const std::string& text) {
        const auto value = strictDouble(text, format);
        return value && *value == 0;
    };
    if (zero(f) || zero(degrees))
        return {};
    if (!f.empty()) {
        const bool aLower = f.front() == '-';
        return std::string(aLower ? "A " : "B ") + (aLower ? f.substr(1) : f) + " " +
               lengthUnit(inches) + " lower";
    }
    if (degrees.empty())
        return {};
    const bool aLower = degrees.front() == '-';
    return (aLower ? degrees.substr(1) : degrees) +
           (aLower ? " degrees, A lower" : " degrees, B lower");
}

std::string Tank::headsDescription() const {
    if (shape == Shape::Rectangular || heads.kind == HeadKind::Flat)
        return {};
    std::string text(headKindTitle(heads.kind));
    text.append(shape == Shape::VerticalCylinder ? " bottom" : " heads");
    if (typedDepth(*this)) {
        if (!trimmed(heads.depth).empty())
            text.append(", depth ").append(trimmed(heads.depth));
        return text;
    }
    // The depth that follows from the inside diameter, as the heads panel shows it.
    double inside = leadingNumber(diameter);
    if (outside)
        inside -= 2 * leadingNumber(shellThickness);
    if (const auto depth = fixedHeadDepth(heads.kind, inside); depth && inside > 0)
        text.append(", depth ").append(singleDefaultText(static_cast<float>(*depth)));
    return text;
}

std::string Tank::brief() const {
    std::string text;
    std::vector<std::string> sizes;
    if (shape == Shape::Rectangular) {
        text = "Rectangular";
        sizes = {length, width, height};
    } else {
        text = shape == Shape::VerticalCylinder ? "Vertical " : "Horizontal ";
        std::string kind(headKindName(heads.kind));
        text += kind == "asme-fd" ? "ASME F&D" : kind;
        sizes = {diameter, horizontal() ? length : verticalHeight()};
    }
    const char* separator = ", ";
    for (const std::string& size : sizes) {
        text.append(separator).append(trimmed(size));
        separator = " \u00d7 ";
    }
    text.append(" ").append(lengthUnit(inches));
    // How it lies, unless the fall or tilt typed reads 0 (a level tank).
    if (const std::string how = horizontal() ? lean() : std::string(); !how.empty()) {
        if (strictDouble(trimmed(fall).empty() ? tiltDegrees : fall, format) != 0.0)
            text.append(", ").append(how);
    }
    if (byVolume)
        text.append(", by volume ")
            .append(trimmed(increment))
            .append(" ")
            .append(volumeUnit(inches));
    return text;
}

std::optional<Tank::Measures> Tank::measures() const {
    const ChartOptions o = options();
    const CylTexts cyl{diameter, length, headThickness, shellThickness};
    Measures m;
    try {
        if (shape == Shape::Rectangular) {
            const RectangleMeasures r = readRectangle(o, {length, width, height, thickness});
            m.length = r.length;
            m.width = r.width;
            m.height = r.height;
        } else {
            const CylinderMeasures c =
                horizontal() ? readCylinder(o, cyl, heads) : readVertical(o, cyl, heads);
            m.diameter = c.diameter;
            // A lying tank's length; a standing one's shell above its bottom's seam.
            (horizontal() ? m.length : m.height) = c.length;
            m.headDepth = c.head.depth();
        }
        m.dipAt = m.length / 2;
        if (horizontal()) {
            if (const auto lying = readTilt({fall, tiltDegrees, dipAt}, m.length, format)) {
                m.fall = lying->sine * m.length;
                m.dipAt = lying->dipAt;
            } else if (!dipAt.empty()) {
                m.dipAt = strictDouble(dipAt, format).value_or(m.dipAt);
            }
        }
    } catch (const InputError&) {
        return std::nullopt;
    }
    return m;
}

TankVolume Tank::volume() const {
    const ChartOptions o = options();
    const CylTexts cyl{diameter, length, headThickness, shellThickness};
    const TiltTexts tilt{fall, tiltDegrees, dipAt};
    // A fall of 0 (or none) takes the level tank's own path, bit for bit.
    switch (shape) {
        case Shape::Rectangular: {
            const RectTexts texts{length, width, height, thickness};
            if (tilt.any()) {
                const RectangleMeasures measures = readRectangle(o, texts);
                if (const auto lying = readTilt(tilt, measures.length, format))
                    return tiltedRectangleVolume(o, measures, *lying);
            }
            return rectVolume(o, texts);
        }
        case Shape::HorizontalCylinder:
            if (tilt.any()) {
                const CylinderMeasures measures = readCylinder(o, cyl, heads);
                if (const auto lying = readTilt(tilt, measures.length, format))
                    return tiltedCylinderVolume(o, measures, *lying);
            }
            return cylVolume(o, cyl, heads);
        case Shape::VerticalCylinder:
            break;
    }
    if (tilt.any())
        throw InputError("A vertical tank takes no tilt or dip point.");
    return vertVolume(o, cyl, heads);
}

Tank::Chart Tank::chart() const {
    const TankVolume tank = volume();
    if (!byVolume)
        return {chartRows(tank, increment), tank.full()};
    // Row 0 as every chart has it, then the table. A volume held right at the striker plate
    // reads depth 0: the job file keeps its own rows there, and a chart's rows are above 0.
    ChartRows rows(1);
    for (const CapacityRow& row : depthsByVolume(tank, increment)) {
        if (row.depth > 0)
            rows.push_back(row);
    }
    return {std::move(rows), tank.full()};
}

std::string chartCsv(std::span<const CapacityRow> rows, bool byVolume) {
    std::string text = byVolume ? "Capacity,Depth\n" : "Depth,Capacity\n";
    for (const CapacityRow& row : rows) {
        if (!byVolume && !(row.depth > 0))
            continue;  // not part of the chart
        text.append(singleText(byVolume ? row.volume : row.depth)).append(",");
        text.append(singleText(byVolume ? row.depth : row.volume)).append("\n");
    }
    return text;
}

DepthWriting depthWritingOf(const std::optional<Tank>& tank, bool fractions,
                            std::span<const CapacityRow> rows) {
    if (!tank || tank->byVolume || tank->increment.empty())
        return {};
    DepthWriting writing(static_cast<float>(leadingNumber(tank->increment)), fractions);
    // On a long chart the running sum can fall short of a step by more than the increment's
    // last decimal, and two rows would read alike: a decimal more, as few as tell them apart.
    const auto twoAlike = [&rows](int decimals) {
        const double scale = std::pow(10.0, decimals);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            if (rows[i - 1].depth > 0 &&
                std::nearbyint(static_cast<double>(rows[i - 1].depth) * scale) ==
                    std::nearbyint(static_cast<double>(rows[i].depth) * scale))
                return true;
        }
        return false;
    };
    while (writing.known() && !writing.inSixtyFourths() && writing.decimals() < 9 &&
           twoAlike(writing.decimals()))
        writing.addDecimal();
    return writing;
}

std::string convertedMeasure(std::string_view text, bool toInches, const NumberFormat& format,
                             bool volume) {
    const auto value = strictDouble(text, format);
    if (!value)
        return std::string(text);
    const double factor = volume ? kLitresPerGallon : kMillimetresPerInch;
    // Hundredths of an inch or a gallon, tenths of a millimetre or a litre.
    const double steps = toInches ? 100.0 : 10.0;
    const double scaled = (toInches ? *value / factor : *value * factor) * steps;
    // A figure typed in decimals that falls on a half step (0.25 in is 6.35 mm) rounds away
    // from zero, whatever the last bit of the product says.
    const double rounded = std::round(scaled * (1 + 1e-12));
    // A figure too large to keep its hundredths is no measure of a tank: kept as typed.
    if (!(std::abs(rounded) < 1e15))
        return std::string(text);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, toInches ? "%.2f" : "%.1f", rounded / steps);
    std::string out = buffer;
    // Trailing zeros and a trailing point go; so does the sign of a zero.
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.')
        out.pop_back();
    if (out == "-0")
        out = "0";
    if (const auto point = out.find('.'); point != std::string::npos)
        out.replace(point, 1, format.decimalSeparator);
    return out;
}

}  // namespace dipsheet::chart
