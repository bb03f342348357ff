#pragma once

// Gauss-Legendre rules: N nodes and weights on [-1, 1], found once by Newton's method on the
// Legendre polynomial, exact for polynomials of degree 2N - 1.

#include <array>
#include <cmath>
#include <cstddef>

namespace dipsheet::chart {

template <int N>
struct GaussLegendre {
    std::array<double, N> x{}, w{};

    GaussLegendre() {
        const double pi = std::acos(-1.0);
        for (int i = 0; i < N; ++i) {
            double t = std::cos(pi * (i + 0.75) / (N + 0.5));
            double slope = 1;
            for (int pass = 0; pass < 100; ++pass) {
                double p0 = 1, p1 = t;
                for (int n = 2; n <= N; ++n) {
                    const double p2 = ((2 * n - 1) * t * p1 - (n - 1) * p0) / n;
                    p0 = p1;
                    p1 = p2;
                }
                slope = N * (t * p1 - p0) / (t * t - 1);
                const double step = p1 / slope;
                t -= step;
                if (std::fabs(step) < 1e-17)
                    break;
            }
            const auto at = static_cast<std::size_t>(i);
            x[at] = t;
            w[at] = 2 / ((1 - t * t) * slope * slope);
        }
    }

    // The one rule of this size.
    static const GaussLegendre& rule() {
        static const GaussLegendre r;
        return r;
    }
};

}  // namespace dipsheet::chart
