#include "chart/tilt.h"

#include "chart/gauss.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace dipsheet::chart {

namespace {

constexpr double kPi = std::numbers::pi;

constexpr int kNodes = 10;

// The rule on [0, 1].
struct Rule {
    std::array<double, kNodes> x{}, w{};
};

const Rule& rule() {
    static const Rule r = [] {
        const auto& g = GaussLegendre<kNodes>::rule();
        Rule unit;
        for (std::size_t i = 0; i < kNodes; ++i) {
            unit.x[i] = (g.x[i] + 1) / 2;
            unit.w[i] = g.w[i] / 2;
        }
        return unit;
    }();
    return r;
}

// The integral of f over [u, v] by the fixed rule.
template <typename F>
double integrate(double u, double v, F f) {
    const Rule& g = rule();
    double sum = 0;
    for (std::size_t i = 0; i < kNodes; ++i)
        sum += g.w[i] * f(u + (v - u) * g.x[i]);
    return sum * (v - u);
}

// The same where the integrand grows as a power 3/2 of the distance from an end (where the
// surface meets a head's wall, which the rule alone would take poorly): such an end is
// flattened, z = u + (v - u) t^2 at u, z = v - (v - u) t^2 at v, both together by
// z = u + (v - u)(3t^2 - 2t^3). The other ends keep the rule's own spacing.
template <typename F>
double integrateFlattened(double u, double v, bool atU, bool atV, F f) {
    if (!atU && !atV)
        return integrate(u, v, f);
    const Rule& g = rule();
    double sum = 0;
    for (std::size_t i = 0; i < kNodes; ++i) {
        const double t = g.x[i];
        if (atU && atV)
            sum += g.w[i] * 6 * t * (1 - t) * f(u + (v - u) * t * t * (3 - 2 * t));
        else if (atU)
            sum += g.w[i] * 2 * t * f(u + (v - u) * t * t);
        else
            sum += g.w[i] * 2 * t * f(v - (v - u) * t * t);
    }
    return sum * (v - u);
}

double acosOf(double ratio) {
    return std::acos(std::clamp(ratio, -1.0, 1.0));
}

// The area of a disk of radius r below a line c from its centre (c < 0: below the centre).
double diskBelow(double r, double c) {
    if (c >= r)
        return kPi * r * r;
    if (c <= -r)
        return 0;
    return r * r * acosOf(-c / r) + c * std::sqrt((r - c) * (r + c));
}

// The integral over the wet depth d (from the bottom of a circle of radius R) of the area below
// it, from 0 to d: what a shell holds along a surface sloping evenly over its length.
double shellPrimitive(double R, double d) {
    if (d <= 0)
        return 0;
    if (d >= 2 * R)
        return kPi * R * R * R + kPi * R * R * (d - 2 * R);
    const double c = d - R, t = c / R, rest = (R - c) * (R + c);
    return R * R * R * (t * acosOf(-t) + std::sqrt(std::max(0.0, 1 - t * t))) -
           rest * std::sqrt(rest) / 3;
}

// The same for a rectangle of height H (per unit of width).
double boxPrimitive(double H, double d) {
    if (d <= 0)
        return 0;
    if (d <= H)
        return d * d / 2;
    return H * H / 2 + H * (d - H);
}

// The liquid along a length L whose wet depth runs evenly from d0 to d1, for a cross-section
// whose area below a depth is `area` with primitive `primitive`. Across a nearly level length
// the difference of primitives would lose its digits, and the fixed rule takes over.
template <typename Area, typename Primitive>
double alongLength(double L, double d0, double d1, double scale, Area area, Primitive primitive) {
    if (std::fabs(d1 - d0) < 1e-4 * scale)
        return integrate(0, L, [&](double s) { return area(d0 + (d1 - d0) * s / L); });
    return L * (primitive(d1) - primitive(d0)) / (d1 - d0);
}

// The integral of r(z)^2 over [u, v] of a profile piece, in closed form: a line squared, the
// quadratic under the root, and for a knuckle's torus (q1 = 0, q2 = -1) twice the line times
// the root.
double squareIntegral(const ProfilePiece& p, double u, double v) {
    const auto primitive = [&p](double z) {
        double sum = p.q0 * z + p.q1 * z * z / 2 + p.q2 * z * z * z / 3;
        const double line = p.b0 + p.b1 * z;
        sum += p.b1 != 0 ? line * line * line / (3 * p.b1) : p.b0 * p.b0 * z;
        if (p.b0 != 0 && p.q2 != 0) {
            const double k2 = p.q0, root = std::sqrt(std::max(0.0, k2 - z * z));
            sum += p.b0 * (z * root + k2 * std::asin(std::clamp(z / std::sqrt(k2), -1.0, 1.0)));
        }
        return sum;
    };
    return primitive(v) - primitive(u);
}

// Where on a piece the line c(z) = c0 + m z meets the wall at sign * r(z): the roots of the
// squared equation that hold unsquared, polished by Newton's method.
// At most four crossings and the piece's two ends.
struct Points {
    std::array<double, 6> at{};
    std::array<bool, 6> crossing{};  // where the surface meets the wall, not a piece's end
    std::size_t count = 0;
    void push_back(double z, bool meets = true) {
        // kept in order as they come
        std::size_t i = count++;
        for (; i > 0 && at[i - 1] > z; --i) {
            at[i] = at[i - 1];
            crossing[i] = crossing[i - 1];
        }
        at[i] = z;
        crossing[i] = meets;
    }
};

void crossings(const ProfilePiece& p, double c0, double m, double sign, Points& found) {
    const double e0 = sign * c0 - p.b0, e1 = sign * m - p.b1;
    const double a2 = e1 * e1 - p.q2, a1 = 2 * e0 * e1 - p.q1, a0 = e0 * e0 - p.q0;
    double roots[2];
    int count = 0;
    const double size = std::fabs(a1) + std::fabs(a0);
    if (p.q0 == 0 && p.q1 == 0 && p.q2 == 0) {
        // a straight wall (a cone): the line meets it once, if at all
        if (e1 != 0)
            roots[count++] = -e0 / e1;
    } else if (std::fabs(a2) <= 1e-14 * size) {
        if (a1 != 0)
            roots[count++] = -a0 / a1;
    } else {
        const double disc = a1 * a1 - 4 * a2 * a0;
        if (disc >= 0) {
            const double q = -(a1 + std::copysign(std::sqrt(disc), a1)) / 2;
            roots[count++] = q / a2;
            if (q != 0)
                roots[count++] = a0 / q;
        }
    }
    const double span = p.to - p.from;
    for (int i = 0; i < count; ++i) {
        double z = roots[i];
        if (!(z > p.from - 1e-9 * span && z < p.to + 1e-9 * span))
            continue;
        z = std::clamp(z, p.from, p.to);
        for (int pass = 0; pass < 2; ++pass) {
            const double q = p.q0 + z * (p.q1 + z * p.q2);
            if (q <= 0)
                break;
            const double slope = sign * m - p.b1 - (p.q1 + 2 * p.q2 * z) / (2 * std::sqrt(q));
            if (slope == 0)
                break;
            z = std::clamp(z - (sign * (c0 + m * z) - p.radius(z)) / slope, p.from, p.to);
        }
        // A squared root holds only where the line is on the wall's side of the sign.
        if (sign * (c0 + m * z) >= -1e-9 * (std::fabs(c0) + p.b0 + std::sqrt(std::fabs(p.q0))))
            found.push_back(z);
    }
}

// The liquid in the part u...v of a profile piece that the surface cuts. Under a root of a
// quadratic the wall is a circle or an ellipse: there z = centre + w sin(theta), which makes
// the radius w cos(theta) times a constant and the integrand smooth up to the apex.
double partBelow(const ProfilePiece& p, double u, double v, bool atU, bool atV, double c0,
                 double m) {
    const auto cut = [&](double z) { return diskBelow(p.radius(z), c0 + m * z); };
    if (!(p.q2 < 0))
        return integrateFlattened(u, v, atU, atV, cut);
    const double centre = -p.q1 / (2 * p.q2);
    const double w = std::sqrt(std::max(0.0, centre * centre - p.q0 / p.q2));
    const auto angle = [&](double z) { return std::asin(std::clamp((z - centre) / w, -1.0, 1.0)); };
    const double scale = std::sqrt(-p.q2) * w;  // the root at the angle's cosine 1
    return integrateFlattened(angle(u), angle(v), atU, atV, [&](double theta) {
        const double sine = std::sin(theta), cosine = std::cos(theta);
        const double z = centre + w * sine;
        return diskBelow(p.b0 + p.b1 * z + scale * cosine, c0 + m * z) * w * cosine;
    });
}

// The liquid in one head whose cross-section z behind its seam is cut by the surface at
// c(z) = c0 + m z from the axis: each piece of the profile is split where the surface meets the
// wall; wholly wet parts are whole disks, dry parts nothing, the rest the fixed rule.
double headBelow(const std::vector<ProfilePiece>& profile, double c0, double m) {
    double sum = 0;
    for (const ProfilePiece& p : profile) {
        Points points;
        points.push_back(p.from, false);
        points.push_back(p.to, false);
        crossings(p, c0, m, 1, points);
        crossings(p, c0, m, -1, points);
        for (std::size_t i = 0; i + 1 < points.count; ++i) {
            const double u = points.at[i], v = points.at[i + 1];
            if (!(v > u))
                continue;
            const double mid = (u + v) / 2, r = p.radius(mid), c = c0 + m * mid;
            if (c >= r)
                sum += kPi * squareIntegral(p, u, v);
            else if (c > -r)
                sum += partBelow(p, u, v, points.crossing[i], points.crossing[i + 1], c0, m);
        }
    }
    return sum;
}

// The extreme of a concave (sign 1) or convex (sign -1) function on [u, v], by golden sections.
template <typename F>
double extreme(double u, double v, double sign, F f) {
    const double g = (std::sqrt(5.0) - 1) / 2;
    double a = u, b = v;
    for (int i = 0; i < 200 && b - a > 1e-15 * (std::fabs(a) + std::fabs(b) + 1); ++i) {
        const double x1 = b - g * (b - a), x2 = a + g * (b - a);
        if (sign * f(x1) < sign * f(x2))
            a = x1;
        else
            b = x2;
    }
    return std::max(sign * f(u), std::max(sign * f(v), sign * f((a + b) / 2))) * sign;
}

// The heights above the dip point of the highest and the lowest point inside a cylinder.
struct Reach {
    double top, low;
};

Reach reachOf(const CylinderMeasures& tank, const Tilt& t) {
    const double R = static_cast<double>(tank.diameter) / 2, L = tank.length;
    // a point at s along the axis, y from it: (X - s) sin + (y + R) cos above the dip point
    const auto at = [&](double s, double y) { return (t.dipAt - s) * t.sine + (y + R) * t.cosine; };
    Reach reach{std::max(at(0, R), at(L, R)), std::min(at(0, -R), at(L, -R))};
    for (const ProfilePiece& p : tank.head.profile()) {
        for (const double end : {-1.0, 1.0}) {
            // end A lies at s = -z, end B at s = L + z
            const auto s = [&](double z) { return end < 0 ? -z : L + z; };
            reach.top =
                std::max(reach.top,
                         extreme(p.from, p.to, 1, [&](double z) { return at(s(z), p.radius(z)); }));
            reach.low = std::min(reach.low, extreme(p.from, p.to, -1, [&](double z) {
                                     return at(s(z), -p.radius(z));
                                 }));
        }
    }
    return reach;
}

double readNumber(const std::string& text, const char* caption, const NumberFormat& format) {
    const auto value = strictDouble(text, format);
    if (!value) {
        throw InputError(std::string(caption) + ": \"" + text +
                         "\" is not a number. Leave it blank for a level tank.");
    }
    return *value;
}

std::string shortText(double value) {
    return singleDefaultText(static_cast<float>(value));
}

}  // namespace

