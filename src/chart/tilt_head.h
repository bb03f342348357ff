#pragma once

// The parts of a tilted horizontal tank that its volume and its heads' tables share: the circle's
// wet area, a head's profile as arcs, the tolerances, and one head's liquid by the height.

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "chart/heads.h"
#include "chart/numeric.h"

namespace dipsheet::chart::detail {

// The area of a circle of radius r below a chord w above its lowest point.
double segmentArea(double r, double w);

// ---------------------------------------------------------------------------------------------
// A head's profile, parametrised so that the integrand stays smooth up to the apex: on an arc
// (ellipse, sphere, the knuckle's torus) z = zc + wz sin t and r = b0 + rad cos t; on a cone
// z = t and r = R - slope t. `gap` is R - r, reckoned without cancellation near the seam.
struct Arc {
    bool cone = false;
    double from = 0, to = 0;  // the parameter's range
    double zc = 0, wz = 0, b0 = 0, rad = 0;
    double t0 = 0, gap0 = 0;  // gap(t) = gap0 + rad (cos t0 - cos t)
    double slope = 0;

    double z(double t) const { return cone ? t : zc + wz * std::sin(t); }
    double r(double t, double R) const { return cone ? R - slope * t : b0 + rad * std::cos(t); }
    double gap(double t) const {
        if (cone)
            return slope * t;
        if (t0 == 0) {  // the same product, one sine
            const double half = std::sin(t / 2);
            return gap0 + 2 * rad * half * half;
        }
        return gap0 + 2 * rad * std::sin((t + t0) / 2) * std::sin((t - t0) / 2);
    }
    double dz(double t) const { return cone ? 1 : wz * std::cos(t); }
    // pi times the integral of r^2 over z, the parameter from u to v
    double solid(double u, double v) const {
        if (cone) {
            // r = slope (to - t): the cube of the distances to the apex, factored so that a tip
            // keeps its digits instead of being the difference of two whole cones
            const double p = to - u, q = to - v;
            return kPi * slope * slope * (v - u) * (p * p + p * q + q * q) / 3;
        }
        const auto primitive = [&](double t) {
            const double s = std::sin(t), c = std::cos(t);
            return wz * (b0 * b0 * s + b0 * rad * (t + s * c) + rad * rad * (s - s * s * s / 3));
        };
        return kPi * (primitive(v) - primitive(u));
    }
};

// The arcs of a head of the kind, of radius R and depth a; none for a flat one.
std::vector<Arc> arcsOf(HeadKind kind, double R, double a);

// The kind of a head by its profile: 2:1, hemispherical and ellipsoidal heads are all half
// ellipsoids of the head's depth (a dished head of half the diameter is the hemisphere).
HeadKind kindOf(const Head& head);

// ---------------------------------------------------------------------------------------------
// One head of the tank, its liquid as a function of the height above the dip point.

// The quadrature's tolerance on each head, relative to the liquid in it.
constexpr double kQuadratureTolerance = 1e-15;
// A Chebyshev piece is kept when half its degree foretells the other nodes to this share of its
// largest value; rows whose table error is not below kRowTolerance of the whole liquid are
// reckoned directly.
constexpr double kTableTolerance = 1e-10;
constexpr double kRowTolerance = 1e-13;
constexpr int kDegree = 32;

using Coefficients = std::array<double, kDegree + 1>;

class TiltedHead {
public:
    // `end`: -1 for head A (s = -z), 1 for head B (s = L + z). The wet depth of the shell's
    // section at the seam, from the shell's bottom line, is (h + lift) / cos at height h.
    TiltedHead(const std::vector<Arc>& arcs, double R, double sine, double cosine, double end,
               double lift);

    double full() const { return m_full; }
    double low() const { return m_low; }
    double high() const { return m_high; }

    // A head that is half an ellipsoid of revolution (2:1, hemispherical, ellipsoidal) has its
    // liquid in closed form.
    bool halfEllipsoid() const {
        return m_arcs.size() == 1 && !m_arcs[0].cone && m_arcs[0].from == 0 && m_arcs[0].zc == 0 &&
               m_arcs[0].b0 == 0;
    }

    // The liquid of a half-ellipsoid head at height h, and a bound on its rounding error,
    // reckoned to within `budget` where it can be.
    double closed(double h, double budget, double& error) const;
    // The liquid at height h by the quadrature, to kQuadratureTolerance of itself.
    double direct(double h) const;

    // Tabulates the liquid between the heights at which its form changes: on each such span
    // [a, b], h = a + (b - a) sin^2(pi x / 2) makes the powers 3/2 and 5/2 of the distance to
    // either end smooth in x, and Chebyshev pieces of degree 32 in x are kept where their last
    // coefficients show they reach kTableTolerance of their values; the span from the head's
    // lowest point is graded toward it, where the liquid vanishes. Each span is tabulated when
    // a height first falls in it, so a single volume (or a chart that never reaches a span)
    // does not pay for the rest; the table is the same whenever it is made.
    void tabulate();
    // The liquid at h and a bound on the table's error (0 where none is used).
    double tabulated(double h, double& error) const;

private:
    struct Piece {
        double from, to;  // in x
        Coefficients c;
        double error;
    };
    struct Span {
        double a, b;
        std::vector<Piece> pieces;
    };
    // The half ball's liquid above the seam plane, 2 pi / 3 + F(u) or F(u), for a wet depth at
    // the seam between 0 and 2R, and a bound on its rounding error.
    template <typename Real>
    Real seamCut(double dSeam, double& error) const;
    void fit(Span& span, double from, double to, int depth,
             double parent = std::numeric_limits<double>::infinity()) const;

    std::vector<Arc> m_arcs;
    double m_R, m_cosine, m_lift, m_slope;
    double m_full = 0, m_low = 0, m_high = 0;
    std::vector<double> m_breaks;
    mutable std::vector<Span> m_spans;         // each span's pieces once made
    std::unique_ptr<std::once_flag[]> m_made;  // whether they are
};

}  // namespace dipsheet::chart::detail
