#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "numbers.h"

using namespace dipsheet::chart;

TEST(LeadingNumber, ReadsTheNumberATextBeginsWith) {
    EXPECT_EQ(leadingNumber("12.5"), 12.5);
    EXPECT_EQ(leadingNumber(".125"), 0.125);
    EXPECT_EQ(leadingNumber("1/8"), 1.0);
    EXPECT_EQ(leadingNumber("12 ft"), 12.0);
    EXPECT_EQ(leadingNumber("7 ft"), 7.0);
    EXPECT_EQ(leadingNumber("abc"), 0.0);
    EXPECT_EQ(leadingNumber(""), 0.0);
    EXPECT_EQ(leadingNumber("-3"), -3.0);
    EXPECT_EQ(leadingNumber("+4.5x"), 4.5);
    EXPECT_EQ(leadingNumber("1.2.3"), 1.2);
    EXPECT_EQ(leadingNumber("."), 0.0);
    EXPECT_EQ(leadingNumber("-"), 0.0);
}

TEST(LeadingNumber, IgnoresBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(leadingNumber(" 7"), 7.0);
    EXPECT_EQ(leadingNumber("1 2\t3\n4"), 1234.0);
    EXPECT_EQ(leadingNumber(" - 1 . 5"), -1.5);
    EXPECT_EQ(leadingNumber("\t\n"), 0.0);
    // A carriage return is not a blank: it ends the number.
    EXPECT_EQ(leadingNumber("2\r3"), 2.0);
}

