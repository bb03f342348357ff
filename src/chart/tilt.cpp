#include "chart/tilt.h"

#include "chart/gauss.h"
#include "chart/numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

namespace dipsheet::chart {

namespace {

// ---------------------------------------------------------------------------------------------
// Cross-sections, reckoned by the wet depth from their lowest point so that a thin film keeps
// its digits.

// x - sin x without the cancellation of its terms for small x.
double xLessSine(double x) {
    if (x >= 1)
        return x - std::sin(x);
    // x^3/3! - x^5/5! + ... until a term falls below 1e-18 of the sum (at x < 1 by the 20th power)
    const double x2 = x * x;
    double term = x * x2 / 6, sum = term;
    term *= -x2 / 20;
    for (int n = 5; n < 25 && std::fabs(term) > 1e-18 * sum; n += 2) {
        sum += term;
        term *= -x2 / ((n + 1) * (n + 2));
    }
    return sum;
}

// The area of a circle of radius r below a chord w above its lowest point.
double segmentArea(double r, double w) {
    if (!(w > 0) || !(r > 0))
        return 0;
    if (w >= 2 * r)
        return kPi * r * r;
    if (w > r)
        return kPi * r * r - segmentArea(r, 2 * r - w);
    // the chord subtends x = 4 asin(sqrt(w / 2r)) at the centre
    const double x = 4 * std::asin(std::sqrt(w / (2 * r)));
    return r * r * xLessSine(x) / 2;
}

// The integral of the area of a circle of radius R below depth u, over u from 0 to d (d from 0
// to 2R): R^3 (sin t - t cos t - sin^3 t / 3) with cos t = 1 - d / R; for small t by its series
// sum over k >= 2 of (-1)^k t^(2k+1) / (2k+1)! ((3^(2k+1) - 3) / 12 - 2k).
double circlePrimitive(double R, double d) {
    if (!(d > 0))
        return 0;
    if (d >= 2 * R)
        return kPi * R * R * R + kPi * R * R * (d - 2 * R);
    if (d > R)
        return kPi * R * R * (d - R) + circlePrimitive(R, 2 * R - d);
    const double t = 2 * std::asin(std::sqrt(d / (2 * R)));
    if (t >= 1) {
        const double s = std::sin(t);
        return R * R * R * (s - t * std::cos(t) - s * s * s / 3);
    }
    const double t2 = t * t;
    double power = t2 * t2 * t / 120, three = 243, sum = 0;  // t^5 / 5!, 3^5
    for (int k = 2; k < 20; ++k) {
        const double term = power * ((three - 3) / 12 - 2 * k);
        sum += k % 2 == 0 ? term : -term;
        if (std::fabs(term) < 1e-19 * std::fabs(sum))
            break;
        power *= t2 / ((2 * k + 2) * (2 * k + 3));
        three *= 9;
    }
    return R * R * R * sum;
}

// The mean over the wet depths d0 ... d1 (d0 <= d1, clamped to 0 ... top) of a cross-section's
// wet area `area`, whose integral from 0 is `primitive` and whose full area is `whole`. The
// upper half is taken as the whole less the mirrored dry part, so a nearly full section does
// not need the digits of a nearly empty one. Where the interval is narrow against its distance
// from the bottom (a nearly level tank), the difference of primitives would cancel: the
// primitive grows at least as fast as the depth, so above 1/64 of the depth the difference
// magnifies the primitives' rounding at most 64 times, a few parts in 1e14. Below, the area is
// analytic over a neighbourhood 128 times the interval's half-width, and 8 Gauss nodes reach
// the last bit.
template <typename Area, typename Primitive>
double meanWet(double d0, double d1, double top, double whole, const Area& area,
               const Primitive& primitive) {
    if (d1 <= 0)
        return 0;
    if (d0 >= top)
        return whole;
    if (d0 + d1 > top)
        return whole - meanWet(top - d1, top - d0, top, whole, area, primitive);
    if (d0 > 0 && d1 - d0 <= d0 / 64) {
        double sum = 0;
        for (std::size_t i = 0; i < kGauss8UnitX.size(); ++i)
            sum += kGauss8UnitW[i] * area(d0 + (d1 - d0) * kGauss8UnitX[i]);
        return sum;
    }
    return (primitive(d1) - primitive(std::max(d0, 0.0))) / (d1 - d0);
}

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

std::vector<Arc> arcsOf(HeadKind kind, double R, double a) {
    std::vector<Arc> arcs;
    switch (kind) {
        case HeadKind::Flat:
            break;
        case HeadKind::TwoToOne:
        case HeadKind::Hemispherical:
        case HeadKind::Ellipsoidal: {
            Arc e;
            e.to = kPi / 2;
            e.wz = a;
            e.rad = R;
            arcs.push_back(e);
            break;
        }
        case HeadKind::Conical: {
            Arc c;
            c.cone = true;
            c.to = a;
            c.slope = R / a;
            arcs.push_back(c);
            break;
        }
        case HeadKind::Dished: {
            // a sphere of radius rho through the seam's circle and the apex, its centre
            // rho - a behind the seam on the shell's side
            const double rho = (R * R + a * a) / (2 * a);
            Arc d;
            d.from = d.t0 = std::atan2(rho - a, R);
            d.to = kPi / 2;
            d.zc = a - rho;
            d.wz = d.rad = rho;
            arcs.push_back(d);
            break;
        }
        case HeadKind::AsmeFd: {
            // the knuckle's torus (radius k about a circle of radius R - k in the seam's plane)
            // up to the angle at which it meets the crown's sphere (radius 2R, its centre on the
            // axis), which goes on to the apex; the angle is the same on both
            const double crown = 2 * R, k = 0.06 * crown, centre = R - k, reach = crown - k;
            const double along = std::sqrt((reach - centre) * (reach + centre));
            const double tk = std::atan2(along, centre);
            Arc knuckle;
            knuckle.to = tk;
            knuckle.wz = knuckle.rad = k;
            knuckle.b0 = centre;
            Arc top;
            top.from = top.t0 = tk;
            top.to = kPi / 2;
            top.zc = -along;
            top.wz = top.rad = crown;
            top.gap0 = 2 * k * std::sin(tk / 2) * std::sin(tk / 2);
            arcs = {knuckle, top};
            break;
        }
    }
    return arcs;
}

// The kind of a head by its profile: 2:1, hemispherical and ellipsoidal heads are all half
// ellipsoids of the head's depth (a dished head of half the diameter is the hemisphere).
HeadKind kindOf(const Head& head) {
    const std::vector<ProfilePiece> profile = head.profile();
    if (profile.empty())
        return HeadKind::Flat;
    if (profile.size() == 2)
        return HeadKind::AsmeFd;
    if (profile[0].q2 == 0)
        return HeadKind::Conical;
    return profile[0].q1 != 0 ? HeadKind::Dished : HeadKind::Ellipsoidal;
}

// ---------------------------------------------------------------------------------------------
// Adaptive Gauss-Kronrod (7, 15) quadrature, the rules' tables in chart/gauss.h.

struct Estimate {
    double kronrod, gauss;
};

template <typename F>
Estimate kronrod(double u, double v, const F& f) {
    const double half = (v - u) / 2, mid = (u + v) / 2;
    const double centre = f(mid);
    double k = kKronrodW[7] * centre, g = kGauss7W[3] * centre;
    for (std::size_t i = 0; i < 7; ++i) {
        const double both = f(mid - half * kKronrodX[i]) + f(mid + half * kKronrodX[i]);
        k += kKronrodW[i] * both;
        if (i % 2 == 1)
            g += kGauss7W[i / 2] * both;
    }
    return {k * half, g * half};
}

// The integral of f over [u, v] to within `tolerance`. The 15-point rule's error is judged as
// quadrature packages do, from the difference d of the two rules: |K| min(1, (200 d / |K|)^1.5)
// (for an analytic integrand the 15-point rule is far better than the 7-point one), and a
// difference at the level of rounding is taken as converged. That judgement is cautious by
// orders of magnitude near the last digits, so where it fails the interval is halved and the
// whole rule measured against its halves: when they agree to the tolerance, or to `noise`, the
// rounding the integrand itself carries over the interval (a tolerance halved below that would
// never be met), the halves (whose error falls by about 2^-23 against the whole's on an
// analytic integrand) are the integral.
template <typename F, typename Noise>
double adaptive(double u, double v, const F& f, const Estimate& whole, double tolerance,
                const Noise& noiseOf, double noise, int depth) {
    const double scale = std::fabs(whole.kronrod),
                 difference = std::fabs(whole.kronrod - whole.gauss);
    const double error =
        scale > 0 ? scale * std::min(1.0, std::pow(200 * difference / scale, 1.5)) : difference;
    if (error <= tolerance || difference <= 50 * std::numeric_limits<double>::epsilon() * scale ||
        depth == 0)
        return whole.kronrod;
    const double mid = (u + v) / 2;
    const Estimate left = kronrod(u, mid, f), right = kronrod(mid, v, f);
    const double halves = left.kronrod + right.kronrod;
    if (std::fabs(halves - whole.kronrod) <= tolerance)
        return halves;
    if (noise < 0)
        noise = noiseOf();
    if (std::fabs(halves - whole.kronrod) <= noise)
        return halves;
    return adaptive(u, mid, f, left, tolerance / 2, noiseOf, noise / 2, depth - 1) +
           adaptive(mid, v, f, right, tolerance / 2, noiseOf, noise / 2, depth - 1);
}

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

// The Chebyshev coefficients of the interpolant through every `step`th of the values at the
// points cos(pi j / kDegree), of degree kDegree / step.
Coefficients chebyshev(const Coefficients& value, int step) {
    // cos(pi m / kDegree) for m below 2 kDegree, once
    static const std::array<double, 2 * kDegree> cosines = [] {
        std::array<double, 2 * kDegree> table{};
        for (int m = 0; m < 2 * kDegree; ++m)
            table[static_cast<std::size_t>(m)] = std::cos(kPi * m / kDegree);
        return table;
    }();
    const int n = kDegree / step;
    Coefficients c{};
    for (int k = 0; k <= n; ++k) {
        double sum = 0;
        for (int j = 0; j <= n; ++j) {
            // pi j k / n = pi (j k step) / kDegree
            const double term = value[static_cast<std::size_t>(j * step)] *
                                cosines[static_cast<std::size_t>(j * k * step % (2 * kDegree))];
            sum += (j == 0 || j == n) ? term / 2 : term;
        }
        c[static_cast<std::size_t>(k)] = sum * 2 / n / ((k == 0 || k == n) ? 2 : 1);
    }
    return c;
}

// The sum of c[k] T_k(y) for k up to n, by Clenshaw's recurrence.
double clenshaw(const Coefficients& c, int n, double y) {
    double b1 = 0, b2 = 0;
    for (int k = n; k >= 1; --k) {
        const double b0 = c[static_cast<std::size_t>(k)] + 2 * y * b1 - b2;
        b2 = b1;
        b1 = b0;
    }
    return c[0] + y * b1 - b2;
}

class TiltedHead {
public:
    // `end`: -1 for head A (s = -z), 1 for head B (s = L + z). The wet depth of the shell's
    // section at the seam, from the shell's bottom line, is (h + lift) / cos at height h.
    TiltedHead(const std::vector<Arc>& arcs, double R, double sine, double cosine, double end,
               double lift)
        : m_arcs(arcs), m_R(R), m_cosine(cosine), m_lift(lift), m_slope(end * sine / cosine) {
        for (const Arc& arc : m_arcs)
            m_full += arc.solid(arc.from, arc.to);
        // The heights at which the surface's meeting with the head changes its form: the top
        // and bottom of each arc's ends, and where the surface is tangent to its top or bottom
        // line. Between them the liquid is an analytic function of the height.
        const auto height = [&](const Arc& arc, double t, bool top) {
            const double gap = arc.gap(t);
            // the point z behind the seam stands z sine lower toward end B
            return -end * arc.z(t) * sine + (top ? 2 * R - gap : gap) * cosine - lift;
        };
        std::vector<double> heights;
        for (const Arc& arc : m_arcs) {
            for (const bool top : {false, true}) {
                heights.push_back(height(arc, arc.from, top));
                heights.push_back(height(arc, arc.to, top));
                if (arc.cone)
                    continue;
                // gap'(z) = (rad / wz) tan t equals end * tan(alpha) on the bottom line
                const double t = std::atan((top ? -1 : 1) * end * sine / cosine * arc.wz / arc.rad);
                if (t > arc.from && t < arc.to)
                    heights.push_back(height(arc, t, top));
            }
        }
        std::sort(heights.begin(), heights.end());
        m_low = heights.front();
        m_high = heights.back();
        for (const double h : heights) {
            if (m_breaks.empty() || h > m_breaks.back() + 1e-13 * (std::fabs(h) + R))
                m_breaks.push_back(h);
        }
        m_breaks.back() = m_high;
    }

