#pragma once

#include <array>

#include "chart/chart.h"

namespace dipsheet::chart {

// The chart's circle constant, not the full-precision pi: whole circles and whole heads use it.
inline constexpr double kChartPi = 3.141592654;

// The area of a circle of the radius below a chord at q below its centre, q >= 0.
double circleSegmentBelow(double radius, double q);

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
