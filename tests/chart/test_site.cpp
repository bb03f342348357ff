// What a site asks of a chart: ullage and percent full, the fill marks, the gauge table.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart/site.h"
#include "chart/tank.h"

using namespace dipsheet::chart;

namespace {

Tank tank48x120(HeadKind kind, const char* fall = "") {
    Tank tank;
    tank.striker = false;
    tank.increment = std::string("1");
    tank.diameter = std::string("48");
    tank.length = std::string("120");
    tank.heads = {kind, std::string("14")};
    tank.fall = std::string(fall);
    return tank;
}

// Every head kind level, two of them tilted, a rectangle and a vertical tank with a bottom.
std::vector<Tank> someTanks() {
    std::vector<Tank> tanks;
    for (const HeadKind kind : kHeadKinds)
        tanks.push_back(tank48x120(kind));
    tanks.push_back(tank48x120(HeadKind::TwoToOne, "4"));
    tanks.push_back(tank48x120(HeadKind::AsmeFd, "-2"));
    Tank box = tank48x120(HeadKind::Flat, "3");
    box.shape = Shape::Rectangular;
    box.width = std::string("40");
    box.height = std::string("30");
    tanks.push_back(box);
    Tank upright = tank48x120(HeadKind::Conical);
    upright.shape = Shape::VerticalCylinder;
    upright.striker = true;
    tanks.push_back(upright.normalised());
    return tanks;
}

// The largest interpolation error of a table, looked for at 100,000 depths.
double denseError(const TankVolume& tank, const std::vector<CapacityRow>& points) {
    double worst = 0;
    const double top = points.back().depth;
    std::size_t span = 0;
    for (int i = 0; i <= 100000; ++i) {
        const double depth = top * i / 100000;
        while (span + 2 < points.size() && depth > points[span + 1].depth)
            ++span;
        const CapacityRow a = points[span], b = points[span + 1];
        const double line = a.volume + (double(b.volume) - a.volume) * (depth - a.depth) /
                                           (double(b.depth) - a.depth);
        worst = std::max(worst, std::fabs(tank.at(depth + tank.striker()) - line));
    }
    return worst;
}

}  // namespace

// On every row: ullage and volume make the full tank, and the full row is 100 % with none to
// spare.
TEST(Site, UllageAndPercentMakeTheFullTank) {
    for (const Tank& tank : someTanks()) {
        const Tank::Chart chart = tank.chart();
        for (std::size_t i = 1; i < chart.rows.size(); ++i) {
            const SiteColumns site = siteColumns(chart.rows[i], chart.full);
            EXPECT_NEAR(double(site.ullage) + chart.rows[i].volume, chart.full, chart.full * 1e-7);
            EXPECT_NEAR(site.percent, 100 * chart.rows[i].volume / chart.full, 1e-4);
        }
        const SiteColumns last = siteColumns(chart.rows.back(), chart.full);
        if (chart.rows.back().volume == static_cast<float>(chart.full)) {
            EXPECT_EQ(last.ullage, 0.0f);
            EXPECT_EQ(last.percent, 100.0f);
        }
    }
    EXPECT_EQ(chartCsvWithUllage(std::vector<CapacityRow>{{0, 0}, {24, 50}}, 200),
              "Depth,Capacity,Ullage,Percent\n24,50,150,25\n");
}

// The marks hold their percent of the full tank to a millionth; a bad list is refused.
TEST(Site, FillMarksHoldTheirPercent) {
    for (const Tank& tank : someTanks()) {
        const TankVolume volume = tank.volume();
        for (const FillMark& mark : fillMarks(volume, {90, 95, 12.5})) {
            EXPECT_NEAR(volume.at(mark.depth + volume.striker()),
                        volume.full() * mark.percent / 100, 1e-6 * volume.full())
                << tank.describe();
            EXPECT_NEAR(mark.volume, volume.full() * mark.percent / 100, 1e-6 * volume.full());
        }
    }
    EXPECT_EQ(percentList(" 90, 95 ", "Marks"), (std::vector<double>{90, 95}));
    for (const char* bad : {"", "90,", "0", "100", "ninety", "90;95"})
        EXPECT_THROW(percentList(bad, "Marks"), InputError) << bad;
}

