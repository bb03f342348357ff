// Tilted tanks to the last bit: every volume against a reckoning in long double by slices across
// the axis, each slice's wet area by the circle's segment, integrated by the double-exponential
// rule between the points where the surface meets the wall, the heads drawn from their
// geometry here. Tanks are drawn at random (seeded) for every kind of head.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "chart/tank.h"

using namespace dipsheet::chart;

namespace {

using Real = long double;
constexpr Real kPiL = 3.141592653589793238462643383279502884L;

// The integral of f over [a, b] by the tanh-sinh rule, which takes the power singularities at
// the ends (the wall, the apex) in its stride; halving the step until two levels agree.
Real tanhSinh(const std::function<Real(Real)>& f, Real a, Real b) {
    const Real mid = (a + b) / 2, half = (b - a) / 2;
    Real step = 0.5L, sum = f(mid) * kPiL / 2, previous = 0;
    const auto pair = [&](Real t) {
        const Real u = kPiL / 2 * std::sinh(t), c = std::cosh(u);
        const Real w = kPiL / 2 * std::cosh(t) / (c * c);
        const Real gap = 1 / (std::exp(u) * c);  // 1 - tanh u without cancellation
        Real s = 0;
        if (gap > 0)
            s += w * (f(mid + half * (1 - gap)) + f(mid - half * (1 - gap)));
        return s;
    };
    for (Real t = step; t < 4; t += step)
        sum += pair(t);
    for (int level = 0; level < 9; ++level) {
        previous = sum * step;
        step /= 2;
        for (Real t = step; t < 4; t += 2 * step)
            sum += pair(t);
        if (std::fabs(sum * step - previous) < 1e-17L * std::fabs(sum * step) && level > 2)
            break;
    }
    return sum * step * half;
}

// The wetted part of a circle of radius r whose lowest point is w below the surface: r^2 (x -
// sin x) / 2 for the angle x the chord subtends, by its series where the terms would cancel.
Real wetted(Real r, Real w) {
    if (w <= 0 || r <= 0)
        return 0;
    if (w >= 2 * r)
        return kPiL * r * r;
    if (w > r)
        return kPiL * r * r - wetted(r, 2 * r - w);
    const Real x = 4 * std::asin(std::sqrt(w / (2 * r)));
    if (x > 0.5L)
        return r * r * (x - std::sin(x)) / 2;
    Real term = x * x * x / 6, sum = 0;
    for (int n = 3; n < 40; n += 2) {
        sum += term;
        term *= -x * x / ((n + 1) * (n + 2));
    }
    return r * r * sum / 2;
}

struct Solid {
    HeadKind kind;
    Real R, L, a = 0;
    Real k = 0, crown = 0, crownCentre = 0, knee = 0, sphere = 0;