std::optional<Tilt> readTilt(const TiltTexts& texts, double length, const NumberFormat& format) {
    if (!texts.fall.empty() && !texts.degrees.empty())
        throw InputError("Give the tilt as the fall to end B or in degrees, not both.");
    Tilt tilt;
    tilt.dipAt = length / 2;
    if (!texts.dipAt.empty()) {
        tilt.dipAt = readNumber(texts.dipAt, "Dip at, from end A", format);
        if (!(tilt.dipAt >= 0 && tilt.dipAt <= length)) {
            throw InputError("Dip at, from end A: " + shortText(tilt.dipAt) +
                             " is not on the shell, which runs from 0 to the Length " +
                             shortText(length) + ".");
        }
    }
    if (!texts.fall.empty()) {
        const double fall = readNumber(texts.fall, "Fall to end B", format);
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
        const double degrees = readNumber(texts.degrees, "Tilt", format);
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
    const std::vector<ProfilePiece> profile = tank.head.profile();
    // the heads' full volume with this file's pi, which the partly filled heads use
    const double full = kPi * R * R * L + 2 * kPi * [&] {
        double sum = 0;
        for (const ProfilePiece& p : profile)
            sum += squareIntegral(p, p.from, p.to);
        return sum;
    }();
    const Reach reach = reachOf(tank, t);
    const double slope = t.sine / t.cosine;
    const auto volume = [=](double h) {
        if (h >= reach.top)
            return full * factor;
        if (h <= reach.low)
            return 0.0;
        // the wet depth of the cross-section at s, from the bottom of the shell's circle
        const auto depth = [&](double s) { return (h + (s - t.dipAt) * t.sine) / t.cosine; };
        double held = alongLength(
            L, depth(0), depth(L), R, [&](double d) { return diskBelow(R, d - R); },
            [&](double d) { return shellPrimitive(R, d); });
        if (!profile.empty()) {
            held += headBelow(profile, depth(0) - R, -slope);  // head A, at s = -z
            held += headBelow(profile, depth(L) - R, slope);   // head B, at s = L + z
        }
        return std::clamp(held, 0.0, full) * factor;
    };
    return TankVolume(volume, reach.top, strikerAllowance(options), "top above the dip point",
                      true);
}

TankVolume tiltedRectangleVolume(const ChartOptions& options, const RectangleMeasures& tank,
                                 const Tilt& t) {
    const double L = tank.length, W = tank.width, H = tank.height;
    const double factor = volumeFactor(options.inches);
    const auto at = [&](double s, double y) { return (t.dipAt - s) * t.sine + y * t.cosine; };
    const double top = std::max(at(0, H), at(L, H));
    const double low = std::min(at(0, 0), at(L, 0));
    const auto volume = [=](double h) {
        if (h >= top)
            return L * W * H * factor;
        if (h <= low)
            return 0.0;
        const auto depth = [&](double s) { return (h + (s - t.dipAt) * t.sine) / t.cosine; };
        const double held = alongLength(
            L, depth(0), depth(L), H, [&](double d) { return std::clamp(d, 0.0, H); },
            [&](double d) { return boxPrimitive(H, d); });
        return std::clamp(W * held, 0.0, L * W * H) * factor;
    };
    return TankVolume(volume, top, strikerAllowance(options), "top above the dip point", true);
}

}  // namespace dipsheet::chart
