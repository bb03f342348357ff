// The heads of revolution: their liquid lying (a horizontal tank's) and standing (a vertical
// tank's bottom) in closed form or by integration over rings, and the kinds' names.

#include "heads.h"

#include "chart/gauss.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

namespace dipsheet::chart {
namespace {

// The sum of c[k] y^k as four sums in y^4 taken side by side, c[0], c[4], ... then c[1], c[5],
// ...: a quarter of Horner's chain of dependent steps for the same terms.
template <std::size_t n>
double interleaved(const std::array<double, n>& c, double y) {
    static_assert(n % 4 == 0);
    const double y2 = y * y, y4 = y2 * y2;
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (std::size_t k = n; k > 0; k -= 4) {
        s0 = s0 * y4 + c[k - 4];
        s1 = s1 * y4 + c[k - 3];
        s2 = s2 * y4 + c[k - 2];
        s3 = s3 * y4 + c[k - 1];
    }
    return (s0 + s1 * y) + (s2 + s3 * y) * y2;
}

// x - sin x cos x for 0 <= x < 1 by its series, which a circle's shallow segment needs without
// the cancellation of its two terms: the sum over k >= 1 of (-1)^(k+1) 4^k x^(2k+1) / (2k+1)!.
// Thirteen terms leave less than 2^-60 of it at x = 1; the sixteen taken cost no more.
double shallowSegment(double x) {
    static const std::array<double, 16> coefficients = [] {
        // the coefficient of x^(2j+3) is (-1)^j 4^(j+1) / (2j+3)!
        std::array<double, 16> c{};
        c[0] = 4.0 / 6;
        for (std::size_t j = 0; j + 1 < c.size(); ++j) {
            const double n = 2.0 * static_cast<double>(j);
            c[j + 1] = c[j] * -4 / ((n + 4) * (n + 5));
        }
        return c;
    }();
    const double x2 = x * x;
    return interleaved(coefficients, x2) * x2 * x;
}

// The cone's K(M) = acos M + M^3 acosh(1/M) - 2 M sqrt(1 - M^2) near M = 1, where its terms
// cancel: with root = sqrt(1 - M^2), K' = 3 (M^2 acosh(1/M) - root) and atanh(root) =
// acosh(1/M) give K = 3 * integral over s from 0 to root of g(s) s / sqrt(1 - s^2), g(s) = the
// sum over n >= 1 of 2 s^(2n+1) / ((2n-1)(2n+1)): the series sum over N of kappa_N
// root^(2N+3). Used for root < 0.6; 40 terms leave less than 0.36^40 of the sum.
constexpr int kConeTerms = 40;

const std::array<double, kConeTerms>& coneSeries() {
    static const std::array<double, kConeTerms> kappa = [] {
        std::array<double, kConeTerms + 1> b{};  // 1 / sqrt(1 - s^2) = sum of b_m s^(2m)
        b[0] = 1;
        for (int m = 1; m <= kConeTerms; ++m)
            b[static_cast<std::size_t>(m)] =
                b[static_cast<std::size_t>(m - 1)] * (2 * m - 1) / (2 * m);
        std::array<double, kConeTerms> k{};
        for (int n = 1; n <= kConeTerms; ++n) {
            double e = 0;
            for (int i = 1; i <= n; ++i)
                e += 2.0 / ((2 * i - 1) * (2 * i + 1)) * b[static_cast<std::size_t>(n - i)];
            k[static_cast<std::size_t>(n - 1)] = 3 * e / (2 * n + 3);
        }
        return k;
    }();
    return kappa;
}

double coneK(double m, double root, double angle) {
    if (root < 0.6) {
        const double r2 = root * root;
        return interleaved(coneSeries(), r2) * r2 * r2 * root;
    }
    double k = angle - 2 * m * root;
    if (m > 0)
        k += m * m * m * std::log((1 + root) / m);
    return k;
}

// The integral of f over [from, to]: a 10-node Gauss-Legendre rule on the interval and on its
// halves; the halves are taken when the two agree within `tolerance` (absolute), else each
// half is done again, at most twelve times over. The rule's error on a smooth integrand falls as
// the 20th power of the width, so halves that agree with the whole to 1e-13 of it are good to about
// 2^-20 of that.
template <class F>
double integrate(const F& f, double from, double to, double whole, double tolerance, int depth) {
    const auto& g = GaussLegendre<10>::rule();
    const double mid = (from + to) / 2;
    const double left = g.integral(f, from, mid), right = g.integral(f, mid, to);
    // Halves that differ from the whole by no more than their own rounding are as good as the
    // rule gets; and twelve halvings leave at most 4096 pieces, so an integrand noisier than
    // the tolerance costs time, never a program that stops answering.
    const double difference = std::fabs(left + right - whole);
    if (difference <= tolerance || difference <= 1e-15 * (std::fabs(left) + std::fabs(right)) ||
        depth >= 12)
        return left + right;
    return integrate(f, from, mid, left, tolerance / 2, depth + 1) +
           integrate(f, mid, to, right, tolerance / 2, depth + 1);
}

template <class F>
double integrate(const F& f, double from, double to, double relative) {
    const double whole = GaussLegendre<10>::rule().integral(f, from, to);
    return integrate(f, from, to, whole, relative * std::fabs(whole), 0);
}

// The ASME F&D head's depth for an inside diameter D: crown radius D, knuckle radius 0.06 D.
struct AsmeShape {
    double crown, knuckle, centre, edge, knuckleDepth, capDepth;
};

AsmeShape asmeShape(double diameter) {
    AsmeShape s;
    const double R = diameter / 2;
    s.crown = diameter;
    s.knuckle = 0.06 * diameter;
    s.centre = R - s.knuckle;
    const double reach = s.crown - s.knuckle;  // crown centre to knuckle centre
    s.edge = s.centre * s.crown / reach;
    s.knuckleDepth = s.knuckle * std::sqrt(1 - (s.centre / reach) * (s.centre / reach));
    s.capDepth = s.crown - std::sqrt((s.crown - s.edge) * (s.crown + s.edge));
    return s;
}

// One dished head of a horizontal cylinder of radius R, the sphere's cap of depth a, with the
// liquid e above the bottom, e <= R, in closed form: with w = R - e below the axis, y the half
// chord, r the sphere's radius and z its centre's distance behind the seam, twice the liquid is
//   2r^3/3 (acos((R^2 - rw) / (R(w - r))) + acos((R^2 + rw) / (R(w + r)))
//           - z/r (2 + R^2/r^2) atan2(y, w)) - 2 (w r^2 - w^3/3) atan2(y, z) + 4wyz/3.
// Its terms are far larger than the liquid near the bottom or for a shallow cap, so it is taken
// in long double, from R and a themselves (r and z rounded apart would not meet at the seam),
// and only where the terms' rounding, at most 16 units of long double's last place in each,
// stays within two units in the last place of the double result: no worse than the ring sum's
// own rounding. Elsewhere it answers false and the rings are summed.
bool dishedClosed(double radius, double depth, double level, double& out) {
    using Wide = long double;
    const Wide R = radius, a = depth, e = level, w = R - e;
    const Wide r = (R * R + a * a) / (2 * a), z = (R - a) * (R + a) / (2 * a);
    const Wide excess = (R - a) * (R - a) / (2 * a);  // r - R
    const Wide y = std::sqrt(e * (R + w));
    // the arc cosines of ratios near -1 and 1 as 2 atan2(sqrt(1 - x), sqrt(1 + x))
    const Wide first = 2 * std::atan2(std::sqrt((R + r) * e), std::sqrt(excess * (R + w)));
    const Wide second = 2 * std::atan2(std::sqrt(excess * e), std::sqrt((R + r) * (R + w)));
    const Wide cube = 2 * r * r * r / 3;
    const Wide t1 = cube * first, t2 = cube * second;
    const Wide t3 = cube * z / r * (2 + (R / r) * (R / r)) * std::atan2(y, w);
    const Wide t4 = 2 * (w * r * r - w * w * w / 3) * std::atan2(y, z), t5 = 4 * w * y * z / 3;
    const Wide both = t1 + t2 - t3 - t4 + t5;
    const Wide terms =
        std::fabs(t1) + std::fabs(t2) + std::fabs(t3) + std::fabs(t4) + std::fabs(t5);
    const Wide unit = std::numeric_limits<Wide>::epsilon() / 2;
    if (!(both > 0) || 16 * unit * terms > 0x1p-52L * both)
        return false;
    out = static_cast<double>(both / 2);
    return true;
}

struct HeadName {
    HeadKind kind;
    std::string_view name, title;
};

constexpr HeadName kHeadNames[] = {
    {HeadKind::Flat, "flat", "Flat"},
    {HeadKind::TwoToOne, "2:1", "2:1 Ellipsoidal"},
    {HeadKind::Hemispherical, "hemispherical", "Hemispherical"},
    {HeadKind::AsmeFd, "asme-fd", "ASME F&D"},
    {HeadKind::Ellipsoidal, "ellipsoidal", "Ellipsoidal"},
    {HeadKind::Conical, "conical", "Conical"},
    {HeadKind::Dished, "dished", "Dished"},
};

const HeadName& headName(HeadKind kind) {
    for (const auto& entry : kHeadNames) {
        if (entry.kind == kind)
            return entry;
    }
    return kHeadNames[0];
}

}  // namespace

std::string_view headKindName(HeadKind kind) {
    return headName(kind).name;
}

std::string_view headKindTitle(HeadKind kind) {
    return headName(kind).title;
}

std::optional<HeadKind> headKindFromName(std::string_view name) {
    for (const auto& entry : kHeadNames) {
        if (entry.name == name)
            return entry.kind;
    }
    return std::nullopt;
}

bool headDepthIsTyped(HeadKind kind) {
    return kind == HeadKind::Ellipsoidal || kind == HeadKind::Conical || kind == HeadKind::Dished;
}

std::optional<double> fixedHeadDepth(HeadKind kind, double insideDiameter) {
    switch (kind) {
        case HeadKind::Flat:
            return 0.0;
        case HeadKind::TwoToOne:
            return insideDiameter / 4;
        case HeadKind::Hemispherical:
            return insideDiameter / 2;
        case HeadKind::AsmeFd:
            return Head(kind, insideDiameter, 0).depth();
        default:
            return std::nullopt;
    }
}

double circleSegment(double radius, const Level& l) {
    if (l.theta < 1)
        return radius * radius * shallowSegment(l.theta);
    return radius * radius * l.theta - l.q * l.s;
}

double circleSegmentBelow(double radius, double q) {
    if (q >= radius)
        return 0;
    return circleSegment(radius, Level::at(radius, radius - q));
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
            m_full = 2 * kPi * R * R * m_a / 3;
            break;
        case HeadKind::Conical:
            m_full = kPi * R * R * m_a / 3;
            break;
        case HeadKind::Dished:
            m_sphere = (R * R + m_a * m_a) / (2 * m_a);
            m_offset = (R - m_a) * (R + m_a) / (2 * m_a);
            m_full = kPi * m_a * (3 * R * R + m_a * m_a) / 6;
            break;
        case HeadKind::AsmeFd: {
            const AsmeShape s = asmeShape(diameter);
            m_crown = s.crown;
            m_knuckle = s.knuckle;
            m_centre = s.centre;
            m_edge = s.edge;
            m_knuckleDepth = s.knuckleDepth;
            m_capDepth = s.capDepth;
            m_a = m_capDepth + m_knuckleDepth;
            m_full = vertical(m_a);  // m_full is 0 here: the closed form at the top
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
    // empty part, which is the liquid of the mirrored level (D - h is exact there).
    return h <= m_r ? lower(Level::at(m_r, h)) : m_full - lower(Level::at(m_r, m_d - h));
}

double Head::belowAxis(double q) const {
    if (q >= m_r)
        return 0;
    return lower(Level::at(m_r, m_r - q));
}

double Head::lower(const Level& l) const {
    const double R = m_r, a = m_a, e = l.e;
    if (!(e > 0))
        return 0;
    switch (m_kind) {
        case HeadKind::Flat:
            return 0;
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
        case HeadKind::Ellipsoidal:
            // the hemisphere's liquid pi e^2 (3R - e) / 3, halved and stretched to depth a
            return kPi * a * e * e * (3 * R - e) / (6 * R);
        case HeadKind::Conical:
            // a R^2 K / 3 with K = acos M + M^3 acosh(1/M) - 2 M sqrt(1 - M^2), M = q / R
            return a * R * R * coneK(l.q / R, l.s / R, l.theta) / 3;
        case HeadKind::Dished:
            if (m_offset <= 0)  // a half sphere
                return kPi * a * e * e * (3 * R - e) / (6 * R);
            break;
        case HeadKind::AsmeFd:
            break;
    }
    if (m_knuckleTable.pieces == 0)
        return rings(e);
    const double split = m_r - m_crownWidth;
    if (e <= split) {
        const double power = m_kind == HeadKind::AsmeFd ? e * e : e * e * std::sqrt(e);
        return power * m_knuckleTable(e);
    }
    const double over = e - split;
    return m_crownTable(m_kind == HeadKind::AsmeFd ? std::sqrt(over) : over);
}

// The liquid as the sum over the rings of radius rho from q to R of the head's depth at rho
// times the arc 2 rho acos(q / rho) of the ring below the level. rho = q + e sin^2 phi takes
// the square roots out at both ends (the arc's at rho = q, a tangent head's depth at R); an
// ASME F&D head's integral is split where the knuckle meets the crown, whose depth there has a
// kink in its curvature.
double Head::rings(double e) const {
    const double R = m_r, q = R - e, L = m_crown, k = m_knuckle, g = m_edge;
    const bool asme = m_kind == HeadKind::AsmeFd;
    const double seamRoot = std::sqrt((L - g) * (L + g));  // L less the crown's cap
    const auto ring = [&](double phi) {
        const double sn = std::sin(phi), cs = std::cos(phi);
        const double below = e * sn * sn, gap = e * cs * cs, rho = q + below;
        double depth;
        if (!asme)  // the sphere's depth less its offset, without their cancellation
            depth = gap * (R + rho) / (std::sqrt((m_sphere - rho) * (m_sphere + rho)) + m_offset);
        else if (rho < g)
            depth = m_knuckleDepth +
                    (g - rho) * (g + rho) / (std::sqrt((L - rho) * (L + rho)) + seamRoot);
        else
            depth = std::sqrt(gap * (2 * k - gap));
        const double arc = 2 * rho * std::atan2(std::sqrt(below * (rho + q)), q);
        return depth * arc * 2 * e * sn * cs;
    };
    const double halfPi = kPi / 2, tolerance = 1e-13;
    if (!asme || q >= g)
        return integrate(ring, 0, halfPi, tolerance);
    const double seam = std::asin(std::sqrt((g - q) / e));
    return integrate(ring, 0, seam, tolerance) + integrate(ring, seam, halfPi, tolerance);
}

double Head::bottomValue(double e) const {
    const double power = m_kind == HeadKind::AsmeFd ? e * e : e * e * std::sqrt(e);
    return rings(e) / power;
}

double Head::topValue(double t) const {
    const double split = m_r - m_crownWidth;
    const double e = split + (m_kind == HeadKind::AsmeFd ? t * t : t);
    double closed = 0;
    if (m_kind == HeadKind::Dished && dishedClosed(m_r, m_a, e, closed))
        return closed;
    return rings(e);
}

double Head::vertical(double h) const {
    if (!(h > 0))
        return 0;
    if (h >= m_a && m_full > 0)
        return m_full;
    const double R = m_r, a = m_a;
    switch (m_kind) {
        case HeadKind::Flat:
            return 0;
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
        case HeadKind::Ellipsoidal:
            return kPi * R * R * h * h * (3 * a - h) / (3 * a * a);
        case HeadKind::Conical:
            return kPi * R * R * h * h * h / (3 * a * a);
        case HeadKind::Dished:
            return kPi * h * h * (3 * m_sphere - h) / 3;
        case HeadKind::AsmeFd: {
            // the crown, a spherical cap from the lowest point, then the knuckle: rings of
            // radius c + sqrt(k^2 - u^2) at u below the seam, u from a - h to its depth
            const double L = m_crown;
            if (h <= m_capDepth)
                return kPi * h * h * (3 * L - h) / 3;
            const double cap = m_capDepth;
            const double k = m_knuckle, c = m_centre, top = m_knuckleDepth;
            const double from = std::max(0.0, a - h);
            const auto area = [k](double u) {  // integral of sqrt(k^2 - u^2) from 0 to u
                return (u * std::sqrt((k - u) * (k + u)) + k * k * std::asin(u / k)) / 2;
            };
            const double rings = (c * c + k * k) * (top - from) -
                                 (top - from) * (top * top + top * from + from * from) / 3 +
                                 2 * c * (area(top) - area(from));
            return kPi * (cap * cap * (3 * L - cap) / 3 + rings);
        }
    }
    return 0;
}

}  // namespace dipsheet::chart