    // the head's radius z behind its seam
    Real radius(Real z) const {
        switch (kind) {
            case HeadKind::Conical:
                return R * (1 - z / a);
            case HeadKind::Dished:
                return std::sqrt(
                    std::max<Real>(0, sphere * sphere - (z - (a - sphere)) * (z - (a - sphere))));
            case HeadKind::AsmeFd:
                return z < knee ? (R - k) + std::sqrt(std::max<Real>(0, k * k - z * z))
                                : std::sqrt(std::max<Real>(
                                      0, crown * crown - (z - crownCentre) * (z - crownCentre)));
            default:
                return R * std::sqrt(std::max<Real>(0, 1 - (z / a) * (z / a)));
        }
    }
};

Solid shapeOf(HeadKind kind, Real diameter, Real length, Real depth) {
    Solid s{kind, diameter / 2, length};
    switch (kind) {
        case HeadKind::Flat:
            break;
        case HeadKind::TwoToOne:
            s.a = diameter / 4;
            break;
        case HeadKind::Hemispherical:
            s.a = diameter / 2;
            break;
        case HeadKind::AsmeFd:
            s.crown = diameter;
            s.k = 0.06L * diameter;
            s.crownCentre =
                -std::sqrt((s.crown - s.k) * (s.crown - s.k) - (s.R - s.k) * (s.R - s.k));
            s.a = s.crownCentre + s.crown;
            s.knee = s.k * -s.crownCentre / (s.crown - s.k);
            break;
        case HeadKind::Dished:
            s.a = depth;
            s.sphere = (s.R * s.R + depth * depth) / (2 * depth);
            break;
        default:
            s.a = depth;
    }
    return s;
}

// The liquid below the surface h above the dip point X, the shell's bottom line falling by
// `sine` per unit of length toward end B.
Real reckoned(const Solid& shape, Real sine, Real X, Real h) {
    const Real cosine = std::sqrt((1 - sine) * (1 + sine)), R = shape.R;
    // wet depth of the slice at s whose radius is r
    const auto wet = [&](Real s, Real r) { return (h + (s - X) * sine) / cosine - (R - r); };
    Real sum = 0;
    // a stretch of the axis, s(z) = origin + direction z for z in [u, v], split where the
    // surface meets the wall
    const auto stretch = [&](Real origin, Real direction, Real u, Real v,
                             const std::function<Real(Real)>& r) {
        const auto f = [&](Real z) { return wetted(r(z), wet(origin + direction * z, r(z))); };
        std::vector<Real> at{u, v};
        const int n = 400;
        for (const int which : {0, 1}) {
            const auto g = [&](Real z) {
                const Real w = wet(origin + direction * z, r(z));
                return which == 0 ? w : w - 2 * r(z);
            };
            // the samples, and the highest and lowest of them refined: a film too narrow for the
            // samples lies about one of them
            std::vector<Real> z(n + 1);
            for (int i = 0; i <= n; ++i)
                z[static_cast<std::size_t>(i)] = u + (v - u) * i / n;
            for (const Real sign : {1.0L, -1.0L}) {
                std::size_t best = 0;
                for (std::size_t i = 0; i < z.size(); ++i) {
                    if (sign * g(z[i]) > sign * g(z[best]))
                        best = i;
                }
                Real lo = z[best > 0 ? best - 1 : 0], hi = z[std::min(best + 1, z.size() - 1)];
                for (int j = 0; j < 200; ++j) {
                    const Real m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
                    if (sign * g(m1) > sign * g(m2))
                        hi = m2;
                    else
                        lo = m1;
                }
                z.push_back((lo + hi) / 2);
            }
            std::sort(z.begin(), z.end());
            for (std::size_t i = 0; i + 1 < z.size(); ++i) {
                Real lo = z[i], hi = z[i + 1];
                if ((g(lo) > 0) == (g(hi) > 0))
                    continue;
                for (int j = 0; j < 100; ++j) {
                    const Real m = (lo + hi) / 2;
                    ((g(m) > 0) == (g(lo) > 0) ? lo : hi) = m;
                }
                at.push_back((lo + hi) / 2);
            }
        }
        std::sort(at.begin(), at.end());
        for (std::size_t i = 0; i + 1 < at.size(); ++i) {
            if (at[i + 1] > at[i])
                sum += tanhSinh(f, at[i], at[i + 1]);
        }
    };
    stretch(0, 1, 0, shape.L, [&](Real) { return R; });
    if (shape.a > 0) {
        std::vector<Real> knots{0, shape.a};
        if (shape.knee > 0)
            knots.insert(knots.begin() + 1, shape.knee);
        const auto r = [&](Real z) { return shape.radius(z); };
        for (std::size_t i = 0; i + 1 < knots.size(); ++i) {
            stretch(0, -1, knots[i], knots[i + 1], r);
            stretch(shape.L, 1, knots[i], knots[i + 1], r);
        }
    }
    return sum;
}

// The lowest point inside above the dip point, by the bottom line sampled and refined.
Real lowest(const Solid& shape, Real sine, Real X) {
    const Real cosine = std::sqrt((1 - sine) * (1 + sine));
    const auto at = [&](Real s, Real r) { return (X - s) * sine + (shape.R - r) * cosine; };
    Real low = std::min(at(0, shape.R), at(shape.L, shape.R));
    for (const Real end : {-1.0L, 1.0L}) {
        const auto height = [&](Real z) { return at(end < 0 ? -z : shape.L + z, shape.radius(z)); };
        Real best = 0;
        for (int i = 0; i <= 2000; ++i) {
            const Real z = shape.a * i / 2000;
            if (height(z) < height(best))
                best = z;
        }
        Real lo = std::max<Real>(0, best - shape.a / 2000),
             hi = std::min(shape.a, best + shape.a / 2000);
        for (int i = 0; i < 200; ++i) {
            const Real m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            (height(m1) < height(m2) ? hi : lo) = height(m1) < height(m2) ? m2 : m1;
        }
        low = std::min(low, height((lo + hi) / 2));
    }
    return low;
}

std::string text(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
}

struct Measured {
    double worst = 0;  // of |volume - reckoned| / full
    int wrong = 0, rows = 0;
};

// The volume of the program against the reckoning at h: within 1e-13 of full, and rounded to
// the single the reckoning rounds to (unless the reckoning lies within its own error of a
// tie between two singles).
void compare(const TankVolume& volume, const Solid& shape, Real sine, Real X, Real full, double h,
             Measured& m, const std::string& what) {
    const Real exact = reckoned(shape, sine, X, h) * 1e-6L;  // litres of cubic millimetres
    const double got = volume.at(h);
    const double error = static_cast<double>(std::fabs(got - exact) / (full * 1e-6L));
    m.worst = std::max(m.worst, error);
    EXPECT_LE(error, 1e-13) << what << " h " << h;
    const float single = static_cast<float>(exact);
    const Real next = std::nextafter(single, exact > single ? INFINITY : -INFINITY);
    const Real tie = (static_cast<Real>(single) + next) / 2;
    ++m.rows;
    if (static_cast<float>(got) != single && std::fabs(exact - tie) > 1e-17L * exact) {
        ++m.wrong;
        ADD_FAILURE() << what << " h " << h << ": " << got << " rounds to "
                      << static_cast<float>(got) << ", the reckoning " << static_cast<double>(exact)
                      << " to " << single;
    }
}

}  // namespace

