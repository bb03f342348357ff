#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "chart/gauss.h"

using namespace dipsheet::chart;

namespace {

// A rule as its nodes and weights on [from, to], and the highest degree it integrates exactly.
struct Rule {
    std::string name;
    std::vector<double> x, w;
    double from, to;
    int exact;
};

template <std::size_t M>
Rule written(std::string name, const std::array<double, M>& x, const std::array<double, M>& w,
             double from, double to, int exact) {
    return {std::move(name), {x.begin(), x.end()}, {w.begin(), w.end()}, from, to, exact};
}

template <int N>
Rule legendre() {
    const auto& g = GaussLegendre<N>::rule();
    return written("GaussLegendre<" + std::to_string(N) + ">", g.x, g.w, -1, 1, 2 * N - 1);
}

// A rule of the Kronrod pair: the centre, then every `step`-th node of kKronrodX and its mirror.
template <std::size_t M>
Rule kronrodPair(const char* name, std::size_t step, const std::array<double, M>& w, int exact) {
    Rule r{name, {0.0}, {w[M - 1]}, -1, 1, exact};
    for (std::size_t i = step - 1; i < 7; i += step)
        for (const double sign : {-1.0, 1.0}) {
            r.x.push_back(sign * kKronrodX[i]);
            r.w.push_back(w[i / step]);
        }
    return r;
}

}  // namespace

// Each rule integrates x^k exactly up to its degree, to a few units in the last place of the
// largest value times the interval (the tables' own rounding), and misses the next even power by
// far more: a wrong digit in a written table or a weight ten units off shows as a miss.
TEST(Gauss, RulesIntegratePolynomialsUpToTheirDegree) {
    const std::vector<Rule> rules{legendre<2>(),
                                  legendre<5>(),
                                  legendre<8>(),
                                  legendre<10>(),
                                  legendre<16>(),
                                  written("kGauss8Unit", kGauss8UnitX, kGauss8UnitW, 0, 1, 15),
                                  kronrodPair("Kronrod 15", 1, kKronrodW, 22),
                                  kronrodPair("Gauss 7", 2, kGauss7W, 13)};
    const auto power = [](double x, int k) { return std::pow(static_cast<long double>(x), k); };
    for (const Rule& r : rules) {
        // |x^k| <= 1 on both intervals
        const long double unit = std::numeric_limits<double>::epsilon() * (r.to - r.from);
        for (int k = 0; k <= r.exact + 2; ++k) {
            long double sum = 0;
            for (std::size_t i = 0; i < r.x.size(); ++i)
                sum += r.w[i] * power(r.x[i], k);
            const long double exact = (power(r.to, k + 1) - power(r.from, k + 1)) / (k + 1);
            const long double error = std::fabs(sum - exact);
            if (k <= r.exact) {
                EXPECT_LE(error, 4 * unit) << r.name << ", x^" << k;
            } else if (k % 2 == 0) {  // an odd power on [-1, 1] is 0 by symmetry alone
                EXPECT_GT(error, 1e6L * unit) << r.name << ", x^" << k;
            }
        }
    }
}

// integral() maps the rule onto any interval, as the heads reckon with it (double precision,
// nodes in order): x^k on [1, 2] to a few units in the last place of the largest value, 2^k.
TEST(Gauss, IntegralOverAnIntervalIsExactToItsDegree) {
    const auto& g = GaussLegendre<10>::rule();
    for (int k = 0; k <= 19; ++k) {
        const double got = g.integral([k](double x) { return std::pow(x, k); }, 1.0, 2.0);
        EXPECT_NEAR(got, (std::pow(2.0, k + 1) - 1) / (k + 1),
                    4 * std::numeric_limits<double>::epsilon() * std::pow(2.0, k))
            << "x^" << k;
    }
    EXPECT_DOUBLE_EQ(g.integral([](double x) { return x * x; }, 3.0, 0.0), -9.0);  // reversed
}
