// Charts the other way round: the liquid height at which a tank holds a volume (a bracketed
// root find on its volume function) and the depth-for-volume table.

#include "chart/chart.h"

#include "reading.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace dipsheet::chart {

using detail::fitsSingle;
using detail::refuseRowCount;
using detail::spanAboveStriker;

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

std::vector<CapacityRow> depthsByVolume(const TankVolume& tank, std::string_view step) {
    const double lead =
        detail::readStep(step, {"Volume step", "Type the step as a decimal, e.g. 50 or 2.5.",
                                "Type a step greater than 0, e.g. 50.", "table"});
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