    double full() const { return m_full; }
    double low() const { return m_low; }

    // A head that is half an ellipsoid of revolution (2:1, hemispherical, ellipsoidal) has its
    // liquid in closed form.
    bool halfEllipsoid() const {
        return m_arcs.size() == 1 && !m_arcs[0].cone && m_arcs[0].from == 0 && m_arcs[0].zc == 0 &&
               m_arcs[0].b0 == 0;
    }

    // The liquid of a half-ellipsoid head at height h, and a bound on its rounding error,
    // reckoned to within `budget` where it can be.
    // Scaled by R across and a along the axis, the head is the unit half ball Z >= 0 and the
    // surface the plane R Y = c + m a Z (c = wet depth at the seam less R, m the slope), whose
    // unit normal n = (R, -m a) / N lies at distance u = c / N. Sliced parallel to that plane,
    // the half ball at distance t is a disc of radius sqrt(1 - t^2) cut by the seam plane's
    // trace; below t = -R / N and above t = R / N the trace misses the disc and the slice is
    // whole or empty. Between, the slices' areas integrate to
    //   F(t) = (t - t^3/3) acos(g) + k t^2 s / 3 + 2/3 atan(s / k),  k = -m a / R,
    // with g = -k t / sqrt(1 - t^2) and s = sqrt(1 - (c / R)^2) the half chord at the seam;
    // F(-R/N) is 0 for k > 0 (the seam's rim lowest) and -pi (R/N - (R/N)^3/3) for k < 0, when
    // the slices below are whole: the half ball then holds 2 pi / 3 + F(u).
    double closed(double h, double budget, double& error) const {
        error = 0;
        if (h <= m_low)
            return 0;
        if (h >= m_high)
            return m_full;
        const Arc& arc = m_arcs[0];
        const double a = arc.wz, R = m_R, ma = m_slope * a;
        const double N = std::hypot(R, ma);
        const double dSeam = (h + m_lift) / m_cosine;
        const double scale = a * R * R;
        if (dSeam <= 0 || dSeam >= 2 * R) {
            // the seam's disc is all dry or all wet: the liquid is a cap of the ball, whole
            // slices from the bottom t = -1 to u: pi (1 + u)^2 (2 - u) / 3, 1 + u reckoned
            // without cancellation
            const bool below = dSeam <= 0;
            if (below != (ma > 0))
                return below ? 0 : m_full;
            const double depth =
                below ? (dSeam + ma * ma / (N + R)) / N : (2 * R - dSeam + ma * ma / (N + R)) / N;
            if (depth <= 0)
                return below ? 0 : m_full;
            const double cap = kPi * depth * depth * (3 - depth) / 3 * scale;
            return std::clamp(below ? cap : m_full - cap, 0.0, m_full);
        }
        // F's terms are of the order of 1 where the liquid in the head is small: the double
        // sum serves when its cancellation is within the budget (and within the row tolerance
        // of the head's own liquid), else the widest floating type reckons it again
        const double narrow = seamCut<double>(dSeam, error) * scale;
        error *= scale;
        if (error <= budget + kRowTolerance / 2 * narrow)
            return std::clamp(narrow, 0.0, m_full);
        const double wide = static_cast<double>(seamCut<long double>(dSeam, error)) * scale;
        error *= scale;
        return std::clamp(wide, 0.0, m_full);
    }

