#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/tank.h"

using namespace dipsheet::chart;

namespace {

Tank cylinder(Shape shape, HeadKind kind, const char* depth = "") {
    Tank tank;
    tank.shape = shape;
    tank.increment = std::string("1");
    tank.diameter = std::string("48");
    tank.length = std::string("96");
    tank.heads = {kind, depth};
    return tank;
}

}  // namespace

// The set-up line and the heads under the printed heading, for each shape.
TEST(Tank, DescribesItselfAsTheSetupLineSaysIt) {
    Tank rect;
    rect.shape = Shape::Rectangular;
    rect.inches = false;
    rect.outside = true;
    rect.striker = false;
    rect.increment = std::string(" 10 ");
    rect.length = std::string("2000");
    rect.width = std::string("1000");
    rect.height = std::string("1200");
    rect.thickness = std::string("6");
    Tank outside = cylinder(Shape::HorizontalCylinder, HeadKind::TwoToOne);
    outside.outside = true;
    outside.diameter = std::string("49");
    outside.headThickness = std::string(".25");
    outside.shellThickness = std::string(".5");
    const struct {
        Tank tank;
        const char* setup;
        const char* heads;
    } cases[] = {
        {rect,
         "Rectangular tank, outside, millimetres: Length 2000, Width 1000, Height 1200, Thickness "
         "6; increment 10; no striker plate",
         ""},
        {outside,
         "Horizontal cylinder, 2:1 Ellipsoidal heads, outside, inches: Diameter 49, Length 96, "
         "Head Thickness .25, Shell Thickness .5; increment 1; striker 0.25 in",
         "2:1 Ellipsoidal heads, depth 12"},
        {cylinder(Shape::VerticalCylinder, HeadKind::Conical, " 10 "),
         "Vertical cylinder, Conical bottom, inside, inches: Diameter 48, Height 96, Bottom Depth "
         "10; increment 1; striker 0.25 in",
         "Conical bottom, depth 10"},
        {cylinder(Shape::HorizontalCylinder, HeadKind::Flat),
         "Horizontal cylinder, Flat heads, inside, inches: Diameter 48, Length 96; increment 1; "
         "striker 0.25 in",
         ""},
    };
    const char* briefs[] = {"Rectangular, 2000 \u00d7 1000 \u00d7 1200 mm",
                            "Horizontal 2:1, 49 \u00d7 96 in", "Vertical conical, 48 \u00d7 96 in",
                            "Horizontal flat, 48 \u00d7 96 in"};
    for (const auto& c : cases) {
        EXPECT_EQ(c.tank.brief(), briefs[&c - cases]);
        EXPECT_EQ(c.tank.describe(), c.setup);
        EXPECT_EQ(c.tank.normalised().describe(), c.setup);
        EXPECT_EQ(c.tank.headsDescription(), c.heads) << c.setup;
    }
}

// Two tanks compare equal exactly when they chart alike: blanks, a thickness typed with inside
// measures and a depth the head kind does not take make no difference; anything read does.
TEST(Tank, EqualWhenTheyChartAlike) {
    const Tank base = cylinder(Shape::HorizontalCylinder, HeadKind::TwoToOne).normalised();
    Tank same = base;
    same.diameter = std::string(" 48\t");
    same.shellThickness = std::string("9");  // not read with inside measures
    same.heads.depth = std::string("7");     // a 2:1 head's depth follows from the diameter
    same.width = std::string("3");           // a field of the rectangular tank
    EXPECT_EQ(same.normalised(), base);

    const auto differs = [&](auto change) {
        Tank other = base;
        change(other);
        return !(other.normalised() == base);
    };
    EXPECT_TRUE(differs([](Tank& t) { t.increment = std::string(".5"); }));
    EXPECT_TRUE(differs([](Tank& t) { t.inches = false; }));
    EXPECT_TRUE(differs([](Tank& t) { t.striker = false; }));
    EXPECT_TRUE(differs([](Tank& t) { t.outside = true; }));
    EXPECT_TRUE(differs([](Tank& t) { t.heads.kind = HeadKind::Hemispherical; }));
    EXPECT_TRUE(differs([](Tank& t) { t.shape = Shape::VerticalCylinder; }));
    EXPECT_TRUE(differs([](Tank& t) { t.length = std::string("96.0"); }));
}

