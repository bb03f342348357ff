// The tables that make an ASME F&D or dished head's liquid a short polynomial: a Chebyshev
// series fitted to the integral, then equal pieces of degree 11 checked against it.

#include "heads.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace dipsheet::chart {
namespace {

// The n Chebyshev points cos(pi (j + 1/2) / n) on [-1, 1].
template <int n>
const std::array<double, n>& chebyshevPoints() {
    static const std::array<double, n> x = [] {
        std::array<double, n> p{};
        for (int j = 0; j < n; ++j)
            p[static_cast<std::size_t>(j)] = std::cos(kPi * (j + 0.5) / n);
        return p;
    }();
    return x;
}

// The coefficients c of the Chebyshev series through the values f at chebyshevPoints<n>().
template <std::size_t n>
void chebyshevCoefficients(const std::array<double, n>& f, std::array<double, n>& c) {
    const auto& x = chebyshevPoints<static_cast<int>(n)>();
    c.fill(0);
    for (std::size_t j = 0; j < n; ++j) {
        double t0 = 1, t1 = x[j];
        c[0] += f[j];
        for (std::size_t k = 1; k < n; ++k) {
            c[k] += f[j] * t1;
            const double t2 = 2 * x[j] * t1 - t0;
            t0 = t1;
            t1 = t2;
        }
    }
    for (std::size_t k = 0; k < n; ++k)
        c[k] *= (k == 0 ? 1.0 : 2.0) / static_cast<double>(n);
}

// A function on [from, to] as Chebyshev series of 24 terms on pieces found by halving: a piece
// is kept when the last four coefficients of the series through the function's values at its
// 24 Chebyshev points are all within 4e-15 of the largest value, which then holds the function
// to a few units in the last place.
struct Series {
    struct Piece {
        double from = 0, to = 0;
        std::array<double, 24> c{};
    };
    std::vector<Piece> pieces;
    int depth = 0;  // the deepest halving

    template <class F>
    bool fit(const F& value, double from, double to, int level) {
        const auto& x = chebyshevPoints<24>();
        const double mid = (from + to) / 2, half = (to - from) / 2;
        std::array<double, 24> f{};
        double scale = 0;
        for (std::size_t j = 0; j < 24; ++j) {
            f[j] = value(mid + half * x[j]);
            scale = std::max(scale, std::fabs(f[j]));
        }
        Piece p{from, to, {}};
        chebyshevCoefficients(f, p.c);
        bool good = true;
        for (std::size_t k = 20; k < 24; ++k)
            good = good && std::fabs(p.c[k]) <= 4e-15 * scale;
        if (good) {
            pieces.push_back(p);
            depth = std::max(depth, level);
            return true;
        }
        return level < 6 && fit(value, from, mid, level + 1) && fit(value, mid, to, level + 1);
    }

    double operator()(double x) const {
        auto piece = std::lower_bound(pieces.begin(), pieces.end(), x,
                                      [](const Piece& p, double at) { return p.to < at; });
        if (piece == pieces.end())
            --piece;
        // Clenshaw's recurrence
        const double t = (2 * x - piece->from - piece->to) / (piece->to - piece->from);
        double b1 = 0, b2 = 0;
        for (std::size_t j = 23; j >= 1; --j) {
            const double b = 2 * t * b1 - b2 + piece->c[j];
            b2 = b1;
            b1 = b;
        }
        return t * b1 - b2 + piece->c[0];
    }
};

}  // namespace

double Head::Table::operator()(double x) const {
    const double at = (x - from) * perWidth;
    const int piece = std::clamp(static_cast<int>(at), 0, pieces - 1);
    const double u = 2 * (at - piece) - 1;
    const double* c = coefficients.data() + static_cast<std::ptrdiff_t>(piece) * kCoefficients;
    // Estrin's scheme: the powers of u and the pairs of terms are independent of each other
    const double u2 = u * u, u4 = u2 * u2, u8 = u4 * u4;
    const double low = (c[0] + c[1] * u) + (c[2] + c[3] * u) * u2 +
                       ((c[4] + c[5] * u) + (c[6] + c[7] * u) * u2) * u4;
    return low + ((c[8] + c[9] * u) + (c[10] + c[11] * u) * u2) * u8;
}

// value() on [0, to] as a table of equal pieces: first a Chebyshev series fitted to value()
// itself, then on each piece the polynomial through that series' values at 12 Chebyshev
// points. A piece is kept when its last three Chebyshev coefficients are within 1e-15 of the
// largest value on it, and the sum of its coefficients' sizes in powers of u is within 4 times
// that value, so that the rounding in powers of u stays at the last place; else the pieces are
// halved.
bool Head::tabulate(double to, double (Head::*value)(double) const, Table& out) const {
    Series series;
    if (!series.fit([&](double x) { return (this->*value)(x); }, 0, to, 0))
        return false;
    constexpr int n = Table::kCoefficients;
    std::array<std::array<double, n>, n> power{};  // T_k(u) in powers of u
    power[0][0] = 1;
    power[1][1] = 1;
    for (int k = 2; k < n; ++k) {
        for (int j = 0; j < n; ++j)
            power[k][j] = (j > 0 ? 2 * power[k - 1][j - 1] : 0.0) - power[k - 2][j];
    }
    const auto& points = chebyshevPoints<n>();
    for (int pieces = std::max(4, 1 << series.depth); pieces <= 4096; pieces *= 2) {
        out.from = 0;
        out.perWidth = pieces / to;
        out.pieces = pieces;
        out.coefficients.assign(static_cast<std::size_t>(pieces * n), 0.0);
        bool good = true;
        for (int piece = 0; piece < pieces && good; ++piece) {
            const double width = to / pieces, mid = width * (piece + 0.5);
            std::array<double, n> f{}, c{};
            double scale = 0;
            for (int j = 0; j < n; ++j) {
                f[j] = series(mid + width / 2 * points[j]);
                scale = std::max(scale, std::fabs(f[j]));
            }
            chebyshevCoefficients(f, c);
            for (int k = n - 3; k < n; ++k)
                good = good && std::fabs(c[k]) <= 1e-15 * scale;
            double* a = out.coefficients.data() + static_cast<std::ptrdiff_t>(piece) * n;
            for (int k = 0; k < n; ++k) {
                for (int j = 0; j <= k; ++j)
                    a[j] += c[k] * power[k][j];
            }
            double size = 0;
            for (int j = 0; j < n; ++j)
                size += std::fabs(a[j]);
            good = good && size <= 4 * scale;
        }
        if (good)
            return true;
    }
    out = {};
    return false;
}

// An ASME F&D head: the knuckle alone holds e^2 times a smooth function of e up to the crown's
// edge, R - g above the bottom; above it the head's liquid varies smoothly with the square root
// of the level's rise over the edge. A dished head holds e^2.5 times a smooth function of e
// near its bottom, and is smooth in e above. If a table fails its check, lower() integrates.
void Head::tabulate() {
    if (m_knuckleTable.pieces > 0 ||
        !(m_kind == HeadKind::AsmeFd || (m_kind == HeadKind::Dished && m_offset > 0)))
        return;
    const bool asme = m_kind == HeadKind::AsmeFd;
    const double split = asme ? m_r - m_edge : m_r / 4;
    m_crownWidth = m_r - split;
    const double top = asme ? std::sqrt(m_crownWidth) : m_crownWidth;
    if (!tabulate(split, &Head::bottomValue, m_knuckleTable) ||
        !tabulate(top, &Head::topValue, m_crownTable)) {
        m_knuckleTable = {};
        m_crownTable = {};
    }
}

}  // namespace dipsheet::chart
