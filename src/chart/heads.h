#pragma once

#include <array>
#include <cmath>
#include <vector>

#include "chart/chart.h"
#include "chart/numeric.h"

namespace dipsheet::chart {

// A level at or below the axis of a horizontal cylinder of radius R: e above the shell's lowest
// point, q = R - e below the axis, the half chord s = sqrt(e (2R - e)) and the half angle
// theta = atan2(s, q) of the circle's segment below it. Reckoned from e, so that a level near the
// bottom keeps its digits.
struct Level {
    double e = 0, q = 0, s = 0, theta = 0;

    static Level at(double radius, double e) {
        Level l;
        l.e = e;
        l.q = radius - e;
        l.s = std::sqrt(e * (2 * radius - e));
        l.theta = std::atan2(l.s, l.q);
        return l;
    }
};

// The area of a circle of the radius below the level, 0 <= e <= radius.
double circleSegment(double radius, const Level& level);
// The same for a chord at q below the centre, q >= 0.
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
// Flat), in cubic units of D, in double precision, to a few units in its last place.
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
    // The same with the liquid at q >= 0 below the axis (height R - q).
    double belowAxis(double q) const;
    // The same with the liquid at a level at or below the axis: the form the horizontal tank
    // uses, which keeps the digits of a level near the bottom.
    double lower(const Level& level) const;
    // Makes lower() of an ASME F&D or dished head a short polynomial: tables built once, each
    // checked at build to stay within a few units in the last place. Without them each level
    // is integrated afresh. The other kinds have closed forms.
    void tabulate();
    // The bottom of a vertical cylinder with the liquid at height h above its lowest point:
    // 0 at or below 0, full() at or above the depth.
    double vertical(double height) const;

    // The head's profile from the seam (z = 0, radius R) to its apex (z = depth); none for a
    // flat head. An ASME F&D head has two pieces, the knuckle and the crown.
    std::vector<ProfilePiece> profile() const;

private:
    // A function of x >= from on equal pieces of [from, to]: on each, a polynomial of degree 11
    // in u from -1 to 1 across the piece, its coefficients from u^0 up.
    struct Table {
        static constexpr int kCoefficients = 12;
        double from = 0, perWidth = 0;  // pieces per unit of x
        int pieces = 0;
        std::vector<double> coefficients;
        double operator()(double x) const;
    };
    double rings(double e) const;
    double bottomValue(double e) const;
    double topValue(double t) const;
    bool tabulate(double to, double (Head::*value)(double) const, Table& out) const;

    HeadKind m_kind;
    double m_d, m_r, m_a;
    double m_full = 0;
    double m_sphere = 0, m_offset = 0;  // dished: sphere radius, its centre behind the seam
    // ASME F&D: crown radius, knuckle radius, knuckle centre's distance from the axis, crown
    // edge radius, knuckle depth, crown cap depth
    double m_crown = 0, m_knuckle = 0, m_centre = 0, m_edge = 0, m_knuckleDepth = 0, m_capDepth = 0;
    // the tables of lower(): near the bottom the liquid over e^2 (ASME F&D, up to the crown's
    // edge) or e^2.5 (dished, up to R/4) in e; above it the liquid in t = sqrt(e - (R - g))
    // (ASME F&D) or e - R/4 (dished); m_crownWidth is R less where the two meet
    Table m_knuckleTable, m_crownTable;
    double m_crownWidth = 0;
};

}  // namespace dipsheet::chart