    // The half ball's liquid above the seam plane, 2 pi / 3 + F(u) or F(u), for a wet depth at
    // the seam between 0 and 2R, and a bound on its rounding error.
    template <typename Real>
    Real seamCut(double dSeam, double& error) const {
        const double R = m_R, ma = m_slope * m_arcs[0].wz;
        const Real c = static_cast<Real>(dSeam) - R, N = std::hypot(Real(R), Real(ma));
        const Real u = c / N, k = -Real(ma) / R;
        const Real s = std::sqrt(Real(dSeam) * (2 * Real(R) - dSeam)) / R;
        const Real t1 = (u - u * u * u / 3) * std::atan2(s, c * ma / (N * R));
        const Real t2 = k * u * u * s / 3, t3 = 2 * std::atan(s / k) / 3;
        Real v = t1 + t2 + t3;
        Real magnitude = std::fabs(t1) + std::fabs(t2) + std::fabs(t3) + std::fabs(u);
        if (k < 0) {
            const Real third = std::numbers::pi_v<Real> * 2 / 3;
            v += third;
            magnitude += third;
        }
        error = static_cast<double>(16 * std::numeric_limits<Real>::epsilon() * magnitude);
        return v;
    }

    double high() const { return m_high; }

    // The liquid at height h by the quadrature, to kQuadratureTolerance of itself.
    double direct(double h) const {
        if (h <= m_low)
            return 0;
        if (h >= m_high)
            return m_full;
        const double dSeam = (h + m_lift) / m_cosine;
        double estimate = 0;
        struct Part {
            const Arc* arc;
            double u, v;
            bool atU, atV;
            bool whole;
        };
        std::array<Part, 16> parts{};
        std::size_t count = 0;
        for (const Arc& arc : m_arcs) {
            // where the surface meets the wall: the wet depth w = d + slope z - gap is 0 or 2r,
            // each of the form k + p sin t + q cos t on an arc, linear on a cone
            std::array<double, 6> at{arc.from, arc.to};
            std::array<bool, 6> meets{false, false};
            std::size_t n = 2;
            const auto add = [&](double t) {
                if (t > arc.from && t < arc.to && n < at.size()) {
                    at[n] = t;
                    meets[n++] = true;
                }
            };
            if (arc.cone) {
                const double up = m_slope + arc.slope, down = m_slope - arc.slope;
                if (down != 0)
                    add(-dSeam / down);
                if (up != 0)
                    add((2 * m_R - dSeam) / up);
            } else {
                const double base = dSeam - m_R + m_slope * arc.zc, p = m_slope * arc.wz;
                for (const double sign : {1.0, -1.0}) {
                    // k + p sin t + q cos t = 0, sign 1 for w = 0, -1 for w = 2r
                    const double k = base + sign * arc.b0, q = sign * arc.rad;
                    const double amp = std::hypot(p, q);
                    if (!(std::fabs(k) < amp))
                        continue;
                    const double phase = std::atan2(q, p), root = std::asin(-k / amp);
                    // w (less 2r) by its accurate form, for Newton's steps that polish a root
                    // the cancelling form above leaves rough in a thin film
                    const auto wall = [&](double t) {
                        const double w = dSeam + m_slope * arc.z(t) - arc.gap(t);
                        return sign > 0 ? w : w - 2 * arc.r(t, m_R);
                    };
                    for (double t : {root - phase, kPi - root - phase}) {
                        while (t < arc.from - kPi)
                            t += 2 * kPi;
                        while (t > arc.to + kPi)
                            t -= 2 * kPi;
                        double value = wall(t);
                        for (int step = 0; step < 6 && value != 0; ++step) {
                            const double slope = p * std::cos(t) - sign * arc.rad * std::sin(t);
                            if (slope == 0)
                                break;
                            const double next = t - value / slope, nextValue = wall(next);
                            if (!(std::fabs(nextValue) < std::fabs(value)))
                                break;
                            t = next;
                            value = nextValue;
                        }
                        add(t);
                    }
                }
            }
            // in order
            for (std::size_t i = 1; i < n; ++i) {
                for (std::size_t j = i; j > 0 && at[j - 1] > at[j]; --j) {
                    std::swap(at[j - 1], at[j]);
                    std::swap(meets[j - 1], meets[j]);
                }
            }
            for (std::size_t i = 0; i + 1 < n; ++i) {
                const double u = at[i], v = at[i + 1];
                if (!(v > u))
                    continue;
                const double mid = (u + v) / 2;
                const double w = dSeam + m_slope * arc.z(mid) - arc.gap(mid);
                if (w <= 0)
                    continue;
                const bool whole = w >= 2 * arc.r(mid, m_R);
                parts[count++] = {&arc, u, v, meets[i], meets[i + 1], whole};
            }
        }
        // The first rule's sum sets the tolerance; each part then refines its own.
        std::array<Estimate, 16> first{};
        double sum = 0;
        for (int pass = 0; pass < 2; ++pass) {
            const double tolerance = kQuadratureTolerance * estimate;
            for (std::size_t i = 0; i < count; ++i) {
                const Part& part = parts[i];
                const Arc& arc = *part.arc;
                if (part.whole) {
                    if (pass == 0)
                        estimate += arc.solid(part.u, part.v);
                    else
                        sum += arc.solid(part.u, part.v);
                    continue;
                }
                const auto slice = [&](double t) {
                    const double w = dSeam + m_slope * arc.z(t) - arc.gap(t);
                    return segmentArea(arc.r(t, m_R), w) * arc.dz(t);
                };
                // Where the surface meets the wall the area grows as a power 3/2 of the distance;
                // t = u + (v - u) x^2 (or both ends: 3x^2 - 2x^3) makes the integrand smooth.
                const double u = part.u, span = part.v - part.u;
                const auto flatten = [&](const auto& g) {
                    return [&part, &g, u, span](double x) {
                        if (part.atU && part.atV)
                            return 6 * x * (1 - x) * g(u + span * x * x * (3 - 2 * x));
                        if (part.atU)
                            return 2 * x * g(u + span * x * x);
                        if (part.atV)
                            return 2 * (1 - x) * g(part.v - span * (1 - x) * (1 - x));
                        return g(u + span * x);
                    };
                };
                const auto flattened = flatten(slice);
                if (pass == 0) {
                    first[i] = kronrod(0, 1, flattened);
                    estimate += span * std::fabs(first[i].kronrod);
                } else {
                    // The wet depth is a difference of terms up to `terms`; a slice's area moves
                    // by its chord times the depth's rounding, so the integral carries about
                    // epsilon times terms times the integral of the chord, which no tolerance
                    // can get below.
                    const auto noiseOf = [&] {
                        const double terms = std::fabs(dSeam) +
                                             std::max(std::fabs(m_slope * arc.z(part.u)),
                                                      std::fabs(m_slope * arc.z(part.v))) +
                                             m_R;
                        const auto chord = [&](double t) {
                            const double w = dSeam + m_slope * arc.z(t) - arc.gap(t);
                            const double r = arc.r(t, m_R);
                            return w > 0 && w < 2 * r
                                       ? 2 * std::sqrt(w * (2 * r - w)) * std::fabs(arc.dz(t))
                                       : 0.0;
                        };
                        const double spread = std::fabs(kronrod(0, 1, flatten(chord)).kronrod);
                        return 4 * std::numeric_limits<double>::epsilon() *
                               (terms * spread + std::fabs(first[i].kronrod));
                    };
                    sum += span * adaptive(0, 1, flattened, first[i],
                                           tolerance / span / double(count), noiseOf, -1.0, 5);
                }
            }
        }
        return std::clamp(sum, 0.0, m_full);
    }

