#pragma once

// The quadrature rules of the charts. An N-point Gauss-Legendre rule is exact for polynomials
// of degree 2N - 1.

#include <array>
#include <cmath>
#include <cstddef>

#include "chart/numeric.h"

namespace dipsheet::chart {

// N nodes and weights on [-1, 1], found once by Newton's method on the Legendre polynomial.
template <int N>
struct GaussLegendre {
    std::array<double, N> x{}, w{};

    GaussLegendre() {
        for (int i = 0; i < N; ++i) {
            double t = std::cos(kPi * (i + 0.75) / (N + 0.5));
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

    // The rule's estimate of the integral of f over [from, to]: the weighted values summed in
    // the order of the nodes, then scaled by the half-width.
    template <class F>
    double integral(const F& f, double from, double to) const {
        const double mid = (from + to) / 2, half = (to - from) / 2;
        double sum = 0;
        for (std::size_t j = 0; j < static_cast<std::size_t>(N); ++j)
            sum += w[j] * f(mid + half * x[j]);
        return sum * half;
    }
};

// The 8-point rule on [0, 1], nodes rising, written out: these weights are the correctly
// rounded ones, a few units in the last place from those Newton's method leaves in
// GaussLegendre<8>, and the tilted tank's charts are reckoned with them.
constexpr std::array<double, 8> kGauss8UnitX{
    0.019855071751231856, 0.10166676129318664, 0.2372337950418355, 0.4082826787521751,
    0.5917173212478249,   0.7627662049581645,  0.8983332387068134, 0.9801449282487681};
constexpr std::array<double, 8> kGauss8UnitW{
    0.05061426814518813, 0.11119051722668724, 0.15685332293894363, 0.18134189168918100,
    0.18134189168918100, 0.15685332293894363, 0.11119051722668724, 0.05061426814518813};

// The Gauss-Kronrod (7, 15) pair on [-1, 1]: the 15-point Kronrod rule's nodes from the
// outermost in (the centre last; each but the centre taken with its mirror) and weights, and
// the weights of the 7-point Gauss rule on its odd-numbered nodes and the centre.
constexpr std::array<double, 8> kKronrodX{
    0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
    0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
    0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
    0.207784955007898467600689403773245, 0.0};
constexpr std::array<double, 8> kKronrodW{
    0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
    0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
    0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
    0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
constexpr std::array<double, 4> kGauss7W{
    0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
    0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

}  // namespace dipsheet::chart
