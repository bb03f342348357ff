// The level charts: the volume functions of the three shapes, and the rows a chart steps by its
// increment as a running single-precision sum.

#include "chart/chart.h"
#include "chart/measures.h"

#include "heads.h"
#include "reading.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

namespace dipsheet::chart {

namespace detail {

// The dipstick's span, the top less S, refused below 0; a tank of no capacity refused too.
double spanAboveStriker(const TankVolume& tank) {
    const auto top = static_cast<float>(tank.top());
    const double span = static_cast<double>(top) - static_cast<double>(tank.striker());
    if (span < 0) {
        const std::string name = tank.topName();
        throw InputError("The " + name + " " + numberText(top) +
                         " is below the striker plate allowance of " + numberText(tank.striker()) +
                         ". Uncheck the striker plate or check the " + name + ".");
    }
    refuseNoCapacity(tank);
    return span;
}

void refuseNoCapacity(const TankVolume& tank) {
    if (!(static_cast<float>(tank.full()) > 0)) {
        throw InputError(
            "The volume of the full tank rounds to 0 in the chart's numbers: the "
            "tank is too small to chart. Type dimensions that make a tank, each "
            "greater than 0.");
    }
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

}  // namespace detail

using detail::fitsSingle;
using detail::numberText;
using detail::refuseRowCount;
using detail::spanAboveStriker;
using detail::toSingle;

namespace {

// What every chart shares: the striker allowance S, the increment and the row count N.
struct Steps {
    float striker = 0;
    float increment = 0;
    std::int16_t rows = 0;
};

Steps steps(std::string_view increment, const TankVolume& tank) {
    Steps s;
    s.striker = tank.striker();

    s.increment = static_cast<float>(detail::readStep(
        increment, {"Incremental distance", "Type the increment as a decimal, e.g. .125 for 1/8.",
                    "Type an increment greater than 0, e.g. .125.", "chart"}));

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

}  // namespace

TankVolume::TankVolume(std::function<double(double)> volume, double top, float striker,
                       const char* topName, bool toFull)
    : m_volume(std::move(volume)),
      m_top(top),
      m_striker(striker),
      m_topName(topName),
      m_toFull(toFull) {}

TankVolume rectVolume(const ChartOptions& o, const RectTexts& t) {
    const auto [length, width, height] = readRectangle(o, t);
    const double factor = singleVolumeFactor(o.inches);
    const double floorArea = static_cast<double>(length) * static_cast<double>(width);
    return TankVolume(
        [floorArea, factor](double level) {
            // liquid height first, then the floor area, then the factor
            return level * floorArea * factor;
        },
        height, strikerAllowance(o), "Height");
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
    return TankVolume(volume, diameter, strikerAllowance(o), "Diameter");
}

TankVolume flatVertVolume(const ChartOptions& o, const CylTexts& t) {
    const CylinderMeasures m = readVertical(o, t, {});
    const float diameter = m.diameter, height = m.length;
    const double factor = singleVolumeFactor(o.inches);
    const double half = static_cast<double>(diameter) / 2;  // not rounded before squaring
    const double floorArea = half * half * kChartPi;
    return TankVolume([floorArea, factor](double level) { return floorArea * level * factor; },
                      height, strikerAllowance(o), "Height");
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
    const double full = kPi * r * r * shell + 2 * head.full();
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
    return TankVolume(volume, diameter, strikerAllowance(o), "Diameter");
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
    const double area = kPi * r * r;
    const auto volume = [=](double height) {
        // the running depth sum can pass the top in the last rows: the tank is then full
        const double level = std::min(height, top);
        const double held = level <= a ? head.vertical(level) : head.full() + area * (level - a);
        return held * factor;
    };
    return TankVolume(volume, top, strikerAllowance(o), "depth of the tank");
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

}  // namespace dipsheet::chart