// A mark shown to a step is the deepest reading of that step at which the tank holds at most
// its percent, with the volume there; a percent the first reading already passes is below the
// stick. Worked figures: a 48 x 96 in cylinder with the striker plate holds 95 % at 43.079 in
// (43 on the eighths, 43.07 to the hundredth); 100 x 1000 mm with 6 mm of striker holds 2.45 %
// under the plate; 48 x 120 in falling 10 in to B, dipped at A, holds 6.2 % at reading 0.
TEST(Site, FillMarksNeverAboveTheirLevel) {
    Tank cyl96 = tank48x120(HeadKind::Flat);
    cyl96.length = std::string("96");
    cyl96.striker = true;
    Tank mm = cyl96;
    mm.inches = false;
    mm.diameter = std::string("100");
    mm.length = std::string("1000");
    Tank tilted = tank48x120(HeadKind::Flat, "10");
    tilted.dipAt = std::string("0");
    const struct {
        const Tank& tank;
        double step, percent, depth, volume;  // depth < 0: below the stick; volume 0: unchecked
    } cases[] = {
        {cyl96, 0.125, 95, 43, 713.43},
        {cyl96, 0.125, 90, 40.125, 675.11},
        {cyl96, 0.01, 95, 43.07, 714.26},
        {cyl96, 0, 95, 43.0792, 714.373},
        {mm, 1, 1, -1, 0},
        {mm, 1, 2, -1, 0},
        {mm, 1, 50, 44, 3.92699},
        {mm, 0, 2, -1, 0},
        {tilted, 0.125, 1, -1, 0},
        {tilted, 0.125, 5, -1, 0},
        {tilted, 0.125, 7, 0.5, 0},
        {tilted, 0, 7, 0.51662, 0},
    };
    for (const auto& c : cases) {
        const TankVolume volume = c.tank.volume();
        const FillMark mark = fillMarks(volume, {c.percent}, c.step).front();
        SCOPED_TRACE(c.tank.describe() + " at " + std::to_string(c.percent) + " %, step " +
                     std::to_string(c.step));
        EXPECT_EQ(mark.belowStick, c.depth < 0);
        if (c.depth < 0) {
            EXPECT_GT(volume.at(volume.striker()), volume.full() * c.percent / 100);
            continue;
        }
        EXPECT_NEAR(mark.depth, c.depth, c.step > 0 ? 1e-9 : 1e-4);
        EXPECT_LE(mark.volume, volume.full() * c.percent / 100 * (1 + 1e-9));
        if (c.volume > 0) {
            EXPECT_NEAR(mark.volume, c.volume, 0.05 * c.volume / 100);
        }
    }
    // On every tank and step: the volume at the mark is within its percent, and the next step
    // up would pass it.
    for (const Tank& tank : someTanks()) {
        const TankVolume volume = tank.volume();
        for (const double step : {0.125, 0.01, 1.0}) {
            for (const FillMark& mark : fillMarks(volume, {12.5, 50, 90, 95}, step)) {
                const double limit = volume.full() * mark.percent / 100;
                ASSERT_FALSE(mark.belowStick) << tank.describe();
                EXPECT_EQ(mark.volume, volume.at(mark.depth + volume.striker()));
                EXPECT_LE(mark.volume, limit * (1 + 1e-9)) << tank.describe();
                EXPECT_GT(volume.at(mark.depth + step + volume.striker()), limit)
                    << tank.describe();
                EXPECT_NEAR(std::remainder(mark.depth, step), 0.0, 1e-9);
            }
        }
    }
}

// The largest error the table states is the one a dense look finds; it meets the figures for
// the 48 x 120 in tank, far under equal spacing; two points are the straight line from empty
// to full; the points rise in depth and volume.
TEST(Site, GaugeTableStatesItsLargestError) {
    const TankVolume flat = tank48x120(HeadKind::Flat).volume();
    EXPECT_LE(gaugeTable(flat, 20).largestError, 0.56);
    EXPECT_LE(gaugeTable(flat, 32).largestError, 0.22);
    const GaugeTable line = gaugeTable(flat, 2);
    ASSERT_EQ(line.points.size(), 2u);
    EXPECT_EQ(line.points.front().depth, 0.0f);
    EXPECT_EQ(line.points.front().volume, 0.0f);
    EXPECT_EQ(line.points.back().depth, 48.0f);
    EXPECT_EQ(line.points.back().volume, static_cast<float>(flat.full()));

    for (const Tank& tank : someTanks()) {
        const TankVolume volume = tank.volume();
        for (const int count : {2, 9, 32}) {
            const GaugeTable table = gaugeTable(volume, count);
            ASSERT_EQ(table.points.size(), static_cast<std::size_t>(count));
            EXPECT_EQ(table.points.front().depth, 0.0f);
            for (std::size_t i = 1; i < table.points.size(); ++i) {
                EXPECT_GT(table.points[i].depth, table.points[i - 1].depth);
                EXPECT_GT(table.points[i].volume, table.points[i - 1].volume);
            }
            EXPECT_NEAR(table.largestError, denseError(volume, table.points), 1e-6 * volume.full())
                << tank.describe() << " " << count;
        }
    }
    EXPECT_THROW(gaugeTable(flat, 1), InputError);
    EXPECT_THROW(gaugeTable(flat, 1001), InputError);
}

// However many points are asked, no two print the same depth or volume, and the full tank is
// the last point only, also where the last depths' volumes round to the full tank's (a box
// falling 290 mm towards its dip point once ended on two rows of 2400 L).
TEST(Site, GaugeTableRisesStrictlyToTheFullTankOnce) {
    Tank box;
    box.shape = Shape::Rectangular;
    box.inches = false;
    box.striker = true;
    box.increment = std::string("1");
    box.length = std::string("3000");
    box.width = std::string("1000");
    box.height = std::string("800");
    box.fall = std::string("-290");
    box.dipAt = std::string("3000");
    for (const Tank& tank : {box.normalised(), tank48x120(HeadKind::TwoToOne, "-30")}) {
        const TankVolume volume = tank.volume();
        for (const int count : {2, 3, 1000}) {
            SCOPED_TRACE(tank.describe() + ", " + std::to_string(count) + " points");
            const GaugeTable table = gaugeTable(volume, count);
            EXPECT_EQ(table.points.size(), static_cast<std::size_t>(count));
            EXPECT_EQ(table.points.front().depth, 0.0f);
            for (std::size_t i = 1; i < table.points.size(); ++i) {
                ASSERT_GT(table.points[i].depth, table.points[i - 1].depth) << i;
                ASSERT_GT(table.points[i].volume, table.points[i - 1].volume) << i;
            }
            EXPECT_EQ(table.points.back().depth,
                      static_cast<float>(volume.top() - volume.striker()));
            EXPECT_EQ(table.points.back().volume, static_cast<float>(volume.full()));
        }
    }
}

TEST(Site, ErrorsKeepThreeSignificantDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0.000274049, "0.000274"}, {0.53949, "0.539"},
                 {0.0009996, "0.00100"},    {99.96, "100"},
                 {1234.5, "1230"},          {0, "0"}};
    for (const auto& c : cases)
        EXPECT_EQ(significantText(c.value), c.text) << c.value;
}
