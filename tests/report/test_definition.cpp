#include "definition.h"
#include "render.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace dipsheet::report;

namespace {

Definition parse(const std::string& text) {
    return parseDefinition(QByteArray::fromStdString(text), QStringLiteral("test.rpt"));
}

}  // namespace

TEST(Definition, ShippedDefinitionsLayOutTheirUnitAndPreview) {
    const Definition inch = readDefinition(QStringLiteral(DIPSHEET_DATA "/indipsheet.rpt"));
    EXPECT_EQ(inch.destination, Destination::Preview);
    EXPECT_EQ(inch.depthFormat, DepthFormat::Fraction);
    EXPECT_EQ(inch.depthUnit, QStringLiteral("in"));
    EXPECT_EQ(inch.capacityUnit, QStringLiteral("US gal"));
    EXPECT_EQ(inch.volumeDecimals, 2);
    EXPECT_TRUE(inch.drawCurve);
    EXPECT_TRUE(inch.drawSketch);
    EXPECT_EQ(inch.layout, TableLayout::List);
    EXPECT_FALSE(inch.company);

    const Definition metric = readDefinition(QStringLiteral(DIPSHEET_DATA "/mmdipsheet.rpt"));
    EXPECT_EQ(metric.destination, Destination::Preview);
    EXPECT_EQ(metric.depthFormat, DepthFormat::Decimal);
    EXPECT_EQ(metric.depthUnit, QStringLiteral("mm"));
    EXPECT_EQ(metric.capacityUnit, QStringLiteral("L"));
    EXPECT_EQ(metric.volumeDecimals, 2);
    EXPECT_EQ(metric.paper, QPageSize::A4);
    EXPECT_EQ(metric.layout, TableLayout::List);
    EXPECT_FALSE(metric.company);
    EXPECT_TRUE(metric.drawSketch);
}

TEST(Definition, EmptyFileGivesEveryDefault) {
    const Definition d = parse("; nothing set\n\n");
    const Definition defaults;
    EXPECT_EQ(d.title, defaults.title);
    EXPECT_EQ(d.pairs, 3);
    EXPECT_EQ(d.destination, Destination::Preview);
    EXPECT_TRUE(d.file.isEmpty());  // each chart's PDF named for it
    EXPECT_EQ(d.depthFormat, DepthFormat::Decimal);
    EXPECT_EQ(d.volumeDecimals, kShortestVolume);
    EXPECT_EQ(d.unitsText(), QStringLiteral("Depth, Capacity"));
    EXPECT_TRUE(d.drawCurve);
    EXPECT_FALSE(d.drawSketch);  // a definition from before the drawing prints as it did
}

TEST(Definition, ReadsCommentsQuotesLineEndsAndAnyCase) {
    const Definition d = parse(
        "\xEF\xBB\xBF; a file saved by a Windows editor\r\n"
        "[output]\r\n"
        "destination = PDF      ; preview | printer | pdf\r\n"
        "File=out;put.pdf\r\n"
        "  [Report]   ; the heading\n"
        "Title=\"Fuel ; diesel \"   ; quoted text keeps its ';' and blanks\n"
        "Units=\n"
        "Company=Yes\n"
        "[Columns]\n"
        "Layout=EIGHTHS\n"
        "DepthUnit=in\n"
        "CapacityUnit=US gal\n"
        "VolumeDecimals=2\n"
        "Pairs=5\n"
        "[Page]\n"
        "MarginLeft=0.5in\n"
        "MarginTop=2 cm\n"
        "MarginRight=36PT\n"
        "Paper=letter\n"
        "Orientation=Landscape\n"
        "[Curve]\n"
        "Draw=no\n"
        "Height=3in\n"
        "[sketch]\n"
        "draw=On\n");
    EXPECT_EQ(d.destination, Destination::Pdf);
    EXPECT_EQ(d.file, QStringLiteral("out;put.pdf"));
    EXPECT_EQ(d.title, QStringLiteral("Fuel ; diesel "));
    EXPECT_EQ(d.unitsText(), QStringLiteral("Depth (in), Capacity (US gal)"));
    EXPECT_EQ(d.volumeDecimals, 2);
    EXPECT_EQ(d.pairs, 5);
    EXPECT_EQ(d.layout, TableLayout::Eighths);
    EXPECT_TRUE(d.company);
    EXPECT_DOUBLE_EQ(d.marginsMm.left(), 12.7);
    EXPECT_DOUBLE_EQ(d.marginsMm.top(), 20.0);
    EXPECT_DOUBLE_EQ(d.marginsMm.right(), 12.7);
    EXPECT_DOUBLE_EQ(d.marginsMm.bottom(), 15.0);
    EXPECT_EQ(d.paper, QPageSize::Letter);
    EXPECT_EQ(d.orientation, QPageLayout::Landscape);
    EXPECT_FALSE(d.drawCurve);
    EXPECT_DOUBLE_EQ(d.curveHeightMm, 76.2);
    EXPECT_TRUE(d.drawSketch);
}