// The stored line reads back to the same tank whatever the texts hold; a line this version
// cannot read gives no tank.
TEST(Tank, StoredLineReadsBackOrNotAtAll) {
    Tank odd = cylinder(Shape::VerticalCylinder, HeadKind::Dished, "12;x=%41\n");
    odd.increment = "";
    odd.format = {" ", ";"};
    const auto back = Tank::fromText(odd.toText());
    ASSERT_TRUE(back.has_value()) << odd.toText();
    EXPECT_EQ(*back, odd);

    const std::string good = cylinder(Shape::HorizontalCylinder, HeadKind::Flat).toText();
    ASSERT_TRUE(Tank::fromText(good).has_value()) << good;
    const auto withTail = [&good](const char* tail) { return std::string(good).append(tail); };
    std::string newer = good;
    newer.replace(0, newer.find(';'), "tank=2");
    const std::string unreadable[] = {
        std::string(),
        newer,                                    // a newer version
        withTail("; gauge-points=20"),            // a key this version does not know
        withTail("; width=40"),                   // a key of another shape
        withTail("; diameter=50"),                // a key twice
        good.substr(0, good.find("; diameter")),  // a dimension missing
        withTail("; heads"),                      // no value
        "tank=1; shape=sphere; units=in; measures=inside; striker=yes",
    };
    Tank vertical = cylinder(Shape::VerticalCylinder, HeadKind::Flat);
    std::string tilted = vertical.toText();
    tilted.append("; tilt-fall=2");  // a vertical tank takes no tilt
    EXPECT_FALSE(Tank::fromText(tilted).has_value());
    Tank lying = cylinder(Shape::HorizontalCylinder, HeadKind::Dished, "20");
    lying.fall = std::string("-2.5");
    lying.dipAt = std::string("30");
    EXPECT_EQ(Tank::fromText(lying.toText()), lying);
    for (const std::string& bad : unreadable)
        EXPECT_FALSE(Tank::fromText(bad).has_value()) << bad;
    std::string badEscape = good;
    badEscape.replace(badEscape.find("diameter=48"), 11, "diameter=4%G");
    EXPECT_FALSE(Tank::fromText(badEscape).has_value());
}

// A vertical tank's height is a height wherever it is read: typed as its height, stored and read
// back under "height", and measured as the shell above the bottom's seam (an outside height
// loses the bottom plate once), as a rectangle's height is; a lying tank measures a length.
TEST(Tank, VerticalTankSaysHeight) {
    Tank upright = cylinder(Shape::VerticalCylinder, HeadKind::Flat);
    upright.outside = true;
    upright.verticalHeight() = std::string("96");
    upright.headThickness = std::string(".3");
    upright.shellThickness = std::string(".5");
    const std::string line = upright.toText();
    EXPECT_NE(line.find("; height=96;"), std::string::npos) << line;
    EXPECT_EQ(line.find("length"), std::string::npos) << line;
    const auto back = Tank::fromText(line);
    ASSERT_TRUE(back.has_value()) << line;
    EXPECT_EQ(back->verticalHeight(), "96");
    EXPECT_EQ(back->brief(), "Vertical flat, 48 \u00d7 96 in");

    Tank lying = upright;
    lying.shape = Shape::HorizontalCylinder;
    Tank box = upright;
    box.shape = Shape::Rectangular;
    box.width = box.height = std::string("30");
    box.thickness = std::string(".25");
    const struct {
        const Tank& tank;
        double diameter, height, length;
    } cases[] = {
        {upright, 47.0f, 95.7f, 0},  // standing: a height and no length
        {lying, 47.0f, 0, 95.4f},
        {box, 0, 29.5f, 95.5f},
    };
    for (const auto& c : cases) {
        const auto measured = c.tank.measures();
        ASSERT_TRUE(measured.has_value()) << c.tank.describe();
        EXPECT_EQ(measured->diameter, c.diameter) << c.tank.describe();
        EXPECT_EQ(measured->height, c.height) << c.tank.describe();
        EXPECT_EQ(measured->length, c.length) << c.tank.describe();
    }
}

