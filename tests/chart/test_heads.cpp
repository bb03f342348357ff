#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "chart.h"
#include "heads.h"

using namespace dipsheet::chart;

namespace {

constexpr double kGallon = 0.004328704;  // the chart's US gallon per cubic inch

ChartOptions inches(const char* increment, bool striker = false, bool outside = false) {
    return ChartOptions{.outside = outside,
                        .inches = true,
                        .striker = striker,
                        .increment = increment,
                        .format = {}};
}

// A chart's volume in gallons of exactly 231 cubic inches, as the literature quotes them.
double gallonsOf231(float chartVolume) {
    return static_cast<double>(chartVolume) / kGallon / 231;
}

// A head's radius at z behind its seam, and the places where its profile changes.
struct Profile {
    HeadKind kind;
    double d, a;
    double k = 0.06 * d, c = d / 2 - k, knee = std::sqrt(k * k - std::pow(c * k / (d - k), 2));
    std::vector<double> knots =
        kind == HeadKind::AsmeFd ? std::vector{0.0, knee, a} : std::vector{0.0, a};
    double radius(double z) const {
        const double r = d / 2;
        const auto sphere = [&](double s) {
            return std::sqrt(std::max(0.0, s * s - std::pow(z + s - a, 2)));
        };
        switch (kind) {
            case HeadKind::Conical:
                return r * (1 - z / a);
            case HeadKind::Dished:
                return sphere((r * r + a * a) / (2 * a));
            case HeadKind::AsmeFd:
                return z <= knee ? c + std::sqrt(k * k - z * z) : sphere(d);
            default:
                return r * std::sqrt(std::max(0.0, 1 - (z / a) * (z / a)));
        }
    }
};

// Simpson's rule with n intervals.
double simpson(const std::function<double(double)>& f, double from, double to, int n = 4000) {
    const double step = (to - from) / n;
    double sum = f(from) + f(to);
    for (int i = 1; i < n; ++i)
        sum += f(from + i * step) * (i % 2 ? 4 : 2);
    return sum * step / 3;
}

// Reference for one head of a horizontal tank, the level q > 0 below the axis: the sum over
// slices across the axis of the circular segment of the head's section below the level. Each
// smooth piece is summed apart; the one ending where the section's edge meets the level is
// taken by z = end - (end - start) s^2, which smooths its 3/2 power there.
double horizontalBySlices(const Profile& p, double q) {
    const auto segment = [q](double rad) {
        return rad <= q ? 0.0 : rad * rad * std::acos(q / rad) - q * std::sqrt(rad * rad - q * q);
    };
    double edge = 0, hi = p.knots.back();  // where radius(z) = q, by bisection
    for (int i = 0; i < 200; ++i) {
        const double mid = (edge + hi) / 2;
        (p.radius(mid) > q ? edge : hi) = mid;
    }
    double sum = 0;
    for (std::size_t i = 0; i + 1 < p.knots.size() && p.knots[i] < edge; ++i) {
        const double from = p.knots[i], to = std::min(p.knots[i + 1], edge), span = to - from;
        sum += simpson(
            [&](double s) { return segment(p.radius(to - span * s * s)) * 2 * span * s; }, 0, 1);
    }
    return sum;
}

// Reference for a vertical tank's bottom at height h: the discs pi rho^2 from the lowest point.
double verticalByDiscs(const Profile& p, double h) {
    const double a = p.knots.back(), from = a - h;
    double sum = 0;
    for (std::size_t i = 0; i + 1 < p.knots.size(); ++i) {
        const double lo = std::max(p.knots[i], from), hi = p.knots[i + 1];
        if (lo < hi)
            sum += simpson([&](double z) { return std::acos(-1.0) * std::pow(p.radius(z), 2); }, lo,
                           hi);
    }
    return sum;
}

}  // namespace