// Random tanks of every kind of head: falls up to a tenth of the length either way or angles
// up to 80 degrees, the stick anywhere from end to end, heads up to 3 diameters deep, and
// heights from a film over the lowest point to the top.
TEST(TiltedTankExactly, EveryVolumeRoundsAsTheExactOne) {
    std::mt19937 random(24);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    Measured m;
    for (const HeadKind kind : kHeadKinds) {
        for (int trial = 0; trial < 4; ++trial) {
            Tank tank;
            tank.inches = false;
            tank.striker = false;
            tank.increment = std::string("1");
            const auto diameter = static_cast<float>(uniform(200, 3000));
            const auto length = static_cast<float>(uniform(0.5, 5) * diameter);
            tank.diameter = text(diameter);
            tank.length = text(length);
            double depth = 0;
            if (headDepthIsTyped(kind)) {
                depth = static_cast<float>(kind == HeadKind::Dished ? uniform(0.02, 0.5) * diameter
                                                                    : uniform(0.05, 3) * diameter);
                tank.heads = {kind, text(depth)};
            } else {
                tank.heads = {kind, ""};
            }
            double sine = 0;
            if (trial == 3) {
                const double degrees = uniform(-80, 80);
                tank.tiltDegrees = text(degrees);
                sine = std::sin(std::stod(text(degrees)) * std::acos(-1.0) / 180);
            } else {
                const double fall = uniform(-0.1, 0.1) * length * (trial == 2 ? 1e-4 : 1);
                tank.fall = text(fall);
                sine = std::stod(text(fall)) / length;
            }
            const double X = trial == 0 ? 0 : trial == 1 ? length : uniform(0, length);
            tank.dipAt = text(X);
            // a dip point typed as the length is the end of the shell
            const double dip = std::min(std::stod(text(X)), static_cast<double>(length));
            const Solid shape = shapeOf(kind, diameter, length, depth);
            const TankVolume volume = tank.volume();
            const Real full = reckoned(shape, sine, dip, 1e9);
            const std::string what = std::string(headKindName(kind)) + " D " + text(diameter) +
                                     " L " + text(length) + " a " + text(depth) + " sine " +
                                     text(sine) + " X " + text(dip);
            EXPECT_NEAR(volume.full(), static_cast<double>(full * 1e-6L),
                        static_cast<double>(full) * 1e-19);
            const double low = static_cast<double>(lowest(shape, sine, dip));
            const double span = volume.top() - low;
            for (const double film : {1e-7, 1e-5, 1e-3})
                compare(volume, shape, sine, dip, full, low + film * span, m, what);
            for (int i = 0; i < 12; ++i)
                compare(volume, shape, sine, dip, full, low + uniform(0, 1) * span, m, what);
        }
    }
    std::printf("worst %.3g of full; %d of %d rows rounded wrongly\n", m.worst, m.wrong, m.rows);
}

// Conical heads steeply tilted, where the lowest liquid is a film in the cone's tip or along
// its side: the tip is reckoned from the apex, not as the difference of two whole cones.
TEST(TiltedTankExactly, AConesFilmKeepsItsDigits) {
    struct Case {
        const char *diameter, *length, *depth, *fall, *degrees, *dipAt;
    };
    Measured m;
    for (const Case& c : {Case{"994.6239", "4856.6304", "1317.2125", "", "-61.3", "1067.9314"},
                          Case{"2858.8743", "4837.7769", "7280.7861", "949.2", "", "3875.6093"}}) {
        Tank tank;
        tank.inches = false;
        tank.striker = false;
        tank.increment = std::string("1");
        tank.diameter = std::string(c.diameter);
        tank.length = std::string(c.length);
        tank.heads = {HeadKind::Conical, std::string(c.depth)};
        tank.fall = std::string(c.fall);
        tank.tiltDegrees = std::string(c.degrees);
        tank.dipAt = std::string(c.dipAt);
        const Real length = std::stof(c.length);
        const Real sine =
            *c.fall ? std::stold(c.fall) / length : std::sin(std::stold(c.degrees) * kPiL / 180);
        const Solid shape =
            shapeOf(HeadKind::Conical, std::stof(c.diameter), length, std::stof(c.depth));
        const TankVolume volume = tank.volume();
        const Real dip = std::stold(c.dipAt), full = reckoned(shape, sine, dip, 1e9);
        const double low = static_cast<double>(lowest(shape, sine, dip));
        for (const double film : {1e-7, 1e-6, 1e-5, 1e-3})
            compare(volume, shape, sine, dip, full, low + film * (volume.top() - low), m, c.depth);
    }
    EXPECT_EQ(m.wrong, 0);
}

