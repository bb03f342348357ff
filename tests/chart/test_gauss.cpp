#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
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

template <int N>
Rule legendre() {
    const auto& g = GaussLegendre<N>::rule();
    return {"GaussLegendre<" + std::to_string(N) + ">",
            {g.x.begin(), g.x.end()},
            {g.w.begin(), g.w.end()},
            -1,
            1,
            2 * N - 1};
}

Rule unit8() {
    return {"kGauss8Unit",
            {kGauss8UnitX.begin(), kGauss8UnitX.end()},
            {kGauss8UnitW.begin(), kGauss8UnitW.end()},
            0,
            1,
            15};
}

// The Kronrod tables hold one node of each mirrored pair and the centre last.
Rule kronrod15() {
    Rule r{"Kronrod 15", {}, {}, -1, 1, 22};
    for (std::size_t i = 0; i < 7; ++i)
        for (const double sign : {-1.0, 1.0}) {
            r.x.push_back(sign * kKronrodX[i]);
            r.w.push_back(kKronrodW[i]);
        }
    r.x.push_back(0);
    r.w.push_back(kKronrodW[7]);
    return r;
}

Rule gauss7() {
    Rule r{"Gauss 7 of the Kronrod pair", {}, {}, -1, 1, 13};
    for (std::size_t i = 1; i < 7; i += 2)
        for (const double sign : {-1.0, 1.0}) {
            r.x.push_back(sign * kKronrodX[i]);
            r.w.push_back(kGauss7W[i / 2]);
        }
    r.x.push_back(0);
    r.w.push_back(kGauss7W[3]);
    return r;
}

}  // namespace

// Each rule integrates x^k exactly up to its degree, to a few units in the last place of the
// largest value times the interval (the tables' own rounding), and misses the next even power by
// far more: a wrong digit in a written table or a weight ten units off shows as a miss.
TEST(Gauss, RulesIntegratePolynomialsUpToTheirDegree) {
    const std::vector<Rule> rules{legendre<2>(),  legendre<5>(), legendre<8>(), legendre<10>(),
                                  legendre<16>(), unit8(),       kronrod15(),   gauss7()};
    constexpr long double eps = std::numeric_limits<double>::epsilon();
    for (const Rule& r : rules) {
        const auto power = [](double x, int k) { return std::pow(static_cast<long double>(x), k); };
        for (int k = 0; k <= r.exact + 2; ++k) {
            long double sum = 0;
            for (std::size_t i = 0; i < r.x.size(); ++i)
                sum += r.w[i] * power(r.x[i], k);
            const long double exact = (power(r.to, k + 1) - power(r.from, k + 1)) / (k + 1);
            const long double error = std::fabs(sum - exact);
            // |x^k| <= 1 on both intervals
            const long double unit = eps * (r.to - r.from);
            if (k <= r.exact) {
                EXPECT_LE(error, 4 * unit) << r.name << ", x^" << k;
            } else if (k % 2 == 0) {  // an odd power on [-1, 1] is 0 by symmetry alone
                EXPECT_GT(error, 1e6L * unit) << r.name << ", x^" << k;
            }
        }
    }
}

// integral() maps the rule onto any interval: x^k on [1, 2] for every degree the 10-point rule
// of the heads integrates exactly, as the chart reckons it (double precision, nodes in order).
TEST(Gauss, IntegralOverAnIntervalIsExactToItsDegree) {
    const auto& g = GaussLegendre<10>::rule();
    for (int k = 0; k <= 19; ++k) {
        const double got = g.integral([k](double x) { return std::pow(x, k); }, 1.0, 2.0);
        const double exact = (std::pow(2.0, k + 1) - 1) / (k + 1);
        // a few units in the last place of the largest value, 2^k, over the width 1
        EXPECT_NEAR(got, exact, 4 * std::numeric_limits<double>::epsilon() * std::pow(2.0, k))
            << "x^" << k;
    }
    // a reversed interval gives the negative
    EXPECT_DOUBLE_EQ(g.integral([](double x) { return x * x; }, 3.0, 0.0), -9.0);
}
