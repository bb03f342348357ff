#include "chart/site.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "chart/numbers.h"
#include "reading.h"

namespace dipsheet::chart {

namespace {

// Depths of the gauge search: the tank's height is cut into this many equal steps.
constexpr int kGrid = 16384;

// The depths a gauge table may use, with the volumes there, and the largest interpolation error
// of a chord between two of them over the depths between.
struct Grid {
    std::vector<double> depth, volume;

    double chordError(int i, int j) const {
        const double x = depth[static_cast<std::size_t>(i)];
        const double a = volume[static_cast<std::size_t>(i)];
        const double slope =
            (volume[static_cast<std::size_t>(j)] - a) / (depth[static_cast<std::size_t>(j)] - x);
        double worst = 0;
        for (int k = i + 1; k < j; ++k) {
            const auto at = static_cast<std::size_t>(k);
            worst = std::max(worst, std::fabs(volume[at] - (a + slope * (depth[at] - x))));
        }
        return worst;
    }

    // Chords within `allowed`, each reaching as far as it can: their ends (at most most + 2).
    // From a start i, the chord to j keeps every depth between within the error exactly when
    // its slope lies between the largest (V_k - allowed - V_i) / (x_k - x_i) and the smallest
    // (V_k + allowed - V_i) / (x_k - x_i) over the k between: a window that only narrows as j
    // moves on, so one pass finds the farthest end.
    std::vector<int> chords(double allowed, std::size_t most) const {
        std::vector<int> ends{0};
        const int last = static_cast<int>(volume.size()) - 1;
        while (ends.back() < last && ends.size() <= most + 1) {
            const auto from = static_cast<std::size_t>(ends.back());
            const double start = volume[from], x = depth[from];
            double lowest = -HUGE_VAL, highest = HUGE_VAL;
            int farthest = ends.back() + 1;
            for (int j = farthest; j <= last; ++j) {
                const double v = volume[static_cast<std::size_t>(j)];
                const double run = depth[static_cast<std::size_t>(j)] - x;
                const double slope = (v - start) / run;
                if (slope >= lowest && slope <= highest)
                    farthest = j;
                lowest = std::max(lowest, (v - allowed - start) / run);
                highest = std::min(highest, (v + allowed - start) / run);
                if (lowest > highest)
                    break;
            }
            ends.push_back(farthest);
        }
        return ends;
    }
};

}  // namespace

SiteColumns siteColumns(const CapacityRow& row, double full) {
    // against the full tank as its row shows it, so the full row has 0 to spare and is 100 %
    const double whole = static_cast<float>(full), volume = row.volume;
    return {static_cast<float>(whole - volume),
            static_cast<float>(whole > 0 ? 100 * volume / whole : 0)};
}

std::string chartCsvWithUllage(std::span<const CapacityRow> rows, double full, bool byVolume) {
    std::string text =
        byVolume ? "Capacity,Depth,Ullage,Percent\n" : "Depth,Capacity,Ullage,Percent\n";
    for (const CapacityRow& row : rows) {
        if (!(row.depth > 0))
            continue;  // not part of the chart
        const SiteColumns site = siteColumns(row, full);
        const float first = byVolume ? row.volume : row.depth;
        const float second = byVolume ? row.depth : row.volume;
        text.append(singleText(first)).append(",").append(singleText(second));
        text.append(",").append(singleText(site.ullage)).append(",");
        text.append(singleText(site.percent)).append("\n");
    }
    return text;
}

std::vector<double> percentList(const std::string& text, const std::string& what) {
    std::vector<double> percents;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        const std::string item = trimmed(std::string_view(text).substr(at, end - at));
        const auto value = strictDouble(item, NumberFormat{".", ""});
        if (!value || !(*value >= 1 && *value <= 99)) {
            throw InputError(what + ": \"" + item +
                             "\" is not a percent from 1 to 99. Give a list such as 90,95.");
        }
        percents.push_back(*value);
        at = end + 1;
    }
    return percents;
}