TEST(Definition, FaultsNameFileLineAndProblem) {
    struct Case {
        std::string text;
        int number;
        int line;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"[Report]\nTitle=x\nthis line is broken\n", kMalformedLine, 3, "this line is broken"},
        {"[Report\nTitle=x\n", kMalformedLine, 1, "section header"},
        {"[Report] Title=x\n", kMalformedLine, 1, "section header"},
        {"Title=x\n[Report]\n", kMalformedLine, 1, "before the first [Section]"},
        {"[Report]\n=x\n", kMalformedLine, 2, "key name is missing"},
        {"[Report]\nTitle=\"open\n", kMalformedLine, 2, "closing quote"},
        {"[Report]\nTitle=\"a\" b\n", kMalformedLine, 2, "closing quote"},
        {"[Report]\n[Colours]\n", kUnknownName, 2, "unknown section [Colours]"},
        {"[Page]\nColour=red\n", kUnknownName, 2, "unknown key \"Colour\" in section [Page]"},
        {"[Page]\nPaper=A4\n\n[page]\npaper=A3\n", kUnknownName, 5, "first on line 2"},
        {"[Output]\nDestination=fax   ; not one of them\n", kBadValue, 2,
         "bad value \"fax\" for Destination in [Output]: expected preview, printer or pdf"},
        {"[Output]\nFile=\n", kBadValue, 2, "File"},
        {"[Columns]\nPairs=0\n", kBadValue, 2, "Pairs"},
        {"[Columns]\nPairs=9\n", kBadValue, 2, "Pairs"},
        {"[Columns]\nDepthFormat=fractions\n", kBadValue, 2, "decimal or fraction"},
        {"[Columns]\nVolumeDecimals=10\n", kBadValue, 2, "VolumeDecimals"},
        {"[Page]\nMarginLeft=15\n", kBadValue, 2, "with its unit"},
        {"[Page]\nMarginLeft=-1mm\n", kBadValue, 2, "MarginLeft"},
        {"[Page]\nMarginLeft=7in\n", kBadValue, 2, "MarginLeft"},
        {"[Page]\nPaper=A9\n", kBadValue, 2, "Paper"},
        {"[Font]\nSize=huge\n", kBadValue, 2, "Size"},
        {"[Font]\nSize=3\n", kBadValue, 2, "Size"},
        {"[Font]\nFamily=\n", kBadValue, 2, "Family"},
        {"[Curve]\nDraw=maybe\n", kBadValue, 2, "yes or no"},
        {"[Sketch]\nDraw=2\n", kBadValue, 2,
         "bad value \"2\" for Draw in [Sketch]: expected yes or no"},
        {"[Sketch]\nDraw=yes\n[Sketch]\nDraw=no\n", kUnknownName, 4, "first on line 2"},
        {"[Sketch]\nHeight=3in\n", kUnknownName, 2, "in section [Sketch]; it takes Draw"},
        {"[Columns]\nLayout=grid\n", kBadValue, 2, "expected list or eighths"},
        {"[Report]\nCompany=maybe\n", kBadValue, 2, "Company in [Report]: expected yes or no"},
        {"[Curve]\nHeight=1e3mm\n", kBadValue, 2, "Height"},
        {"[Report]\nTitle=\xC3(\n", kMalformedLine, 2, "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parse(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const ReportError& error) {
            const std::string what = error.what();
            EXPECT_EQ(error.number(), c.number) << what;
            EXPECT_NE(what.find("test.rpt, line " + std::to_string(c.line) + ": "),
                      std::string::npos)
                << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
        }
    }
}

TEST(Definition, MissingFileIsNamedWithItsFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("indipsheet.rpt"));
    try {
        readDefinition(path);
        FAIL() << "read a file that is not there";
    } catch (const ReportError& error) {
        EXPECT_EQ(error.number(), kDefinitionUnreadable);
        EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos)
            << error.what();
    }
    QDir(folder.path()).mkdir(QStringLiteral("indipsheet.rpt"));
    try {
        readDefinition(path);
        FAIL() << "read a folder";
    } catch (const ReportError& error) {
        EXPECT_EQ(error.number(), kDefinitionUnreadable);
    }
}

TEST(CellText, FractionDepthsInLowestTerms) {
    const std::vector<std::pair<float, const char*>> cases = {
        {10.125f, "10 1/8"},
        {0.5f, "1/2"},
        {3.0f, "3"},
        {0.0f, "0"},
        {-1.75f, "-1 3/4"},
        {1.0f / 64.0f, "1/64"},
        {47.984375f, "47 63/64"},
        {-0.25f, "-1/4"},
        {0.1f, "0.1"},
        {1.0f / 128.0f, "0.0078125"},
        {0.70000005f, "0.7"},  // not a 1/64 step: as the grid shows it
        {1e30f, "1E+30"},
    };
    for (const auto& [depth, text] : cases) {
        EXPECT_EQ(depthText(depth, DepthFormat::Fraction).toStdString(), text) << depth;
    }
    EXPECT_EQ(depthText(10.125f, DepthFormat::Decimal), QStringLiteral("10.125"));
    EXPECT_EQ(depthText(3.299999f, DepthFormat::Decimal), QStringLiteral("3.299999"));
    EXPECT_EQ(depthText(0.70000005f, DepthFormat::Decimal), QStringLiteral("0.7"));
    EXPECT_EQ(depthText(1.882795e-06f, DepthFormat::Decimal), QStringLiteral("1.882795E-06"));
}

TEST(CellText, VolumesAsTheGridShowsThemOrRoundedFromTheSingle) {
    EXPECT_EQ(volumeText(21.64352f, kShortestVolume), QStringLiteral("21.64352"));
    EXPECT_EQ(volumeText(1.0000001f, kShortestVolume), QStringLiteral("1"));
    EXPECT_EQ(volumeText(129.86111f, kShortestVolume), QStringLiteral("129.8611"));
    EXPECT_EQ(volumeText(21.64352f, 2), QStringLiteral("21.64"));
    EXPECT_EQ(volumeText(1.005f, 2), QStringLiteral("1.00"));  // the single is 1.00499999...
    EXPECT_EQ(volumeText(-0.001f, 2), QStringLiteral("0.00"));
    EXPECT_EQ(volumeText(-1.5f, 1), QStringLiteral("-1.5"));
    EXPECT_EQ(volumeText(12.0f, 3), QStringLiteral("12.000"));
}

TEST(CellText, CurveDivisionsInPlainDigitsWithGroups) {
    const std::vector<std::tuple<double, int, const char*>> cases = {
        {5e8, 0, "500,000,000"},  {1.5e12, 0, "1,500,000,000,000"},
        {100000.0, 0, "100,000"}, {-100000.0, 0, "-100,000"},
        {999.0, 0, "999"},        {-1250.0, 0, "-1,250"},
        {12345.5, 1, "12,345.5"}, {0.25, 2, "0.25"},
        {-0.0001, 2, "0.00"}};
    for (const auto& [value, decimals, text] : cases) {
        EXPECT_EQ(tickText(value, decimals).toStdString(), text) << value;
    }
}
