#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