// The tank's chart is the chart of its shape's algorithm, bit for bit, with its full capacity.
TEST(Tank, ChartsAsItsShapeDoes) {
    for (const HeadKind kind : kHeadKinds) {
        const Tank horizontal = cylinder(Shape::HorizontalCylinder, kind, "10");
        const Tank vertical = cylinder(Shape::VerticalCylinder, kind, "10");
        const CylTexts texts{"48", "96", "", ""};
        const Tank::Chart h = horizontal.chart(), v = vertical.chart();
        EXPECT_EQ(h.rows, calcCyl(horizontal.options(), texts, horizontal.heads));
        EXPECT_EQ(v.rows, calcVert(vertical.options(), texts, vertical.heads));
        EXPECT_EQ(h.full, cylVolume(horizontal.options(), texts, horizontal.heads).full());
        EXPECT_EQ(v.full, vertVolume(vertical.options(), texts, vertical.heads).full());
    }
    Tank rect;
    rect.shape = Shape::Rectangular;
    rect.increment = std::string(".5");
    rect.length = std::string("120");
    rect.width = std::string("40");
    rect.height = std::string("30");
    EXPECT_EQ(rect.chart().rows, calcRect(rect.options(), {"120", "40", "30", ""}));
}

TEST(ChartCsv, WritesTheChartAndTheVolumeTable) {
    const CapacityRow rows[] = {{0.0f, 0.0f}, {0.125f, 0.1f}, {-1.0f, 2.0f}, {3.3f, 1e-6f}};
    EXPECT_EQ(chartCsv(rows), "Depth,Capacity\n0.125,0.1\n3.3,1e-06\n");
    EXPECT_EQ(chartCsv(rows, true), "Capacity,Depth\n0,0\n0.1,0.125\n2,-1\n1e-06,3.3\n");
}

// A tank stored under one number format comes back under another as the same tank: every
// number text rewritten for the same value, every other text as typed.
TEST(Tank, SameTankUnderAnyNumberFormat) {
    const NumberFormat us{".", ","}, german{",", "."}, french{",", "\u202f"}, swiss{".", "'"};
    const struct {
        NumberFormat from, to;
        const char* diameter;  // as typed under `from`
        const char* shown;     // as the tank under `to` has it
        double inches;
    } cases[] = {
        {german, us, "48,125", "48.125", 48.125},
        {us, german, "48.125", "48,125", 48.125},
        {us, german, "1,500", "1500", 1500},
        {german, us, "1.500", "1500", 1500},
        {us, german, "1,234.5", "1234,5", 1234.5},
        {german, us, "1.234,5", "1234.5", 1234.5},
        {french, us, "1\u202f234,5", "1234.5", 1234.5},
        {us, swiss, "-2.5E1", "-2.5E1", -25},
        {german, us, "&H30", "&H30", 48},
        {german, us, "48,1,2", "48,1,2", 0},  // no number: left as typed
        {german, us, "", "", 0},
    };
    for (const auto& c : cases) {
        Tank stored = cylinder(Shape::HorizontalCylinder, HeadKind::Flat);
        stored.format = c.from;
        stored.diameter = c.diameter;
        const Tank shown = stored.inFormat(c.to);
        EXPECT_EQ(shown.diameter, c.shown) << c.diameter;
        EXPECT_EQ(shown.format, c.to);
        if (c.inches != 0) {
            EXPECT_EQ(strictDouble(shown.diameter, c.to), c.inches) << c.diameter;
        }
    }

    // Every number text of a tank, the head depth and the tilt included: it charts alike.
    Tank german48 = cylinder(Shape::HorizontalCylinder, HeadKind::Dished, "9,5");
    german48.format = german;
    german48.outside = true;
    german48.diameter = std::string("48,25");
    german48.length = std::string("1.096,5");
    german48.headThickness = std::string(",25");
    german48.shellThickness = std::string("0,125");
    german48.fall = std::string("2,5");
    german48.dipAt = std::string("30,5");
    german48.increment = std::string(".5");
    const Tank american = german48.inFormat(us);
    EXPECT_EQ(american.length, "1096.5");
    EXPECT_EQ(american.heads.depth, "9.5");
    EXPECT_EQ(american.dipAt, "30.5");
    EXPECT_EQ(american.increment, ".5");
    const Tank::Chart before = german48.chart(), after = american.chart();
    EXPECT_EQ(after.full, before.full);
    EXPECT_EQ(after.rows.size(), before.rows.size());
    EXPECT_EQ(american.inFormat(german).chart().full, before.full);
    EXPECT_EQ(german48.inFormat(german), german48);
}