TEST(LeadingNumber, ReadsExponentsWithEOrD) {
    EXPECT_EQ(leadingNumber("1E3"), 1000.0);
    EXPECT_EQ(leadingNumber("1e3"), 1000.0);
    EXPECT_EQ(leadingNumber("2.5D-1"), 0.25);
    EXPECT_EQ(leadingNumber("1E+2x"), 100.0);
    EXPECT_EQ(leadingNumber("1E"), 1.0);
    EXPECT_EQ(leadingNumber("1E-"), 1.0);
    EXPECT_EQ(leadingNumber("1e39"), 1e39);
    EXPECT_EQ(leadingNumber("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("1e-400"), 0.0);
    EXPECT_EQ(leadingNumber("1e99999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(leadingNumber("0e99999"), 0.0);
}

TEST(LeadingNumber, ReadsHexAndOctalWholeNumbers) {
    EXPECT_EQ(leadingNumber("&H10"), 16.0);
    EXPECT_EQ(leadingNumber("&hff"), 255.0);
    EXPECT_EQ(leadingNumber("&HFFFF"), 65535.0);
    EXPECT_EQ(leadingNumber("&O17"), 15.0);
    EXPECT_EQ(leadingNumber("&O19"), 1.0);  // 9 is no octal digit
    EXPECT_EQ(leadingNumber("&H"), 0.0);
    EXPECT_EQ(leadingNumber("&X1"), 0.0);
    EXPECT_EQ(leadingNumber("& H 1 0"), 16.0);
}

TEST(LeadingNumber, RoundsThroughDoubleOnce) {
    // 30 digits: the double nearest the whole decimal, not a digit-by-digit accumulation.
    EXPECT_EQ(leadingNumber("123456789012345678901234567890"), 123456789012345678901234567890.0);
    EXPECT_EQ(leadingNumber("0.1"), 0.1);
}

TEST(StrictConversion, AcceptsOneWholeNumberInTheGivenFormat) {
    const NumberFormat c;  // '.' and ','
    EXPECT_EQ(strictDouble("48", c), 48.0);
    EXPECT_EQ(strictDouble(" 12 ", c), 12.0);
    EXPECT_EQ(strictDouble("\t12.5\n", c), 12.5);
    EXPECT_EQ(strictDouble("-0", c), -0.0);
    EXPECT_EQ(strictDouble("+3", c), 3.0);
    EXPECT_EQ(strictDouble(".5", c), 0.5);
    EXPECT_EQ(strictDouble("5.", c), 5.0);
    EXPECT_EQ(strictDouble("1,000", c), 1000.0);
    EXPECT_EQ(strictDouble("1,234,567.5", c), 1234567.5);
    EXPECT_EQ(strictDouble("1.5E2", c), 150.0);
    EXPECT_EQ(strictDouble("1.5d2", c), 150.0);
    EXPECT_EQ(strictDouble("&H10", c), 16.0);
    EXPECT_EQ(strictSingle("0.1", c), 0.1f);
}

TEST(StrictConversion, RefusesAnythingButOneNumber) {
    const NumberFormat c;
    for (const char* text : {"",         "  ",  "12 ft", "1/8", "abc", "1.2.3", "1,5", "12,34",
                             "1234,567", ",5",  "1,",    "nan", "inf", "-",     ".",   "1e",
                             "1e+",      "1 2", "&H",    "&HG", "&Z1", "1e5x",  "--1"}) {
        EXPECT_FALSE(strictDouble(text, c).has_value()) << "'" << text << "'";
    }
}

TEST(StrictConversion, FollowsTheUsersSeparators) {
    const NumberFormat german{",", "."};
    EXPECT_EQ(strictDouble("1,5", german), 1.5);
    EXPECT_EQ(strictDouble("1.000,25", german), 1000.25);
    EXPECT_FALSE(strictDouble("1.5", german).has_value());
    const NumberFormat french{",", "\u202f"};  // narrow no-break space between groups
    EXPECT_EQ(strictDouble("12\u202f345,5", french), 12345.5);
}

TEST(StrictConversion, RefusesValuesBeyondThePrecisionAsked) {
    const NumberFormat c;
    EXPECT_EQ(strictDouble("1e39", c), 1e39);
    EXPECT_FALSE(strictSingle("1e39", c).has_value());
    EXPECT_FALSE(strictDouble("1e400", c).has_value());
    EXPECT_EQ(strictSingle("123456789012345678901234567890", c), 1.2345679e29f);
    EXPECT_EQ(strictSingle("1e-50", c), 0.0f);  // too small for a single: zero
}

TEST(SingleText, IsTheShortestRoundTrip) {
    EXPECT_EQ(singleText(3.299999f), "3.299999");
    EXPECT_EQ(singleText(1.0000001f), "1.0000001");
    EXPECT_EQ(singleText(21.64352f), "21.64352");
    EXPECT_EQ(singleText(10.0f), "10");
    EXPECT_EQ(singleText(0.125f), "0.125");
}

// Edges: 9999999.5f is 10,000,000 itself; exact halves (1234568.5) round away from zero;
// 0.01f (0.0099999998) and 0.00001f (9.99999975E-06) carry up, the latter into plain decimals.
TEST(SingleDefaultText, WorkedFigures) {
    const std::vector<std::pair<float, const char*>> cases = {
        {0.70000005f, "0.7"},
        {129.86111f, "129.8611"},
        {0.044999998f, "0.045"},
        {1.0000001f, "1"},
        {21.64352f, "21.64352"},
        {1.882795e-06f, "1.882795E-06"},
        {1.0f, "1"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {-0.75f, "-0.75"},
        {-2.5e8f, "-2.5E+08"},
        {1000000.0f, "1000000"},
        {9999999.0f, "9999999"},
        {9999999.5f, "1E+07"},
        {123456789.0f, "1.234568E+08"},
        {1234567.5f, "1234568"},
        {1234568.5f, "1234569"},
        {-1234568.5f, "-1234569"},
        {0.01f, "0.01"},
        {0.00001f, "0.00001"},
        {std::nextafter(0.00001f, 0.0f), "9.999999E-06"},
        {0.0000099999f, "9.9999E-06"},
        {0.00012345678f, "0.0001234568"},
        {3.4028235e38f, "3.402823E+38"},
        {std::numeric_limits<float>::denorm_min(), "1.401298E-45"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(singleDefaultText(value), text) << singleText(value);
    }
    for (float odd :
         {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_EQ(singleDefaultText(odd), singleText(odd));
    }
}

// Over singles of every size the default text is the value rounded to 7 significant digits:
// it reads back within half a unit of the 7th digit, and its digits are no more than 7.
TEST(SingleDefaultText, IsTheValueRoundedToSevenDigits) {
    std::vector<float> values;
    for (std::uint32_t bits = 1; bits < 0x7f800000u; bits += 19997u)
        values.push_back(std::bit_cast<float>(bits));
    for (int power = -45; power <= 38; ++power) {  // each side of every power of ten
        const auto ten = static_cast<float>(std::pow(10.0, power));
        values.insert(values.end(), {std::nextafter(ten, 0.0f), ten,
                                     std::nextafter(ten, std::numeric_limits<float>::max())});
    }
    for (const float magnitude : values) {
        if (magnitude == 0.0f)
            continue;  // below the smallest subnormal
        for (const float value : {magnitude, -magnitude}) {
            const std::string text = singleDefaultText(value);
            double back = std::numeric_limits<double>::quiet_NaN();
            std::from_chars(text.data(), text.data() + text.size(), back);
            const double exact = value;
            const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(exact))) - 6.0);
            EXPECT_LE(std::fabs(back - exact), unit * 0.5 + std::fabs(exact) * 1e-15) << text;
            const std::string mantissa = text.substr(0, text.find('E'));
            std::string digits;
            for (char c : mantissa)
                if (c >= '0' && c <= '9')
                    digits += c;
            digits.erase(0, digits.find_first_not_of('0'));
            EXPECT_LE(digits.size(), 7u) << text;
        }
    }
}

// People read a chart's depths as its increment steps them, though the running single sum
// drifts: every row of 480 steps of .1 reads i/10, and a page in fractions writes 64ths only
// for an increment of whole 64ths, so that it never mixes "37 1/2" with "37.2".
TEST(DepthWriting, ReadsTheRunningSumAsTyped) {
    const DepthWriting tenths(0.1f, false);
    float depth = 0;
    bool drifted = false;
    for (int i = 1; i <= 480; ++i) {
        depth = static_cast<float>(static_cast<double>(depth) + 0.1f);
        drifted = drifted || singleText(depth).size() > 6;
        char expected[32];
        std::snprintf(expected, sizeof expected, "%d.%d", i / 10, i % 10);
        std::string want = expected;
        if (want.ends_with(".0"))
            want.resize(want.size() - 2);
        ASSERT_EQ(tenths.text(depth), want) << singleText(depth);
    }
    EXPECT_TRUE(drifted);  // the sum does drift: the rounding is what the test is about

    const struct {
        float increment;
        bool fractions;
        float depth;
        const char* text;
    } cases[] = {
        {0.125f, true, 37.5f, "37 1/2"},
        {0.125f, true, 0.375f, "3/8"},
        {1.0f / 64, true, 2.0f + 1.0f / 64, "2 1/64"},
        {0.125f, false, 37.5f, "37.5"},
        {0.1f, true, 37.5f, "37.5"},
        {0.1f, true, 37.89999f, "37.9"},
        {0.1f, true, 37.0f, "37"},
        {1.0f, false, 2400.0002f, "2400"},
        {2.5e-05f, false, 0.00012500001f, "0.000125"},
        {0.0000311f, false, 0.0000622f, "0.0000622"},
        {0.5f, false, -0.044999998f, "-0.045"},  // no row of the chart
        {0.125f, true, -1.5f, "-1.5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DepthWriting(c.increment, c.fractions).text(c.depth), c.text)
            << c.increment << " " << c.depth;
    }
    EXPECT_EQ(DepthWriting().text(9.700001f), "9.700001");  // no increment known
}