TEST(Heads, PublishedWorkedExamples) {
    // D 108, straight shell 156, liquid at 36; heads 42 deep, or ASME F&D (18.288 deep).
    EXPECT_NEAR(*fixedHeadDepth(HeadKind::AsmeFd, 108), 18.288, 5e-4);
    const struct {
        HeadKind kind;
        const char* depth;
        double gallons;
    } horizontal[] = {{HeadKind::Ellipsoidal, "42", 2380.957},
                      {HeadKind::Dished, "42", 2303.962},
                      {HeadKind::Conical, "42", 2041.192},
                      {HeadKind::AsmeFd, "", 2028.627}};
    for (const auto& c : horizontal) {
        const auto rows = calcCyl(inches("36"), {"108", "156", "", ""}, {c.kind, c.depth});
        EXPECT_NEAR(gallonsOf231(rows.at(1).volume), c.gallons, 6e-4) << headKindName(c.kind);
    }
    // D 132 with a 2:1 bottom 33 deep under a straight shell of 99, at 24, 60 and 132 (full).
    const auto rows = calcVert(inches("12"), {"132", "99", "", ""}, {HeadKind::TwoToOne, ""});
    ASSERT_EQ(rowCount(rows), 11);
    EXPECT_NEAR(gallonsOf231(rows[2].volume), 783.358, 6e-4);
    EXPECT_NEAR(gallonsOf231(rows[5].volume), 2902.832, 6e-4);
    EXPECT_NEAR(gallonsOf231(rows[11].volume), 7168.217, 6e-4);
}

// Every kind's volumes, the ASME F&D knuckle's fixed quadrature among them, within 1e-9 of the
// whole head from slices of the geometry summed finely, at levels across the whole head and
// close either side of the places where the knuckle's sum changes its way.
TEST(Heads, VolumesMatchTheGeometrySlicedFinely) {
    const double d = 108, r = d / 2;
    const double k = 0.06 * d, edge = (r - k) * d / (d - k);
    std::vector<double> levels;  // q below the axis
    for (int i = 1; i < 200; ++i)
        levels.push_back(r * i / 200);
    for (double q : {edge, 2 * edge - r})
        for (double e : {-1e-9, 0.0, 1e-9, 1e-4})
            levels.push_back(q + e);
    const struct {
        HeadKind kind;
        double depth;
    } heads[] = {{HeadKind::AsmeFd, 0},        {HeadKind::Ellipsoidal, 42},
                 {HeadKind::TwoToOne, 0},      {HeadKind::Conical, 42},
                 {HeadKind::Dished, 42},       {HeadKind::Dished, 0.5},
                 {HeadKind::Hemispherical, 0}, {HeadKind::Dished, 54},
                 {HeadKind::Dished, 53.99},    {HeadKind::Dished, 1.08}};
    for (const auto& c : heads) {
        const Head head(c.kind, d, c.depth);
        const Profile p{c.kind, d, head.depth()};
        const double tolerance = 1e-9 * head.full();
        EXPECT_NEAR(head.full(), verticalByDiscs(p, head.depth()), tolerance);
        for (double q : levels) {
            ASSERT_NEAR(head.belowAxis(q), horizontalBySlices(p, q), tolerance)
                << headKindName(c.kind) << " " << c.depth << " q " << q;
            ASSERT_NEAR(head.horizontal(r + q), head.full() - horizontalBySlices(p, q), tolerance);
            const double h = head.depth() * q / r;
            ASSERT_NEAR(head.vertical(h), verticalByDiscs(p, h), tolerance)
                << headKindName(c.kind) << " " << c.depth << " h " << h;
        }
    }
}

