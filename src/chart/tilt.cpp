// The tilt as typed, and the volumes of a tilted horizontal cylinder (its shell by the circle's
// wet area, its heads by tilt_head.h) and of a tilted rectangular tank.

#include "chart/tilt.h"

#include "tilt_head.h"

#include "chart/gauss.h"
#include "chart/numeric.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace dipsheet::chart {

using detail::Arc;
using detail::TiltedHead;

namespace {

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
    const std::vector<Arc> arcs = detail::arcsOf(detail::kindOf(tank.head), R, tank.head.depth());
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
                              [R](double d) { return detail::segmentArea(R, d); },
                              [R](double d) { return circlePrimitive(R, d); });
        if (heads) {
            double errorA = 0, errorB = 0;
            const bool closed = heads->a.halfEllipsoid();
            const double budget = detail::kRowTolerance / 2 * held;
            double a = closed ? heads->a.closed(h, budget, errorA) : heads->a.tabulated(h, errorA);
            double b = closed ? heads->b.closed(h, budget, errorB) : heads->b.tabulated(h, errorB);
            if (errorA + errorB > detail::kRowTolerance * (held + a + b)) {
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
