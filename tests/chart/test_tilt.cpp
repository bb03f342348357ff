// Tilted horizontal tanks against an independent reckoning: the tank sliced across its axis,
// each slice's wetted area by the circular-segment formula, integrated adaptively in long
// double, with the head profiles drawn from their geometry here and not from the program.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "chart/tank.h"

using namespace dipsheet::chart;

namespace {

using Real = long double;
constexpr Real kPiL = 3.141592653589793238462643383279502884L;

// A head's radius z behind its seam, drawn from its geometry; `knots` where the profile
// changes (the knuckle's edge of an ASME F&D head).
struct HeadShape {
    HeadKind kind;
    Real R, a;  // radius of the shell, depth of the head
    Real k = 0, crown = 0, crownCentre = 0, knee = 0;

    HeadShape(HeadKind kind_, Real diameter, Real typedDepth) : kind(kind_), R(diameter / 2) {
        switch (kind) {
            case HeadKind::TwoToOne:
                a = R / 2;
                break;
            case HeadKind::Hemispherical:
                a = R;
                break;
            case HeadKind::AsmeFd: {
                crown = diameter;
                k = 0.06L * diameter;
                // the crown's centre, knuckle's centre and their tangent point lie on a line
                crownCentre = -std::sqrt((crown - k) * (crown - k) - (R - k) * (R - k));
                a = crownCentre + crown;
                knee = k * -crownCentre / (crown - k);
                break;
            }
            case HeadKind::Flat:
                a = 0;
                break;
            default:
                a = typedDepth;
        }
    }

    Real radius(Real z) const {
        switch (kind) {
            case HeadKind::Conical:
                return R * (1 - z / a);
            case HeadKind::Dished: {
                const Real rho = (R * R + a * a) / (2 * a), centre = a - rho;
                return std::sqrt(std::max<Real>(0, rho * rho - (z - centre) * (z - centre)));
            }
            case HeadKind::AsmeFd:
                return z < knee ? (R - k) + std::sqrt(std::max<Real>(0, k * k - z * z))
                                : std::sqrt(std::max<Real>(
                                      0, crown * crown - (z - crownCentre) * (z - crownCentre)));
            default:
                return R * std::sqrt(std::max<Real>(0, 1 - (z / a) * (z / a)));
        }
    }
};

// The wetted part of a circle of radius r whose lowest point is d below the surface.
Real wetted(Real r, Real d) {
    if (d <= 0)
        return 0;
    if (d >= 2 * r)
        return kPiL * r * r;
    return r * r * std::acos((r - d) / r) - (r - d) * std::sqrt(2 * r * d - d * d);
}

// Adaptive Simpson to an absolute tolerance.
Real simpson(const std::function<Real(Real)>& f, Real a, Real b, Real fa, Real fm, Real fb,
             Real whole, Real tolerance, int depth) {
    const Real m = (a + b) / 2, lm = (a + m) / 2, rm = (m + b) / 2;
    const Real flm = f(lm), frm = f(rm);
    const Real left = (m - a) / 6 * (fa + 4 * flm + fm), right = (b - m) / 6 * (fm + 4 * frm + fb);
    if (depth <= 0 || std::fabs(left + right - whole) <= 15 * tolerance)
        return left + right + (left + right - whole) / 15;
    return simpson(f, a, m, fa, flm, fm, left, tolerance / 2, depth - 1) +
           simpson(f, m, b, fm, frm, fb, right, tolerance / 2, depth - 1);
}

Real integrate(const std::function<Real(Real)>& f, Real a, Real b, Real tolerance) {
    const Real fa = f(a), fb = f(b), fm = f((a + b) / 2);
    return simpson(f, a, b, fa, fm, fb, (b - a) / 6 * (fa + 4 * fm + fb), tolerance, 40);
}

// The liquid below a surface h above the dip point of a cylinder D x L with two heads, fallen
// by F to end B, the stick at X from end A, in cubic units.
Real reckoned(const HeadShape& head, Real L, Real F, Real X, Real h, Real tolerance) {
    const Real sine = F / L, cosine = std::sqrt(1 - sine * sine), R = head.R;
    // the surface above the bottom of the circle of radius r at s along the axis
    const auto below = [&](Real s, Real r) {
        const Real depth = (h + (s - X) * sine) / cosine;  // above the shell's bottom line
        return wetted(r, depth - (R - r));
    };
    Real sum = integrate([&](Real s) { return below(s, R); }, 0, L, tolerance);
    if (head.a > 0) {
        std::vector<Real> knots{0, head.a};
        if (head.knee > 0)
            knots.insert(knots.begin() + 1, head.knee);
        for (std::size_t i = 0; i + 1 < knots.size(); ++i) {
            sum += integrate([&](Real z) { return below(-z, head.radius(z)); }, knots[i],
                             knots[i + 1], tolerance);
            sum += integrate([&](Real z) { return below(L + z, head.radius(z)); }, knots[i],
                             knots[i + 1], tolerance);
        }
    }
    return sum;
}

Tank cylinder(HeadKind kind, const std::string& fall, const std::string& dipAt) {
    Tank tank;
    tank.inches = true;
    tank.striker = false;
    tank.increment = std::string("1");
    tank.diameter = std::string("48");
    tank.length = std::string("120");
    tank.heads = {kind, std::string("14")};
    tank.fall = fall;
    tank.dipAt = dipAt;
    return tank;
}

constexpr double kGallon = 0.004328704;

}  // namespace