// A rectangle nearly level (a fall of under 1e-4 of its height), dipped at its lower end: the
// liquid is a wedge W d^2 / (2 tan) with d = h / cos until it reaches end A, and every row of
// the chart, the thin first ones too, is that wedge rounded once.
TEST(TiltedTankExactly, ANearlyLevelRectangleIsItsWedge) {
    Tank box;
    box.shape = Shape::Rectangular;
    box.striker = false;
    box.increment = std::string("0.0000311");
    box.length = std::string("120");
    box.width = std::string("40");
    box.height = std::string("1");
    box.fall = std::string("0.00009");
    box.dipAt = std::string("120");
    const Tank::Chart chart = box.chart();
    const Real sine = 0.00009L / 120, cosine = std::sqrt(1 - sine * sine);
    for (std::size_t i = 1; i < chart.rows.size() && i < 2000; ++i) {
        const Real d = static_cast<Real>(chart.rows[i].depth) / cosine;
        if (d * cosine / sine >= 120)  // the wedge has reached end A
            break;
        const Real exact = 40 * d * d / (2 * sine / cosine) * 0.004328704L;
        ASSERT_EQ(chart.rows[i].volume, static_cast<float>(exact)) << i;
    }
}

// The dip point is compared with the length as typed, both ends included: 120.1 is the end of a
// shell 120.1 long (which is 120.09999847 in single precision), 120.2 is not on it. Left blank
// it is the middle, as its message says.
TEST(TiltedTankExactly, TheDipPointRunsToTheTypedLength) {
    Tank tank;
    tank.striker = false;
    tank.increment = std::string("1");
    tank.diameter = std::string("48");
    tank.length = std::string("120.1");
    tank.fall = std::string("2");
    tank.dipAt = std::string("120.1");
    Tank atEnd = tank;
    atEnd.dipAt = std::string("120.09999847");
    EXPECT_EQ(tank.chart().rows, atEnd.chart().rows);
    for (const auto& [dip, words] :
         {std::pair{"120.2", "is not on the shell"}, std::pair{"-0.001", "is not on the shell"},
          std::pair{"x", "Leave it blank to dip in the middle of the shell."}}) {
        tank.dipAt = std::string(dip);
        try {
            tank.chart();
            ADD_FAILURE() << dip << " was charted";
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    }
}

// A tank with like heads at both ends is symmetric about its centre, which stands R cos(alpha)
// above a stick in the middle of the shell: the liquid at that height plus d and the room left
// at that height less d are the same solid turned over, so V(c + d) + V(c - d) is the full tank,
// for every kind of head, tilt and depth, from a film at the bottom (reckoned one way) meeting
// a film of room at the top (reckoned another).
TEST(TiltedTankExactly, LikeEndsMakeTheLiquidAndTheRoomMirrorImages) {
    struct Case {
        const char *fall, *degrees;
    };
    for (const Case& c : {Case{"600", ""}, Case{"-6", ""}, Case{"", "-45"}, Case{"", "80"}}) {
        for (const HeadKind kind : kHeadKinds) {
            Tank tank;
            tank.striker = false;
            tank.increment = std::string("1");
            tank.diameter = std::string("2000");
            tank.length = std::string("6000");
            tank.heads = {kind, headDepthIsTyped(kind)
                                    ? std::string(kind == HeadKind::Dished ? "700" : "6000")
                                    : std::string()};
            tank.fall = std::string(c.fall);
            tank.tiltDegrees = std::string(c.degrees);
            const double sine = *c.fall ? std::stod(c.fall) / 6000
                                        : std::sin(std::stod(c.degrees) * std::acos(-1.0) / 180);
            const double centre = 1000 * std::sqrt(1 - sine * sine);
            const TankVolume volume = tank.volume();
            const double full = volume.full(), reach = volume.top() - centre;
            const std::string what = std::string(headKindName(kind)) + " " + c.fall + c.degrees;
            EXPECT_NEAR(volume.at(centre), full / 2, 1e-13 * full) << what;
            for (const double share : {1e-7, 1e-4, 0.01, 0.3, 0.7, 0.99, 0.9999, 0.9999999}) {
                const double d = share * reach;
                EXPECT_NEAR(volume.at(centre + d) + volume.at(centre - d), full, 1e-13 * full)
                    << what << " share " << share;
            }
        }
    }
}
