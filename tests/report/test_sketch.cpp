// The drawing of the tank beside the curve, looked at as printed: the PDF's first page
// rasterised by poppler's pdftoppm and compared with the same chart printed without it.

#include "render.h"
#include "report.h"

#include "chart/tank.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

using namespace dipsheet::report;
using dipsheet::chart::CapacityRow;
using dipsheet::chart::Tank;
using dipsheet::store::ChartSetup;

namespace {

constexpr int kDpi = 100;
const std::string kBase =
    "[Columns]\nDepthUnit=in\nCapacityUnit=US gal\n[Font]\nFamily=DejaVu Sans\n"
    "[Output]\nDestination=pdf\nFile=chart.pdf\n";

std::string run(const QStringList& command) {
    QProcess process;
    process.start(command.front(), command.mid(1));
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0)
        << qPrintable(command.join(QLatin1Char(' ')));
    return process.readAllStandardOutput().toStdString();
}

// A 2:1-headed cylinder 48 by 120 inches lying with B 12 lower and the stick 30 from A, or an
// upright one 48 wide and 72 high on a 2:1 bottom.
Tank cylinder(bool upright) {
    Tank tank;
    tank.shape = upright ? dipsheet::chart::Shape::VerticalCylinder
                         : dipsheet::chart::Shape::HorizontalCylinder;
    tank.heads.kind = dipsheet::chart::HeadKind::TwoToOne;
    tank.diameter = "48";
    tank.length = upright ? "72" : "120";
    tank.fall = upright ? "" : "12";
    tank.dipAt = upright ? "" : "30";
    tank.increment = "0.125";
    return tank;
}

bool isInk(QRgb p) {
    return qGray(p) < 235;
}
bool isLiquid(QRgb p) {
    return qRed(p) > 180 && qBlue(p) - qRed(p) > 10 && qBlue(p) - qRed(p) < 60;
}
bool isSurface(QRgb p) {
    return qBlue(p) > 120 && qBlue(p) - qRed(p) > 60;
}