// Every head kind, falls up to a tenth of the length either way, the stick at either end, the
// middle and elsewhere: each volume within 1e-9 of the full tank of the reckoning.
TEST(TiltedTank, AgreesWithAnIndependentReckoning) {
    std::mt19937 random(20261208);
    for (const HeadKind kind : kHeadKinds) {
        const HeadShape head(kind, 48, 14);
        const Real full = reckoned(head, 120, 1, 60, 1e6L, 1e-9L);
        for (const double fall : {12.0, -12.0, 1.5, -0.05}) {
            const double random_x = std::uniform_real_distribution<double>(0, 120)(random);
            for (const double x : {0.0, 60.0, 120.0, random_x}) {
                char fallText[32], dipText[32];
                std::snprintf(fallText, sizeof fallText, "%.17g", fall);
                std::snprintf(dipText, sizeof dipText, "%.17g", x);
                const TankVolume tank = cylinder(kind, fallText, dipText).volume();
                for (int i = 0; i <= 10; ++i) {
                    // from below the lowest point to above the highest
                    const double h = -13 + (tank.top() + 14) * i / 10.0;
                    const Real expected = reckoned(head, 120, fall, x, h, full * 1e-13L);
                    const Real got = tank.at(h) / kGallon;
                    EXPECT_NEAR(static_cast<double>(got), static_cast<double>(expected),
                                static_cast<double>(full) * 1e-9)
                        << std::string(headKindName(kind)) << " fall " << fall << " dip " << x
                        << " h " << h;
                }
            }
        }
    }
}

// Turned end for end (the fall and the dip point mirrored) the tank holds the same at every
// reading; the chart's volumes never fall, and its last row is the full tank.
TEST(TiltedTank, MirrorsRisesAndEndsFull) {
    for (const HeadKind kind : kHeadKinds) {
        const TankVolume one = cylinder(kind, "3.5", "20").volume();
        const TankVolume other = cylinder(kind, "-3.5", "100").volume();
        EXPECT_NEAR(one.top(), other.top(), 1e-9);
        for (double h = -5; h < one.top() + 1; h += 0.37)
            EXPECT_NEAR(one.at(h), other.at(h), one.full() * 1e-12) << h;

        const Tank::Chart chart = cylinder(kind, "3.5", "20").chart();
        for (std::size_t i = 1; i < chart.rows.size(); ++i)
            ASSERT_GE(chart.rows[i].volume, chart.rows[i - 1].volume) << i;
        EXPECT_EQ(chart.rows.back().volume, static_cast<float>(chart.full));
        EXPECT_GE(chart.rows.back().depth, one.top() - 1);  // the first row at the top
        EXPECT_LT(chart.rows[chart.rows.size() - 2].depth, one.top());
    }
}