    // Tabulates the liquid between the heights at which its form changes: on each such span
    // [a, b], h = a + (b - a) sin^2(pi x / 2) makes the powers 3/2 and 5/2 of the distance to
    // either end smooth in x, and Chebyshev pieces of degree 32 in x are kept where their last
    // coefficients show they reach kTableTolerance of their values; the span from the head's
    // lowest point is graded toward it, where the liquid vanishes. Each span is tabulated when
    // a height first falls in it, so a single volume (or a chart that never reaches a span)
    // does not pay for the rest; the table is the same whenever it is made.
    void tabulate() {
        for (std::size_t i = 0; i + 1 < m_breaks.size(); ++i)
            m_spans.push_back(Span{m_breaks[i], m_breaks[i + 1], {}});
        m_made = std::make_unique<std::once_flag[]>(m_spans.size());
    }

    // The liquid at h and a bound on the table's error (0 where none is used).
    double tabulated(double h, double& error) const {
        error = 0;
        if (h <= m_low)
            return 0;
        if (h >= m_high)
            return m_full;
        if (m_spans.empty()) {
            return direct(h);
        }
        const auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), h);
        const std::size_t i = std::min<std::size_t>(
            static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - m_breaks.begin() - 1, 0)),
            m_spans.size() - 1);
        Span& span = m_spans[i];
        std::call_once(m_made[i], [&] {
            if (i == 0) {
                double x = 0;
                for (int k = 8; k >= 1; --k) {
                    const double next = std::ldexp(1.0, -k);
                    fit(span, x, next, 3);
                    x = next;
                }
                fit(span, x, 1, 3);
            } else if (span.b - span.a > m_R / 2) {
                // a span over a quarter of the diameter is seldom one piece: halved at once
                fit(span, 0, 0.5, 3);
                fit(span, 0.5, 1, 3);
            } else {
                fit(span, 0, 1, 4);
            }
        });
        const double x =
            2 / kPi *
            std::atan2(std::sqrt(std::max(0.0, h - span.a)), std::sqrt(std::max(0.0, span.b - h)));
        for (const Piece& p : span.pieces) {
            if (x <= p.to || &p == &span.pieces.back()) {
                error = p.error;
                const double y = std::clamp((2 * x - p.from - p.to) / (p.to - p.from), -1.0, 1.0);
                return std::clamp(clenshaw(p.c, kDegree, y), 0.0, m_full);
            }
        }
        return direct(h);
    }

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

    void fit(Span& span, double from, double to, int depth,
             double parent = std::numeric_limits<double>::infinity()) const {
        Coefficients value{};
        double largest = 0;
        for (int j = 0; j <= kDegree; ++j) {
            const double y = std::cos(kPi * j / kDegree);
            const double x = (from + to) / 2 + (to - from) / 2 * y;
            const double s = std::sin(kPi * x / 2);
            const double h = x >= 1 ? span.b : span.a + (span.b - span.a) * s * s;
            value[static_cast<std::size_t>(j)] = direct(h);
            largest = std::max(largest, std::fabs(value[static_cast<std::size_t>(j)]));
        }
        Piece p{from, to, chebyshev(value, 1), 0};
        // The interpolant of half the degree through every other node foretells the others to
        // `half`; converging geometrically, the full degree is then good to about half^2 / its
        // values, or to the quadrature's own noise.
        const auto coarse = chebyshev(value, 2);
        double half = 0;
        for (int j = 1; j < kDegree; j += 2) {
            const double y = std::cos(kPi * j / kDegree);
            half = std::max(half, std::fabs(clenshaw(coarse, kDegree / 2, y) -
                                            value[static_cast<std::size_t>(j)]));
        }
        // Halving an analytic piece shrinks `half` by orders of magnitude (a piece next to a
        // change of form not smoothed by the spacing, a few times); one that does not halve it
        // against its parent's is held by the quadrature's noise (a thin film whose wet depth
        // has lost its digits), which halving cannot cure.
        if (half > kTableTolerance * largest && depth > 0 && half < parent / 2) {
            fit(span, from, (from + to) / 2, depth - 1, half);
            fit(span, (from + to) / 2, to, depth - 1, half);
            return;
        }
        // (a piece still short of the tolerance when no more halving is allowed or helps is as
        // good as its half degree, and rows it cannot serve are reckoned directly)
        p.error = half > kTableTolerance * largest ? half
                                                   : (largest > 0 ? half * half / largest : 0) +
                                                         4 * kQuadratureTolerance * largest;
        span.pieces.push_back(p);
    }

    std::vector<Arc> m_arcs;
    double m_R, m_cosine, m_lift, m_slope;
    double m_full = 0, m_low = 0, m_high = 0;
    std::vector<double> m_breaks;
    mutable std::vector<Span> m_spans;         // each span's pieces once made
    std::unique_ptr<std::once_flag[]> m_made;  // whether they are
};