std::vector<FillMark> fillMarks(const TankVolume& tank, const std::vector<double>& percents,
                                double step) {
    detail::refuseNoCapacity(tank);
    std::vector<FillMark> marks;
    const double full = tank.full(), tolerance = 1e-6 * tank.top(), striker = tank.striker();
    const double first = tank.at(striker);
    // The single depth at or below a liquid height: what the stick reads there, never deeper.
    const auto singleBelow = [striker](double height) {
        const double depth = std::max(0.0, height - striker);
        const auto single = static_cast<float>(depth);
        return static_cast<double>(single) > depth ? std::nextafter(single, 0.0f) : single;
    };
    for (const double percent : percents) {
        const double limit = full * percent / 100;
        // What a volume computed at a mark may exceed its limit by and still be at it: rounding
        // noise, so that a mark exactly on a step (half a cylinder at its centre) stays there.
        const double noise = 1e-9 * limit;
        if (limit < first) {
            marks.push_back({percent, 0, first, true});
            continue;
        }
        // The root lies in the bracket [lo, hi], at most the tolerance wide, with the tank
        // holding less than the limit at lo.
        TankVolume::Point lo{striker, first}, hi{tank.top(), full};
        const double height =
            !(limit > first) ? striker
            : limit >= full
                ? tank.top()
                : tank.heightIn(lo, hi, limit, tolerance, std::numeric_limits<double>::quiet_NaN());
        double depth;
        if (!(step > 0)) {
            // The first within the limit of: the single above the root found (a root on a
            // single, found a hair below it), the single below it, and the single below the
            // bracket's low end, where the tank holds less than the limit.
            const float below = singleBelow(height);
            depth = std::nextafter(below, HUGE_VALF);
            if (tank.at(depth + striker) > limit + noise)
                depth = below;
            if (tank.at(depth + striker) > limit + noise)
                depth = singleBelow(lo.height);
        } else {
            // From the step at or below the root's highest place, down until the volume is
            // within the limit.
            depth = std::max(0.0, std::floor((height - striker + tolerance) / step) * step);
            while (depth > 0 && tank.at(depth + striker) > limit + noise)
                depth = std::max(0.0, depth - step);
        }
        marks.push_back({percent, depth, tank.at(depth + striker)});
    }
    return marks;
}

std::pair<double, double> interpolationError(const TankVolume& tank,
                                             const std::vector<CapacityRow>& points) {
    const double striker = tank.striker();
    double worst = 0, where = points.empty() ? 0 : points.front().depth;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const double d0 = points[i].depth, d1 = points[i + 1].depth;
        const double v0 = points[i].volume, v1 = points[i + 1].volume;
        const auto error = [&](double d) {
            return std::fabs(tank.at(d + striker) - (v0 + (v1 - v0) * (d - d0) / (d1 - d0)));
        };
        // dense samples, then golden sections about the largest
        constexpr int kSamples = 64;
        int best = 0;
        double bestError = -1;
        for (int k = 0; k <= kSamples; ++k) {
            const double e = error(d0 + (d1 - d0) * k / kSamples);
            if (e > bestError) {
                bestError = e;
                best = k;
            }
        }
        double a = d0 + (d1 - d0) * std::max(0, best - 1) / kSamples;
        double b = d0 + (d1 - d0) * std::min(kSamples, best + 1) / kSamples;
        const double g = (std::sqrt(5.0) - 1) / 2;
        for (int pass = 0; pass < 60 && b - a > 1e-12 * (d1 - d0 + 1); ++pass) {
            const double x1 = b - g * (b - a), x2 = a + g * (b - a);
            if (error(x1) > error(x2))
                b = x2;
            else
                a = x1;
        }
        const double at = (a + b) / 2;
        const double e = std::max(bestError, error(at));
        if (e > worst) {
            worst = e;
            where = error(at) >= bestError ? at : d0 + (d1 - d0) * best / kSamples;
        }
    }
    return {worst, where};
}