// The tank in a few words says how a tilted horizontal tank lies; a fall of 0 is level, and a
// vertical tank has no tilt.
TEST(Tank, BriefSaysHowItLies) {
    const struct {
        Shape shape;
        const char *fall, *degrees;
        const char* brief;
    } cases[] = {
        {Shape::HorizontalCylinder, "3", "", "Horizontal 2:1, 72 \u00d7 120 in, B 3 in lower"},
        {Shape::HorizontalCylinder, " -1.5", "",
         "Horizontal 2:1, 72 \u00d7 120 in, A 1.5 in lower"},
        {Shape::HorizontalCylinder, "", "2",
         "Horizontal 2:1, 72 \u00d7 120 in, 2 degrees, B lower"},
        {Shape::HorizontalCylinder, "0", "", "Horizontal 2:1, 72 \u00d7 120 in"},
        {Shape::HorizontalCylinder, "", "-0.0", "Horizontal 2:1, 72 \u00d7 120 in"},
        {Shape::HorizontalCylinder, " ", "", "Horizontal 2:1, 72 \u00d7 120 in"},
        {Shape::Rectangular, "4", "", "Rectangular, 120 \u00d7 40 \u00d7 30 in, B 4 in lower"},
        {Shape::VerticalCylinder, "3", "", "Vertical 2:1, 72 \u00d7 120 in"},
    };
    for (const auto& c : cases) {
        Tank tank = cylinder(c.shape, HeadKind::TwoToOne);
        tank.diameter = std::string("72");
        tank.length = std::string("120");
        tank.width = std::string("40");
        tank.height = std::string("30");
        tank.fall = c.fall;
        tank.tiltDegrees = c.degrees;
        EXPECT_EQ(tank.brief(), c.brief) << c.fall << c.degrees;
        // the set-up line stored with the chart says the same
        const bool lies = std::string_view(c.brief).ends_with("lower");
        EXPECT_EQ(tank.describe().find("tilted") != std::string::npos, lies) << tank.describe();
    }
}

// A long chart's running sum falls short of its steps by more than the increment's last
// decimal: people read its depths with a decimal more, so that no two rows read alike; a short
// chart reads as typed.
TEST(Tank, NoTwoDepthsReadAlike) {
    Tank tank = cylinder(Shape::VerticalCylinder, HeadKind::Flat);
    tank.inches = false;
    tank.striker = false;
    tank.diameter = std::string("2000");
    tank.increment = std::string(".1");
    for (const auto& [height, decimals] : {std::pair{"1200", 2}, std::pair{"50", 1}}) {
        tank.verticalHeight() = std::string(height);
        const ChartRows rows = tank.chart().rows;
        const DepthWriting writing = depthWritingOf(tank, false, rows);
        EXPECT_EQ(writing.decimals(), decimals) << height;
        for (std::size_t i = 2; i < rows.size(); ++i)
            ASSERT_NE(writing.text(rows[i - 1].depth), writing.text(rows[i].depth)) << i;
    }
}