// ---------------------------------------------------------------------------------------------

double readNumber(const std::string& text, const char* caption, const char* blank,
                  const NumberFormat& format) {
    const auto value = strictDouble(text, format);
    if (!value)
        throw InputError(std::string(caption) + ": \"" + text + "\" is not a number. " + blank);
    return *value;
}

std::string shortText(double value) {
    return singleDefaultText(static_cast<float>(value));
}

// The lowest and highest corner of the shell above the dip point.
struct Reach {
    double low, top;
};

}  // namespace

std::optional<Tilt> readTilt(const TiltTexts& texts, double length, const NumberFormat& format) {
    if (!texts.fall.empty() && !texts.degrees.empty())
        throw InputError("Give the tilt as the fall to end B or in degrees, not both.");
    Tilt tilt;
    tilt.dipAt = length / 2;
    if (!texts.dipAt.empty()) {
        tilt.dipAt = readNumber(texts.dipAt, "Dip at, from end A",
                                "Leave it blank to dip in the middle of the shell.", format);
        // The length is held in single precision: a dip point typed as the length is its end,
        // so the two are compared as singles.
        const auto single = static_cast<float>(tilt.dipAt);
        if (!(single >= 0 && static_cast<double>(single) <= length)) {
            throw InputError("Dip at, from end A: " + shortText(tilt.dipAt) +
                             " is not on the shell, which runs from 0 to the Length " +
                             shortText(length) + ".");
        }
        tilt.dipAt = std::clamp(tilt.dipAt, 0.0, length);
    }
    const char* level = "Leave it blank for a level tank.";
    if (!texts.fall.empty()) {
        const double fall = readNumber(texts.fall, "Fall to end B", level, format);
        if (!(std::fabs(fall) < length)) {
            throw InputError("Fall to end B: " + shortText(fall) +
                             " must be less than the Length " + shortText(length) +
                             " (either way).");
        }
        if (fall == 0)
            return std::nullopt;
        tilt.sine = fall / length;
        tilt.cosine = std::sqrt((1 - tilt.sine) * (1 + tilt.sine));
        return tilt;
    }
    if (!texts.degrees.empty()) {
        const double degrees = readNumber(texts.degrees, "Tilt", level, format);
        if (!(std::fabs(degrees) < 90))
            throw InputError("Tilt: " + shortText(degrees) + " degrees must be less than 90.");
        if (degrees == 0)
            return std::nullopt;
        tilt.sine = std::sin(degrees * kPi / 180);
        tilt.cosine = std::cos(degrees * kPi / 180);
        return tilt;
    }
    return std::nullopt;
}

