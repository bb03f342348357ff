#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart.h"

using namespace dipsheet::chart;

namespace {

// A tank's chart and its volume function, from the same options and texts.
struct Tank {
    std::string name;
    ChartRows chart;
    TankVolume volume;
};

// Every shape and every kind of head and bottom, in inches without the striker plate, in
// inches with it and in millimetres with it.
std::vector<Tank> everyTank() {
    std::vector<Tank> tanks;
    for (int set = 0; set < 3; ++set) {
        const bool mm = set == 2;
        ChartOptions o{.outside = false,
                       .inches = !mm,
                       .striker = set > 0,
                       .increment = mm ? "10" : "0.5",
                       .format = {}};
        const auto size = [mm](int inches) { return std::to_string(mm ? inches * 25 : inches); };
        const std::string units = mm ? " mm" : o.striker ? " in striker" : " in";
        const RectTexts rect{size(60), size(40), size(50), ""};
        tanks.push_back({"rect" + units, calcRect(o, rect), rectVolume(o, rect)});
        for (const HeadKind kind : kHeadKinds) {
            const std::string name(headKindName(kind));
            const CylTexts cyl{size(48), size(96), "", ""};
            const HeadTexts heads{kind, size(12)};
            tanks.push_back(
                {"cyl " + name + units, calcCyl(o, cyl, heads), cylVolume(o, cyl, heads)});
            const CylTexts vert{size(96), size(120), "", ""};
            const HeadTexts bottom{kind, size(24)};
            tanks.push_back(
                {"vert " + name + units, calcVert(o, vert, bottom), vertVolume(o, vert, bottom)});
        }
    }
    return tanks;
}

}  // namespace

TEST(DepthForVolume, EveryShapeAndHeadReadsItsChartBackward) {
    for (const Tank& t : everyTank()) {
        SCOPED_TRACE(t.name);
        const TankVolume& tank = t.volume;
        const double top = tank.top(), s = tank.striker(), tolerance = 1e-6 * top;
        // The depth for the volume of each chart row is the row's depth.
        for (std::size_t i = 1; i < t.chart.size(); ++i) {
            const CapacityRow& row = t.chart[i];
            if (static_cast<double>(row.depth) + s >= top)
                break;  // the running sum has reached the top: the tank is full
            const double back = tank.heightFor(row.volume, tolerance) - s;
            ASSERT_NEAR(back, row.depth, tolerance) << "row " << i;
        }
        EXPECT_EQ(tank.heightFor(tank.full(), tolerance), top);

        // The table by volume: each depth holds its volume to within a millionth of the top,
        // depths and volumes rise, no volume above the plate is left out, the full tank last.
        const auto step = static_cast<float>(tank.full() / 150);
        const auto rows = depthsByVolume(tank, singleText(step));
        ASSERT_GE(rows.size(), 140u);
        const double plate = tank.at(s);
        EXPECT_GE(rows.front().volume, plate);
        EXPECT_LT(rows.front().volume - step, plate + 1e-3 * step);
        EXPECT_GE(rows.front().depth, 0.0f);
        for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
            const double height = static_cast<double>(rows[i].depth) + s;
            const double volume = rows[i].volume;
            ASSERT_LE(tank.at(height - tolerance), volume) << "row " << i;
            ASSERT_GE(tank.at(height + tolerance), volume) << "row " << i;
            ASSERT_LE(rows[i].depth, rows[i + 1].depth) << "row " << i;
            ASSERT_LT(rows[i].volume, rows[i + 1].volume) << "row " << i;
            if (i > 0) {
                ASSERT_NEAR(rows[i].volume - rows[i - 1].volume, step, 1e-4 * step) << i;
            }
        }
        EXPECT_EQ(rows.back().depth, static_cast<float>(top - s));
        EXPECT_EQ(rows.back().volume, static_cast<float>(tank.full()));
    }
}

// A floor of a square metre holds a litre a millimetre: row k is k litres at k mm, the full
// tank a whole multiple of the step ends the table once, and one more row is refused.
TEST(DepthForVolume, TheLargestTableFitsAndOneMoreRowIsRefused) {
    const ChartOptions mm{
        .outside = false, .inches = false, .striker = false, .increment = "", .format = {}};
    const auto rows = depthsByVolume(rectVolume(mm, {"1000", "1000", "32766", ""}), "1");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kMaxRows));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto k = static_cast<float>(i + 1);
        ASSERT_EQ(rows[i], (CapacityRow{k, k})) << i;
    }
    EXPECT_THROW(depthsByVolume(rectVolume(mm, {"1000", "1000", "32767", ""}), "1"), InputError);
}
