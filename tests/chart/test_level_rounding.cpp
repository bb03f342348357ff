// Every row of a level chart with heads against a reckoning of its own, in true pi: the tank's
// slices summed in long double, each head by its slices across the axis (horizontal) or its discs
// (vertical), every slice's segment by its own Gauss sum.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "chart.h"
#include "gauss.h"
#include "heads.h"
#include "measures.h"

using namespace dipsheet::chart;

namespace {

using Real = long double;
constexpr Real kPiL = 3.141592653589793238462643383279502884L;

// The 40-node Gauss-Legendre sum of f over [0, 1], in long double.
template <class F>
Real gauss01(const F& f) {
    const auto& g = GaussLegendre<40>::rule();
    Real sum = 0;
    for (std::size_t j = 0; j < 40; ++j)
        sum += static_cast<Real>(g.w[j]) * f((1 + static_cast<Real>(g.x[j])) / 2);
    return sum / 2;
}

// The same over [0, 1] in pieces graded toward 0 (1e-9, 1e-8, ..., 1), where a slice's edge
// meets the apex of a head whose radius has a square root there.
template <class F>
Real graded(const F& f) {
    Real sum = 0, from = 0, to = 1e-9L;
    while (from < 1) {
        sum += (to - from) * gauss01([&](Real u) { return f(from + (to - from) * u); });
        from = to;
        to = std::min<Real>(1, to * 10);
    }
    return sum;
}

// The area of a circle of radius r below a chord t above its lowest point: twice the integral
// of the half chord sqrt(y (2r - y)) over y from 0 to t, with y = t v^2.
Real segment(Real r, Real t) {
    if (t <= 0)
        return 0;
    return 4 * t * std::sqrt(t) *
           gauss01([&](Real v) { return v * v * std::sqrt(2 * r - t * v * v); });
}

// A head's radius at z behind its seam, from its own geometry.
struct Shape {
    HeadKind kind;
    Real d, a;
    Real r = d / 2, k = 0.06L * d, c = r - k;
    Real seam = kind == HeadKind::AsmeFd ? std::sqrt(k * k - std::pow(c * k / (d - k), 2)) : a;
    Real radius(Real z) const {
        const auto sphere = [&](Real s) {  // a sphere of radius s through the apex
            return std::sqrt(std::max<Real>(0, s * s - std::pow(z + s - a, 2)));
        };
        switch (kind) {
            case HeadKind::Conical:
                return r * (1 - z / a);
            case HeadKind::Dished:
                return sphere((r * r + a * a) / (2 * a));
            case HeadKind::AsmeFd:
                return z <= seam ? c + std::sqrt(k * k - z * z) : sphere(d);
            default:
                return r * std::sqrt(std::max<Real>(0, 1 - (z / a) * (z / a)));
        }
    }
    // One head's liquid e above the shell's bottom, e <= r: the slices across the axis, each a
    // segment of the section's circle; split at the seam and where the level leaves the wall.
    Real lower(Real e) const {
        Real lo = 0, hi = a;  // the edge: radius(z) = r - e
        for (int i = 0; i < 200; ++i) {
            const Real mid = (lo + hi) / 2;
            (radius(mid) > r - e ? lo : hi) = mid;
        }
        const Real edge = lo;
        const auto slice = [&](Real z) { return segment(radius(z), radius(z) - (r - e)); };
        Real sum = 0, from = 0;
        if (seam < edge) {
            sum += seam * gauss01([&](Real u) { return slice(seam * u); });
            from = seam;
        }
        const Real span = edge - from;  // z = edge - span w^2 smooths the 3/2 power at the edge
        sum += graded([&](Real w) { return slice(edge - span * w * w) * 2 * span * w; });
        return sum;
    }
    // The square of the radius u short of the apex, without the cancellation near the apex.
    Real squareFromApex(Real u) const {
        const auto sphere = [&](Real s) { return u * (2 * s - u); };
        switch (kind) {
            case HeadKind::Conical:
                return std::pow(r * u / a, 2);
            case HeadKind::Dished:
                return sphere((r * r + a * a) / (2 * a));
            case HeadKind::AsmeFd:
                return u >= a - seam ? std::pow(radius(a - u), 2) : sphere(d);
            default:
                return r * r * u * (2 * a - u) / (a * a);
        }
    }
    // The bottom of a vertical tank with the liquid h above its lowest point: its discs.
    Real bottom(Real h) const {
        const auto discs = [&](Real from, Real to) {
            return (to - from) *
                   gauss01([&](Real x) { return squareFromApex(from + (to - from) * x); });
        };
        const Real top = std::min(h, a), crown = a - seam;
        const Real sum = top > crown ? discs(0, crown) + discs(crown, top) : discs(0, top);
        return kPiL * sum;
    }
};

}  // namespace