// One grouped property test per kind, horizontal and vertical: depths rise and volumes never
// fall; a like-headed horizontal tank holds half at half its height; both are full at the top,
// and full where the running depth passes the top; nothing fails at the bottom or the top.
TEST(Heads, ChartsOfEveryKindRiseToTheFullTank) {
    const CylTexts tank{"10", "10", "", ""};
    for (HeadKind kind : kHeadKinds) {
        const std::string name(headKindName(kind));
        const Head head(kind, 10, headDepthIsTyped(kind) ? 3 : *fixedHeadDepth(kind, 10));
        const HeadTexts heads{kind, "3"};
        for (const char* step : {"0.5", "0.01", "0.37"}) {
            for (bool striker : {false, true}) {
                for (const auto& rows : {calcCyl(inches(step, striker), tank, heads),
                                         calcVert(inches(step, striker), tank, heads)}) {
                    for (std::size_t i = 1; i < rows.size(); ++i) {
                        ASSERT_TRUE(std::isfinite(rows[i].volume)) << name << step << i;
                        ASSERT_GT(rows[i].depth, rows[i - 1].depth) << name << step << i;
                        ASSERT_GE(rows[i].volume, rows[i - 1].volume) << name << step << i;
                    }
                }
            }
        }
        const auto cyl = calcCyl(inches("0.5"), tank, heads);
        const float cylFull = static_cast<float>((kPi * 250 + 2 * head.full()) * kGallon);
        EXPECT_FLOAT_EQ(cyl[20].volume, cylFull) << name;
        EXPECT_NEAR(cyl[10].volume, cylFull / 2, cylFull * 1e-7) << name;
        const auto fine = calcCyl(inches("0.01"), tank, heads);  // last depth 10.000134
        EXPECT_EQ(fine.back().volume, cyl[20].volume) << name;
        const auto vert = calcVert(inches("0.5"), tank, heads);
        if (kind != HeadKind::AsmeFd) {  // its depth 1.69: the chart ends below the top
            EXPECT_FLOAT_EQ(vert.back().volume,
                            static_cast<float>((kPi * 250 + head.full()) * kGallon))
                << name;
        }
    }
}

TEST(Heads, FlatIsTheFlatChartAndOutsideMeasuresLoseTheirPlates) {
    const CylTexts tank{"48", "96", "", ""};
    EXPECT_EQ(calcCyl(inches("1"), tank, {}), calcCyl(inches("1"), tank));
    EXPECT_EQ(calcVert(inches("1", true), tank, {HeadKind::Flat, "7"}),
              calcVert(inches("1", true), tank));
    // The straight shell is the same outside; the diameter loses two shell plates and a typed
    // depth one head plate; a fixed kind's depth follows from the inside diameter.
    for (HeadKind kind : {HeadKind::Conical, HeadKind::Dished, HeadKind::AsmeFd}) {
        EXPECT_EQ(calcCyl(inches("1", false, true), {"50", "96", "2", "1"}, {kind, "14"}),
                  calcCyl(inches("1"), tank, {kind, "12"}));
        EXPECT_EQ(calcVert(inches("1", false, true), {"50", "96", "0.5", "1"}, {kind, "12.5"}),
                  calcVert(inches("1"), tank, {kind, "12"}));
    }
    // The vertical chart counts from the lowest point inside and runs to depth plus height.
    const auto vert = calcVert(inches("1"), tank, {HeadKind::Hemispherical, ""});
    EXPECT_EQ(rowCount(vert), 24 + 96);
}

TEST(Heads, DepthsThatAreMissingNoNumberOrBeyondTheKindAreRefusedByName) {
    const auto refusal = [](bool vertical, const ChartOptions& o, const HeadTexts& h,
                            const CylTexts& t = {"48", "96", "", ""}) -> std::string {
        try {
            vertical ? calcVert(o, t, h) : calcCyl(o, t, h);
        } catch (const InputError& e) {
            return e.what();
        }
        return "";
    };
    for (bool vertical : {false, true}) {
        const std::string field = vertical ? "Bottom Depth" : "Head Depth";
        for (const auto& [heads, part] : std::initializer_list<std::pair<HeadTexts, const char*>>{
                 {{HeadKind::Conical, ""}, "required"},
                 {{HeadKind::Ellipsoidal, " "}, "required"},
                 {{HeadKind::Dished, "12 in"}, "'12 in'"},
                 {{HeadKind::Dished, "24.01"}, "half"},
                 {{HeadKind::Conical, "0"}, "greater"},
                 {{HeadKind::Ellipsoidal, "-3"}, "greater"},
                 {{HeadKind::Conical, "1e39"}, "range"}}) {
            const auto m = refusal(vertical, inches("1"), heads);
            EXPECT_TRUE(m.find(field) != m.npos && m.find(part) != m.npos) << heads.depth << m;
        }
        const auto m = refusal(vertical, inches("1", false, true), {HeadKind::Dished, "3"},
                               {"50", "96", "3", "1"});
        EXPECT_NE(m.find(field + " 3 less the "), std::string::npos) << m;
        EXPECT_EQ(refusal(vertical, inches("1"), {HeadKind::Dished, "24"}), "");
    }
}
