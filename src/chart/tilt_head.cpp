// One head of a tilted horizontal tank: its liquid in closed form (half ellipsoids) or by
// adaptive quadrature over its profile's arcs, and the arcs of each kind of head.

#include "tilt_head.h"

#include "chart/gauss.h"

#include <algorithm>
#include <limits>
#include <numbers>

namespace dipsheet::chart::detail {

namespace {

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
}  // namespace

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

TiltedHead::TiltedHead(const std::vector<Arc>& arcs, double R, double sine, double cosine,
                       double end, double lift)
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

template <typename Real>
Real TiltedHead::seamCut(double dSeam, double& error) const {
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
double TiltedHead::closed(double h, double budget, double& error) const {
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

double TiltedHead::direct(double h) const {
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
                sum += span * adaptive(0, 1, flattened, first[i], tolerance / span / double(count),
                                       noiseOf, -1.0, 5);
            }
        }
    }
    return std::clamp(sum, 0.0, m_full);
}

}  // namespace dipsheet::chart::detail