// A chart by volume: the line keeps the choice and the step, the set-up and the list say it,
// and the chart is the depth-for-volume table under row 0, with no row at or below depth 0.
TEST(Tank, ByVolumeIsKeptSaidAndCharted) {
    Tank byVolume = cylinder(Shape::HorizontalCylinder, HeadKind::TwoToOne);
    byVolume.byVolume = true;
    byVolume.increment = std::string("100");
    const std::string line = byVolume.toText();
    EXPECT_NE(line.find("; by-volume=100;"), std::string::npos) << line;
    EXPECT_EQ(line.find("increment"), std::string::npos) << line;
    EXPECT_EQ(Tank::fromText(line), byVolume);
    // A line of an older version has an increment and charts by depth; a line with both is none.
    const Tank byDepth = cylinder(Shape::HorizontalCylinder, HeadKind::TwoToOne);
    EXPECT_EQ(Tank::fromText(byDepth.toText())->byVolume, false);
    EXPECT_FALSE(Tank::fromText(line + "; increment=1").has_value());
    Tank sameStepByDepth = byVolume;
    sameStepByDepth.byVolume = false;
    EXPECT_NE(byVolume.normalised(), sameStepByDepth.normalised());  // charts otherwise

    EXPECT_NE(byVolume.describe().find("; volume step 100 US gal; striker"), std::string::npos)
        << byVolume.describe();
    EXPECT_EQ(byVolume.brief(), "Horizontal 2:1, 48 \u00d7 96 in, by volume 100 US gal");
    Tank litres = byVolume;
    litres.inches = false;
    litres.increment = std::string("2.5");
    EXPECT_NE(litres.describe().find("; volume step 2.5 L;"), std::string::npos);

    Tank rect;
    rect.shape = Shape::Rectangular;
    rect.byVolume = true;
    rect.inches = false;
    rect.increment = std::string("6");
    rect.length = rect.width = std::string("1000");
    rect.height = std::string("500");
    Tank tilted = byVolume;
    tilted.fall = std::string("3");
    tilted.dipAt = std::string("20");
    for (const Tank& tank : {byVolume, litres, rect, tilted}) {
        const Tank::Chart made = tank.chart();
        std::vector<CapacityRow> expected;
        for (const CapacityRow& row : depthsByVolume(tank.volume(), tank.increment)) {
            if (row.depth > 0)
                expected.push_back(row);
        }
        ASSERT_FALSE(made.rows.empty());
        EXPECT_EQ(made.rows.front(), CapacityRow{});
        EXPECT_EQ(std::vector<CapacityRow>(made.rows.begin() + 1, made.rows.end()), expected)
            << tank.describe();
        EXPECT_EQ(made.full, tank.volume().full());
        EXPECT_FALSE(depthWritingOf(tank, false, made.rows).known());
    }
}

// A measure switched between inches and millimetres, or US gallons and litres, in the user's
// number format; what is not one number stays as typed.
TEST(ConvertedMeasure, SwitchesUnitsToTheTypedPrecision) {
    const NumberFormat point{".", ","}, comma{",", "."};
    const struct {
        const char* text;
        bool toInches, volume;
        NumberFormat format;
        const char* converted;
    } cases[] = {
        {"72", false, false, point, "1828.8"},   {"1828.8", true, false, point, "72"},
        {"1,828.8", true, false, point, "72"},   {"1.828,8", true, false, comma, "72"},
        {".25", false, false, point, "6.4"},     {"0,75", false, false, comma, "19,1"},
        {"-1.5", false, false, point, "-38.1"},  {" 96 ", false, false, point, "2438.4"},
        {"6", true, false, point, "0.24"},       {"0", true, false, point, "0"},
        {"100", false, true, point, "378.5"},    {"378.5", true, true, point, "99.99"},
        {"1000", true, true, comma, "264,17"},   {"", false, false, point, ""},
        {"12 ft", false, false, point, "12 ft"}, {"1/8", true, false, point, "1/8"},
        {"1,5", false, false, point, "1,5"},     {"1E70", false, false, point, "1E70"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convertedMeasure(c.text, c.toInches, c.format, c.volume), c.converted)
            << '"' << c.text << '"';
    }
}