// The pixels of `area` that `is` picks: how many, and the rectangle around them.
std::pair<int, QRect> find(const QImage& image, const QRect& area, bool (*is)(QRgb)) {
    std::pair<int, QRect> found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (is(image.pixel(x, y))) {
                ++found.first;
                found.second |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

// A printed chart: its first page as pixels and text, how its rows fell, and the pixel row of
// the column labels over the rows (the lowest of the words "Depth"; the axis title is above).
struct Printout {
    QImage page;
    std::string text;
    std::tuple<int, int, int, int, int> layout;
    int rowsTop = 0;
};

class SketchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
        setDateSource([] { return QDate(2024, 3, 5); });
    }
    void TearDown() override {
        QDir::setCurrent(m_previous);
        setDateSource({});
    }

    // A fresh job file with `rows` and, unless none, the set-up.
    static void store(const std::vector<CapacityRow>& rows,
                      const std::optional<ChartSetup>& setup) {
        QFile::remove(QStringLiteral("QRTMembers.mdb"));
        std::ifstream in(DIPSHEET_SCHEMA, std::ios::binary);
        const std::string schema((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open("QRTMembers.mdb", &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        dipsheet::store::Database file;
        setup ? file.replaceChart(rows, *setup) : file.replaceChartRows(rows);
    }

    static Printout print(const std::string& definition) {
        std::ofstream("test.rpt", std::ios::binary) << definition;
        ReportEngine engine;
        engine.setReportFileName(QStringLiteral("test.rpt"));
        engine.load();
        engine.produce();
        QPdfWriter writer(QStringLiteral("unused.pdf"));
        applyPageLayout(engine.report().definition, writer);
        const Pagination p = paginate(engine.report(), writer);
        Printout out{
            {},
            {},
            {p.rowsPerColumnFirst, p.rowsPerColumn, p.rowsOnFirstPage, p.rowsPerPage, p.pages}};
        const QStringList first{"-f", "1", "-l", "1"};
        run(QStringList{"pdftoppm", "-png", "-r", QString::number(kDpi), "-singlefile"} + first +
            QStringList{"chart.pdf", "page"});
        out.page = QImage(QStringLiteral("page.png")).convertToFormat(QImage::Format_RGB32);
        out.text = run(QStringList{"pdftotext", "-layout"} + first + QStringList{"chart.pdf", "-"});
        const std::string words =
            run(QStringList{"pdftotext", "-bbox"} + first + QStringList{"chart.pdf", "-"});
        const std::regex depth(R"re(yMin="([0-9.]+)"[^>]*>Depth<)re");
        for (std::sregex_iterator at(words.begin(), words.end(), depth), end; at != end; ++at) {
            out.rowsTop = std::max(out.rowsTop, static_cast<int>(std::stod((*at)[1]) * kDpi / 72));
        }
        return out;
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

// With Draw=yes the tank is drawn in the right part of the curve's box: more ink there than the
// curve has, the measures written, the liquid's surface level however the tank lies, and the
// liquid's floor following the tank's bottom, lower at the share `lower` of the liquid's width
// than at `higher`. Nothing else moves: the rows and where they fall, every pixel below the curve.
TEST_F(SketchTest, TheTankIsDrawnBesideTheCurveAndNothingElseMoves) {
    const struct {
        Tank tank;
        std::vector<std::string> labels;
        double higher, lower;
        double deepToWide;  // the liquid's depth over its width, where that is simply known
    } cases[] = {
        // End B lower; the shell's bottom runs from a twelfth to eleven twelfths across.
        {cylinder(false), {"D 48 in", "L 120 in", "head 12 in"}, 0.15, 0.75, 0.0},
        // The bottom hangs below the shell, lowest in the middle. It holds as much as 8 inches
        // of shell (2/3 of its 12), the tank as much as 80: at 90 % (72) the surface stands 64
        // over the seam, 76 over the lowest point, on liquid 48 wide.
        {cylinder(true), {"D 48 in", "H 72 in", "bottom 12 in"}, 0.1, 0.5, 76.0 / 48.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tank.describe());
        const Tank::Chart chart = c.tank.chart();
        store({chart.rows.begin() + 1, chart.rows.end()},
              ChartSetup{c.tank.describe(), chart.full, c.tank});
        const Printout plain = print(kBase + "[Sketch]\nDraw=no\n");
        const Printout drawn = print(kBase + "[Sketch]\nDraw=yes\n");
        EXPECT_EQ(drawn.layout, plain.layout);
        EXPECT_GE(std::get<4>(drawn.layout), 2);  // pages

        ASSERT_TRUE(!drawn.page.isNull() && drawn.page.size() == plain.page.size());
        // The rows of pixels that differ, all above the rows of the chart.
        int top = -1, bottom = -1;
        for (int y = 0; y < drawn.page.height(); ++y) {
            const uchar* line = drawn.page.constScanLine(y);
            if (!std::equal(line, line + drawn.page.bytesPerLine(), plain.page.constScanLine(y))) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        ASSERT_GE(top, 0);
        EXPECT_GT(drawn.rowsTop, bottom);
        EXPECT_EQ(drawn.rowsTop, plain.rowsTop);
        // The right quarter of the page across those rows lies in the drawing's part of the box.
        const int width = drawn.page.width();
        const QRect part(width * 3 / 4, top, width / 4, bottom - top + 1);
        EXPECT_GT(find(drawn.page, part, isInk).first, 2 * find(plain.page, part, isInk).first);
        for (const std::string& label : c.labels) {
            EXPECT_NE(drawn.text.find(label), std::string::npos) << label << "\n" << drawn.text;
            EXPECT_EQ(plain.text.find(label), std::string::npos) << label;
        }

        // The liquid: the columns with more than a few pixels of it (not a blue line's edge).
        const auto column = [&](int x, int across) {
            return find(drawn.page, QRect(x, top, across, bottom - top + 1), isLiquid);
        };
        int first = width, last = -1;
        for (int x = width / 2; x < width; ++x) {
            if (column(x, 1).first >= 10) {
                first = std::min(first, x);
                last = x;
            }
        }
        ASSERT_LT(first, last) << "no liquid";
        // Its lowest pixel in a few columns about `share` across (the stick may stand there).
        const auto floorAt = [&](double share) {
            return column(first + static_cast<int>(share * (last - first)) - 3, 7).second.bottom();
        };
        EXPECT_GT(floorAt(c.lower), floorAt(c.higher) + 4);
        const QRect surface =
            find(drawn.page, QRect(first, top, last - first + 1, bottom - top + 1), isSurface)
                .second;
        EXPECT_LE(surface.height(), 4);
        EXPECT_GT(surface.width(), (last - first) / 2);
        if (c.deepToWide > 0.0) {
            EXPECT_NEAR((floorAt(0.5) - surface.center().y()) / (last - first + 1.0), c.deepToWide,
                        0.03);
        }
    }
}

// No drawing, and the curve across the whole box, for a chart stored without its set-up (an
// old file), with a set-up but no tank, and with a tank whose measures do not read.
TEST_F(SketchTest, WithoutATankThatReadsThePageIsAsBefore) {
    const Tank::Chart chart = cylinder(false).chart();
    Tank unreadable = cylinder(false);
    unreadable.diameter = "forty-eight";
    const std::optional<ChartSetup> setups[] = {
        std::nullopt,
        ChartSetup{"Horizontal cylinder", chart.full, std::nullopt},
        ChartSetup{"Horizontal cylinder", chart.full, unreadable},
    };
    for (const auto& setup : setups) {
        SCOPED_TRACE(setup ? setup->tank ? "unreadable tank" : "no tank" : "no set-up");
        store({chart.rows.begin() + 1, chart.rows.end()}, setup);
        const auto stored = dipsheet::store::Database().readChartSetup();
        ASSERT_EQ(stored && stored->tank, setup && setup->tank);
        const Printout plain = print(kBase + "[Sketch]\nDraw=no\n");
        const Printout drawn = print(kBase + "[Sketch]\nDraw=yes\n");
        EXPECT_TRUE(drawn.page == plain.page);
        EXPECT_EQ(drawn.layout, plain.layout);
    }
}

}  // namespace
