#include "heads.h"

#include "chart/gauss.h"

#include <cmath>

namespace dipsheet::chart {
namespace {

constexpr int kN = Head::kNodes;

using Rule = GaussLegendre<kN>;

const Rule& gauss() {
    return Rule::rule();
}

// acos of a ratio that is at most a rounding error beyond [-1, 1].
double acosOf(double ratio) {
    return std::acos(ratio > 1 ? 1 : ratio < -1 ? -1 : ratio);
}

// (1 + t^2) atan t - t, without the cancellation of its two terms for small t.
double capSlice(double t) {
    if (t >= 0.1)
        return (1 + t * t) * std::atan(t) - t;
    // sum over m >= 1 of (-1)^(m-1) 2 t^(2m+1) / (4m^2 - 1)
    const double t2 = t * t;
    double sum = 0, power = t * t2, sign = 1;
    for (int m = 1; m <= 8; ++m) {
        sum += sign * 2 * power / (4.0 * m * m - 1);
        power *= t2;
        sign = -sign;
    }
    return sum;
}

// One spherical-cap head of base radius `base` on a horizontal cylinder, cut by the sphere of
// radius `sphere` whose centre lies `offset` behind the seam, with the liquid at q below the
// axis (0 <= q). The closed form of the tank-volume literature (D. Jones, "Calculating Tank
// Volume"), halved for one head. A shallow cap (large sphere) loses digits to cancellation in
// it, so below 1% of the diameter the head is summed by horizontal slices instead: each slice
// at x below the axis holds the circular segment (r^2 - x^2) atan(s/z) - z s with
// s = sqrt(R^2 - x^2), which is z^2 capSlice(s/z).
// `excess` is the sphere's radius less the base radius, given apart because the difference
// loses digits for a cap near a half sphere. The arc cosines of ratios near -1 or 1 are taken
// as 2 atan2(sqrt(1 - x), sqrt(1 + x)) with both roots factored, which keeps their digits.
double dishedBelow(double base, double sphere, double excess, double offset, double depth,
                   double q) {
    if (q >= base)
        return 0;
    const double r = sphere, z = offset, w = q, R = base;
    if (depth >= 0.01 * 2 * R) {
        const double y = std::sqrt((R - w) * (R + w));
        // acos((R^2 - r w) / (R (w - r))) and acos((R^2 + r w) / (R (w + r)))
        const double first =
            2 * std::atan2(std::sqrt((R + r) * (R - w)), std::sqrt(excess * (R + w)));
        const double second =
            2 * std::atan2(std::sqrt(excess * (R - w)), std::sqrt((R + r) * (R + w)));
        const double both =
            2 * r * r * r / 3 *
                (first + second - z / r * (2 + (R / r) * (R / r)) * std::atan2(y, w)) -
            2 * (w * r * r - w * w * w / 3) * std::atan2(y, z) + 4 * w * y * z / 3;
        return both / 2;
    }
    // x = R - (R - w) u^2 takes the square root at x = R out of the integrand.
    const Rule& g = gauss();
    const double span = R - w;
    double sum = 0;
    for (std::size_t j = 0; j < static_cast<std::size_t>(kN); ++j) {
        const double u = (g.x[j] + 1) / 2;
        const double x = R - span * u * u;
        const double s = std::sqrt(span) * u * std::sqrt(R + x);
        sum += g.w[j] / 2 * capSlice(s / z) * 2 * span * u;
    }
    return z * z * sum;
}

}  // namespace

double circleSegmentBelow(double radius, double q) {
    if (q >= radius)
        return 0;
    const double half = std::sqrt((radius - q) * (radius + q));
    return radius * radius * std::atan2(half, q) - q * half;
}

Head::Head(HeadKind kind, double diameter, double depth)
    : m_kind(kind), m_d(diameter), m_r(diameter / 2), m_a(depth) {
    const double R = m_r;
    switch (kind) {
        case HeadKind::Flat:
            m_a = 0;
            break;
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
            m_a = *fixedHeadDepth(kind, diameter);
            [[fallthrough]];
        case HeadKind::Ellipsoidal:
            m_full = 2 * kChartPi * R * R * m_a / 3;
            break;
        case HeadKind::Conical:
            m_full = kChartPi * R * R * m_a / 3;
            break;
        case HeadKind::Dished:
            m_sphere = (R * R + m_a * m_a) / (2 * m_a);
            m_offset = (R - m_a) * (R + m_a) / (2 * m_a);
            m_full = kChartPi * m_a * (3 * R * R + m_a * m_a) / 6;
            break;
        case HeadKind::AsmeFd: {
            m_crown = diameter;
            m_knuckle = 0.06 * diameter;
            m_centre = R - m_knuckle;
            const double reach = m_crown - m_knuckle;  // crown centre to knuckle centre
            m_edge = m_centre * m_crown / reach;
            m_knuckleDepth = m_knuckle * std::sqrt(1 - (m_centre / reach) * (m_centre / reach));
            m_capDepth = m_crown - std::sqrt((m_crown - m_edge) * (m_crown + m_edge));
            m_a = m_capDepth + m_knuckleDepth;
            // The knuckle's rings from the crown edge to the shell, rho = R - (R - g) u^2 (the
            // knuckle's depth has a square root at rho = R): for a level q well below the
            // crown edge the knuckle holds the sum of W_j acos(q / rho_j).
            const Rule& g = gauss();
            const double span = R - m_edge;
            double rings = 0;
            for (std::size_t j = 0; j < static_cast<std::size_t>(kN); ++j) {
                const double u = (g.x[j] + 1) / 2;
                const double rho = R - span * u * u;
                const double depthAt =
                    std::sqrt(span) * u * std::sqrt(2 * m_knuckle - span * u * u);
                m_inverseRadius[j] = 1 / rho;
                m_weight[j] = g.w[j] / 2 * depthAt * 2 * rho * 2 * span * u;
                rings += m_weight[j];
            }
            m_full = kChartPi *
                     (m_knuckleDepth * m_edge * m_edge +
                      m_capDepth * (3 * m_edge * m_edge + m_capDepth * m_capDepth) / 6 + rings);
            break;
        }
    }
}

std::vector<ProfilePiece> Head::profile() const {
    const double R = m_r, a = m_a;
    switch (m_kind) {
        case HeadKind::Flat:
            return {};
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
        case HeadKind::Ellipsoidal:
            // r^2 = R^2 (1 - z^2 / a^2)
            return {{0, a, 0, 0, R * R, 0, -(R * R) / (a * a)}};
        case HeadKind::Conical:
            return {{0, a, R, -R / a, 0, 0, 0}};
        case HeadKind::Dished:
            // the sphere's centre lies m_offset behind the seam, on the shell's side
            return {{0, a, 0, 0, (m_sphere - m_offset) * (m_sphere + m_offset), -2 * m_offset, -1}};
        case HeadKind::AsmeFd: {
            // the knuckle's torus about a circle of radius R - k in the seam's plane, then the
            // crown's sphere, whose centre lies the crown radius short of the apex
            const double k = m_knuckle, centre = a - m_crown;
            return {
                {0, m_knuckleDepth, m_centre, 0, k * k, 0, -1},
                {m_knuckleDepth, a, 0, 0, (m_crown - centre) * (m_crown + centre), 2 * centre, -1}};
        }
    }
    return {};
}

double Head::horizontal(double h) const {
    if (!(h > 0))
        return 0;
    if (h >= m_d)
        return m_full;
    // The head is symmetric about the level of the axis: above it, the full head less the
    // empty part, which is the liquid of the mirrored level.
    return h <= m_r ? belowAxis(m_r - h) : m_full - belowAxis(h - m_r);
}

double Head::belowAxis(double q) const {
    const double R = m_r, a = m_a;
    const double h = R - q;
    switch (m_kind) {
        case HeadKind::Flat:
            return 0;
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
        case HeadKind::Ellipsoidal:
            // the hemisphere's liquid pi h^2 (3R - h) / 3, halved and stretched to depth a
            return kChartPi * a * h * h * (3 * R - h) / (6 * R);
        case HeadKind::Conical: {
            // a R^2 K / 3 with K = acos M + M^3 acosh(1/M) - 2 M sqrt(1 - M^2), M = q / R
            const double m = q / R;
            const double root = std::sqrt((1 - m) * (1 + m));
            double k = std::atan2(root, m) - 2 * m * root;
            if (m > 0)
                k += m * m * m * std::log((1 + root) / m);
            return a * R * R * k / 3;
        }
        case HeadKind::Dished:
            if (m_offset <= 0)  // a half sphere
                return kChartPi * a * h * h * (3 * R - h) / (6 * R);
            return dishedBelow(R, m_sphere, (R - a) * (R - a) / (2 * a), m_offset, a, q);
        case HeadKind::AsmeFd:
            // the crown: a disc of the knuckle's depth and a spherical cap on it, then the
            // knuckle's ring around them
            return m_knuckleDepth * circleSegmentBelow(m_edge, q) +
                   dishedBelow(m_edge, m_crown, m_crown - m_edge, m_crown - m_capDepth, m_capDepth,
                               q) +
                   knuckle(q);
    }
    return 0;
}

// The knuckle's liquid: the integral over its rings, radius rho from the crown edge g to R,
// of the knuckle's depth at rho times the arc 2 rho acos(q / rho) of the ring below the
// level. Where the level crosses the knuckle (q >= g) the integrand has square roots at both
// ends, taken out by rho = q + (R - q) sin^2(theta / 2); a level just below the crown edge
// would spoil the fixed rings' convergence, so there the part from q to g is subtracted.
double Head::knuckle(double q) const {
    const double R = m_r, g = m_edge;
    if (q >= R)
        return 0;
    if (q >= g)
        return knuckleToTop(q);
    if (q >= 2 * g - R)
        return knuckleToTop(q) - knuckleFrom(q, g);
    double sum = 0;
    for (std::size_t j = 0; j < static_cast<std::size_t>(kN); ++j)
        sum += m_weight[j] * acosOf(q * m_inverseRadius[j]);
    return sum;
}

// The knuckle's torus continued over the rings from q to R, theta from 0 to pi.
double Head::knuckleToTop(double q) const {
    const Rule& g = gauss();
    const double span = m_r - q, root = std::sqrt(span), halfPi = std::acos(-1.0) / 2;
    double sum = 0;
    for (std::size_t j = 0; j < static_cast<std::size_t>(kN); ++j) {
        const double theta = halfPi * (g.x[j] + 1);
        const double below = root * std::sin(theta / 2);  // sqrt(rho - q)
        const double above = root * std::cos(theta / 2);  // sqrt(R - rho)
        const double rho = q + below * below;
        const double depthAt = above * std::sqrt(2 * m_knuckle - above * above);
        const double arc = 2 * rho * std::atan2(below * std::sqrt(rho + q), q);
        sum += g.w[j] * halfPi * depthAt * arc * span / 2 * std::sin(theta);
    }
    return sum;
}

// The knuckle's torus continued over the rings from q to `to` < R, rho = q + (to - q) u^2.
double Head::knuckleFrom(double q, double to) const {
    const Rule& g = gauss();
    const double span = to - q, root = std::sqrt(span);
    double sum = 0;
    for (std::size_t j = 0; j < static_cast<std::size_t>(kN); ++j) {
        const double u = (g.x[j] + 1) / 2;
        const double rho = q + span * u * u;
        const double gap = m_r - rho;
        const double depthAt = std::sqrt(gap * (2 * m_knuckle - gap));
        const double arc = 2 * rho * std::atan2(root * u * std::sqrt(rho + q), q);
        sum += g.w[j] / 2 * depthAt * arc * 2 * span * u;
    }
    return sum;
}

double Head::vertical(double h) const {
    if (!(h > 0))
        return 0;
    if (h >= m_a)
        return m_full;
    const double R = m_r, a = m_a;
    switch (m_kind) {
        case HeadKind::Flat:
            return 0;
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
        case HeadKind::Ellipsoidal:
            return kChartPi * R * R * h * h * (3 * a - h) / (3 * a * a);
        case HeadKind::Conical:
            return kChartPi * R * R * h * h * h / (3 * a * a);
        case HeadKind::Dished:
            return kChartPi * h * h * (3 * m_sphere - h) / 3;
        case HeadKind::AsmeFd: {
            // the crown, a spherical cap from the lowest point, then the knuckle: rings of
            // radius c + sqrt(k^2 - u^2) at u below the seam, u from a - h to its depth
            const double L = m_crown;
            if (h <= m_capDepth)
                return kChartPi * h * h * (3 * L - h) / 3;
            const double cap = m_capDepth;
            const double k = m_knuckle, c = m_centre, top = m_knuckleDepth, from = a - h;
            const auto area = [k](double u) {  // integral of sqrt(k^2 - u^2) from 0 to u
                return (u * std::sqrt((k - u) * (k + u)) + k * k * std::asin(u / k)) / 2;
            };
            const double rings = (c * c + k * k) * (top - from) -
                                 (top * top * top - from * from * from) / 3 +
                                 2 * c * (area(top) - area(from));
            return kChartPi * (cap * cap * (3 * L - cap) / 3 + rings);
        }
    }
    return 0;
}

}  // namespace dipsheet::chart
