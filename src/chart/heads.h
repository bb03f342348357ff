#pragma once

#include <array>
#include <cmath>
#include <vector>

#include "chart/chart.h"

namespace dipsheet::chart {

// The chart's circle constant, not the full-precision pi: whole circles and whole heads use it.
inline constexpr double kChartPi = 3.141592654;

// The area of a circle of the radius below a chord at q below its centre, q >= 0.
double circleSegmentBelow(double radius, double q);

// A piece of a head's profile: at distance z behind the seam, from <= z <= to, the head's
// radius is b0 + b1 z + sqrt(q0 + q1 z + q2 z^2) (a cone has no root, an ellipse or sphere no
// line, a knuckle's torus both).
struct ProfilePiece {
    double from = 0, to = 0;
    double b0 = 0, b1 = 0, q0 = 0, q1 = 0, q2 = 0;

    double radius(double z) const {
        const double q = q0 + z * (q1 + z * q2);
        return b0 + b1 * z + (q > 0 ? std::sqrt(q) : 0.0);
    }
};

// The liquid held by one head of revolution of inside diameter D and depth a (any kind but
// Flat), in cubic units of D, in double precision. Built once per chart: the ASME F&D head
// sets up its fixed quadrature here, so each volume costs a fixed amount of work.
class Head {
public:
    // The depth is ignored for the kinds whose depth follows from the diameter.
    Head(HeadKind kind, double diameter, double depth);

    double depth() const { return m_a; }
    // The volume of the whole head.
    double full() const { return m_full; }
    // One head of a horizontal cylinder with the liquid at height h above the lowest point
    // of the shell: 0 at or below 0, full() at or above D.
    double horizontal(double height) const;
    // The same with the liquid at q >= 0 below the axis (height R - q), as the mirrored half
    // of a horizontal tank needs it without the rounding of R - (R - q).
    double belowAxis(double q) const;
    // The bottom of a vertical cylinder with the liquid at height h above its lowest point:
    // 0 at or below 0, full() at or above the depth.
    double vertical(double height) const;

    // The head's profile from the seam (z = 0, radius R) to its apex (z = depth); none for a
    // flat head. An ASME F&D head has two pieces, the knuckle and the crown.
    std::vector<ProfilePiece> profile() const;

    static constexpr int kNodes = 16;  // Gauss-Legendre nodes of each knuckle integral

private:
    double knuckle(double q) const;
    double knuckleFrom(double q, double to) const;
    double knuckleToTop(double q) const;

    HeadKind m_kind;
    double m_d, m_r, m_a;
    double m_full = 0;
    double m_sphere = 0, m_offset = 0;  // dished: sphere radius, its centre behind the seam
    // ASME F&D: crown radius, knuckle radius, knuckle centre's distance from the axis, crown
    // edge radius, knuckle depth, crown cap depth
    double m_crown = 0, m_knuckle = 0, m_centre = 0, m_edge = 0, m_knuckleDepth = 0, m_capDepth = 0;
    std::array<double, kNodes> m_inverseRadius{}, m_weight{};  // fixed knuckle rings
};

}  // namespace dipsheet::chart
