// The table of a tilted head's liquid: Chebyshev pieces over the spans of height between the
// changes of its form, each made when a height first falls in it.

#include "tilt_head.h"

#include <algorithm>
#include <limits>

namespace dipsheet::chart::detail {

namespace {

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

}  // namespace

void TiltedHead::tabulate() {
    for (std::size_t i = 0; i + 1 < m_breaks.size(); ++i)
        m_spans.push_back(Span{m_breaks[i], m_breaks[i + 1], {}});
    m_made = std::make_unique<std::once_flag[]>(m_spans.size());
}

double TiltedHead::tabulated(double h, double& error) const {
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

void TiltedHead::fit(Span& span, double from, double to, int depth, double parent) const {
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
        half = std::max(
            half, std::fabs(clenshaw(coarse, kDegree / 2, y) - value[static_cast<std::size_t>(j)]));
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
    p.error = half > kTableTolerance * largest
                  ? half
                  : (largest > 0 ? half * half / largest : 0) + 4 * kQuadratureTolerance * largest;
    span.pieces.push_back(p);
}

}  // namespace dipsheet::chart::detail