// A volume does not depend on what was asked before it: heights taken from the top down, or
// one alone, give the same doubles as a chart's rising heights.
TEST(TiltedTank, EachVolumeIsTheSameWhateverWasAskedBefore) {
    for (const HeadKind kind : kHeadKinds) {
        const TankVolume rising = cylinder(kind, "3.5", "20").volume();
        const TankVolume falling = cylinder(kind, "3.5", "20").volume();
        std::vector<double> heights;
        for (double h = -6; h < rising.top() + 1; h += 0.53)
            heights.push_back(h);
        std::vector<double> up, down(heights.size());
        for (const double h : heights)
            up.push_back(rising.at(h));
        for (std::size_t i = heights.size(); i-- > 0;)
            down[i] = falling.at(heights[i]);
        EXPECT_EQ(up, down) << headKindName(kind);
        const std::size_t middle = heights.size() / 2;
        EXPECT_EQ(cylinder(kind, "3.5", "20").volume().at(heights[middle]), up[middle]);
    }
}

// A fall of 0 is the level chart bit for bit, whatever the dip point; a rectangular tank tilted
// holds what its wedge of liquid holds.
TEST(TiltedTank, LevelWhenNotFallenAndARectangleByHand) {
    for (const HeadKind kind : kHeadKinds) {
        EXPECT_EQ(cylinder(kind, "0", "7").chart().rows, cylinder(kind, "", "").chart().rows);
    }
    Tank box;
    box.shape = Shape::Rectangular;
    box.striker = false;
    box.increment = std::string("1");
    box.length = std::string("100");
    box.width = std::string("10");
    box.height = std::string("20");
    box.fall = std::string("6");
    box.dipAt = std::string("50");
    const TankVolume tank = box.volume();
    const double sine = 0.06, cosine = std::sqrt(1 - sine * sine);
    // a surface h above the middle of the floor: depth (h + (s - 50) sine) / cosine at s
    const auto byHand = [&](double h) {
        double sum = 0;
        for (int i = 0; i < 100000; ++i) {
            const double s = (i + 0.5) / 1000;
            sum += std::clamp((h + (s - 50) * sine) / cosine, 0.0, 20.0) * 10 / 1000;
        }
        return sum * kGallon;
    };
    for (const double h : {-3.0, 0.0, 2.0, 10.0, 19.5, 22.0})
        EXPECT_NEAR(tank.at(h), byHand(h), 1e-6 * 100 * 10 * 20 * kGallon) << h;
    EXPECT_DOUBLE_EQ(tank.top(), 50 * sine + 20 * cosine);
}

// The set-up line says how the tank lies and what the stick cannot see: the liquid below the
// dip point at reading 0 (here no striker plate), as the reckoning has it.
TEST(TiltedTank, SetupLineSaysHowItLies) {
    Tank tank = cylinder(HeadKind::Flat, "2.5", "30");
    const Real hidden = reckoned(HeadShape(HeadKind::Flat, 48, 0), 120, 2.5, 30, 0, 1e-9L);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "; tilted: B 2.5 in lower, dip 30 in from A; below the stick %.2f US gal",
                  static_cast<double>(hidden) * kGallon);
    const std::string setup = tank.describe();
    EXPECT_EQ(setup.substr(setup.find("; tilted")), expected);
    tank.fall = std::string("-1");
    tank.dipAt.clear();
    EXPECT_NE(tank.describe().find("; tilted: A 1 in lower, dip in the middle; below the stick"),
              std::string::npos);
    tank.fall.clear();
    tank.tiltDegrees = std::string("1.5");
    EXPECT_NE(tank.describe().find("; tilted: 1.5 degrees, B lower, dip in the middle"),
              std::string::npos);
    // Refused, naming the field: no number, both ways at once, off the shell, too steep.
    for (const auto& [fall, degrees, dip, words] :
         {std::tuple{"x", "", "", "Fall to end B"}, std::tuple{"1", "1", "", "not both"},
          std::tuple{"1", "", "121", "Dip at"}, std::tuple{"-120", "", "", "less than the Length"},
          std::tuple{"", "90", "", "less than 90"}}) {
        Tank bad = cylinder(HeadKind::Flat, fall, dip);
        bad.tiltDegrees = std::string(degrees);
        try {
            bad.chart();
            ADD_FAILURE() << fall << "/" << degrees << "/" << dip << " was charted";
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    }
}
