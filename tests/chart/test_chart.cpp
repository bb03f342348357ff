#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "chart.h"

using namespace dipsheet::chart;

namespace {

// The value printed with as many significant digits as the expected text shows, so a quoted
// figure is matched to its last digit.
std::string printedLike(float value, const std::string& expected) {
    int digits = 0;
    bool leading = true;
    for (char c : expected) {
        if (c >= '0' && c <= '9') {
            if (c != '0')
                leading = false;
            if (!leading)
                ++digits;
        }
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
    return buffer;
}

#define EXPECT_PRINTS(value, text) EXPECT_EQ(printedLike((value), (text)), (text))

// Made in one expression: assigning a literal to the member afterwards trips GCC 12's false
// -Wrestrict at -O3.
ChartOptions inches(const char* increment, bool striker = false, bool outside = false) {
    return ChartOptions{.outside = outside,
                        .inches = true,
                        .striker = striker,
                        .increment = increment,
                        .format = {}};
}

ChartOptions millimetres(const char* increment, bool striker = false, bool outside = false) {
    ChartOptions o = inches(increment, striker, outside);
    o.inches = false;
    return o;
}

// Row of a given depth, found by its index when depths are whole multiples of the increment.
float volumeAt(const ChartRows& rows, std::size_t i) {
    return rows.at(i).volume;
}

}  // namespace

TEST(RectangularChart, InchesInsideWithoutStrikerPlate) {
    const auto rows = calcRect(inches("1"), {"100", "50", "40", ""});
    ASSERT_EQ(rowCount(rows), 40);
    EXPECT_EQ(rows[0].depth, 0.0f);
    EXPECT_EQ(rows[0].volume, 0.0f);
    EXPECT_PRINTS(volumeAt(rows, 1), "21.64352");
    EXPECT_PRINTS(volumeAt(rows, 2), "43.28704");
    EXPECT_PRINTS(volumeAt(rows, 40), "865.7408");
    EXPECT_EQ(rows[40].depth, 40.0f);
}

TEST(RectangularChart, StrikerPlateRaisesEveryLiquidHeight) {
    const auto rows = calcRect(inches("1", true), {"100", "50", "40", ""});
    ASSERT_EQ(rowCount(rows), 39);
    EXPECT_PRINTS(volumeAt(rows, 1), "27.0544");
    EXPECT_PRINTS(volumeAt(rows, 39), "849.5082");
}

TEST(RectangularChart, MillimetresOutsideTakeTwoThicknessesOffEachSide) {
    const auto rows = calcRect(millimetres("10", true, true), {"1000", "500", "500", "5"});
    ASSERT_EQ(rowCount(rows), 48);
    EXPECT_EQ(rows[1].depth, 10.0f);
    EXPECT_PRINTS(volumeAt(rows, 1), "7.7616");
    EXPECT_EQ(rows[48].depth, 480.0f);
    EXPECT_PRINTS(volumeAt(rows, 48), "235.7586");
}

TEST(RectangularChart, ThicknessIsIgnoredForInsideDimensions) {
    const auto a = calcRect(inches("1"), {"100", "50", "40", ""});
    const auto b = calcRect(inches("1"), {"100", "50", "40", "not a number"});
    EXPECT_EQ(a, b);
}

TEST(HorizontalCylinderChart, CentreTakesTheHalfCircleAndTheTopTheFullSection) {
    const auto rows = calcCyl(inches("5"), {"10", "10", "", ""});
    ASSERT_EQ(rowCount(rows), 2);
    EXPECT_PRINTS(volumeAt(rows, 1), "1.699878");
    EXPECT_PRINTS(volumeAt(rows, 2), "3.399756");
}

TEST(HorizontalCylinderChart, FortyEightByNinetySix) {
    const auto rows = calcCyl(inches("1"), {"48", "96", "", ""});
    ASSERT_EQ(rowCount(rows), 48);
    EXPECT_PRINTS(volumeAt(rows, 1), "3.814658");
    EXPECT_PRINTS(volumeAt(rows, 12), "147.0113");
    EXPECT_PRINTS(volumeAt(rows, 24), "375.9858");
    EXPECT_PRINTS(volumeAt(rows, 36), "604.9604");
    EXPECT_PRINTS(volumeAt(rows, 48), "751.9717");
}

TEST(HorizontalCylinderChart, FortyEightByNinetySixWithStrikerPlate) {
    const auto rows = calcCyl(inches("1", true), {"48", "96", "", ""});
    ASSERT_EQ(rowCount(rows), 47);
    EXPECT_PRINTS(volumeAt(rows, 23), "361.0283");  // liquid height 23.25, below the centre
    EXPECT_PRINTS(volumeAt(rows, 24), "380.9724");  // liquid height 24.25, above it
    EXPECT_PRINTS(volumeAt(rows, 47), "749.4901");
}

TEST(HorizontalCylinderChart, Millimetres) {
    const auto rows = calcCyl(millimetres("100"), {"2000", "5000", "", ""});
    ASSERT_EQ(rowCount(rows), 20);
    EXPECT_PRINTS(volumeAt(rows, 10), "7853.982");
    EXPECT_PRINTS(volumeAt(rows, 20), "15707.96");
}

TEST(HorizontalCylinderChart, RunningSumPastTheTopGivesTheFullTank) {
    const auto rows = calcCyl(inches("0.01"), {"10", "10", "", ""});
    ASSERT_EQ(rowCount(rows), 1000);
    EXPECT_PRINTS(rows[1000].depth, "10.000134");
    const auto full = calcCyl(inches("5"), {"10", "10", "", ""});
    for (std::size_t i = 990; i <= 1000; ++i) {
        EXPECT_TRUE(std::isfinite(rows[i].volume)) << i;
        EXPECT_LE(rows[i].volume, full[2].volume) << i;
    }
    EXPECT_EQ(rows[1000].volume, full[2].volume);
}

TEST(HorizontalCylinderChart, OutsideTakesShellFromDiameterAndHeadsFromLength) {
    const auto outside = calcCyl(inches("1", false, true), {"50", "100", "2", "1"});
    const auto inside = calcCyl(inches("1"), {"48", "96", "", ""});
    EXPECT_EQ(outside, inside);
}

TEST(HorizontalCylinderChart, RowsEquidistantFromTheCentreAddUpToTheFullTank) {
    const auto rows = calcCyl(inches("1"), {"48", "96", "", ""});
    const double full = rows[48].volume;
    for (std::size_t k = 1; k < 24; ++k) {
        const double sum = static_cast<double>(rows[k].volume) + rows[48 - k].volume;
        EXPECT_NEAR(sum, full, full * 2e-6) << k;
    }
    EXPECT_NEAR(2.0 * rows[24].volume, full, full * 2e-6);
}

TEST(HorizontalCylinderChart, NearTheCentreTheAreaMeetsTheHalfCircleWithoutAJump) {
    // Liquid heights a hair either side of the centre: no division by zero, and the upper
    // branch joins the half circle from above.
    const auto rows = calcCyl(inches(".0001"), {"1", "1", "", ""});
    ASSERT_EQ(rowCount(rows), 10000);
    const double half = 0.25 * 3.141592654 / 2 * 0.004328704;
    for (std::size_t i = 4990; i <= 5010; ++i) {
        ASSERT_TRUE(std::isfinite(rows[i].volume)) << i;
        EXPECT_NEAR(rows[i].volume, half, half * 1e-2) << i;
        if (rows[i].depth > 0.5f) {
            EXPECT_GE(rows[i].volume, static_cast<float>(half) * (1 - 1e-6f)) << i;
        }
    }
}

TEST(VerticalCylinderChart, InchesInside) {
    const auto rows = calcVert(inches("1"), {"48", "60", "", ""});
    ASSERT_EQ(rowCount(rows), 60);
    EXPECT_PRINTS(volumeAt(rows, 1), "7.833038");
    EXPECT_PRINTS(volumeAt(rows, 30), "234.9911");
    EXPECT_PRINTS(volumeAt(rows, 60), "469.9823");
}

TEST(VerticalCylinderChart, OutsideLosesOneBottomThicknessOnly) {
    const auto rows = calcVert(millimetres("100", true, true), {"2000", "3000", "8", "6"});
    ASSERT_EQ(rowCount(rows), 29);
    EXPECT_PRINTS(volumeAt(rows, 1), "329.0247");
    EXPECT_PRINTS(volumeAt(rows, 2), "639.4254");
    EXPECT_PRINTS(volumeAt(rows, 29), "9020.243");
    // The horizontal tank's length loses two head thicknesses where the height lost one.
    const auto inside = calcVert(millimetres("100", true), {"1988", "2992", "", ""});
    EXPECT_EQ(rows, inside);
}

TEST(DepthSteps, RowCountIsTheWholeIncrementsInTheUsableHeight) {
    const RectTexts box{"10", "10", "10", ""};
    auto rows = calcRect(inches("1"), box);
    ASSERT_EQ(rowCount(rows), 10);
    for (std::size_t i = 1; i <= 10; ++i)
        EXPECT_EQ(rows[i].depth, static_cast<float>(i));

    rows = calcRect(inches("1", true), box);
    ASSERT_EQ(rowCount(rows), 9);
    EXPECT_EQ(rows[9].depth, 9.0f);
    // volumes taken at liquid heights 1.25 to 9.25
    EXPECT_EQ(rows[1].volume, calcRect(inches("1.25"), {"10", "10", "1.25", ""})[1].volume);

    // 10 divided by the single nearest 0.1 is 99.9999985: 99 rows, not 100.
    EXPECT_EQ(rowCount(calcRect(inches("0.1"), box)), 99);
    // 1000 mm less the 6 mm striker allowance in steps of 10
    EXPECT_EQ(rowCount(calcRect(millimetres("10", true), {"10", "10", "1000", ""})), 99);
    EXPECT_EQ(rowCount(calcRect(inches(".125"), box)), 80);
    EXPECT_EQ(rowCount(calcRect(inches(" 2.5E-1 "), box)), 40);
}

TEST(DepthSteps, DepthsAreRunningSingleSums) {
    const auto rows = calcRect(inches("0.1"), {"10", "10", "10", ""});
    EXPECT_EQ(singleText(rows[10].depth), "1.0000001");
    EXPECT_EQ(singleText(rows[33].depth), "3.299999");
    const auto eighths = calcRect(inches(".125"), {"10", "10", "10", ""});
    for (std::size_t i = 1; i <= 80; ++i)
        EXPECT_EQ(eighths[i].depth, 0.125f * static_cast<float>(i));
}

TEST(DepthSteps, VolumesNeverDecreaseAndExactMultiplesEndFull) {
    const ChartOptions options[] = {inches("1"), inches("0.1", true), millimetres("7"),
                                    inches("0.01"), millimetres("0.5", true)};
    for (const auto& o : options) {
        const ChartRows charts[] = {calcRect(o, {"120", "40", "60", ""}),
                                    calcCyl(o, {"60", "120", "", ""}),
                                    calcVert(o, {"60", "70", "", ""})};
        for (const auto& rows : charts) {
            for (std::size_t i = 1; i < rows.size(); ++i) {
                ASSERT_GE(rows[i].volume, rows[i - 1].volume) << o.increment << " row " << i;
                ASSERT_GT(rows[i].depth, rows[i - 1].depth) << o.increment << " row " << i;
            }
        }
    }
    // Without the striker plate an exact multiple ends at the full tank.
    const auto rect = calcRect(inches("0.5"), {"100", "50", "40", ""});
    EXPECT_EQ(rect.back().depth, 40.0f);
    EXPECT_EQ(rect.back().volume,
              static_cast<float>(40.0 * (100.0 * 50.0) * static_cast<double>(0.004328704f)));
    const auto vert = calcVert(inches("0.5"), {"48", "60", "", ""});
    EXPECT_EQ(vert.back().volume, calcVert(inches("60"), {"48", "60", "", ""})[1].volume);
    const auto cyl = calcCyl(inches("0.5"), {"48", "96", "", ""});
    EXPECT_EQ(cyl.back().volume, calcCyl(inches("1"), {"48", "96", "", ""})[48].volume);
}

TEST(DepthSteps, TheLargestChartFitsAndOneMoreRowIsRefused) {
    EXPECT_EQ(rowCount(calcRect(inches("1"), {"1", "1", "32766", ""})), 32766);
    try {
        calcRect(inches("1"), {"1", "1", "32767", ""});
        FAIL() << "32767 rows accepted";
    } catch (const InputError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("32767 rows"), std::string::npos) << m;
        EXPECT_NE(m.find("larger incremental distance"), std::string::npos) << m;
    }
}

