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