GaugeTable gaugeTable(const TankVolume& tank, int count) {
    if (count < 2 || count > 1000)
        throw InputError("A gauge table has from 2 to 1000 points.");
    const double striker = tank.striker(), top = tank.top();
    if (!(top > striker))
        throw InputError("The tank is below the striker plate: no depth to tabulate.");
    detail::refuseNoCapacity(tank);
    // The depths of the search: the tank's height cut into kGrid equal steps, each kept only
    // where its depth and volume, as the table writes them (single precision), rise above the
    // last kept, so that no two points can print the same depth or volume. The full tank
    // closes the grid, and depths below it that would print its depth or volume give way.
    Grid grid;
    const auto single = [](double value) { return static_cast<float>(value); };
    const float fullDepth = single(top - striker), fullVolume = single(tank.full());
    for (int k = 0; k < kGrid; ++k) {
        const double height = striker + (top - striker) * k / kGrid;
        const double volume = tank.at(height);
        const float depth = single(height - striker);
        if (k > 0 &&
            !(depth > single(grid.depth.back()) && single(volume) > single(grid.volume.back()) &&
              depth < fullDepth && single(volume) < fullVolume))
            continue;
        grid.depth.push_back(height - striker);
        grid.volume.push_back(volume);
    }
    if (!(fullDepth > single(grid.depth.front()) && fullVolume > single(grid.volume.front())))
        throw InputError("The tank holds as much at depth 0 as full: no depth to tabulate.");
    grid.depth.push_back(top - striker);
    grid.volume.push_back(tank.full());
    const int last = static_cast<int>(grid.volume.size()) - 1;

    // The smallest error whose chords need no more than count - 1 spans.
    const auto spans = static_cast<std::size_t>(count - 1);
    double low = 0, high = grid.chordError(0, last);
    std::vector<int> ends{0, last};
    for (int pass = 0; pass < 48 && high - low > 1e-13 * (high + grid.volume.back()); ++pass) {
        const double allowed = (low + high) / 2;
        std::vector<int> tried = grid.chords(allowed, spans);
        if (tried.size() - 1 <= spans) {
            high = allowed;
            ends = std::move(tried);
        } else {
            low = allowed;
        }
    }
    // Spare points split the spans with the largest error.
    while (ends.size() < static_cast<std::size_t>(count)) {
        std::size_t widest = 0;
        double worst = -1;
        for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
            const double e = ends[i + 1] - ends[i] > 1 ? grid.chordError(ends[i], ends[i + 1]) : -1;
            if (e > worst) {
                worst = e;
                widest = i;
            }
        }
        if (worst < 0)
            break;  // every grid step is a point already
        ends.insert(ends.begin() + static_cast<long>(widest) + 1,
                    (ends[widest] + ends[widest + 1]) / 2);
    }

    GaugeTable table;
    for (const int k : ends) {
        const auto at = static_cast<std::size_t>(k);
        table.points.push_back({single(grid.depth[at]), single(grid.volume[at])});
    }
    std::tie(table.largestError, table.errorDepth) = interpolationError(tank, table.points);
    return table;
}

std::string significantText(double value, int digits) {
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? "0" : std::to_string(value);
    // rounded to its digits in scientific notation, then written out with as many decimals as
    // the last of them needs
    char text[400];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    const char* e = std::strchr(text, 'e');
    const int exponent = std::atoi(e + 1);
    const double rounded = std::strtod(text, nullptr);
    std::snprintf(text, sizeof text, "%.*f", std::max(0, digits - 1 - exponent), rounded);
    return text;
}

std::string gaugeCsv(const GaugeTable& table) {
    std::string text = "Depth,Capacity\n";
    for (const CapacityRow& point : table.points)
        text.append(singleText(point.depth))
            .append(",")
            .append(singleText(point.volume))
            .append("\n");
    return text;
}

}  // namespace dipsheet::chart