namespace {

// The message of the refusal, or "" when the chart was computed.
template <typename Texts>
std::string refusal(ChartRows (*calc)(const ChartOptions&, const Texts&), const ChartOptions& o,
                    const Texts& texts) {
    try {
        calc(o, texts);
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

bool mentions(const std::string& message, const char* part) {
    return message.find(part) != std::string::npos;
}

}  // namespace

TEST(ChartRefusals, DimensionsThatAreNotWholeNumbersNameTheirField) {
    auto m = refusal(calcRect, inches("1"), RectTexts{"12 ft", "10", "10", ""});
    EXPECT_TRUE(mentions(m, "Length") && mentions(m, "'12 ft'")) << m;
    m = refusal(calcRect, inches("1"), RectTexts{"12", "1/8", "10", ""});
    EXPECT_TRUE(mentions(m, "Width") && mentions(m, "'1/8'")) << m;
    m = refusal(calcCyl, inches("1", false, true), CylTexts{"48", "96", "x", "1"});
    EXPECT_TRUE(mentions(m, "Head Thickness") && mentions(m, "'x'")) << m;
    m = refusal(calcVert, inches("1", false, true), CylTexts{"48", "96", "1", "nan"});
    EXPECT_TRUE(mentions(m, "Shell Thickness")) << m;
    m = refusal(calcVert, inches("1"), CylTexts{"inf", "96", "", ""});
    EXPECT_TRUE(mentions(m, "Diameter")) << m;
}

TEST(ChartRefusals, VeryLongTextsAreCutInTheMessage) {
    const std::string digits(100000, '7');
    const auto m = refusal(calcRect, inches("1"), RectTexts{digits + "x", "10", "10", ""});
    EXPECT_TRUE(mentions(m, "Length") && mentions(m, "100001 characters")) << m.substr(0, 200);
    EXPECT_LT(m.size(), 300u);
    // A cut never splits a character of several bytes: 13 whole three-byte characters.
    std::string east, shown = "'";
    for (int i = 0; i < 30; ++i)
        east += "\u6771";
    for (int i = 0; i < 13; ++i)
        shown += "\u6771";
    shown += "...'";
    const auto g = refusal(calcRect, inches("1"), RectTexts{east, "10", "10", ""});
    EXPECT_TRUE(mentions(g, shown.c_str())) << g;
}

TEST(ChartRefusals, ThicknessesThatLeaveNoInsideDimension) {
    auto m = refusal(calcRect, inches("1", false, true), RectTexts{"100", "50", "40", "20"});
    EXPECT_TRUE(mentions(m, "Height") && mentions(m, "no inside")) << m;
    m = refusal(calcCyl, inches("1", false, true), CylTexts{"48", "96", "1", "24"});
    EXPECT_TRUE(mentions(m, "Diameter")) << m;
    m = refusal(calcVert, inches("1", false, true), CylTexts{"48", "60", "60", "1"});
    EXPECT_TRUE(mentions(m, "Height") && mentions(m, "Bottom Thickness")) << m;
    m = refusal(calcRect, inches("1", false, true), RectTexts{"100", "50", "40", "-1"});
    EXPECT_TRUE(mentions(m, "Thickness") && mentions(m, "negative")) << m;
    m = refusal(calcRect, inches("1"), RectTexts{"-100", "50", "40", ""});
    EXPECT_TRUE(mentions(m, "Length") && mentions(m, "greater than 0")) << m;
    m = refusal(calcRect, inches("1"), RectTexts{"-0", "50", "40", ""});
    EXPECT_TRUE(mentions(m, "Length")) << m;
}

TEST(ChartRefusals, HeightBelowTheStrikerAllowance) {
    auto m = refusal(calcRect, inches("1", true), RectTexts{"10", "10", "0.2", ""});
    EXPECT_TRUE(mentions(m, "striker plate")) << m;
    m = refusal(calcVert, millimetres("1", true, true), CylTexts{"100", "10", "5", "1"});
    EXPECT_TRUE(mentions(m, "striker plate")) << m;
}

TEST(ChartRefusals, IncrementsNotANumberOrNotAboveZero) {
    const RectTexts box{"10", "10", "10", ""};
    for (const char* increment : {"", "abc", "NaN", "inf", "-inf", "1/8", "."}) {
        EXPECT_EQ(refusal(calcRect, inches(increment), box),
                  "Incremental distance: '" + std::string(increment) +
                      "' is not a number. Type the increment as a decimal, e.g. .125 for 1/8.");
    }
    for (const char* increment : {"0", "-1", "-0"}) {
        EXPECT_EQ(refusal(calcRect, inches(increment), box),
                  "Incremental distance: '" + std::string(increment) +
                      "' is not above 0. Type an increment greater than 0, e.g. .125.");
    }
    EXPECT_TRUE(mentions(refusal(calcRect, inches("1e-50"), box), "too small")) << "1e-50";
}

// A chart has a row: an increment beyond the span from the striker allowance to the top is
// refused, naming both; one equal to the span gives the single row of the full tank.
TEST(ChartRefusals, AnIncrementThatLeavesNoRow) {
    EXPECT_EQ(refusal(calcRect, inches("11"), RectTexts{"10", "10", "10", ""}),
              "The increment 11 is larger than the Height 10 less the striker allowance 0: no row "
              "to chart. Choose a smaller increment.");
    const auto vertTwoToOne = +[](const ChartOptions& o, const CylTexts& t) {
        return calcVert(o, t, {HeadKind::TwoToOne, ""});
    };
    EXPECT_TRUE(mentions(refusal(vertTwoToOne, inches("20", true), CylTexts{"40", "10", "", ""}),
                         "the depth of the tank 20 less the striker allowance 0.25:"));
    const struct {
        ChartRows rows;
        float depth;
        const char* volume;
    } single[] = {
        {calcRect(inches("1", true), {"10", "10", "1.25", ""}), 1, "0.541088"},
        {vertTwoToOne(inches("20"), {"40", "10", "", ""}), 20, "90.66016"},
    };
    for (const auto& c : single) {
        ASSERT_EQ(rowCount(c.rows), 1) << c.volume;
        EXPECT_EQ(c.rows[1].depth, c.depth);
        EXPECT_PRINTS(c.rows[1].volume, c.volume);
    }
}

// An increment that begins with a number but is not one as a whole would chart at the wrong
// step ('1/8' reads 1): refused, naming the field and the way to type it.
TEST(ChartRefusals, IncrementsThatAreNotOneNumber) {
    for (const char* increment : {"1/8", "1 in", "12ft", "1,5", "1.5.2", "3 3"}) {
        const auto m = refusal(calcCyl, inches(increment), CylTexts{"48", "96", "", ""});
        EXPECT_TRUE(mentions(m, "Incremental distance") && mentions(m, ".125"))
            << increment << ": " << m;
    }
}

TEST(ChartRefusals, ValuesBeyondSinglePrecision) {
    auto m = refusal(calcRect, inches("1e39"), RectTexts{"10", "10", "10", ""});
    EXPECT_TRUE(mentions(m, "Incremental distance")) << m;
    m = refusal(calcRect, inches("1"), RectTexts{"1e39", "10", "10", ""});
    EXPECT_TRUE(mentions(m, "Length") && mentions(m, "range")) << m;
    m = refusal(calcRect, inches("1"), RectTexts{"10", "1e400", "10", ""});
    EXPECT_TRUE(mentions(m, "Width") && mentions(m, "range")) << m;
    m = refusal(calcRect, inches("1", false, true), RectTexts{"10", "10", "10", "1e39"});
    EXPECT_TRUE(mentions(m, "twice the Thickness") && mentions(m, "range")) << m;
    m = refusal(calcRect, inches("1e30"), RectTexts{"1e30", "1e30", "1e30", ""});
    EXPECT_TRUE(mentions(m, "volume")) << m;
    m = refusal(calcCyl, inches("1e30"), CylTexts{"1e30", "10", "", ""});
    EXPECT_TRUE(mentions(m, "cross-section")) << m;
    m = refusal(calcVert, inches("1e37"), CylTexts{"1e37", "1e37", "", ""});
    EXPECT_TRUE(mentions(m, "volume")) << m;
}