// Random tanks of every kind, deep and shallow heads, long and short shells, at thin first rows,
// rows either side of the axis and near the top: the chart's double within 1e-13 of the full
// tank of the reckoning above, and its single the reckoning rounded once.
TEST(LevelRounding, EveryRowIsTheExactVolumeRoundedOnce) {
    std::mt19937_64 random(24);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    const ChartOptions o{
        .outside = false, .inches = true, .striker = false, .increment = "1", .format = {}};
    const double factor = volumeFactor(true);
    int rows = 0, wrong = 0;
    for (HeadKind kind : kHeadKinds) {
        if (kind == HeadKind::Flat)
            continue;
        for (int tank = 0; tank < 12; ++tank) {
            const float d = static_cast<float>(uniform(1, 300));
            const float length = static_cast<float>(d * std::pow(10.0, uniform(-3, 0.5)));
            const double most = kind == HeadKind::Dished ? d / 2.0 : 3.0 * d;
            const float depth = static_cast<float>(tank == 0   ? most
                                                   : tank == 1 ? d * 0.005
                                                               : uniform(0.005 * d, most));
            const CylTexts texts{singleText(d), singleText(length), "", ""};
            const HeadTexts heads{kind, singleText(depth)};
            const Shape shape{kind, d, headDepthIsTyped(kind) ? depth : *fixedHeadDepth(kind, d)};
            const Real r = shape.r, shell = length;
            const Real headFull = shape.bottom(shape.a);
            const Real full = kPiL * r * r * shell + 2 * headFull;
            const TankVolume horizontal = cylVolume(o, texts, heads);
            const TankVolume vertical = vertVolume(o, texts, heads);
            std::vector<double> levels;  // e from the bottom, as fractions of the radius
            for (int i = 0; i < 6; ++i) {
                levels.push_back(std::pow(10.0, uniform(-7, -1)));
                levels.push_back(uniform(0, 1));
                levels.push_back(1 - std::pow(10.0, uniform(-7, -1)));
            }
            for (double share : levels) {
                for (bool upper : {false, true}) {
                    const double e = static_cast<float>(share * r);
                    const double h = upper ? d - e : e;
                    const Real held = upper ? full - shell * segment(r, e) - 2 * shape.lower(e)
                                            : shell * segment(r, e) + 2 * shape.lower(e);
                    const double got = horizontal.at(h);
                    const Real want = held * static_cast<Real>(factor);
                    ASSERT_NEAR(got, static_cast<double>(want),
                                1e-13 * static_cast<double>(full) * factor)
                        << headKindName(kind) << " D " << d << " a " << depth << " h " << h;
                    ++rows;
                    wrong += static_cast<float>(got) != static_cast<float>(want);
                }
                const double h = share * (static_cast<double>(shape.a) + length);
                const Real bottom =
                    h <= shape.a ? shape.bottom(h) : headFull + kPiL * r * r * (h - shape.a);
                const Real want = bottom * static_cast<Real>(factor);
                EXPECT_NEAR(vertical.at(h), static_cast<double>(want),
                            1e-13 * static_cast<double>(want));
                ++rows;
                wrong += static_cast<float>(vertical.at(h)) != static_cast<float>(want);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << rows;
}