TankVolume tiltedCylinderVolume(const ChartOptions& options, const CylinderMeasures& tank,
                                const Tilt& t) {
    const double R = static_cast<double>(tank.diameter) / 2, L = tank.length;
    const double factor = volumeFactor(options.inches);
    const std::vector<Arc> arcs = arcsOf(kindOf(tank.head), R, tank.head.depth());
    // The wet depth of the section at s, from the shell's bottom line, is (h + (s - X) sine) /
    // cosine at height h above the dip point X.
    const double X = t.dipAt, sine = t.sine, cosine = t.cosine;
    struct Heads {
        TiltedHead a, b;
    };
    std::shared_ptr<const Heads> heads;
    double full = kPi * R * R * L;
    double top = std::max(X * sine + 2 * R * cosine, (X - L) * sine + 2 * R * cosine);
    double low = std::min(X * sine, (X - L) * sine);
    if (!arcs.empty()) {
        auto made =
            std::make_shared<Heads>(Heads{TiltedHead(arcs, R, sine, cosine, -1, -X * sine),
                                          TiltedHead(arcs, R, sine, cosine, 1, (L - X) * sine)});
        if (!made->a.halfEllipsoid()) {
            made->a.tabulate();
            made->b.tabulate();
        }
        full += made->a.full() + made->b.full();
        top = std::max({top, made->a.high(), made->b.high()});
        low = std::min({low, made->a.low(), made->b.low()});
        heads = std::move(made);
    }
    const auto volume = [=](double h) {
        if (h >= top)
            return full * factor;
        if (h <= low)
            return 0.0;
        const double d0 = (h - X * sine) / cosine, d1 = (h + (L - X) * sine) / cosine;
        double held = L * meanWet(
                              std::min(d0, d1), std::max(d0, d1), 2 * R, kPi * R * R,
                              [R](double d) { return segmentArea(R, d); },
                              [R](double d) { return circlePrimitive(R, d); });
        if (heads) {
            double errorA = 0, errorB = 0;
            const bool closed = heads->a.halfEllipsoid();
            const double budget = kRowTolerance / 2 * held;
            double a = closed ? heads->a.closed(h, budget, errorA) : heads->a.tabulated(h, errorA);
            double b = closed ? heads->b.closed(h, budget, errorB) : heads->b.tabulated(h, errorB);
            if (errorA + errorB > kRowTolerance * (held + a + b)) {
                a = heads->a.direct(h);
                b = heads->b.direct(h);
            }
            held += a + b;
        }
        return std::clamp(held, 0.0, full) * factor;
    };
    return TankVolume(volume, top, strikerAllowance(options), "top above the dip point", true);
}

TankVolume tiltedRectangleVolume(const ChartOptions& options, const RectangleMeasures& tank,
                                 const Tilt& t) {
    const double L = tank.length, W = tank.width, H = tank.height;
    const double factor = volumeFactor(options.inches);
    const double X = t.dipAt, sine = t.sine, cosine = t.cosine;
    const double top = std::max(X * sine, (X - L) * sine) + H * cosine;
    const double low = std::min(X * sine, (X - L) * sine);
    const auto volume = [=](double h) {
        if (h >= top)
            return L * W * H * factor;
        if (h <= low)
            return 0.0;
        const double d0 = (h - X * sine) / cosine, d1 = (h + (L - X) * sine) / cosine;
        const double held =
            L * meanWet(
                    std::min(d0, d1), std::max(d0, d1), H, H, [](double d) { return d; },
                    [H](double d) { return d <= H ? d * d / 2 : H * (d - H / 2); });
        return std::clamp(W * held, 0.0, L * W * H) * factor;
    };
    return TankVolume(volume, top, strikerAllowance(options), "top above the dip point", true);
}

}  // namespace dipsheet::chart
